// End-to-end: clipboard, capture, wallpaper, printing, media and the shell
// registration of the real LUMAGR32.EXE under Wine.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <iterator>
#include <thread>

#include "core/convert.h"
#include "dialog_driver.h"
#include "driver.h"
#include "e2e_support.h"
#include "formats/bmp.h"
#include "settings/ini.h"

#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <shobjidl.h>
#include <vfw.h>
#include <winspool.h>

namespace {

namespace fs = std::filesystem;

class Devices : public ViewerTest {
protected:
    void StartWith(const std::string& args) {
        ASSERT_TRUE(e2e::Start(Exe(), args, DataDir(), v));
        ASSERT_TRUE(e2e::Sync(v)) << "the viewer does not take commands";
    }
};

lg::Image ReadPicture(const std::string& name) {
    lg::Status st;
    lg::Image img = lg::ReadBmp(DataDir() + "\\" + name, st);
    EXPECT_TRUE(img) << st.error;
    return img;
}

// The viewer may hold the clipboard open for a moment.
bool OpenClipboardPatiently() {
    return e2e::WaitUntil([] { return OpenClipboard(nullptr) != FALSE; });
}

// The clipboard's device-independent bitmap, or an empty picture.
lg::Image ClipboardDib() {
    lg::Image img;
    if (!OpenClipboardPatiently()) return img;
    if (HANDLE h = GetClipboardData(CF_DIB)) {
        size_t n = GlobalSize(h);
        std::unique_ptr<uint8_t[]> copy(new uint8_t[n]);
        std::memcpy(copy.get(), GlobalLock(h), n);
        GlobalUnlock(h);
        img = lg::Image::FromBlock(std::move(copy), n);
    }
    CloseClipboard();
    return img;
}

void PutOnClipboard(UINT format, const void* data, size_t n) {
    ASSERT_TRUE(OpenClipboardPatiently());
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, n);
    std::memcpy(GlobalLock(block), data, n);
    GlobalUnlock(block);
    SetClipboardData(format, block);
    CloseClipboard();
}

// Both pictures widened to 24 bits hold the same pixels (x0, y0: where `part`
// starts in `whole`, from the top).
void ExpectSamePixels(const lg::Image& part, const lg::Image& whole, int x0 = 0, int y0 = 0) {
    ASSERT_TRUE(part);
    ASSERT_TRUE(whole);
    lg::Image a = lg::ExpandTo24(part.Duplicate()), b = lg::ExpandTo24(whole.Duplicate());
    ASSERT_LE(x0 + a.width(), b.width());
    ASSERT_LE(y0 + a.height(), b.height());
    int mismatches = 0;
    for (int y = 0; y < a.height(); ++y)
        mismatches += std::memcmp(a.topRow(y), b.topRow(y + y0) + 3 * x0, size_t(a.width()) * 3) != 0;
    EXPECT_EQ(mismatches, 0);
}

// The viewer's title once it is `want`, or as it is when the wait runs out
// (commands that talk to other windows answer other messages meanwhile, so
// a queue mark alone does not say they are done).
std::string TitleOnceItIs(const e2e::Viewer& v, const std::string& want) {
    std::string title;
    e2e::WaitUntil([&] { return (title = e2e::Title(v.window)) == want; });
    return title;
}

void Drag(const e2e::Viewer& v, POINT from, POINT to) {
    PostMessageA(v.window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.x, from.y));
    PostMessageA(v.window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(to.x, to.y));
    PostMessageA(v.window, WM_LBUTTONUP, 0, MAKELPARAM(to.x, to.y));
    ASSERT_TRUE(e2e::Sync(v));
}

// ---- clipboard

TEST_F(Devices, CopyPlacesThreeFormatsOfThePictureAndOfTheSelection) {
    StartWith(DataDir() + "\\palette8.bmp");
    ASSERT_TRUE(e2e::WaitForTitle(v, "palette8.bmp"));
    ASSERT_NO_FATAL_FAILURE(Command(40053));
    lg::Image want = ReadPicture("palette8.bmp");
    lg::Image got = ClipboardDib();
    ASSERT_TRUE(got);
    ASSERT_GE(got.size(), want.size());
    EXPECT_EQ(std::memcmp(got.data(), want.data(), want.size()), 0);
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_PALETTE));

    // A selection from (5, 4) to (25, 19) of the picture: only those pixels.
    const int top = PictureTop(v.window);
    ASSERT_NO_FATAL_FAILURE(Drag(v, POINT{5, top + 4}, POINT{25, top + 19}));
    ASSERT_NO_FATAL_FAILURE(Command(40053));
    lg::Image part = ClipboardDib();
    ASSERT_TRUE(part);
    EXPECT_EQ(part.width(), 20);
    EXPECT_EQ(part.height(), 15);
    EXPECT_EQ(part.bitCount(), 8);
    ExpectSamePixels(part, want, 5, 4);

    ASSERT_NO_FATAL_FAILURE(Command(40056));  // Clear Clipboard
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_DIB));
}

TEST_F(Devices, PasteMakesTheClipboardBitmapTheCurrentPicture) {
    StartWith(DataDir() + "\\gradient24.bmp");
    ASSERT_TRUE(e2e::WaitForTitle(v, "gradient24.bmp"));
    // A 32-bit bitmap as screen grabbers put it: widened to 24 bits on paste.
    lg::Image source = ReadPicture("gradient24.bmp");
    const int w = source.width(), h = source.height();
    std::vector<uint8_t> dib(40 + size_t(w) * h * 4, 0);
    lg::PutLE32(&dib[0], 40);
    lg::PutLE32(&dib[4], uint32_t(w));
    lg::PutLE32(&dib[8], uint32_t(h));
    lg::PutLE16(&dib[12], 1);
    lg::PutLE16(&dib[14], 32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) std::memcpy(&dib[40 + (size_t(y) * w + x) * 4], source.row(y) + 3 * x, 3);
    PutOnClipboard(CF_DIB, dib.data(), dib.size());
    ASSERT_NO_FATAL_FAILURE(Command(40055));
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove - <Clipboard> (64x48x24BPP)");
    // Until the window has painted the pasted picture.
    const int top = PictureTop(v.window);
    int mismatches = -1;
    EXPECT_TRUE(e2e::WaitUntil([&] {
        e2e::Capture cap;
        if (!e2e::CaptureClient(v.window, cap) || cap.width < w || cap.height < top + h) return false;
        mismatches = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                mismatches += std::memcmp(cap.at(x, y + top), source.topRow(y) + 3 * x, 3) != 0;
        return mismatches == 0;
    })) << mismatches << " pixels are not the pasted ones";

    // A 4-bit bitmap whose header says 0 colours: it comes back with 16.
    std::vector<uint8_t> small(40 + 64 + 4 * 2, 0);
    lg::PutLE32(&small[0], 40);
    lg::PutLE32(&small[4], 3);
    lg::PutLE32(&small[8], 2);
    lg::PutLE16(&small[12], 1);
    lg::PutLE16(&small[14], 4);
    for (int i = 0; i < 16; ++i) small[40 + 4 * i + 1] = uint8_t(i * 16);  // green ramp
    small[104] = 0x1F;
    small[108] = 0xA2;
    PutOnClipboard(CF_DIB, small.data(), small.size());
    ASSERT_NO_FATAL_FAILURE(Command(40055));
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove - <Clipboard> (3x2x4BPP)");
    ASSERT_NO_FATAL_FAILURE(Command(40053));
    lg::Image back = ClipboardDib();
    ASSERT_TRUE(back);
    EXPECT_EQ(back.bitCount(), 4);
    EXPECT_EQ(back.colorsUsedField(), 16u);
    EXPECT_EQ(back.row(0)[0], 0x1F);
    EXPECT_EQ(back.row(1)[0], 0xA2);
}

