// End-to-end: every command of the command table, in each state a user meets
// it in, posted to the real LUMAGR32.EXE under Wine. A command runs when the
// viewer's own menu enables it; whatever it opens is read and cancelled, and
// the viewer must stay responsive. No enabled command may answer that its
// function is missing, except the ones listed at the top.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "driver.h"
#include "e2e_support.h"
#include "menu_probe.h"
#include "shell/logic/commands.h"

namespace fs = std::filesystem;

namespace {

constexpr char kNotYet[] = "This function is not available yet";

// Commands whose work is not built: enabled, they answer kNotYet. Wherever a
// state enables one, it must still answer so, and every entry marked reached
// must be enabled in some state; take an entry out once its work is built.
struct NotBuilt {
    int id;
    bool reached;
    const char* what;
};
const std::vector<NotBuilt> kNotBuiltYet = {};

// Commands that leave the state changed although all they opened was
// cancelled, each with its reason. Any other command must leave it as it was.
struct ChangeKept {
    int id;
    const char* why;
};
constexpr ChangeKept kChangedDespiteCancel[] = {
    {CMD_DIRECTORY_SLIDESHOW, "the slideshow over the directory ends on an empty window"},
    {CMD_BRIGHTNESS, "Brightness keeps an undo copy before its dialog"},
    {CMD_CONTRAST, "Contrast keeps an undo copy before its dialog"},
    {CMD_GAMMA, "Gamma correction keeps an undo copy before its dialog"},
};

bool ChangeKeptOnCancel(int id) {
    for (const ChangeKept& k : kChangedDespiteCancel)
        if (k.id == id) return true;
    return false;
}

// Exit is not swept with the others: it is posted last in every state, and
// the viewer must then end cleanly.
constexpr int kPostedLast = CMD_EXIT;

struct State {
    const char* name;
    const char* file;
    bool select;  // a selection is dragged after loading
    int proof;    // a command that only this kind of state enables
};
const State kStates[] = {
    {"still picture", "palette8.bmp", false, CMD_EDIT_PALETTE},  // 8 bits
    {"still picture with a selection", "gradient24.bmp", true, CMD_CROP},
    {"multipage TIFF", "pages.tif", false, CMD_FIRST_PAGE},
    {"DCX", "pages.dcx", false, CMD_FIRST_PAGE},
    {"animated GIF", "anim.gif", false, CMD_STOP_ANIMATION},
    {"animated cursor", "cursor.ani", false, CMD_STOP_ANIMATION},
    {"AVI", "clip.avi", false, CMD_EXTRACT_FRAMES},
};

constexpr UINT kStateBits = MF_GRAYED | MF_DISABLED | MF_CHECKED;

bool HasMenuItem(const lg::CommandInfo& c) { return c.menuText != nullptr; }

// ---- the menu, read from inside the viewer's process

BYTE* RemoteModule(DWORD pid, const std::string& name) {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
    if (snap == INVALID_HANDLE_VALUE) return nullptr;
    MODULEENTRY32 me = {};
    me.dwSize = sizeof me;
    BYTE* base = nullptr;
    for (BOOL ok = Module32First(snap, &me); ok && !base; ok = Module32Next(snap, &me))
        if (lstrcmpiA(me.szModule, name.c_str()) == 0) base = me.modBaseAddr;
    CloseHandle(snap);
    return base;
}

// Runs `start(param)` on a new thread of the viewer; its exit code, or
// STILL_ACTIVE when it does not end in time.
DWORD RunRemote(HANDLE process, LPTHREAD_START_ROUTINE start, void* param) {
    HANDLE t = CreateRemoteThread(process, nullptr, 0, start, param, 0, nullptr);
    if (!t) return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(t, e2e::kStepMs) == WAIT_OBJECT_0) GetExitCodeThread(t, &code);
    CloseHandle(t);
    return code;
}

// The address in the viewer of `symbol` of a module loaded here too.
LPTHREAD_START_ROUTINE RemoteAddress(DWORD pid, HMODULE local, const char* module, const char* symbol) {
    BYTE* base = RemoteModule(pid, module);
    FARPROC here = GetProcAddress(local, symbol);
    if (!base || !here) return nullptr;
    return reinterpret_cast<LPTHREAD_START_ROUTINE>(base + (reinterpret_cast<BYTE*>(here) -
                                                            reinterpret_cast<BYTE*>(local)));
}

