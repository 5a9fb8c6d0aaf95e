// End-to-end: walking through a directory, the file operations, batch
// conversion and the slideshow, with the files checked on disk.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "driver.h"
#include "e2e_support.h"

namespace {

std::string WalkDir() { return DataDir() + "\\walk"; }

bool Exists(const std::string& p) { return GetFileAttributesA(p.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string PictureName(int i) {
    char n[16];
    std::snprintf(n, sizeof n, "p%02d.png", i);
    return n;
}

// "Lumagrove - p03.png (23x13x24BPP)": the generated pictures grow by one
// pixel each way per number.
std::string TitleOf(int i) {
    return "Lumagrove - " + PictureName(i) + " (" + std::to_string(20 + i) + "x" + std::to_string(10 + i) +
           "x24BPP)";
}

std::string StatusOf(HWND w) {
    HWND bar = FindWindowExA(w, nullptr, "ToolbarWindow32", nullptr);
    HWND status = bar ? FindWindowExA(bar, nullptr, "Static", nullptr) : nullptr;
    return status ? e2e::Title(status) : std::string("(no status field)");
}

class Files : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(Env("LUMAGROVE_EXE").empty()) << "LUMAGROVE_EXE not set";
        DeleteFileA(IniPath().c_str());
        char tmp[MAX_PATH];
        GetTempPathA(MAX_PATH, tmp);
        dir = std::string(tmp) + "lgfiles" + std::to_string(GetTickCount()) + "_" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name();
        ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr));
        for (int i = 1; i <= 12; ++i)
            ASSERT_TRUE(CopyFileA((WalkDir() + "\\" + PictureName(i)).c_str(), Path(PictureName(i)).c_str(), FALSE));
    }
    void TearDown() override {
        e2e::Stop(v);
        RemoveTree(dir);
    }
    static void RemoveTree(const std::string& d) {
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA((d + "\\*").c_str(), &fd);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                std::string n = fd.cFileName;
                if (n == "." || n == "..") continue;
                std::string p = d + "\\" + n;
                if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(p);
                else { SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_NORMAL); DeleteFileA(p.c_str()); }
            } while (FindNextFileA(h, &fd));
            FindClose(h);
        }
        RemoveDirectoryA(d.c_str());
    }
    std::string Path(const std::string& name) const { return dir + "\\" + name; }
    void StartAt(int i) {
        ASSERT_TRUE(e2e::Start(Exe(), Path(PictureName(i)), dir, v));
        e2e::Settle(v, 400);
    }
    // The shown picture and the status field.
    void ExpectAt(int i, int count = 12) {
        e2e::Settle(v, 150);
        EXPECT_EQ(e2e::Title(v.window), TitleOf(i));
        EXPECT_EQ(StatusOf(v.window), std::to_string(i) + "/" + std::to_string(count));
    }
    // Answers the box that must be up, returning its text.
    std::string Answer(int button) {
        HWND box = e2e::FindMessageBox(v, 10000);
        if (!box) return "(no message box)";
        std::string text = e2e::MessageBoxText(box);
        e2e::AnswerMessageBox(box, button);
        e2e::Settle(v, 150);
        return text;
    }
    std::string dir;
    e2e::Viewer v;
};

// A dialog of the viewer by its title (the progress windows are dialogs too).
HWND WaitDialog(const char* title, DWORD ms = 10000) {
    for (DWORD t = 0; t < ms; t += 50) {
        if (HWND w = FindWindowA("#32770", title)) return w;
        Sleep(50);
    }
    return nullptr;
}

constexpr int kNext = 40039, kPrev = 40040, kFirst = 40057, kLast = 40058, kRefresh = 40070;