// Paste without a bitmap on the clipboard (text only, then nothing at all)
// says so and leaves the picture shown, with its undo copy.
TEST_F(Devices, PasteWithoutABitmapSaysSoAndKeepsThePicture) {
    StartWith(DataDir() + "\\gradient24.bmp");
    ASSERT_TRUE(e2e::WaitForTitle(v, "gradient24.bmp"));
    ASSERT_NO_FATAL_FAILURE(Command(40068));  // Negative: Undo is enabled from now on
    const std::string title = e2e::Title(v.window);
    for (bool text : {true, false}) {
        SCOPED_TRACE(text ? "text" : "empty");
        if (text) {
            PutOnClipboard(CF_TEXT, "hello", 6);
        } else {
            ASSERT_TRUE(OpenClipboardPatiently());
            EmptyClipboard();
            CloseClipboard();
        }
        e2e::SendCommand(v, 40055);
        HWND box = e2e::FindMessageBox(v, e2e::kStepMs);
        ASSERT_NE(box, nullptr) << "no message box";
        EXPECT_EQ(e2e::MessageBoxText(box), "Can't paste from clipboard !");
        ASSERT_TRUE(e2e::AnswerMessageBox(box, IDOK));
        ASSERT_TRUE(e2e::Sync(v));
        EXPECT_EQ(e2e::Title(v.window), title);
    }
    // Undo brings back the picture before the negative: the gradient as read.
    ASSERT_NO_FATAL_FAILURE(Command(40120));
    ASSERT_NO_FATAL_FAILURE(Command(40053));
    lg::Image back = ClipboardDib();
    ExpectSamePixels(back, ReadPicture("gradient24.bmp"));
}

// ---- capture

// A window of the test with four known colours in its client area, painted
// by a thread of its own so that it answers while the viewer captures it.
struct TargetWindow {
    static constexpr COLORREF kColors[4] = {RGB(200, 30, 40), RGB(20, 180, 60), RGB(30, 40, 220), RGB(230, 220, 10)};
    std::thread thread;
    std::atomic<HWND> window{nullptr};
    DWORD threadId = 0;

    static LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg != WM_PAINT) return DefWindowProcA(w, msg, wp, lp);
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(w, &ps);
        RECT c;
        GetClientRect(w, &c);
        const int mx = c.right / 2, my = c.bottom / 2;
        const RECT parts[4] = {{0, 0, mx, my}, {mx, 0, c.right, my}, {0, my, mx, c.bottom}, {mx, my, c.right, c.bottom}};
        for (int i = 0; i < 4; ++i) {
            HBRUSH b = CreateSolidBrush(kColors[i]);
            FillRect(dc, &parts[i], b);
            DeleteObject(b);
        }
        EndPaint(w, &ps);
        return 0;
    }

    // `extra` more titled windows open off the screen (the capture list keeps
    // 50); off the screen they cost the X server nothing to show and hide.
    // False when the window is not up and painted in time.
    bool Open(const char* title, int x = 120, int y = 90, int extra = 0) {
        thread = std::thread([this, title, x, y, extra] {
            threadId = GetCurrentThreadId();
            WNDCLASSA wc = {};
            wc.lpfnWndProc = Proc;
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.lpszClassName = "LumagroveCaptureTarget";
            RegisterClassA(&wc);
            std::vector<HWND> others;
            for (int i = 0; i < extra; ++i)
                others.push_back(CreateWindowA(wc.lpszClassName, ("Extra window " + std::to_string(i)).c_str(),
                                               WS_OVERLAPPEDWINDOW | WS_VISIBLE, -10000, -10000, 100, 80, nullptr,
                                               nullptr, wc.hInstance, nullptr));
            HWND w = CreateWindowA(wc.lpszClassName, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, y, 220, 160, nullptr,
                                   nullptr, wc.hInstance, nullptr);
            window = w;
            MSG m;
            while (GetMessageA(&m, nullptr, 0, 0) > 0) DispatchMessageA(&m);
            DestroyWindow(w);
            for (HWND o : others) DestroyWindow(o);
        });
        if (!e2e::WaitUntil([this] { return window.load() != nullptr; })) return false;
        // Painted: the right half (on the screen even when the left edge is
        // not) shows its two colours.
        return e2e::WaitUntil([this] {
            e2e::Capture cap;
            if (!e2e::CaptureClient(window, cap)) return false;
            auto is = [&](int x, int y, COLORREF c) {
                const uint8_t* p = cap.at(x, y);
                return p[0] == GetBValue(c) && p[1] == GetGValue(c) && p[2] == GetRValue(c);
            };
            return is(cap.width - 5, 5, kColors[1]) && is(cap.width - 5, cap.height - 5, kColors[3]);
        });
    }
    ~TargetWindow() {
        if (thread.joinable()) {
            PostThreadMessageA(threadId, WM_QUIT, 0, 0);
            thread.join();
        }
    }
    // The client area as it should look.
    lg::Image Expected() const {
        RECT c;
        GetClientRect(window, &c);
        lg::Image img = lg::Image::Create(c.right, c.bottom, 24, 0);
        const int mx = c.right / 2, my = c.bottom / 2;
        for (int y = 0; y < c.bottom; ++y)
            for (int x = 0; x < c.right; ++x) {
                COLORREF col = kColors[(y >= my ? 2 : 0) + (x >= mx ? 1 : 0)];
                uint8_t* p = img.topRow(y) + 3 * x;
                p[0] = GetBValue(col);
                p[1] = GetGValue(col);
                p[2] = GetRValue(col);
            }
        return img;
    }
};

HWND OpenCaptureDialog(const e2e::Viewer& v) {
    e2e::SendCommand(v, 40147);
    HWND dlg = e2e::FindDialog(v, "Capture Setup", e2e::kStepMs);
    // Its list is filled once its loop runs.
    EXPECT_TRUE(dlg && e2e::Sync(v)) << "no \"Capture Setup\" dialog";
    return dlg;
}

void PressStart(HWND dlg) { PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), LPARAM(GetDlgItem(dlg, IDOK))); }