class MenuReader {
public:
    // Loads the probe into the viewer; false when that fails.
    bool Attach(const e2e::Viewer& v, const std::string& probePath) {
        process_ = v.process.hProcess;
        const DWORD pid = v.process.dwProcessId;
        HMODULE kernel = GetModuleHandleA("kernel32.dll");
        HMODULE probe = LoadLibraryA(probePath.c_str());
        auto loadLibrary = RemoteAddress(pid, kernel, "kernel32.dll", "LoadLibraryA");
        if (!probe || !loadLibrary) return false;
        block_ = VirtualAllocEx(process_, nullptr, sizeof(MenuProbeRequest), MEM_COMMIT | MEM_RESERVE,
                                PAGE_READWRITE);
        if (!block_ || !WriteProcessMemory(process_, block_, probePath.c_str(), probePath.size() + 1, nullptr))
            return false;
        if (RunRemote(process_, loadLibrary, block_) == 0) return false;
        const std::string name = probePath.substr(probePath.find_last_of("\\/") + 1);
        read_ = RemoteAddress(pid, probe, name.c_str(), "ReadMenuStates");
        return read_ != nullptr;
    }

    // The grayed and checked bits of each item, after the viewer's own
    // enable pass for an opened menu.
    bool Read(const e2e::Viewer& v, const std::vector<int>& ids, std::map<int, UINT>& out) {
        DWORD_PTR ignored;
        if (!SendMessageTimeoutA(v.window, WM_INITMENU, 0, 0, SMTO_BLOCK, e2e::kStepMs, &ignored)) return false;
        MenuProbeRequest r = {};
        r.window = v.window;
        r.count = DWORD(ids.size());
        for (size_t i = 0; i < ids.size(); ++i) r.ids[i] = UINT(ids[i]);
        if (!WriteProcessMemory(process_, block_, &r, sizeof r, nullptr)) return false;
        if (RunRemote(process_, read_, block_) != 1) return false;
        if (!ReadProcessMemory(process_, block_, &r, sizeof r, nullptr)) return false;
        out.clear();
        for (size_t i = 0; i < ids.size(); ++i) {
            if (r.states[i] == 0xFFFFFFFFu) return false;  // the item is missing
            out[ids[i]] = r.states[i] & kStateBits;
        }
        return true;
    }

private:
    HANDLE process_ = nullptr;
    void* block_ = nullptr;
    LPTHREAD_START_ROUTINE read_ = nullptr;
};

// ---- what the viewer shows

// Everything a command may change that the next one depends on.
struct Look {
    std::string title;
    bool iconic = false, visible = true;
    std::map<int, UINT> menu;
    bool operator==(const Look& o) const {
        return title == o.title && iconic == o.iconic && visible == o.visible && menu == o.menu;
    }
};

std::string Describe(const Look& base, const Look& now) {
    std::string d;
    if (base.title != now.title) d += " title '" + base.title + "' -> '" + now.title + "';";
    if (base.iconic != now.iconic) d += " minimized;";
    if (base.visible != now.visible) d += " hidden;";
    for (const auto& [id, bits] : base.menu) {
        auto it = now.menu.find(id);
        if (it != now.menu.end() && it->second != bits)
            d += " item " + std::to_string(id) + ": " + std::to_string(bits) + " -> " + std::to_string(it->second) + ";";
    }
    return d;
}

// Top-level windows of the viewer besides its main window: boxes, dialogs,
// sheets, full-screen and slideshow windows.
std::vector<HWND> OtherWindows(const e2e::Viewer& v) {
    std::vector<HWND> others;
    for (HWND w : e2e::WindowsOf(v)) {
        const std::string cls = e2e::ClassOf(w);
        if (w == v.window || cls == "tooltips_class32") continue;
        // A dialog box shows itself once its loop finds the queue empty: it
        // counts from its start, while still hidden.
        HWND owner = GetWindow(w, GW_OWNER);
        DWORD ownerPid = 0;
        if (owner) GetWindowThreadProcessId(owner, &ownerPid);
        if (IsWindowVisible(w) || (cls == "#32770" && ownerPid == v.process.dwProcessId)) others.push_back(w);
    }
    return others;
}

BOOL CALLBACK CollectTexts(HWND w, LPARAM lp) {
    const std::string t = e2e::Title(w);
    if (!t.empty()) *reinterpret_cast<std::string*>(lp) += " | " + t;
    return TRUE;
}

// The caption and the texts of all controls of a window.
std::string WindowTexts(HWND w) {
    std::string text = "[" + e2e::Title(w) + "]";
    EnumChildWindows(w, CollectTexts, reinterpret_cast<LPARAM>(&text));
    return text;
}

bool IsDialogWindow(HWND w) { return e2e::ClassOf(w) == "#32770"; }