TEST_F(Files, WalkWithKeysAndWrapQuestions) {
    StartAt(3);
    ExpectAt(3);
    e2e::PressKey(v, VK_SPACE);
    ExpectAt(4);
    e2e::PressKey(v, VK_BACK);
    e2e::PressKey(v, VK_BACK);
    ExpectAt(2);
    e2e::SendCommand(v, kLast);  // Ctrl+L
    ExpectAt(12);
    e2e::PressKey(v, VK_SPACE);
    EXPECT_EQ(Answer(IDCANCEL), "NEXT: No more graphic files in directory !\nJump to the first file ?");
    ExpectAt(12);
    e2e::PressKey(v, VK_SPACE);
    Answer(IDOK);
    ExpectAt(1);
    e2e::PressKey(v, VK_BACK);
    EXPECT_EQ(Answer(IDOK), "PREVIOUS: No more graphic files in directory !\nJump to the last file ?");
    ExpectAt(12);
    e2e::SendCommand(v, kFirst);  // Ctrl+F
    ExpectAt(1);
}

TEST_F(Files, QuietWrapAndDescendingOrder) {
    WriteIni("[Others]\nNotNotifyLoopDir=1\nFileSortOrder=4\n");
    StartAt(1);
    EXPECT_EQ(StatusOf(v.window), "12/12");  // names descending: p01 is last
    e2e::PressKey(v, VK_SPACE);
    e2e::Settle(v, 150);
    EXPECT_EQ(e2e::Title(v.window), TitleOf(12));
    EXPECT_EQ(StatusOf(v.window), "1/12");
    e2e::PressKey(v, VK_BACK);
    e2e::Settle(v, 150);
    EXPECT_EQ(e2e::Title(v.window), TitleOf(1));
    EXPECT_EQ(e2e::FindMessageBox(v, 300), nullptr);
}

TEST_F(Files, SteppingKeepsTheListUntilRefresh) {
    StartAt(11);
    ASSERT_TRUE(CopyFileA(Path(PictureName(1)).c_str(), Path("p13.png").c_str(), FALSE));
    e2e::PressKey(v, VK_SPACE);
    ExpectAt(12);
    e2e::PressKey(v, VK_SPACE);
    Answer(IDCANCEL);  // the new file is not in the list yet
    e2e::SendCommand(v, kRefresh);
    e2e::Settle(v, 150);
    EXPECT_EQ(StatusOf(v.window), "12/13");
    e2e::SendCommand(v, kNext);
    e2e::Settle(v, 150);
    EXPECT_EQ(StatusOf(v.window), "13/13");
    e2e::SendCommand(v, kPrev);
    ExpectAt(12, 13);
}

TEST_F(Files, WalkingTurnedOff) {
    WriteIni("[Viewing]\nViewAll=0\n");
    StartAt(5);
    EXPECT_EQ(StatusOf(v.window), "1/1");
    e2e::PressKey(v, VK_SPACE);
    e2e::SendCommand(v, kLast);
    e2e::Settle(v, 150);
    EXPECT_EQ(e2e::Title(v.window), TitleOf(5));
}

TEST_F(Files, FullScreenStepsThroughTheDirectory) {
    StartAt(6);
    e2e::PressKey(v, VK_RETURN);
    e2e::Settle(v, 300);
    HWND full = FindWindowA("FullViewClass", nullptr);
    ASSERT_NE(full, nullptr);
    PostMessageA(full, WM_KEYDOWN, VK_SPACE, 0);
    e2e::Settle(v, 300);
    EXPECT_EQ(e2e::Title(v.window), TitleOf(7));
    PostMessageA(full, WM_KEYDOWN, VK_BACK, 0);
    PostMessageA(full, WM_KEYDOWN, VK_BACK, 0);
    e2e::Settle(v, 300);
    EXPECT_EQ(e2e::Title(v.window), TitleOf(5));
}