TEST_F(Devices, CaptureOfAClientAreaGivesItsPixels) {
    TargetWindow target;
    ASSERT_TRUE(target.Open("Lumagrove capture target")) << "the target window is not painted";
    StartWith("");
    HWND dlg = OpenCaptureDialog(v);
    ASSERT_NE(dlg, nullptr);
    HWND list = GetDlgItem(dlg, 1234);
    LRESULT index = SendMessageA(list, LB_FINDSTRINGEXACT, WPARAM(-1), LPARAM("Lumagrove capture target"));
    ASSERT_GE(index, 0);
    SendMessageA(list, LB_SETCURSEL, WPARAM(index), 0);
    for (int id : {1231, 1232, 1233}) SendDlgItemMessageA(dlg, id, BM_SETCHECK, id == 1233, 0);
    PressStart(dlg);
    lg::Image want = target.Expected();
    const std::string title = "Lumagrove - <Clipboard> (" + std::to_string(want.width()) + "x" +
                              std::to_string(want.height()) + "x24BPP)";
    ASSERT_EQ(TitleOnceItIs(v, title), title);
    EXPECT_EQ(lg::ini::ReadInt(IniPath(), "Capture", "Window", -1), 2);
    EXPECT_EQ(lg::ini::ReadInt(IniPath(), "Capture", "ListIndex", -1), int(index));
    ASSERT_NO_FATAL_FAILURE(Command(40053));
    lg::Image got = ClipboardDib();
    ASSERT_TRUE(got);
    EXPECT_EQ(got.width(), want.width());
    EXPECT_EQ(got.height(), want.height());
    ExpectSamePixels(got, want);
}

TEST_F(Devices, WindowPastTheScreenEdgeIsCutAndTheListKeepsFifty) {
    TargetWindow target;
    ASSERT_TRUE(target.Open("Lumagrove capture target", -60, 40, 60)) << "the target window is not painted";
    StartWith("");
    HWND dlg = OpenCaptureDialog(v);
    ASSERT_NE(dlg, nullptr);
    HWND list = GetDlgItem(dlg, 1234);
    EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 50);
    LRESULT index = SendMessageA(list, LB_FINDSTRINGEXACT, WPARAM(-1), LPARAM("Lumagrove capture target"));
    ASSERT_GE(index, 0) << "the newest window comes first";
    SendMessageA(list, LB_SETCURSEL, WPARAM(index), 0);
    for (int id : {1231, 1232, 1233}) SendDlgItemMessageA(dlg, id, BM_SETCHECK, id == 1232, 0);
    PressStart(dlg);
    RECT r;
    GetWindowRect(target.window, &r);
    ASSERT_LT(r.left, 0);
    const std::string title =
        "Lumagrove - <Clipboard> (" + std::to_string(r.right) + "x" + std::to_string(r.bottom - r.top) + "x24BPP)";
    EXPECT_EQ(TitleOnceItIs(v, title), title) << "the part left of the screen is cut off";
}

TEST_F(Devices, CaptureOfTheDesktopTakesTheWholeScreen) {
    WriteIni("[Capture]\nWindow=2\n");
    StartWith(DataDir() + "\\gradient24.bmp");
    HWND dlg = OpenCaptureDialog(v);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(SendDlgItemMessageA(dlg, 1233, BM_GETCHECK, 0, 0), BST_CHECKED) << "from the settings file";
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, 1237))) << "automatic capture is off";
    PostMessageA(dlg, WM_COMMAND, 1241, 0);  // Options: the save options sheet
    HWND sheet = e2e::FindDialog(v, "Lumagrove Save Properties", e2e::kStepMs);
    ASSERT_NE(sheet, nullptr) << "no save options sheet";
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    ASSERT_TRUE(e2e::WaitGone(sheet, e2e::kStepMs)) << "the save options sheet stays";
    for (int id : {1231, 1232, 1233}) SendDlgItemMessageA(dlg, id, BM_SETCHECK, id == 1231, 0);
    PressStart(dlg);
    const std::string title = "Lumagrove - <Clipboard> (" + std::to_string(GetSystemMetrics(SM_CXSCREEN)) + "x" +
                              std::to_string(GetSystemMetrics(SM_CYSCREEN)) + "x24BPP)";
    EXPECT_EQ(TitleOnceItIs(v, title), title);
    EXPECT_TRUE(e2e::WaitUntil([&] { return !IsIconic(v.window); })) << "not shown again after the grab";
    EXPECT_EQ(lg::ini::ReadInt(IniPath(), "Capture", "Window", -1), 0);
}

TEST_F(Devices, AutomaticCaptureWritesTimeStampedFiles) {
    const fs::path dir = fs::temp_directory_path() / "lumagrove_capture";
    fs::remove_all(dir);
    WriteIni("[Capture]\nUseAutomatic=1\nAutoTimer=1\nWindow=0\nSavePath=" + dir.string() + "\n");
    StartWith("");
    HWND dlg = OpenCaptureDialog(v);
    ASSERT_NE(dlg, nullptr);
    SendDlgItemMessageA(dlg, 1240, CB_SETCURSEL, 2, 0);  // BMP
    const std::time_t before = std::time(nullptr);
    PressStart(dlg);
    std::vector<fs::path> files;
    EXPECT_TRUE(e2e::WaitUntil([&] {
        files.clear();
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(dir, ec))  // finished files only, not a save's temporary
            if (e.path().extension() == ".BMP") files.push_back(e.path());
        return files.size() >= 2;
    }, 2 * e2e::kStepMs)) << "two captures one second apart do not come";
    for (const fs::path& f : files) ASSERT_TRUE(e2e::WaitForFile(f.string())) << f << " is not complete";
    const std::time_t after = std::time(nullptr);
    ASSERT_GE(files.size(), 2u);
    EXPECT_EQ(lg::ini::ReadString(IniPath(), "Others", "OneInstance", ""), "0");
    for (const fs::path& f : files) {
        bool named = false;
        for (std::time_t t = before; t <= after && !named; ++t) {
            std::tm l = *std::localtime(&t);
            char name[80];
            std::snprintf(name, sizeof name, "lumagcapture_date_%02d_%02d_%04d_time_%02d_%02d_%02d.BMP", l.tm_mday,
                          l.tm_mon + 1, l.tm_year + 1900, l.tm_hour, l.tm_min, l.tm_sec);
            named = f.filename().string() == name;
        }
        EXPECT_TRUE(named) << f.filename().string();
        lg::Status st;
        lg::Image shot = lg::ReadBmp(f.string(), st);
        ASSERT_TRUE(shot) << st.error;
        EXPECT_EQ(shot.width(), GetSystemMetrics(SM_CXSCREEN));
        EXPECT_EQ(shot.height(), GetSystemMetrics(SM_CYSCREEN));
    }
    e2e::Stop(v);
    fs::remove_all(dir);
}

// ---- wallpaper