// A dialog box is gone when it is destroyed; other windows may also just hide.
bool Gone(HWND w) { return !IsWindow(w) || (!IsWindowVisible(w) && !IsDialogWindow(w)); }

// Answers what a command opened as a user backing out would: Cancel (Esc)
// for boxes, dialogs, sheets and file dialogs, a close for other windows.
bool Dismiss(const e2e::Viewer& v, HWND w) {
    if (IsDialogWindow(w)) PostMessageA(w, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    else PostMessageA(w, WM_CLOSE, 0, 0);
    e2e::Sync(v);
    if (!Gone(w)) {
        PostMessageA(w, WM_CLOSE, 0, 0);
        e2e::Sync(v);
    }
    return e2e::WaitUntil([&] { return Gone(w); });
}

// A small picture on the clipboard, so that Paste and Clear Clipboard are
// enabled in every state.
bool PlaceClipboardPicture() {
    constexpr int kSide = 8;
    const size_t size = sizeof(BITMAPINFOHEADER) + kSide * kSide * 3;
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (!mem) return false;
    auto* h = static_cast<BITMAPINFOHEADER*>(GlobalLock(mem));
    h->biSize = sizeof *h;
    h->biWidth = h->biHeight = kSide;
    h->biPlanes = 1;
    h->biBitCount = 24;
    std::memset(h + 1, 0x80, kSide * kSide * 3);
    GlobalUnlock(mem);
    if (!e2e::WaitUntil([] { return OpenClipboard(nullptr) != 0; })) {
        GlobalFree(mem);
        return false;
    }
    EmptyClipboard();
    const bool placed = SetClipboardData(CF_DIB, mem) != nullptr;
    CloseClipboard();
    if (!placed) GlobalFree(mem);
    return placed;
}

// Centred and tiled wallpaper change the desktop: its settings are put back
// when the sweep ends.
class WallpaperKeeper {
public:
    WallpaperKeeper() {
        for (const char* name : kNames) kept_[name] = Value(name);
    }
    ~WallpaperKeeper() {
        HKEY key;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
            ERROR_SUCCESS)
            return;
        for (const auto& [name, value] : kept_) {
            if (value.first)
                RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.second.c_str()),
                               DWORD(value.second.size() + 1));
            else
                RegDeleteValueA(key, name.c_str());
        }
        RegCloseKey(key);
        std::string wallpaper = kept_["Wallpaper"].second;
        SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, &wallpaper[0], SPIF_SENDCHANGE);
    }

private:
    static constexpr const char* kKey = "Control Panel\\Desktop";
    static constexpr const char* kNames[] = {"Wallpaper", "TileWallpaper", "PrevWallpaper", "PrevTileWallpaper"};
    static std::pair<bool, std::string> Value(const char* name) {
        char text[MAX_PATH * 2] = "";
        DWORD size = sizeof text;
        const bool there = RegGetValueA(HKEY_CURRENT_USER, kKey, name, RRF_RT_REG_SZ, nullptr, text, &size) ==
                           ERROR_SUCCESS;
        return {there, text};
    }
    std::map<std::string, std::pair<bool, std::string>> kept_;
};

// Under Wine without a window manager (the virtual X screen of the tests),
// every dialog that closes holds the viewer for two seconds, waiting for a
// manager to withdraw it; the sweep closes some hundred. Windows that no
// manager handles go at once: the viewers started here get them, and the
// setting is put back at the end. Windows itself does not know the key.
class UnmanagedWindows {
public:
    UnmanagedWindows() {
        char text[16] = "";
        DWORD size = sizeof text;
        had_ = RegGetValueA(HKEY_CURRENT_USER, kKey, "Managed", RRF_RT_REG_SZ, nullptr, text, &size) == ERROR_SUCCESS;
        kept_ = text;
        Set("N");
    }
    ~UnmanagedWindows() {
        if (had_) {
            Set(kept_);
        } else {
            HKEY key;
            if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_WRITE, &key) != ERROR_SUCCESS) return;
            RegDeleteValueA(key, "Managed");
            RegCloseKey(key);
        }
    }

private:
    static constexpr const char* kKey = "Software\\Wine\\X11 Driver";
    static void Set(const std::string& value) {
        HKEY key;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
            ERROR_SUCCESS)
            return;
        RegSetValueExA(key, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       DWORD(value.size() + 1));
        RegCloseKey(key);
    }
    bool had_ = false;
    std::string kept_;
};

// What each command answered, over all states.
struct Answers {
    std::map<int, std::vector<std::string>> notYetIn;   // states where it answered kNotYet
    std::map<int, std::vector<std::string>> postedIn;   // states where it was posted
};