TEST_F(Files, SortOrderAndRecentDirectories) {
    // "by Name (descending)" reverses the walk at once, without a re-read.
    StartAt(4);
    e2e::SendCommand(v, 40109);
    e2e::Settle(v, 300);
    EXPECT_EQ(StatusOf(v.window), "9/12");
    EXPECT_EQ(GetPrivateProfileIntA("Others", "FileSortOrder", -1, IniPath().c_str()), 4);
    e2e::PressKey(v, VK_SPACE);
    e2e::Settle(v, 200);
    EXPECT_EQ(e2e::Title(v.window), TitleOf(3));

    // Opening the menu bar files the listed directory as the first recent one;
    // choosing it starts the Open dialog there.
    SendMessageA(v.window, WM_INITMENU, 0, 0);
    char got[MAX_PATH] = "";
    GetPrivateProfileStringA("MRUD", "Dir1", "", got, MAX_PATH, IniPath().c_str());
    EXPECT_EQ(std::string(got), dir);
    e2e::SendCommand(v, 10075);
    HWND open = WaitDialog("Open");
    ASSERT_NE(open, nullptr);
    GetPrivateProfileStringA("Copy-Move", "OpenDir", "", got, MAX_PATH, IniPath().c_str());
    EXPECT_EQ(std::string(got), dir);
    PostMessageA(open, WM_COMMAND, IDCANCEL, 0);
    e2e::Settle(v, 300);

    // A recent directory that is gone is reported and its slot emptied.
    WritePrivateProfileStringA("MRUD", "Dir2", (dir + "\\gone").c_str(), IniPath().c_str());
    e2e::SendCommand(v, 10076);
    HWND box = WaitDialog("Lumagrove");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(e2e::MessageBoxText(box), "Can't change to directory: '" + dir + "\\gone'");
    e2e::AnswerMessageBox(box, IDOK);
    GetPrivateProfileStringA("MRUD", "Dir2", "x", got, MAX_PATH, IniPath().c_str());
    EXPECT_STREQ(got, "");
}

// --- File operations ----------------------------------------------------------

std::string Slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