std::string DesktopValue(const char* name) {
    char text[300] = "";
    DWORD size = sizeof text;
    RegGetValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", name, RRF_RT_REG_SZ, nullptr, text, &size);
    return text;
}

void SetDesktopValue(const char* name, const char* value) {
    HKEY key;
    RegCreateKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop", &key);
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), DWORD(std::strlen(value) + 1));
    RegCloseKey(key);
}

TEST_F(Devices, WallpaperCommandsWriteTheRegistryValues) {
    const std::string ours = e2e::WindowsDirectory() + "\\Lumagrove_Wallpaper.bmp";
    SetDesktopValue("Wallpaper", "C:\\windows\\older.bmp");
    SetDesktopValue("TileWallpaper", "1");
    DeleteFileA(ours.c_str());  // an earlier run's copy must not stand in for this one's
    StartWith("");
    e2e::SendCommand(v, 40080);  // no picture yet
    HWND box = e2e::FindMessageBox(v, e2e::kStepMs);
    ASSERT_NE(box, nullptr) << "no message box";
    EXPECT_EQ(e2e::MessageBoxText(box), "No picture !");
    ASSERT_TRUE(e2e::AnswerMessageBox(box, IDOK));
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(DesktopValue("Wallpaper"), "C:\\windows\\older.bmp");

    e2e::DropFiles(v, {DataDir() + "\\palette8.bmp"});
    ASSERT_TRUE(e2e::WaitForTitle(v, "palette8.bmp")) << "the dropped picture is not shown";
    struct Step {
        int command;
        const char *wallpaper, *tile, *previous, *previousTile;
    };
    const Step steps[] = {
        {40080, ours.c_str(), "0", "C:\\windows\\older.bmp", "1"},
        {40081, ours.c_str(), "1", "C:\\windows\\older.bmp", "1"},  // ours again: the previous one stays
        {40083, "C:\\windows\\older.bmp", "1", "C:\\windows\\older.bmp", "1"},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.command);
        ASSERT_NO_FATAL_FAILURE(Command(s.command));
        EXPECT_EQ(DesktopValue("Wallpaper"), s.wallpaper);
        EXPECT_EQ(DesktopValue("TileWallpaper"), s.tile);
        EXPECT_EQ(DesktopValue("PrevWallpaper"), s.previous);
        EXPECT_EQ(DesktopValue("PrevTileWallpaper"), s.previousTile);
    }
    ASSERT_TRUE(e2e::WaitForFile(ours)) << ours << " is not written";
    lg::Status st;
    lg::Image written = lg::ReadBmp(ours, st);
    ASSERT_TRUE(written) << st.error;
    ExpectSamePixels(written, ReadPicture("palette8.bmp"));
}

}  // namespace

// ---- printing

namespace {

// A PostScript printer of Wine's own driver whose jobs land in the file
// `output`: the generic PPD built into Wine's spooler, the file as its port
// ("print to file"), the plain print processor. False when Wine refuses.
bool InstallFilePrinter(const std::string& output, std::string* why) {
    static const char kPrinter[] = "Lumagrove Test Printer", kDriver[] = "Lumagrove Test PostScript";
    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    HMODULE mod = LoadLibraryExA((std::string(system) + "\\winspool.drv").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HRSRC res = mod ? FindResourceA(mod, MAKEINTRESOURCEA(1), "PPDFILE") : nullptr;
    if (!res) {
        *why = "no PPD resource in winspool.drv";
        return false;
    }
    const std::string ppd = std::string(system) + "\\lumagrove_test.ppd";
    const char* text = static_cast<const char*>(LockResource(LoadResource(mod, res)));
    std::ofstream(ppd, std::ios::binary).write(text, long(strnlen(text, SizeofResource(mod, res))));
    // A fresh install each time: an earlier, broken one would otherwise stay.
    HANDLE old = nullptr;
    if (OpenPrinterA(const_cast<char*>(kPrinter), &old, nullptr)) {
        DeletePrinter(old);
        ClosePrinter(old);
    }
    DeletePrinterDriverA(nullptr, nullptr, const_cast<char*>(kDriver));
    AddPrintProcessorA(nullptr, nullptr, const_cast<char*>("wineps.drv"), const_cast<char*>("wineps"));
    DRIVER_INFO_3A di = {};
    di.cVersion = 3;
    di.pName = const_cast<char*>(kDriver);
    di.pDriverPath = const_cast<char*>("wineps.drv");
    di.pDataFile = const_cast<char*>(ppd.c_str());
    di.pConfigFile = const_cast<char*>("wineps.drv");
    di.pDefaultDataType = const_cast<char*>("RAW");
    if (!AddPrinterDriverExA(nullptr, 3, reinterpret_cast<BYTE*>(&di), APD_COPY_NEW_FILES | APD_COPY_FROM_DIRECTORY) &&
        GetLastError() != ERROR_PRINTER_DRIVER_ALREADY_INSTALLED) {
        *why = "AddPrinterDriverEx failed: " + std::to_string(GetLastError());
        return false;
    }
    // The port is the output file itself, as "print to file" ports are.
    HKEY key;
    RegCreateKeyA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Ports", &key);
    RegSetValueExA(key, output.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1);
    RegCloseKey(key);
    PRINTER_INFO_2A pi = {};
    pi.pPrinterName = const_cast<char*>(kPrinter);
    pi.pPortName = const_cast<char*>(output.c_str());
    pi.pDriverName = const_cast<char*>(kDriver);
    pi.pPrintProcessor = const_cast<char*>("winprint");
    pi.pDatatype = const_cast<char*>("RAW");
    HANDLE printer = AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&pi));
    if (printer) ClosePrinter(printer);
    else if (GetLastError() != ERROR_PRINTER_ALREADY_EXISTS) {
        *why = "AddPrinter failed: " + std::to_string(GetLastError());
        return false;
    }
    SetDefaultPrinterA(kPrinter);
    return true;
}

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The print file once the spooler has ended it (%%EOF) and it stops
// changing; empty when that does not happen in time.
std::string WaitForPrintout(const std::string& path) {
    std::string text;
    const bool done = e2e::WaitUntil([&] {
        std::string now = ReadWhole(path);
        const bool same = !now.empty() && now == text && now.find("%%EOF") != std::string::npos;
        text = std::move(now);
        return same;
    }, e2e::kStepMs, 100);
    return done ? text : std::string();
}

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// Answers "Print Options" with a placement and then the system print dialog
// with `answer`.
void PrintWithPlacement(const e2e::Viewer& v, int command, int radio, int answer = IDOK, const char* sx = nullptr,
                        const char* sy = nullptr) {
    e2e::SendCommand(v, command);
    HWND options = e2e::FindDialog(v, "Print Options", e2e::kStepMs);
    ASSERT_NE(options, nullptr) << "no \"Print Options\" dialog";
    ASSERT_TRUE(e2e::Sync(v));  // its loop runs: set up
    for (int id : {1009, 1165, 1011, 1010}) SendDlgItemMessageA(options, id, BM_SETCHECK, id == radio, 0);
    if (sx) SendDlgItemMessageA(options, 1012, WM_SETTEXT, 0, LPARAM(sx));
    if (sy) SendDlgItemMessageA(options, 1014, WM_SETTEXT, 0, LPARAM(sy));
    PostMessageA(options, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    HWND print = e2e::FindDialog(v, "Print", e2e::kStepMs);
    ASSERT_NE(print, nullptr) << "no print dialog";
    ASSERT_TRUE(e2e::Sync(v));  // its loop runs: set up
    PostMessageA(print, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), LPARAM(GetDlgItem(print, answer)));
    ASSERT_TRUE(e2e::WaitUntil([&] { return !IsWindow(print) && !IsWindow(options); })) << "the print dialogs stay";
}