class Sweep : public ViewerTest {
protected:
    void SetUp() override {
        ViewerTest::SetUp();
        probe_ = WinPath(Env("LUMAGROVE_MENU_PROBE"));
        ASSERT_FALSE(probe_.empty()) << "LUMAGROVE_MENU_PROBE not set";
        dir_ = fs::temp_directory_path() / "lumagrove_sweep";
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        // Copies: delete, move and rename must not reach the shared pictures.
        for (const State& s : kStates) fs::copy_file(fs::path(DataDir()) / s.file, dir_ / s.file);
        for (const lg::CommandInfo& c : lg::Commands())
            if (HasMenuItem(c)) menuIds_.push_back(c.id);
    }
    void TearDown() override {
        ViewerTest::TearDown();
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    std::string PathOf(const State& s) const { return (dir_ / s.file).string(); }

    void DragSelection() {
        const int top = PictureTop(v.window);
        PostMessageA(v.window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, top + 5));
        PostMessageA(v.window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(40, top + 30));
        PostMessageA(v.window, WM_LBUTTONUP, 0, MAKELPARAM(40, top + 30));
    }

    // Waits for the load of the state's file (and the animation it starts),
    // then drags the selection the state asks for.
    void Settle(const State& s) {
        ASSERT_TRUE(e2e::Sync(v)) << "loading " << s.file;
        ASSERT_TRUE(e2e::Sync(v)) << "loading " << s.file;
        if (!s.select) return;
        DragSelection();
        ASSERT_TRUE(e2e::Sync(v)) << "selecting";
    }

    void ReadLook(Look& look) {
        look.title = e2e::Title(v.window);
        look.iconic = IsIconic(v.window) != 0;
        look.visible = IsWindowVisible(v.window) != 0;
        ASSERT_TRUE(menu_.Read(v, menuIds_, look.menu)) << "the menu cannot be read";
    }

    // Places the clipboard picture until the viewer's Paste item is enabled:
    // a test that ended just before may have its clipboard emptied by the
    // desktop process after the picture went there.
    bool ProvideClipboardPicture() {
        return e2e::WaitUntil([&] {
            std::map<int, UINT> paste;
            if (!menu_.Read(v, {CMD_PASTE}, paste)) return false;
            if ((paste[CMD_PASTE] & MF_GRAYED) == 0) return true;
            PlaceClipboardPicture();
            return false;
        }, e2e::kStepMs, 50);
    }

    // Posts `id` and answers whatever it opens, until nothing is left open;
    // the texts of those windows are added to `texts`.
    void Post(int id, std::vector<std::string>& texts) {
        e2e::SendCommand(v, id);
        for (int round = 0; round < 8; ++round) {
            ASSERT_TRUE(e2e::Sync(v)) << "command " << id << " does not return";
            const std::vector<HWND> open = OtherWindows(v);
            if (open.empty()) return;
            for (HWND w : open) {
                if (Gone(w)) continue;
                texts.push_back(WindowTexts(w));
                ASSERT_TRUE(Dismiss(v, w)) << "command " << id << ": cancelling leaves open " << texts.back();
            }
        }
        FAIL() << "command " << id << " keeps opening windows";
    }

    // Brings back the state `base` was read in: the checked options first
    // (a reload keeps them), then the window, the clipboard and the file.
    void Restore(const State& s, const Look& base) {
        Look now;
        ASSERT_NO_FATAL_FAILURE(ReadLook(now));
        for (const lg::CommandInfo& c : lg::Commands()) {
            if (c.check == lg::Check::None || !HasMenuItem(c)) continue;
            const bool was = base.menu.at(c.id) & MF_CHECKED, is = now.menu.at(c.id) & MF_CHECKED;
            const bool toggle = c.check == lg::Check::Toolbar || c.check == lg::Check::AlwaysFit ||
                                c.check == lg::Check::AlwaysOnTop || c.check == lg::Check::AviLoop;
            if (was == is || (!toggle && !was)) continue;
            std::vector<std::string> texts;
            ASSERT_NO_FATAL_FAILURE(Post(c.id, texts));
        }
        if (IsIconic(v.window) || !IsWindowVisible(v.window)) ShowWindow(v.window, SW_RESTORE);
        ASSERT_TRUE(ProvideClipboardPicture()) << "the viewer does not see the clipboard picture";
        e2e::DropFiles(v, {PathOf(s)});
        ASSERT_NO_FATAL_FAILURE(Settle(s));
        ASSERT_TRUE(OtherWindows(v).empty()) << "loading " << s.file << " opened a window";
    }