void Spill(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

constexpr int kDelete = 40013, kRename = 40079, kCopy = 40045, kMove = 40046;

TEST_F(Files, DeleteAsksThenStepsFromTheGap) {
    StartAt(5);
    e2e::SendCommand(v, kDelete);
    HWND ask = WaitDialog("Lumagrove");
    ASSERT_NE(ask, nullptr);
    EXPECT_EQ(e2e::MessageBoxText(ask), "Delete file: " + Path("p05.png") + " ?\n");
    e2e::AnswerMessageBox(ask, IDCANCEL);
    e2e::Settle(v, 300);
    EXPECT_TRUE(Exists(Path("p05.png")));

    e2e::SendCommand(v, kDelete);
    e2e::AnswerMessageBox(WaitDialog("Lumagrove"), IDOK);
    e2e::Settle(v, 400);
    EXPECT_FALSE(Exists(Path("p05.png")));
    EXPECT_EQ(e2e::Title(v.window), TitleOf(5));  // the picture stays on screen
    EXPECT_EQ(StatusOf(v.window), "4/11");
    e2e::PressKey(v, VK_BACK);  // the file before the gap
    ExpectAt(4, 11);
    e2e::PressKey(v, VK_SPACE);
    e2e::Settle(v, 200);
    EXPECT_EQ(e2e::Title(v.window), TitleOf(6));
    EXPECT_EQ(StatusOf(v.window), "5/11");
}

TEST_F(Files, DeleteWithoutAskingJumpsToTheNext) {
    WriteIni("[Others]\nAskDelete=0\nJumpAfterDelete=1\n");
    StartAt(7);
    e2e::SendCommand(v, kDelete);
    e2e::Settle(v, 500);
    EXPECT_FALSE(Exists(Path("p07.png")));
    EXPECT_EQ(e2e::Title(v.window), TitleOf(8));
    EXPECT_EQ(StatusOf(v.window), "7/11");
}

TEST_F(Files, DeleteToTheRecycleBin) {
    // Wine's Recycle Bin is the desktop's trash folder, which takes files of
    // its own file system only: one beside the test directory.
    using UnixName = char* (CDECL*)(const WCHAR*);
    auto unixName = reinterpret_cast<UnixName>(GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name"));
    ASSERT_NE(unixName, nullptr) << "not running under Wine";
    std::wstring wdir(dir.begin(), dir.end());
    char* unixDir = unixName(wdir.c_str());
    ASSERT_NE(unixDir, nullptr);
    const std::string data = std::string(unixDir) + "/xdg";
    HeapFree(GetProcessHeap(), 0, unixDir);
    SetEnvironmentVariableA("XDG_DATA_HOME", data.c_str());
    for (const char* d : {"\\xdg", "\\xdg\\Trash", "\\xdg\\Trash\\files", "\\xdg\\Trash\\info"})
        CreateDirectoryA((dir + d).c_str(), nullptr);
    const std::string name = "gone" + std::to_string(GetTickCount()) + ".png";
    ASSERT_TRUE(CopyFileA(Path("p02.png").c_str(), Path(name).c_str(), FALSE));
    WriteIni("[Others]\nAskDelete=0\nDelToRecycle=1\n");
    ASSERT_TRUE(e2e::Start(Exe(), Path(name), dir, v));
    e2e::Settle(v, 400);
    e2e::SendCommand(v, kDelete);
    e2e::Settle(v, 800);
    EXPECT_FALSE(Exists(Path(name)));
    SetEnvironmentVariableA("XDG_DATA_HOME", nullptr);
    const std::string trashed = dir + "\\xdg\\Trash\\files\\" + name;
    EXPECT_TRUE(Exists(trashed)) << trashed;

}

TEST_F(Files, RenameRefusesATakenNameAndFollowsTheNewOne) {
    StartAt(3);
    e2e::SendCommand(v, kRename);
    HWND dlg = WaitDialog("Rename/Move file:");
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(e2e::Title(GetDlgItem(dlg, 1159)), "p03.png");
    SendMessageA(GetDlgItem(dlg, 1159), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("p04.png"));
    e2e::AnswerMessageBox(dlg, IDOK);
    HWND box = WaitDialog("Lumagrove");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(e2e::MessageBoxText(box), "Can't rename !");
    e2e::AnswerMessageBox(box, IDOK);
    EXPECT_EQ(Slurp(Path("p04.png")), Slurp(WalkDir() + "\\p04.png"));
    EXPECT_TRUE(Exists(Path("p03.png")));

    e2e::SendCommand(v, kRename);
    dlg = WaitDialog("Rename/Move file:");
    ASSERT_NE(dlg, nullptr);
    SendMessageA(GetDlgItem(dlg, 1159), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("zz.png"));
    e2e::AnswerMessageBox(dlg, IDOK);
    e2e::Settle(v, 400);
    EXPECT_FALSE(Exists(Path("p03.png")));
    EXPECT_TRUE(Exists(Path("zz.png")));
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove - zz.png (23x13x24BPP)");
    EXPECT_EQ(StatusOf(v.window), "12/12");
}

TEST_F(Files, CopyAsksBeforeReplacing) {
    const std::string dest = dir + "\\out\\deeper";
    WriteIni("[Copy-Move]\nAskCopy=0\nCopyDir=" + dest + "\n");
    StartAt(2);
    e2e::SendCommand(v, kCopy);
    e2e::Settle(v, 900);
    EXPECT_EQ(Slurp(dest + "\\p02.png"), Slurp(Path("p02.png")));  // directories made on the way

    Spill(dest + "\\p02.png", "older");
    e2e::SendCommand(v, kCopy);
    HWND box = WaitDialog("Lumagrove");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(e2e::MessageBoxText(box).rfind("Replace file:\n\t" + dest + "\\p02.png , 5  bytes\nwith file:", 0), 0u)
        << e2e::MessageBoxText(box);
    e2e::AnswerMessageBox(box, IDNO);
    e2e::Settle(v, 300);
    EXPECT_EQ(Slurp(dest + "\\p02.png"), "older");

    SetFileAttributesA((dest + "\\p02.png").c_str(), FILE_ATTRIBUTE_READONLY);
    e2e::SendCommand(v, kCopy);
    e2e::AnswerMessageBox(WaitDialog("Lumagrove"), IDYES);
    e2e::Settle(v, 900);
    EXPECT_EQ(Slurp(dest + "\\p02.png"), Slurp(Path("p02.png")));
}

TEST_F(Files, MoveThroughTheChooser) {
    const std::string dest = dir + "\\moved";
    StartAt(9);
    e2e::SendCommand(v, kMove);
    HWND dlg = WaitDialog("Move Image");
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(e2e::Title(GetDlgItem(dlg, 1045)), "Move: " + Path("p09.png"));
    SendMessageA(GetDlgItem(dlg, 1043), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(dest.c_str()));
    e2e::AnswerMessageBox(dlg, 1211);
    e2e::Settle(v, 900);
    EXPECT_FALSE(Exists(Path("p09.png")));
    EXPECT_EQ(Slurp(dest + "\\p09.png"), Slurp(WalkDir() + "\\p09.png"));
    EXPECT_EQ(StatusOf(v.window), "8/11");
    e2e::PressKey(v, VK_SPACE);
    e2e::Settle(v, 200);
    EXPECT_EQ(e2e::Title(v.window), TitleOf(10));
    EXPECT_EQ(StatusOf(v.window), "9/11");
    // The chooser remembered the row.
    char ini[MAX_PATH] = "";
    GetPrivateProfileStringA("Copy-Move", "MoveDir1", "", ini, MAX_PATH, IniPath().c_str());
    EXPECT_EQ(std::string(ini), dest);
}

// --- Batch conversion and slideshow ----------------------------------------------

// Across processes the list's text arrives as UTF-16 whatever was asked.
std::string ListLine(HWND list, int i) {
    wchar_t wide[1024] = L"";
    SendMessageTimeoutW(list, LB_GETTEXT, WPARAM(i), reinterpret_cast<LPARAM>(wide), SMTO_BLOCK, 5000, nullptr);
    char text[1024] = "";
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    return text;
}

TEST_F(Files, BatchOfTwentyThroughTheDialog) {
    for (int i = 13; i <= 20; ++i)
        ASSERT_TRUE(CopyFileA(Path(PictureName(i - 12)).c_str(), Path("q" + std::to_string(i) + ".png").c_str(), FALSE));
    const std::string out = dir + "\\out";
    CreateDirectoryA(out.c_str(), nullptr);
    Spill(out + "\\p01.BMP", "keep");  // an output that is there already
    WriteIni("[Copy-Move]\nOpenDir=" + dir + "\n");
    StartAt(1);
    e2e::SendCommand(v, 40098);
    HWND dlg = WaitDialog("Batch conversion");
    ASSERT_NE(dlg, nullptr);
    HWND panel = nullptr;
    for (int i = 0; i < 100 && !panel; ++i, Sleep(50)) {
        for (HWND c = FindWindowExA(dlg, nullptr, "#32770", nullptr); c; c = FindWindowExA(dlg, c, "#32770", nullptr))
            if (GetDlgItem(c, 1409)) panel = c;
    }
    ASSERT_NE(panel, nullptr);
    // Add every picture of the folder, then the twenty in the list.
    PostMessageA(panel, WM_COMMAND, MAKEWPARAM(1402, BN_CLICKED), 0);
    e2e::Settle(v, 500);
    ASSERT_EQ(SendMessageA(GetDlgItem(panel, 1400), LB_GETCOUNT, 0, 0), 20);
    SendMessageA(GetDlgItem(panel, 1406), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(out.c_str()));
    SendMessageA(GetDlgItem(panel, 1405), CB_SETCURSEL, 2, 0);  // BMP
    PostMessageA(panel, WM_COMMAND, MAKEWPARAM(1409, BN_CLICKED), 0);
    HWND done = WaitDialog("Batch conversion done", 60000);
    ASSERT_NE(done, nullptr);
    HWND list = GetDlgItem(done, 1300);
    ASSERT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 41);
    EXPECT_EQ(ListLine(list, 0), "Converting: " + Path("p01.png"));
    EXPECT_EQ(ListLine(list, 1), "Error: Destination file already exists: " + out + "\\p01.BMP");
    EXPECT_EQ(ListLine(list, 3), "... Ok");
    EXPECT_EQ(ListLine(list, 40), "1 errors");
    EXPECT_EQ(Slurp(out + "\\p01.BMP"), "keep");
    for (int i = 2; i <= 12; ++i) EXPECT_TRUE(Exists(out + "\\p" + PictureName(i).substr(1, 2) + ".BMP")) << i;
    EXPECT_TRUE(Exists(out + "\\q20.BMP"));
    char type[8] = "";
    GetPrivateProfileStringA("Batch", "OutputType", "", type, sizeof type, IniPath().c_str());
    EXPECT_STREQ(type, "2");
    PostMessageA(done, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

// Which of the generated pictures the slideshow shows in the screen's middle
// (0 for none): their red is 20 times their number.
int ShownPicture(HWND show) {
    e2e::Capture cap;
    if (!CaptureClient(show, cap)) return -1;
    const uint8_t* c = cap.at(cap.width / 2, cap.height / 2);
    return c[1] == 90 ? c[2] / 20 : 0;
}

int WaitForPicture(HWND show, int want, DWORD ms) {
    int got = -1;
    for (DWORD t = 0; t < ms; t += 100) {
        if ((got = ShownPicture(show)) == want) break;
        Sleep(100);
    }
    return got;
}

class Slideshow : public Files {
protected:
    HWND Begin(const std::string& ini) {
        WriteIni(ini);
        Spill(Path("show.lst"), Path("p01.png") + "\n" + Path("p02.png") + "\n\n" + Path("p03.png"));
        if (!e2e::Start(Exe(), "/slideshow=" + Path("show.lst"), dir, v)) return nullptr;
        for (int i = 0; i < 100; ++i, Sleep(50))
            if (HWND w = FindWindowA("SlideshowClass", nullptr)) return w;
        return nullptr;
    }
};

TEST_F(Slideshow, AdvancesOnItsOwnAndStopsAtTheEnd) {
    // A delay long enough that a loaded machine's polling still sees each picture.
    HWND show = Begin("[Slideshow]\nAdvancement=1\nAutoDelay=1.5\nLoop=0\nShowFilename=0\n");
    ASSERT_NE(show, nullptr);
    EXPECT_EQ(WaitForPicture(show, 1, 5000), 1);
    EXPECT_EQ(WaitForPicture(show, 2, 5000), 2);
    EXPECT_EQ(WaitForPicture(show, 3, 5000), 3);
    Sleep(2500);  // no loop: the last picture stays
    EXPECT_EQ(ShownPicture(show), 3);
    PostMessageA(show, WM_KEYDOWN, VK_SPACE, 0);  // any key ends a timed show
    for (int i = 0; i < 50 && IsWindow(show); ++i) Sleep(100);
    EXPECT_FALSE(IsWindow(show));
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove");
}

TEST_F(Slideshow, StepsByKeyBothWays) {
    HWND show = Begin("[Slideshow]\nAdvancement=2\nLoop=1\nShowFilename=0\n");
    ASSERT_NE(show, nullptr);
    EXPECT_EQ(WaitForPicture(show, 1, 3000), 1);
    PostMessageA(show, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ(WaitForPicture(show, 2, 3000), 2);
    PostMessageA(show, WM_KEYDOWN, VK_BACK, 0);
    EXPECT_EQ(WaitForPicture(show, 1, 3000), 1);
    PostMessageA(show, WM_KEYDOWN, VK_BACK, 0);  // looping back to the last
    EXPECT_EQ(WaitForPicture(show, 3, 3000), 3);
    PostMessageA(show, WM_KEYDOWN, VK_ESCAPE, 0);
    for (int i = 0; i < 50 && IsWindow(show); ++i) Sleep(100);
    EXPECT_FALSE(IsWindow(show));
}

}  // namespace