// Where the printer driver put each picture: "<w> <h> scale" right after the
// move to the page's top-left corner.
std::vector<std::pair<int, int>> Placements(const std::string& ps) {
    std::vector<std::pair<int, int>> out;
    const std::string anchor = "\n0 0 translate\n";
    for (size_t at = ps.find(anchor); at != std::string::npos; at = ps.find(anchor, at + 1)) {
        int w = 0, h = 0;
        if (std::sscanf(ps.c_str() + at + anchor.size(), "%d %d scale", &w, &h) == 2) out.emplace_back(w, h);
    }
    return out;
}

// The test printer's page: Wine's generic PostScript driver at 300 dpi on the
// generic PPD's A4 sheet (595 x 842 points) less its margins of 18 points on
// every side: 559 x 806 points, 559 * 300 / 72 = 2329.2 by 806 * 300 / 72 =
// 3358.3 dots.
constexpr int kPageWidth = 2329, kPageHeight = 3358, kDpi = 300;

}  // namespace

class Printing : public Devices {
protected:
    void SetUp() override {
        Devices::SetUp();
        std::string why;
        ASSERT_TRUE(InstallFilePrinter(out, &why)) << "the file printer cannot be installed: " << why;
        DeleteFileA(out.c_str());
        HDC dc = CreateDCA(nullptr, "Lumagrove Test Printer", nullptr, nullptr);
        ASSERT_NE(dc, nullptr) << "the test printer has no device context";
        const int caps[4] = {GetDeviceCaps(dc, HORZRES), GetDeviceCaps(dc, VERTRES), GetDeviceCaps(dc, LOGPIXELSX),
                             GetDeviceCaps(dc, LOGPIXELSY)};
        DeleteDC(dc);
        ASSERT_EQ(std::vector<int>(caps, caps + 4), (std::vector<int>{kPageWidth, kPageHeight, kDpi, kDpi}))
            << "the test printer's page is not the one the placements below are worked out for";
    }
    std::string Printout() {
        std::string ps = WaitForPrintout(out);
        DeleteFileA(out.c_str());
        return ps;
    }
    const std::string out = WinPath((fs::temp_directory_path() / "lumagrove_print.ps").string());
};

TEST_F(Printing, EachPlacementOnOnePage) {
    StartWith(DataDir() + "\\gradient24.bmp");
    ASSERT_TRUE(e2e::WaitForTitle(v, "gradient24.bmp"));
    // The 64 x 48 picture on the 2329 x 3358 dot page (equal resolutions).
    struct Case {
        const char* name;
        int radio;
        const char *sx, *sy;
        int width, height;
    };
    const Case cases[] = {
        // The page width less 10 dots; the height follows the picture's
        // 3:4 from the whole page width: 2329 * 48 / 64 = 1746.75, cut.
        {"horizontal fit", 1009, nullptr, nullptr, 2319, 1746},
        // The page height less 10 dots; the width 3358 * 64 / 48 = 4477.3, cut.
        {"vertical fit", 1165, nullptr, nullptr, 4477, 3348},
        // 2.5 times the pixels, one dot each: 160 x 120.
        {"scale", 1011, "2.5", "2.5", 160, 120},
        // The whole page less 10 dots each way.
        {"stretch", 1010, nullptr, nullptr, 2319, 3348},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(PrintWithPlacement(v, 40065, c.radio, IDOK, c.sx, c.sy));
        const std::string ps = Printout();
        ASSERT_FALSE(ps.empty()) << "no finished print file";
        EXPECT_EQ(Count(ps, "%%Page:"), 1);
        EXPECT_EQ(Placements(ps), (std::vector<std::pair<int, int>>{{c.width, c.height}}));
        // The command has ended, so a message would be up by now.
        ASSERT_TRUE(e2e::Sync(v));
        EXPECT_EQ(e2e::FindMessageBox(v, 0), nullptr) << "no message after a single page";
    }
}

TEST_F(Printing, AllPagesOfAMultipageFileThenTheShownPageAgain) {
    StartWith(DataDir() + "\\pages.tif");
    ASSERT_TRUE(e2e::WaitForTitle(v, "pages.tif"));
    const std::string title = e2e::Title(v.window);
    ASSERT_NO_FATAL_FAILURE(PrintWithPlacement(v, 40104, 1010));
    HWND box = e2e::FindMessageBox(v, e2e::kStepMs);
    ASSERT_NE(box, nullptr) << "no message after the pages";
    EXPECT_EQ(e2e::MessageBoxText(box), "Printer spooling ready !");
    ASSERT_TRUE(e2e::AnswerMessageBox(box, IDOK));
    const std::string ps = Printout();
    ASSERT_FALSE(ps.empty()) << "no finished print file";
    EXPECT_EQ(Count(ps, "%%Page:"), 3);
    // Every page stretched over the page less 10 dots each way.
    EXPECT_EQ(Placements(ps), (std::vector<std::pair<int, int>>(3, {2319, 3348})));
    EXPECT_EQ(TitleOnceItIs(v, title), title);

    // Cancelling the printer dialog prints nothing and says so.
    ASSERT_NO_FATAL_FAILURE(PrintWithPlacement(v, 40104, 1009, IDCANCEL));
    box = e2e::FindMessageBox(v, e2e::kStepMs);
    ASSERT_NE(box, nullptr) << "no message after cancelling";
    EXPECT_EQ(e2e::MessageBoxText(box), "Print error !");
    ASSERT_TRUE(e2e::AnswerMessageBox(box, IDOK));
    ASSERT_TRUE(e2e::Sync(v));  // the command has ended
    EXPECT_EQ(GetFileAttributesA(out.c_str()), INVALID_FILE_ATTRIBUTES);
}

// ---- video

namespace {

void Put32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s.push_back(char(v >> (8 * i)));
}
void Put16(std::string& s, uint16_t v) {
    s.push_back(char(v));
    s.push_back(char(v >> 8));
}
std::string Chunk(const char* id, const std::string& body) {
    std::string c(id, 4);
    Put32(c, uint32_t(body.size()));
    return c + body + (body.size() % 2 ? std::string(1, '\0') : "");
}
std::string List(const char* type, const std::string& body) { return Chunk("LIST", std::string(type, 4) + body); }