    void SweepState(const State& s, Answers& answers) {
        SCOPED_TRACE(s.name);
        DeleteFileA(IniPath().c_str());
        ASSERT_TRUE(PlaceClipboardPicture());
        ASSERT_TRUE(e2e::Start(Exe(), PathOf(s), dir_.string(), v));
        ASSERT_NO_FATAL_FAILURE(Settle(s));
        ASSERT_TRUE(OtherWindows(v).empty()) << "loading " << s.file << " opened a window";
        ASSERT_TRUE(menu_.Attach(v, probe_)) << "the menu probe cannot be loaded into the viewer";
        ASSERT_TRUE(ProvideClipboardPicture()) << "the viewer does not see the clipboard picture";
        Look base;
        ASSERT_NO_FATAL_FAILURE(ReadLook(base));
        ASSERT_EQ(base.menu.at(s.proof) & MF_GRAYED, 0u) << "command " << s.proof << " disabled: not the state";

        for (const lg::CommandInfo& c : lg::Commands()) {
            if (c.id == kPostedLast) continue;
            // Items of the menu as the viewer enables them; commands reached
            // only by key by the table's rule.
            const bool enabled = HasMenuItem(c) ? (base.menu.at(c.id) & (MF_GRAYED | MF_DISABLED)) == 0
                                                : c.enable == lg::Enable::Always;
            if (!enabled) continue;
            Look now;
            ASSERT_NO_FATAL_FAILURE(ReadLook(now));
            if (!(now == base)) {
                ASSERT_NO_FATAL_FAILURE(Restore(s, base));
                ASSERT_NO_FATAL_FAILURE(ReadLook(now));
                ASSERT_TRUE(now == base) << "before " << c.id << ", the state does not come back:"
                                         << Describe(base, now);
            }
            std::vector<std::string> texts;
            ASSERT_NO_FATAL_FAILURE(Post(c.id, texts));
            ASSERT_TRUE(e2e::Responsive(v)) << "after command " << c.id;
            ASSERT_TRUE(e2e::Sync(v)) << "after command " << c.id;
            answers.postedIn[c.id].push_back(s.name);
            if (!texts.empty() && !ChangeKeptOnCancel(c.id)) {
                Look after;
                ASSERT_NO_FATAL_FAILURE(ReadLook(after));
                EXPECT_TRUE(after == base) << "command " << c.id << ": cancelling " << texts.front()
                                           << " leaves a change:" << Describe(base, after);
            }
            for (const std::string& t : texts) {
                if (t.find(kNotYet) == std::string::npos) continue;
                answers.notYetIn[c.id].push_back(s.name);
                break;
            }
        }

        e2e::SendCommand(v, kPostedLast);
        DWORD code = 99;
        ASSERT_TRUE(e2e::WaitForExit(v, e2e::kStepMs, &code)) << "Exit does not end the viewer";
        EXPECT_EQ(code, 0u);
    }

    std::string probe_;
    fs::path dir_;
    std::vector<int> menuIds_;
    MenuReader menu_;
};

std::string Join(const std::vector<std::string>& v) {
    std::string s;
    for (const std::string& x : v) s += (s.empty() ? "" : ", ") + x;
    return s;
}

TEST_F(Sweep, EveryEnabledCommandInEveryState) {
    WallpaperKeeper wallpaper;
    UnmanagedWindows unmanaged;
    Answers answers;
    for (const State& s : kStates) {
        const auto start = std::chrono::steady_clock::now();
        SweepState(s, answers);
        e2e::Stop(v);
        std::printf("[ sweep    ] %s: %lld ms\n", s.name,
                    static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                               std::chrono::steady_clock::now() - start)
                                               .count()));
        if (HasFatalFailure()) return;
    }

    std::set<int> known;
    for (const NotBuilt& n : kNotBuiltYet) {
        known.insert(n.id);
        const auto posted = answers.postedIn.find(n.id);
        if (posted == answers.postedIn.end()) {
            EXPECT_FALSE(n.reached) << n.id << " (" << n.what << ") is enabled in no state";
            continue;
        }
        const auto notYet = answers.notYetIn.find(n.id);
        EXPECT_EQ(notYet == answers.notYetIn.end() ? 0u : notYet->second.size(), posted->second.size())
            << n.id << " (" << n.what << ") no longer answers \"" << kNotYet << "\" everywhere: posted in "
            << Join(posted->second) << "; answered so in "
            << (notYet == answers.notYetIn.end() ? "none" : Join(notYet->second))
            << ". Take it out of kNotBuiltYet.";
    }
    for (const auto& [id, states] : answers.notYetIn)
        EXPECT_TRUE(known.count(id)) << "command " << id << " answers \"" << kNotYet << "\" in " << Join(states);
}

}  // namespace
