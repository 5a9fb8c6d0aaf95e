// End-to-end: pictures named in Greek, Chinese and with an emoji, in a folder
// named in all three, opened, walked, renamed, copied, moved, deleted, batch
// converted, shown as a slideshow and served to the clipboard. This driver
// runs with the program's UTF-8 code page, so its own ANSI calls carry the
// same names. The pictures and their reference decodings come from
// make_names_data.sh (ImageMagick, djpeg).
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "dialog_driver.h"
#include "driver.h"
#include "e2e_support.h"
#include "shown.h"

namespace {

const std::string kFolder = "Φωτογραφίες 写真 📷";
const std::string kGreek = "Ελληνικά.jpg";
const std::string kChinese = "写真 2026.png";
const std::string kEmoji = "📷 café.gif";

constexpr int kFirst = 40057, kDelete = 40013, kRename = 40079, kCopy = 40045, kMove = 40046;

std::string NamesData() { return DataDir() + "\\names"; }

struct Picture {
    const std::string& name;
    const char* title;  // the title's size part
    const char* reference;
    int width, height;
};
const Picture kPictures[] = {
    {kGreek, "(40x32x24BPP)", "greek.rgb", 40, 32},
    {kChinese, "(36x24x24BPP)", "chinese.rgb", 36, 24},
    {kEmoji, "(30x20x1BPP)", "emoji.rgb", 30, 20},
};
const Picture& Of(const std::string& name) {
    return *std::find_if(std::begin(kPictures), std::end(kPictures), [&](const Picture& p) { return p.name == name; });
}
std::string TitleOf(const std::string& name) { return "Lumagrove - " + name + " " + Of(name).title; }
RgbPicture Reference(const std::string& name) {
    const Picture& p = Of(name);
    return ReadRgb(NamesData() + "\\" + p.reference, p.width, p.height);
}

bool Exists(const std::string& p) { return GetFileAttributesA(p.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string Slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

void Spill(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

int64_t SizeOf(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA d;
    return GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d) ? int64_t(d.nFileSizeLow) : -1;
}

std::wstring Wide(const std::string& s) {
    std::wstring w(s.size() + 1, L'\0');
    w.resize(size_t(MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, &w[0], int(w.size()))) - 1);
    return w;
}

// The value of a key in the settings file, read from its bytes: whatever the
// profile functions make of the encoding, the file must hold the name itself.
std::string IniValue(const std::string& key) {
    const std::string text = Slurp(IniPath());
    size_t at = text.find("\n" + key + "=");
    if (at == std::string::npos) return "(no " + key + ")";
    at += key.size() + 2;
    const size_t end = text.find_first_of("\r\n", at);
    return text.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

// A fresh copy of the named folder in the temporary directory, under a
// parent that has such a name too.
class Names : public ViewerTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(ViewerTest::SetUp());
        char tmp[MAX_PATH * 3];
        GetTempPathA(sizeof tmp, tmp);
        root = std::string(tmp) + "名前 " + std::to_string(GetTickCount()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
        ASSERT_TRUE(CreateDirectoryA(root.c_str(), nullptr)) << root;
        dir = root + "\\" + kFolder;
        ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr)) << dir;
        for (const Picture& p : kPictures)
            ASSERT_TRUE(CopyFileA((NamesData() + "\\" + kFolder + "\\" + p.name).c_str(), Path(p.name).c_str(), FALSE))
                << p.name;
    }
    void TearDown() override {
        ViewerTest::TearDown();
        if (!root.empty()) RemoveTree(root);
    }
    std::string Path(const std::string& name) const { return dir + "\\" + name; }
    void StartOn(const std::string& name, const std::string& options = "") {
        ASSERT_TRUE(e2e::Start(Exe(), "\"" + Path(name) + "\"" + options, dir, v)) << name;
        ASSERT_TRUE(e2e::Sync(v)) << "the viewer did not reach its message loop";
    }
    // The title once what was sent before is done, and the picture it shows.
    void ExpectShown(const std::string& name) {
        ASSERT_TRUE(e2e::Sync(v));
        EXPECT_EQ(e2e::Title(v.window), TitleOf(name));
        EXPECT_TRUE(ShowsPicture(v.window, Reference(name), 0, PictureTop(v.window))) << name;
    }
    HWND Dialog(const char* caption) { return e2e::FindDialog(v, caption, e2e::kStepMs); }
    std::string root, dir;
};