// An uncompressed 24-bit AVI file of the given frames (all of one size).
std::string MakeAvi(const std::vector<lg::Image>& frames) {
    const int w = frames[0].width(), h = frames[0].height();
    const uint32_t frameBytes = uint32_t(frames[0].pixelBytes());
    std::string avih;
    for (uint32_t v : {100000u, frameBytes * 10, 0u, 0x10u, uint32_t(frames.size()), 0u, 1u, frameBytes, uint32_t(w),
                       uint32_t(h), 0u, 0u, 0u, 0u})
        Put32(avih, v);
    std::string strh = "vidsDIB ";
    for (uint32_t v : {0u, 0u, 0u, 1u, 10u, 0u, uint32_t(frames.size()), frameBytes, 0xFFFFFFFFu, 0u}) Put32(strh, v);
    for (int v : {0, 0, w, h}) Put16(strh, uint16_t(v));
    std::string strf(reinterpret_cast<const char*>(frames[0].header()), 40);
    std::string movi, idx;
    uint32_t offset = 4;
    for (const lg::Image& f : frames) {
        std::string c = Chunk("00db", std::string(reinterpret_cast<const char*>(f.pixels()), frameBytes));
        idx += "00db";
        Put32(idx, 0x10);
        Put32(idx, offset);
        Put32(idx, frameBytes);
        offset += uint32_t(c.size());
        movi += c;
    }
    std::string body = "AVI " + List("hdrl", Chunk("avih", avih) + List("strl", Chunk("strh", strh) + Chunk("strf", strf))) +
                       List("movi", movi) + Chunk("idx1", idx);
    return Chunk("RIFF", body);
}

std::vector<lg::Image> TestFrames(int count, int w, int h) {
    std::vector<lg::Image> frames;
    for (int f = 0; f < count; ++f) {
        lg::Image img = lg::Image::Create(w, h, 24, 0);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                uint8_t* p = img.row(y) + 3 * x;
                p[0] = uint8_t(x * 7 + f * 50);
                p[1] = uint8_t(y * 9);
                p[2] = uint8_t(f * 60 + 20);
            }
        frames.push_back(std::move(img));
    }
    return frames;
}

// "Extract all frames", accepting the directory the chooser proposes.
void ExtractIntoProposedDirectory(const e2e::Viewer& v, HWND* chooser) {
    e2e::SendCommand(v, 40140);
    *chooser = e2e::FindDialog(v, "Select a directory ...", e2e::kStepMs);
    ASSERT_NE(*chooser, nullptr) << "no directory chooser";
    ASSERT_TRUE(e2e::Sync(v));  // its loop runs: the proposed directory is chosen
    PostMessageA(*chooser, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), LPARAM(GetDlgItem(*chooser, IDOK)));
}

}  // namespace

TEST_F(Devices, VideoPlaysInTheMediaWindowAndItsFramesAreExtracted) {
    const fs::path dir = fs::temp_directory_path() / "lumagrove_video";
    const fs::path out = dir / "frames";
    fs::remove_all(dir);
    fs::create_directories(out);
    const std::vector<lg::Image> frames = TestFrames(5, 32, 24);
    std::ofstream(dir / "clip.avi", std::ios::binary) << MakeAvi(frames);
    WriteIni("[Others]\nAVISize=200\n[Copy-Move]\nExtractGIF=" + out.string() + "\\\n");
    ASSERT_TRUE(e2e::Start(Exe(), (dir / "clip.avi").string(), dir.string(), v));
    EXPECT_EQ(TitleOnceItIs(v, "Lumagrove - clip.avi"), "Lumagrove - clip.avi");
    HWND media = nullptr;
    ASSERT_TRUE(e2e::WaitUntil([&] { return (media = FindWindowExA(v.window, nullptr, "MCIWndClass", nullptr)); }))
        << "no media window";
    ASSERT_TRUE(e2e::Sync(v));
    RECT r;
    EXPECT_TRUE(e2e::WaitUntil([&] { return GetClientRect(media, &r) && r.right >= 64; }))
        << "not double size: " << r.right << " wide";
    GetWindowRect(media, &r);
    POINT corner{r.left, r.top};
    ScreenToClient(v.window, &corner);
    EXPECT_EQ(corner.x, 0);
    EXPECT_EQ(corner.y, PictureTop(v.window)) << "below the toolbar";

    HWND chooser = nullptr;
    ASSERT_NO_FATAL_FAILURE(ExtractIntoProposedDirectory(v, &chooser));
    ASSERT_TRUE(e2e::WaitGone(chooser, e2e::kStepMs)) << "the directory chooser stays";
    HWND info = e2e::FindDialog(v, "AVI Information", e2e::kStepMs);
    ASSERT_NE(info, nullptr) << "no AVI Information box";
    EXPECT_EQ(e2e::MessageBoxText(info), "Width:\t\t32\nHeight:\t\t24\nBitsPerPixel:\t24\nFrames:\t\t5\n"
                                         "Extract directory:\t" + out.string() + "\\\t\n\nSpace required:\t0.01 MB\n");
    ASSERT_TRUE(e2e::AnswerMessageBox(info, IDOK));
    for (int f = 0; f < 5; ++f) {
        char name[64];
        std::snprintf(name, sizeof name, "clip_lumagrove_extract_%03d.bmp", f);
        ASSERT_TRUE(e2e::WaitForFile((out / name).string())) << name << " is not written";
        lg::Status st;
        lg::Image got = lg::ReadBmp((out / name).string(), st);
        ASSERT_TRUE(got) << name << ": " << st.error;
        ExpectSamePixels(got, frames[size_t(f)]);
    }
}

TEST_F(Devices, ExtractingFromAPictureSaysOnlyAviFiles) {
    StartWith(DataDir() + "\\gradient24.bmp");
    ASSERT_TRUE(e2e::WaitForTitle(v, "gradient24.bmp"));
    e2e::SendCommand(v, 40140);
    HWND box = e2e::FindMessageBox(v, e2e::kStepMs);
    ASSERT_NE(box, nullptr) << "no message box";
    EXPECT_EQ(e2e::MessageBoxText(box), "Only an AVI file can be extracted !");
    EXPECT_TRUE(e2e::AnswerMessageBox(box, IDOK));
}

// ---- file associations and the desktop link