// Drops files as the shell does: the names in UTF-16 (fWide).
void DropWide(const e2e::Viewer& v, const std::string& path) {
    const std::wstring w = Wide(path);
    std::vector<char> block(sizeof(DROPFILES) + (w.size() + 2) * sizeof(wchar_t), '\0');
    auto* df = reinterpret_cast<DROPFILES*>(block.data());
    df->pFiles = sizeof(DROPFILES);
    df->fWide = TRUE;
    std::copy(w.begin(), w.end(), reinterpret_cast<wchar_t*>(block.data() + sizeof(DROPFILES)));
    void* remote = VirtualAllocEx(v.process.hProcess, nullptr, block.size(), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    ASSERT_NE(remote, nullptr);
    WriteProcessMemory(v.process.hProcess, remote, block.data(), block.size(), nullptr);
    PostMessageA(v.window, WM_DROPFILES, reinterpret_cast<WPARAM>(remote), 0);
}

TEST_F(Names, OpenedFromTheCommandLineByDropAndByOpen) {
    ASSERT_NO_FATAL_FAILURE(StartOn(kGreek));
    ASSERT_NO_FATAL_FAILURE(ExpectShown(kGreek));
    EXPECT_EQ(StatusOf(v.window), "1/3");

    ASSERT_NO_FATAL_FAILURE(DropWide(v, Path(kEmoji)));
    ASSERT_NO_FATAL_FAILURE(ExpectShown(kEmoji));

    // Open: the dialog starts in the picture's folder; the name typed in.
    e2e::SendCommand(v, 40001);
    HWND open = Dialog("Open");
    ASSERT_NE(open, nullptr) << "no Open dialog";
    e2e::SetControlText(open, 1148, kChinese);
    e2e::SetControlText(open, 1152, kChinese);
    e2e::Click(open, IDOK);
    ASSERT_TRUE(e2e::WaitGone(open, e2e::kStepMs)) << "the Open dialog stayed";
    ASSERT_NO_FATAL_FAILURE(ExpectShown(kChinese));
}

// Each sort order of the View menu, walked from the first file.
TEST_F(Names, EverySortOrderWalksTheFolder) {
    ASSERT_NO_FATAL_FAILURE(StartOn(kGreek));
    using V = std::vector<std::string>;
    V bySize = {kGreek, kChinese, kEmoji};
    std::stable_sort(bySize.begin(), bySize.end(),
                     [&](const std::string& a, const std::string& b) { return SizeOf(Path(a)) < SizeOf(Path(b)); });
    const V byDate = {kGreek, kChinese, kEmoji};  // a day apart
    const V byExtension = {kEmoji, kGreek, kChinese};  // .gif .jpg .png
    // As the system collates the names' Unicode form, asked here directly;
    // whatever it makes of the emoji, Greek letters come before Chinese
    // characters.
    V byName = {kGreek, kChinese, kEmoji};
    std::stable_sort(byName.begin(), byName.end(), [](const std::string& a, const std::string& b) {
        const std::wstring x = Wide(a), y = Wide(b);
        return CompareStringW(LOCALE_SYSTEM_DEFAULT, 0, x.c_str(), -1, y.c_str(), -1) == CSTR_LESS_THAN;
    });
    ASSERT_LT(std::find(byName.begin(), byName.end(), kGreek), std::find(byName.begin(), byName.end(), kChinese));
    const V naturally = {kGreek, kChinese, kEmoji};  // character by character: Ε, 写, 📷
    const struct { int command; V order; } orders[] = {
        {40108, byName},      {40109, V(byName.rbegin(), byName.rend())},
        {40116, byDate},      {40111, V(byDate.rbegin(), byDate.rend())},
        {40117, bySize},      {40118, V(bySize.rbegin(), bySize.rend())},
        {40114, byExtension}, {40115, V(byExtension.rbegin(), byExtension.rend())},
        {40161, naturally},
    };
    for (const auto& o : orders) {
        e2e::SendCommand(v, o.command);
        e2e::SendCommand(v, kFirst);
        V walked;
        for (int i = 0; i < 3; ++i) {
            if (i) e2e::PressKey(v, VK_SPACE);
            ASSERT_TRUE(e2e::Sync(v));
            walked.push_back(e2e::Title(v.window));
            EXPECT_EQ(StatusOf(v.window), std::to_string(i + 1) + "/3") << o.command;
        }
        V want;
        for (const std::string& n : o.order) want.push_back(TitleOf(n));
        EXPECT_EQ(walked, want) << "sort command " << o.command;
    }
    ASSERT_NO_FATAL_FAILURE(ExpectShown(naturally.back()));
}

TEST_F(Names, RenameCopyMoveAndDelete) {
    const std::string copies = root + "\\Αντίγραφα 副本";
    WriteIni("[Copy-Move]\nAskCopy=0\nCopyDir=" + copies + "\n[Others]\nAskDelete=0\n");
    ASSERT_NO_FATAL_FAILURE(StartOn(kGreek));
    const std::string original = Slurp(Path(kGreek));

    // Rename to another Greek name: the title and the walk follow.
    const std::string renamed = "Νέο όνομα 新.jpg";
    e2e::SendCommand(v, kRename);
    HWND dlg = Dialog("Rename/Move file:");
    ASSERT_NE(dlg, nullptr) << "no rename dialog";
    EXPECT_EQ(e2e::ControlText(dlg, 1159), kGreek);
    e2e::SetControlText(dlg, 1159, renamed);
    ASSERT_TRUE(e2e::AnswerMessageBox(dlg, IDOK)) << "the rename dialog stayed";
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_FALSE(Exists(Path(kGreek)));
    EXPECT_EQ(Slurp(Path(renamed)), original);
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove - " + renamed + " (40x32x24BPP)");

    // Copy into a folder named in Greek and Chinese, made on the way.
    e2e::SendCommand(v, kCopy);
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(Slurp(copies + "\\" + renamed), original);

    // Move through the chooser into another such folder.
    const std::string moved = root + "\\移動 μετακίνηση";
    e2e::SendCommand(v, kMove);
    dlg = Dialog("Move Image");
    ASSERT_NE(dlg, nullptr) << "no Copy-Move chooser";
    EXPECT_EQ(e2e::ControlText(dlg, 1045), "Move: " + Path(renamed));
    e2e::SetControlText(dlg, 1043, moved);
    ASSERT_TRUE(e2e::AnswerMessageBox(dlg, 1211)) << "the chooser stayed";
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_FALSE(Exists(Path(renamed)));
    EXPECT_EQ(Slurp(moved + "\\" + renamed), original);
    EXPECT_EQ(StatusOf(v.window), "0/2");
    EXPECT_EQ(IniValue("MoveDir1"), moved);

    // Delete the next one.
    e2e::PressKey(v, VK_SPACE);
    ASSERT_TRUE(e2e::Sync(v));
    const std::string shown = e2e::Title(v.window);
    const std::string name = shown == TitleOf(kChinese) ? kChinese : kEmoji;
    ASSERT_EQ(shown, TitleOf(name));
    e2e::SendCommand(v, kDelete);
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_FALSE(Exists(Path(name)));
    EXPECT_TRUE(Exists(Path(name == kChinese ? kEmoji : kChinese)));
}

TEST_F(Names, DeleteToTheRecycleBin) {
    // Wine's Recycle Bin is the desktop's trash folder on the same file
    // system: one beside the test folder.
    using UnixName = char*(CDECL*)(const WCHAR*);
    auto unixName = reinterpret_cast<UnixName>(GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name"));
    ASSERT_NE(unixName, nullptr) << "not running under Wine";
    char* unixRoot = unixName(Wide(root).c_str());
    ASSERT_NE(unixRoot, nullptr);
    const std::string data = std::string(unixRoot) + "/xdg";
    HeapFree(GetProcessHeap(), 0, unixRoot);
    SetEnvironmentVariableA("XDG_DATA_HOME", data.c_str());
    for (const char* d : {"\\xdg", "\\xdg\\Trash", "\\xdg\\Trash\\files", "\\xdg\\Trash\\info"})
        CreateDirectoryA((root + d).c_str(), nullptr);
    WriteIni("[Others]\nAskDelete=0\nDelToRecycle=1\n");
    const std::string original = Slurp(Path(kChinese));
    ASSERT_NO_FATAL_FAILURE(StartOn(kChinese));
    e2e::SendCommand(v, kDelete);
    ASSERT_TRUE(e2e::Sync(v));
    SetEnvironmentVariableA("XDG_DATA_HOME", nullptr);
    EXPECT_FALSE(Exists(Path(kChinese)));
    EXPECT_EQ(Slurp(root + "\\xdg\\Trash\\files\\" + kChinese), original);
}

TEST_F(Names, BatchConvertsIntoAFolderNamedInAnyLanguage) {
    const std::string out = root + "\\转换 μετατροπή 🖼";
    WriteIni("[Copy-Move]\nOpenDir=" + dir + "\n");
    ASSERT_NO_FATAL_FAILURE(StartOn(kGreek));
    e2e::SendCommand(v, 40098);
    HWND dlg = Dialog("Batch conversion");
    ASSERT_NE(dlg, nullptr) << "no Batch conversion dialog";
    HWND panel = e2e::Control(dlg, 1409) ? GetParent(e2e::Control(dlg, 1409)) : nullptr;
    ASSERT_NE(panel, nullptr) << "the dialog has no batch panel";
    PostMessageA(panel, WM_COMMAND, MAKEWPARAM(1402, BN_CLICKED), 0);  // Add all
    ASSERT_TRUE(e2e::Sync(v));
    ASSERT_EQ(SendMessageA(GetDlgItem(panel, 1400), LB_GETCOUNT, 0, 0), 3);
    e2e::SetControlText(panel, 1406, out);
    SendMessageA(GetDlgItem(panel, 1405), CB_SETCURSEL, 2, 0);  // BMP
    PostMessageA(panel, WM_COMMAND, MAKEWPARAM(1409, BN_CLICKED), 0);
    HWND done = Dialog("Batch conversion done");
    ASSERT_NE(done, nullptr) << "the batch did not finish";
    HWND list = GetDlgItem(done, 1300);
    std::string report;
    for (int i = 0, n = int(SendMessageA(list, LB_GETCOUNT, 0, 0)); i < n; ++i) report += ListLine(list, i) + "\n";
    EXPECT_NE(report.find("Converting: " + Path(kGreek) + "\n"), std::string::npos) << report;
    EXPECT_NE(report.find("0 errors"), std::string::npos) << report;
    for (const Picture& p : kPictures) {
        const std::string bmp = out + "\\" + p.name.substr(0, p.name.rfind('.')) + ".BMP";
        EXPECT_TRUE(SamePicture(DecodeBmpFile(bmp), Reference(p.name))) << bmp;
    }
    EXPECT_EQ(IniValue("OutputPath"), out);
    EXPECT_TRUE(e2e::AnswerMessageBox(done, IDOK)) << "the report stayed";
}

// A list file as Notepad saves it (UTF-8 with its mark, CRLF), and one in
// UTF-16.
TEST_F(Names, SlideshowListsHoldSuchNames) {
    WriteIni("[Slideshow]\nAdvancement=2\nLoop=1\nShowFilename=0\n");
    const std::string list = dir + "\\Διαφάνειες 幻灯片.lst";
    const std::vector<std::string> order = {kChinese, kEmoji, kGreek};
    std::string text = "\xEF\xBB\xBF";
    for (const std::string& n : order) text += Path(n) + "\r\n";
    Spill(list, text);
    // The middle of each picture, in its flat field, at the screen's middle.
    auto middle = [&](const std::string& name) {
        const RgbPicture ref = Reference(name);
        const Rgb c = ref ? ref.at(ref.width / 2, ref.height / 2) : Rgb{0, 0, 0};
        return std::vector<Spot>{{GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, c}};
    };
    ASSERT_TRUE(e2e::Start(Exe(), "/slideshow=" + list, dir, v));
    HWND show = nullptr;
    ASSERT_TRUE(e2e::WaitUntil([&] { return (show = FindWindowA("SlideshowClass", nullptr)) != nullptr; }))
        << "no slideshow window";
    EXPECT_TRUE(ShowsSpots(show, middle(kChinese)));
    PostMessageA(show, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_TRUE(ShowsSpots(show, middle(kEmoji)));
    PostMessageA(show, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_TRUE(ShowsSpots(show, middle(kGreek)));
    PostMessageA(show, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(e2e::WaitGone(show, e2e::kStepMs)) << "the show stayed after Escape";
}

// The folder becomes the first recent directory in the settings file;
// choosing it opens the Open dialog there.
TEST_F(Names, RecentDirectoriesKeepTheName) {
    ASSERT_NO_FATAL_FAILURE(StartOn(kEmoji));
    SendMessageA(v.window, WM_INITMENU, 0, 0);
    EXPECT_EQ(IniValue("Dir1"), dir);
    e2e::SendCommand(v, 10075);
    HWND open = Dialog("Open");
    ASSERT_NE(open, nullptr) << "no Open dialog for the recent directory";
    EXPECT_EQ(IniValue("OpenDir"), dir);
    e2e::SetControlText(open, 1148, kGreek);
    e2e::SetControlText(open, 1152, kGreek);
    e2e::Click(open, IDOK);
    ASSERT_TRUE(e2e::WaitGone(open, e2e::kStepMs)) << "the Open dialog stayed";
    ASSERT_NO_FATAL_FAILURE(ExpectShown(kGreek));
}

// The clipboard service takes a UTF-8 path, and the ANSI bytes an older
// program sends (Windows-1252 here: é is E9).
TEST_F(Names, ClipboardServiceTakesSuchPaths) {
    ASSERT_TRUE(e2e::Start(Exe(), "/hidden", dir, v));
    auto serve = [&](const std::string& path) {
        COPYDATASTRUCT cds = {1, DWORD(path.size() + 1), const_cast<char*>(path.c_str())};
        DWORD_PTR reply = 99;
        if (!SendMessageTimeoutA(v.window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds), SMTO_BLOCK, e2e::kStepMs,
                                 &reply))
            return ::testing::AssertionFailure() << "no answer";
        if (reply != 0) return ::testing::AssertionFailure() << "reply " << reply;
        if (!OpenClipboard(nullptr)) return ::testing::AssertionFailure() << "clipboard busy";
        HANDLE dib = GetClipboardData(CF_DIB);
        const uint8_t* p = dib ? static_cast<const uint8_t*>(GlobalLock(dib)) : nullptr;
        RgbPicture got = p ? DecodeDib(p, GlobalSize(dib)) : RgbPicture();
        if (p) GlobalUnlock(dib);
        CloseClipboard();
        return SamePicture(got, Reference(kEmoji));
    };
    EXPECT_TRUE(serve(Path(kEmoji)));
    EXPECT_TRUE(serve(NamesData() + "\\caf\xE9.gif"));
    char empty[1] = {0};
    COPYDATASTRUCT end = {1, 1, empty};
    DWORD_PTR reply = 0;
    SendMessageTimeoutA(v.window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&end), SMTO_BLOCK, 5000, &reply);
    EXPECT_TRUE(e2e::WaitForExit(v, e2e::kStepMs)) << "the service did not end";
}

// Conversion from the command line, from one such name into another.
TEST_F(Names, ConvertsBetweenSuchNames) {
    const std::string out = root + "\\出力 έξοδος 📤.bmp";
    EXPECT_FALSE(e2e::Start(Exe(), "\"" + Path(kGreek) + "\" /c=" + out, dir, v, 15000));
    DWORD code = 99;
    ASSERT_TRUE(e2e::WaitForExit(v, e2e::kStepMs, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(SamePicture(DecodeBmpFile(out), Reference(kGreek)));
}

}  // namespace