namespace {

// The default value of a key below the per-user classes root; "<none>" when
// the key is missing.
std::string ClassValue(const std::string& key) {
    char text[600] = "";
    DWORD size = sizeof text;
    const std::string full = "Software\\Classes\\" + key;
    if (RegGetValueA(HKEY_CURRENT_USER, full.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
        return "<none>";
    return text;
}

void SetClassValue(const std::string& key, const std::string& value) {
    HKEY k;
    RegCreateKeyA(HKEY_CURRENT_USER, ("Software\\Classes\\" + key).c_str(), &k);
    RegSetValueExA(k, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), DWORD(value.size() + 1));
    RegCloseKey(k);
}

void DeleteClass(const std::string& key) { SHDeleteKeyA(HKEY_CURRENT_USER, ("Software\\Classes\\" + key).c_str()); }

std::string Lower(std::string s) {
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Opens the options sheet on one of its pages (by template id).
HWND OpenSheetPage(const e2e::Viewer& v, int templateId, HWND* page) {
    e2e::SendCommand(v, 40002);
    HWND sheet = e2e::FindDialog(v, "Lumagrove Properties", e2e::kStepMs);
    if (!sheet || !e2e::Sync(v)) return nullptr;  // once its loop runs, its pages are set up
    SendMessageA(sheet, PSM_SETCURSELID, 0, templateId);
    *page = HWND(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    return sheet;
}

// Every key below the classes root holds its expected default value.
void ExpectClasses(const std::vector<std::pair<std::string, std::string>>& want) {
    for (const auto& [key, value] : want) EXPECT_EQ(Lower(ClassValue(key)), Lower(value)) << key;
}

void Tick(HWND page, int id, bool on) { SendDlgItemMessageA(page, id, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0); }

// Closes the sheet and waits until the command that showed it has ended.
void CloseSheet(const e2e::Viewer& v, HWND sheet, int button) {
    PostMessageA(sheet, PSM_PRESSBUTTON, button, 0);
    ASSERT_TRUE(e2e::WaitGone(sheet, e2e::kStepMs)) << "the options sheet stays";
    ASSERT_TRUE(e2e::Sync(v));
}

}  // namespace

TEST_F(Devices, ProgramClassIsRegisteredAtTheFirstPaint) {
    DeleteClass("Lumagrove32");
    StartWith(DataDir() + "\\gradient24.bmp");
    EXPECT_TRUE(e2e::WaitUntil([] { return ClassValue("Lumagrove32") != "<none>"; })) << "not registered";
    EXPECT_EQ(ClassValue("Lumagrove32"), "Lumagrove");
    EXPECT_EQ(Lower(ClassValue("Lumagrove32\\shell\\open\\command")), Lower("\"" + Exe() + "\" \"%1\""));
}

TEST_F(Devices, AssociationsAreAppliedGivenBackAndCancelled) {
    for (const char* k : {".jpg", ".jpeg", ".gif", ".png", ".avi", ".JPE", ".CPT", "avifile", "icofile"}) DeleteClass(k);
    SetClassValue(".png", "pngfile");  // owned by another program, never ticked here
    StartWith("");
    const std::string exe = Exe();

    // Ticked: JPG/JPEG, GIF, ICO, AVI and "Other:" with its default text.
    HWND page = nullptr;
    HWND sheet = OpenSheetPage(v, 104, &page);
    ASSERT_NE(sheet, nullptr);
    ASSERT_NE(page, nullptr);
    for (int id : {1016, 1018, 1051, 1061, 1046}) Tick(page, id, true);
    ASSERT_NO_FATAL_FAILURE(CloseSheet(v, sheet, PSBTN_OK));
    ExpectClasses({{".jpg", "Lumagrove32"}, {".jpeg", "Lumagrove32"}, {".gif", "Lumagrove32"},
                   {".JPE", "Lumagrove32"}, {".CPT", "Lumagrove32"}, {"icofile\\shell\\open\\command", exe + " %1"},
                   {"icofile\\DefaultIcon", "%1"}, {".avi", "avifile"},
                   {"avifile\\shell\\play\\command", "\"" + exe + "\" \"%1\""},
                   {"Lumagrove32\\DefaultIcon", exe + ",0"}, {".png", "pngfile"}});
    EXPECT_EQ(lg::ini::ReadInt(IniPath(), "Extensions", "JPG", -1), 1);
    EXPECT_EQ(lg::ini::ReadInt(IniPath(), "Extensions", "PNG", -1), 0);
    EXPECT_EQ(lg::ini::ReadInt(IniPath(), "Extensions", "UseOtherExt", -1), 1);

    // Unticked after being ticked: given back; never ticked: left alone.
    sheet = OpenSheetPage(v, 104, &page);
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(SendDlgItemMessageA(page, 1016, BM_GETCHECK, 0, 0), BST_CHECKED) << "shown from the settings file";
    for (int id : {1016, 1051, 1061, 1046, 1028}) Tick(page, id, false);
    ASSERT_NO_FATAL_FAILURE(CloseSheet(v, sheet, PSBTN_OK));
    // Unticking "Other:" gives nothing back; PNG was never ours.
    ExpectClasses({{".jpg", "<none>"}, {".jpeg", "<none>"}, {".gif", "Lumagrove32"}, {"icofile", "Symbol"},
                   {"icofile\\shell\\open\\command", "<none>"}, {"avifile\\shell\\open\\command", "MPLAYER.EXE %1"},
                   {".JPE", "Lumagrove32"}, {".png", "pngfile"}});
    EXPECT_EQ(lg::ini::ReadInt(IniPath(), "Extensions", "JPG", -1), 0);

    // Cancel: nothing is written.
    sheet = OpenSheetPage(v, 104, &page);
    ASSERT_NE(sheet, nullptr);
    SendMessageA(page, WM_COMMAND, 1080, 0);  // Select all
    EXPECT_EQ(SendDlgItemMessageA(page, 1209, BM_GETCHECK, 0, 0), BST_CHECKED) << "Select all leaves the thumbnail box";
    EXPECT_EQ(SendDlgItemMessageA(page, 1046, BM_GETCHECK, 0, 0), BST_UNCHECKED) << "Select all leaves Other:";
    ASSERT_NO_FATAL_FAILURE(CloseSheet(v, sheet, PSBTN_CANCEL));
    EXPECT_EQ(ClassValue(".jpg"), "<none>");
    EXPECT_EQ(ClassValue(".png"), "pngfile");
    EXPECT_EQ(lg::ini::ReadInt(IniPath(), "Extensions", "PNG", -1), 0);
}

// "Better colour reduction" on the Other Options page: shown from the
// settings file, written by OK, left alone by Cancel.
TEST_F(Devices, BetterReductionBoxIsShownAndWritten) {
    StartWith("");
    HWND page = nullptr;
    HWND sheet = OpenSheetPage(v, 105, &page);
    ASSERT_NE(sheet, nullptr);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(SendDlgItemMessageA(page, 1540, BM_GETCHECK, 0, 0), BST_UNCHECKED) << "off by default";
    Tick(page, 1540, true);
    ASSERT_NO_FATAL_FAILURE(CloseSheet(v, sheet, PSBTN_OK));
    EXPECT_EQ(lg::ini::ReadInt(IniPath(), "Others", "BetterReduction", -1), 1);

    sheet = OpenSheetPage(v, 105, &page);
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(SendDlgItemMessageA(page, 1540, BM_GETCHECK, 0, 0), BST_CHECKED) << "shown from the settings file";
    Tick(page, 1540, false);
    ASSERT_NO_FATAL_FAILURE(CloseSheet(v, sheet, PSBTN_CANCEL));
    EXPECT_EQ(lg::ini::ReadInt(IniPath(), "Others", "BetterReduction", -1), 1) << "Cancel wrote it";

    sheet = OpenSheetPage(v, 105, &page);
    ASSERT_NE(sheet, nullptr);
    Tick(page, 1540, false);
    ASSERT_NO_FATAL_FAILURE(CloseSheet(v, sheet, PSBTN_OK));
    EXPECT_EQ(lg::ini::ReadInt(IniPath(), "Others", "BetterReduction", -1), 0);
}

TEST_F(Devices, IconChooserAndDesktopLink) {
    StartWith("");
    HWND page = nullptr;
    HWND sheet = OpenSheetPage(v, 104, &page);
    ASSERT_NE(sheet, nullptr);
    PostMessageA(page, WM_COMMAND, 1213, 0);  // Set Icon
    HWND chooser = e2e::FindDialog(v, "Icon for the Explorer", e2e::kStepMs);
    ASSERT_NE(chooser, nullptr) << "no icon chooser";
    ASSERT_TRUE(e2e::Sync(v));  // its loop runs: set up
    for (int id = 1216; id <= 1220; ++id) Tick(chooser, id, id == 1218);
    PostMessageA(chooser, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(e2e::WaitGone(chooser, e2e::kStepMs)) << "the icon chooser stays";
    ASSERT_TRUE(e2e::Sync(v));  // the page has dealt with the choice
    EXPECT_EQ(lg::ini::ReadInt(IniPath(), "Extensions", "Icon", -1), 2);
    EXPECT_EQ(Lower(ClassValue("Lumagrove32\\DefaultIcon")), Lower(Exe() + ",2"));

    char desktop[MAX_PATH] = "";
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, TRUE));
    const std::string link = std::string(desktop) + "\\Lumagrove.lnk";
    DeleteFileA(link.c_str());
    SendMessageA(sheet, PSM_SETCURSELID, 0, 105);
    page = HWND(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    SendMessageA(page, WM_COMMAND, 1217, 0);  // Create
    ASSERT_NE(GetFileAttributesA(link.c_str()), INVALID_FILE_ATTRIBUTES);
    CoInitialize(nullptr);
    IShellLinkA* sl = nullptr;
    IPersistFile* pf = nullptr;
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                           reinterpret_cast<void**>(&sl))));
    sl->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&pf));
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wide, MAX_PATH);
    ASSERT_TRUE(SUCCEEDED(pf->Load(wide, STGM_READ)));
    char target[MAX_PATH] = "";
    sl->GetPath(target, MAX_PATH, nullptr, 0);
    EXPECT_EQ(Lower(target), Lower(Exe()));
    pf->Release();
    sl->Release();
    CoUninitialize();
    ASSERT_NO_FATAL_FAILURE(CloseSheet(v, sheet, PSBTN_CANCEL));
    DeleteFileA(link.c_str());
}

TEST_F(Devices, LoopSettingRestartsPlaybackAtTheEnd) {
    const fs::path dir = fs::temp_directory_path() / "lumagrove_loop";
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::ofstream(dir / "short.avi", std::ios::binary) << MakeAvi(TestFrames(3, 16, 16));
    for (int loop : {0, 1}) {
        SCOPED_TRACE(loop);
        WriteIni("[Others]\nAVILoop=" + std::to_string(loop) + "\n");
        ASSERT_TRUE(e2e::Start(Exe(), (dir / "short.avi").string(), dir.string(), v));
        HWND media = nullptr;
        ASSERT_TRUE(e2e::WaitUntil([&] { return (media = FindWindowExA(v.window, nullptr, "MCIWndClass", nullptr)); }))
            << "no media window";
        auto ask = [&](UINT msg) {
            DWORD_PTR r = DWORD_PTR(-1);
            SendMessageTimeoutA(media, msg, 0, 0, SMTO_BLOCK, 5000, &r);
            return r;
        };
        const DWORD_PTR kPlaying = 526, kStopped = 525;
        // The clip lasts 0.3 s. Without the loop it plays once and stays
        // stopped at its end; with it, it is seen playing at a later frame and
        // then at an earlier one: it has gone round.
        DWORD_PTR mode = 0, at = 0, last = 0;
        bool wrapped = false, playing = false;
        const bool seen = e2e::WaitUntil([&] {
            mode = ask(MCIWNDM_GETMODEA);
            at = ask(MCIWNDM_GETPOSITION);
            // Stopped on the last of the 3 frames (positions 0 to 2; the end is 3).
            if (!loop) return mode == kStopped && at == 2;
            if (mode != kPlaying) return false;
            if (playing && at < last) wrapped = true;
            playing = true;
            last = at;
            return wrapped;
        }, e2e::kStepMs, 5);
        EXPECT_TRUE(seen) << (loop ? "not seen going round" : "not stopped at the end") << "; mode " << mode
                          << " (526 playing, 525 stopped), position " << at;
        e2e::Stop(v);
    }
}

TEST_F(Devices, FramesOfAnAnimationAreExtracted) {
    const fs::path out = fs::temp_directory_path() / "lumagrove_gif_frames";
    fs::remove_all(out);
    fs::create_directories(out);  // the chooser opens in it
    WriteIni("[Copy-Move]\nExtractGIF=" + out.string() + "\\\n");
    StartWith(DataDir() + "\\anim.gif");
    ASSERT_TRUE(e2e::WaitForTitle(v, "anim.gif"));
    HWND chooser = nullptr;
    ASSERT_NO_FATAL_FAILURE(ExtractIntoProposedDirectory(v, &chooser));
    ASSERT_TRUE(e2e::WaitGone(chooser, e2e::kStepMs)) << "the directory chooser stays";
    ASSERT_TRUE(e2e::Sync(v));  // the frames are written within the command
    const uint8_t colours[3][3] = {{0, 0, 255}, {0, 255, 0}, {255, 0, 0}};  // red, lime, blue as BGR
    for (int f = 0; f < 3; ++f) {
        char name[64];
        std::snprintf(name, sizeof name, "anim_lumagrove_extract_%03d.bmp", f);
        ASSERT_TRUE(e2e::WaitForFile((out / name).string())) << name << " is not written";
        lg::Status st;
        lg::Image got = lg::ReadBmp((out / name).string(), st);
        ASSERT_TRUE(got) << name << ": " << st.error;
        lg::Image flat = lg::Image::Create(30, 20, 24, 0);
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 30; ++x) std::memcpy(flat.row(y) + 3 * x, colours[f], 3);
        ExpectSamePixels(got, flat);
    }
    EXPECT_FALSE(fs::exists(out / "anim_lumagrove_extract_003.bmp"));
}
