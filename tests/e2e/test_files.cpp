// End-to-end: walking through a directory, the file operations, batch
// conversion and the slideshow, with the files checked on disk.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "dialog_driver.h"
#include "driver.h"
#include "e2e_support.h"
#include "shown.h"

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

class Files : public ViewerTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(ViewerTest::SetUp());
        char tmp[MAX_PATH];
        GetTempPathA(MAX_PATH, tmp);
        dir = std::string(tmp) + "lgfiles" + std::to_string(GetTickCount()) + "_" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name();
        ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr));
        for (int i = 1; i <= 12; ++i)
            ASSERT_TRUE(CopyFileA((WalkDir() + "\\" + PictureName(i)).c_str(), Path(PictureName(i)).c_str(), FALSE));
    }
    void TearDown() override {
        ViewerTest::TearDown();
        if (!dir.empty()) RemoveTree(dir);  // "" would name the root of the drive
    }
    std::string Path(const std::string& name) const { return dir + "\\" + name; }
    void StartAt(int i) {
        ASSERT_TRUE(e2e::Start(Exe(), Path(PictureName(i)), dir, v));
        ASSERT_TRUE(e2e::Sync(v)) << "the viewer did not reach its message loop";
    }
    // Once what was sent before is done: the shown picture and the status field.
    void ExpectAt(int i, int count = 12) {
        ASSERT_TRUE(e2e::Sync(v));
        EXPECT_EQ(e2e::Title(v.window), TitleOf(i));
        EXPECT_EQ(StatusOf(v.window), std::to_string(i) + "/" + std::to_string(count));
    }
    // Answers the box that must be up, returning its text.
    std::string Answer(int button) {
        HWND box = e2e::FindMessageBox(v, e2e::kStepMs);
        if (!box) return "(no message box)";
        std::string text = e2e::MessageBoxText(box);
        if (!e2e::AnswerMessageBox(box, button)) return "(the message box stayed: " + text + ")";
        if (!e2e::Sync(v)) return "(the viewer did not go on after: " + text + ")";
        return text;
    }
    // A dialog of the viewer by its caption, ready for input.
    HWND Dialog(const char* caption, DWORD ms = e2e::kStepMs) { return e2e::FindDialog(v, caption, ms); }
    std::string dir;
};

constexpr int kNext = 40039, kPrev = 40040, kFirst = 40057, kLast = 40058, kRefresh = 40070;

TEST_F(Files, WalkWithKeysAndWrapQuestions) {
    ASSERT_NO_FATAL_FAILURE(StartAt(3));
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
    ASSERT_NO_FATAL_FAILURE(StartAt(1));
    EXPECT_EQ(StatusOf(v.window), "12/12");  // names descending: p01 is last
    e2e::PressKey(v, VK_SPACE);
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(e2e::Title(v.window), TitleOf(12));
    EXPECT_EQ(StatusOf(v.window), "1/12");
    e2e::PressKey(v, VK_BACK);
    ASSERT_TRUE(e2e::Sync(v));  // a question would be up by now
    EXPECT_EQ(e2e::Title(v.window), TitleOf(1));
    EXPECT_EQ(Dialog("Lumagrove", 0), nullptr);
}

TEST_F(Files, SteppingKeepsTheListUntilRefresh) {
    ASSERT_NO_FATAL_FAILURE(StartAt(11));
    ASSERT_TRUE(CopyFileA(Path(PictureName(1)).c_str(), Path("p13.png").c_str(), FALSE));
    e2e::PressKey(v, VK_SPACE);
    ExpectAt(12);
    e2e::PressKey(v, VK_SPACE);
    EXPECT_EQ(Answer(IDCANCEL), "NEXT: No more graphic files in directory !\nJump to the first file ?")
        << "the new file is not in the list yet";
    e2e::SendCommand(v, kRefresh);
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(StatusOf(v.window), "12/13");
    e2e::SendCommand(v, kNext);
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(StatusOf(v.window), "13/13");
    e2e::SendCommand(v, kPrev);
    ExpectAt(12, 13);
}

TEST_F(Files, WalkingTurnedOff) {
    WriteIni("[Viewing]\nViewAll=0\n");
    ASSERT_NO_FATAL_FAILURE(StartAt(5));
    EXPECT_EQ(StatusOf(v.window), "1/1");
    e2e::PressKey(v, VK_SPACE);
    e2e::SendCommand(v, kLast);
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(e2e::Title(v.window), TitleOf(5));
    EXPECT_EQ(Dialog("Lumagrove", 0), nullptr);
}

// What the options sheet's OK stores counts from then on, without a restart.
TEST_F(Files, OptionsSheetChangesTheWalkAtOnce) {
    ASSERT_NO_FATAL_FAILURE(StartAt(12));
    auto tick = [&](int control) {  // on the "Files" page, then OK
        e2e::SendCommand(v, 40002);
        HWND sheet = Dialog("Lumagrove Properties");
        ASSERT_NE(sheet, nullptr) << "no options sheet";
        ASSERT_TRUE(e2e::ShowSheetPage(sheet, 2));
        ASSERT_TRUE(e2e::Click(sheet, control));
        ASSERT_TRUE(e2e::Click(sheet, IDOK));
        ASSERT_TRUE(e2e::WaitGone(sheet, e2e::kStepMs)) << "the options sheet stays";
        ASSERT_TRUE(e2e::Sync(v));
    };
    ASSERT_NO_FATAL_FAILURE(tick(1422));  // wrap around without asking
    e2e::PressKey(v, VK_SPACE);
    ExpectAt(1);
    EXPECT_EQ(Dialog("Lumagrove", 0), nullptr);
    ASSERT_NO_FATAL_FAILURE(tick(1421));  // walking off
    e2e::PressKey(v, VK_SPACE);
    e2e::SendCommand(v, kRefresh);
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(e2e::Title(v.window), TitleOf(1));
    EXPECT_EQ(StatusOf(v.window), "1/1");
}

TEST_F(Files, FullScreenStepsThroughTheDirectory) {
    ASSERT_NO_FATAL_FAILURE(StartAt(6));
    e2e::PressKey(v, VK_RETURN);
    HWND full = nullptr;
    ASSERT_TRUE(e2e::WaitUntil([&] { return (full = FindWindowA("FullViewClass", nullptr)) != nullptr; }))
        << "no full-screen window after Enter";
    // The full-screen window belongs to the main window's thread: a Sync
    // comes after what was posted to it.
    PostMessageA(full, WM_KEYDOWN, VK_SPACE, 0);
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(e2e::Title(v.window), TitleOf(7));
    PostMessageA(full, WM_KEYDOWN, VK_BACK, 0);
    PostMessageA(full, WM_KEYDOWN, VK_BACK, 0);
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(e2e::Title(v.window), TitleOf(5));
    // Full screen shows the picture stepped to: p05's colour, rgb(100,90,150).
    EXPECT_TRUE(ShowsSpots(full, {{GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2,
                                   {100, 90, 150}}}));
}

// "Name, numbers by value" puts p100 after p12, where by name it would
// come before p11; the choice is stored as 9.
TEST_F(Files, NaturalNameOrderFromTheMenu) {
    ASSERT_TRUE(CopyFileA(Path(PictureName(1)).c_str(), Path("p100.png").c_str(), FALSE));
    ASSERT_NO_FATAL_FAILURE(StartAt(4));
    e2e::SendCommand(v, kLast);
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(e2e::Title(v.window), TitleOf(12));
    EXPECT_EQ(StatusOf(v.window), "13/13");  // by name: ... p10, p100, p11, p12
    e2e::SendCommand(v, 40161);
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(GetPrivateProfileIntA("Others", "FileSortOrder", -1, IniPath().c_str()), 9);
    EXPECT_EQ(StatusOf(v.window), "12/13");
    e2e::SendCommand(v, kLast);
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove - p100.png (21x11x24BPP)");
    EXPECT_EQ(StatusOf(v.window), "13/13");
}

TEST_F(Files, SortOrderAndRecentDirectories) {
    // "by Name (descending)" reverses the walk at once, without a re-read.
    ASSERT_NO_FATAL_FAILURE(StartAt(4));
    e2e::SendCommand(v, 40109);
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(StatusOf(v.window), "9/12");
    EXPECT_EQ(GetPrivateProfileIntA("Others", "FileSortOrder", -1, IniPath().c_str()), 4);
    e2e::PressKey(v, VK_SPACE);
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(e2e::Title(v.window), TitleOf(3));

    // Opening the menu bar files the listed directory as the first recent one;
    // choosing it starts the Open dialog there.
    SendMessageA(v.window, WM_INITMENU, 0, 0);
    char got[MAX_PATH] = "";
    GetPrivateProfileStringA("MRUD", "Dir1", "", got, MAX_PATH, IniPath().c_str());
    EXPECT_EQ(std::string(got), dir);
    e2e::SendCommand(v, 10075);
    HWND open = Dialog("Open");
    ASSERT_NE(open, nullptr) << "no Open dialog for the recent directory";
    GetPrivateProfileStringA("Copy-Move", "OpenDir", "", got, MAX_PATH, IniPath().c_str());
    EXPECT_EQ(std::string(got), dir);
    ASSERT_TRUE(e2e::AnswerMessageBox(open, IDCANCEL)) << "the Open dialog stayed";
    ASSERT_TRUE(e2e::Sync(v));

    // A recent directory that is gone is reported and its slot emptied.
    WritePrivateProfileStringA("MRUD", "Dir2", (dir + "\\gone").c_str(), IniPath().c_str());
    e2e::SendCommand(v, 10076);
    HWND box = Dialog("Lumagrove");
    ASSERT_NE(box, nullptr) << "no message box for the missing directory";
    EXPECT_EQ(e2e::MessageBoxText(box), "Can't change to directory: '" + dir + "\\gone'");
    ASSERT_TRUE(e2e::AnswerMessageBox(box, IDOK)) << "the message box stayed";
    ASSERT_TRUE(e2e::Sync(v));  // the slot is emptied after the box
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
    ASSERT_NO_FATAL_FAILURE(StartAt(5));
    e2e::SendCommand(v, kDelete);
    HWND ask = Dialog("Lumagrove");
    ASSERT_NE(ask, nullptr) << "no question before deleting";
    EXPECT_EQ(e2e::MessageBoxText(ask), "Delete file: " + Path("p05.png") + " ?\n");
    ASSERT_TRUE(e2e::AnswerMessageBox(ask, IDCANCEL)) << "the question stayed";
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_TRUE(Exists(Path("p05.png")));

    e2e::SendCommand(v, kDelete);
    ask = Dialog("Lumagrove");
    ASSERT_NE(ask, nullptr) << "no question before deleting";
    ASSERT_TRUE(e2e::AnswerMessageBox(ask, IDOK)) << "the question stayed";
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_FALSE(Exists(Path("p05.png")));
    EXPECT_EQ(e2e::Title(v.window), TitleOf(5));  // the picture stays on screen
    EXPECT_EQ(StatusOf(v.window), "4/11");
    e2e::PressKey(v, VK_BACK);  // the file before the gap
    ExpectAt(4, 11);
    e2e::PressKey(v, VK_SPACE);
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(e2e::Title(v.window), TitleOf(6));
    EXPECT_EQ(StatusOf(v.window), "5/11");
}

TEST_F(Files, DeleteWithoutAskingJumpsToTheNext) {
    WriteIni("[Others]\nAskDelete=0\nJumpAfterDelete=1\n");
    ASSERT_NO_FATAL_FAILURE(StartAt(7));
    e2e::SendCommand(v, kDelete);
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(Dialog("Lumagrove", 0), nullptr) << "asked although AskDelete=0";
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
    e2e::SendCommand(v, kDelete);
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_FALSE(Exists(Path(name)));
    SetEnvironmentVariableA("XDG_DATA_HOME", nullptr);
    const std::string trashed = dir + "\\xdg\\Trash\\files\\" + name;
    EXPECT_TRUE(Exists(trashed)) << trashed;
}

TEST_F(Files, RenameRefusesATakenNameAndFollowsTheNewOne) {
    ASSERT_NO_FATAL_FAILURE(StartAt(3));
    e2e::SendCommand(v, kRename);
    HWND dlg = Dialog("Rename/Move file:");
    ASSERT_NE(dlg, nullptr) << "no rename dialog";
    EXPECT_EQ(e2e::ControlText(dlg, 1159), "p03.png");
    e2e::SetControlText(dlg, 1159, "p04.png");
    ASSERT_TRUE(e2e::AnswerMessageBox(dlg, IDOK)) << "the rename dialog stayed";
    HWND box = Dialog("Lumagrove");
    ASSERT_NE(box, nullptr) << "no message box for a taken name";
    EXPECT_EQ(e2e::MessageBoxText(box), "Can't rename !");
    ASSERT_TRUE(e2e::AnswerMessageBox(box, IDOK)) << "the message box stayed";
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(Slurp(Path("p04.png")), Slurp(WalkDir() + "\\p04.png"));
    EXPECT_TRUE(Exists(Path("p03.png")));

    e2e::SendCommand(v, kRename);
    dlg = Dialog("Rename/Move file:");
    ASSERT_NE(dlg, nullptr) << "no rename dialog";
    e2e::SetControlText(dlg, 1159, "zz.png");
    ASSERT_TRUE(e2e::AnswerMessageBox(dlg, IDOK)) << "the rename dialog stayed";
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_FALSE(Exists(Path("p03.png")));
    EXPECT_TRUE(Exists(Path("zz.png")));
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove - zz.png (23x13x24BPP)");
    EXPECT_EQ(StatusOf(v.window), "12/12");
}

TEST_F(Files, CopyAsksBeforeReplacing) {
    const std::string dest = dir + "\\out\\deeper";
    WriteIni("[Copy-Move]\nAskCopy=0\nCopyDir=" + dest + "\n");
    ASSERT_NO_FATAL_FAILURE(StartAt(2));
    e2e::SendCommand(v, kCopy);
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(Slurp(dest + "\\p02.png"), Slurp(Path("p02.png")));  // directories made on the way

    Spill(dest + "\\p02.png", "older");
    e2e::SendCommand(v, kCopy);
    HWND box = Dialog("Lumagrove");
    ASSERT_NE(box, nullptr) << "no question before replacing";
    EXPECT_EQ(e2e::MessageBoxText(box).rfind("Replace file:\n\t" + dest + "\\p02.png , 5  bytes\nwith file:", 0), 0u)
        << e2e::MessageBoxText(box);
    ASSERT_TRUE(e2e::AnswerMessageBox(box, IDNO)) << "the question stayed";
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(Slurp(dest + "\\p02.png"), "older");

    SetFileAttributesA((dest + "\\p02.png").c_str(), FILE_ATTRIBUTE_READONLY);
    e2e::SendCommand(v, kCopy);
    box = Dialog("Lumagrove");
    ASSERT_NE(box, nullptr) << "no question before replacing";
    ASSERT_TRUE(e2e::AnswerMessageBox(box, IDYES)) << "the question stayed";
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(Slurp(dest + "\\p02.png"), Slurp(Path("p02.png")));
}

TEST_F(Files, MoveThroughTheChooser) {
    const std::string dest = dir + "\\moved";
    ASSERT_NO_FATAL_FAILURE(StartAt(9));
    e2e::SendCommand(v, kMove);
    HWND dlg = Dialog("Move Image");
    ASSERT_NE(dlg, nullptr) << "no Copy-Move chooser";
    EXPECT_EQ(e2e::ControlText(dlg, 1045), "Move: " + Path("p09.png"));
    e2e::SetControlText(dlg, 1043, dest);
    ASSERT_TRUE(e2e::AnswerMessageBox(dlg, 1211)) << "the chooser stayed";
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_FALSE(Exists(Path("p09.png")));
    EXPECT_EQ(Slurp(dest + "\\p09.png"), Slurp(WalkDir() + "\\p09.png"));
    EXPECT_EQ(StatusOf(v.window), "8/11");
    e2e::PressKey(v, VK_SPACE);
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(e2e::Title(v.window), TitleOf(10));
    EXPECT_EQ(StatusOf(v.window), "9/11");
    // The chooser remembered the row.
    char ini[MAX_PATH] = "";
    GetPrivateProfileStringA("Copy-Move", "MoveDir1", "", ini, MAX_PATH, IniPath().c_str());
    EXPECT_EQ(std::string(ini), dest);
}

// --- Batch conversion and slideshow ----------------------------------------------

TEST_F(Files, BatchOfTwentyThroughTheDialog) {
    for (int i = 13; i <= 20; ++i)
        ASSERT_TRUE(CopyFileA(Path(PictureName(i - 12)).c_str(), Path("q" + std::to_string(i) + ".png").c_str(), FALSE));
    const std::string out = dir + "\\out";
    CreateDirectoryA(out.c_str(), nullptr);
    Spill(out + "\\p01.BMP", "keep");  // an output that is there already
    WriteIni("[Copy-Move]\nOpenDir=" + dir + "\n");
    ASSERT_NO_FATAL_FAILURE(StartAt(1));
    e2e::SendCommand(v, 40098);
    HWND dlg = Dialog("Batch conversion");
    ASSERT_NE(dlg, nullptr) << "no Batch conversion dialog";
    HWND panel = e2e::Control(dlg, 1409) ? GetParent(e2e::Control(dlg, 1409)) : nullptr;
    ASSERT_NE(panel, nullptr) << "the dialog has no batch panel";
    // Add every picture of the folder, then the twenty in the list. The
    // dialog runs in the main window's thread: a Sync comes after the click.
    PostMessageA(panel, WM_COMMAND, MAKEWPARAM(1402, BN_CLICKED), 0);
    ASSERT_TRUE(e2e::Sync(v));
    ASSERT_EQ(SendMessageA(GetDlgItem(panel, 1400), LB_GETCOUNT, 0, 0), 20);
    e2e::SetControlText(panel, 1406, out);
    SendMessageA(GetDlgItem(panel, 1405), CB_SETCURSEL, 2, 0);  // BMP
    PostMessageA(panel, WM_COMMAND, MAKEWPARAM(1409, BN_CLICKED), 0);
    HWND done = Dialog("Batch conversion done", 2 * e2e::kStepMs);
    ASSERT_NE(done, nullptr) << "the batch did not finish";
    HWND list = GetDlgItem(done, 1300);
    ASSERT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 41);
    EXPECT_EQ(ListLine(list, 0), "Converting: " + Path("p01.png"));
    EXPECT_EQ(ListLine(list, 1), "Error: Destination file already exists: " + out + "\\p01.BMP");
    EXPECT_EQ(ListLine(list, 3), "... Ok");
    EXPECT_EQ(ListLine(list, 40), "1 errors");
    EXPECT_EQ(Slurp(out + "\\p01.BMP"), "keep");
    // Each output holds its picture: p02 is 22 x 12 of rgb(40,90,210), q20
    // (a copy of p08) 28 x 18 of rgb(160,90,90).
    for (int i = 2; i <= 12; ++i) EXPECT_TRUE(Exists(out + "\\p" + PictureName(i).substr(1, 2) + ".BMP")) << i;
    EXPECT_TRUE(SamePicture(DecodeBmpFile(out + "\\p02.BMP"), Drawn(22, 12, [](int, int) { return Rgb{40, 90, 210}; })));
    EXPECT_TRUE(SamePicture(DecodeBmpFile(out + "\\q20.BMP"), Drawn(28, 18, [](int, int) { return Rgb{160, 90, 90}; })));
    char type[8] = "";
    GetPrivateProfileStringA("Batch", "OutputType", "", type, sizeof type, IniPath().c_str());
    EXPECT_STREQ(type, "2");
    EXPECT_TRUE(e2e::AnswerMessageBox(done, IDOK)) << "the report stayed";
}

// The batch dialog's Options is the save options sheet (JPEG quality, TIFF
// compression for the files written), not the general Properties.
TEST_F(Files, BatchOptionsOpenTheSaveOptionsSheet) {
    ASSERT_NO_FATAL_FAILURE(StartAt(1));
    e2e::SendCommand(v, 40098);
    HWND dlg = Dialog("Batch conversion");
    ASSERT_NE(dlg, nullptr) << "no Batch conversion dialog";
    HWND panel = e2e::Control(dlg, 1408) ? GetParent(e2e::Control(dlg, 1408)) : nullptr;
    ASSERT_NE(panel, nullptr) << "the dialog has no Options button";
    PostMessageA(panel, WM_COMMAND, MAKEWPARAM(1408, BN_CLICKED), 0);
    HWND sheet = Dialog("Lumagrove Save Properties");
    ASSERT_NE(sheet, nullptr) << "no save options sheet";
    PostMessageA(sheet, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(e2e::WaitGone(sheet));
    PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(e2e::WaitGone(dlg));
}

// Refresh reads the directory again and fits the window to the picture
// again after the user changed its size.
TEST_F(Files, RefreshRefitsTheWindow) {
    ASSERT_NO_FATAL_FAILURE(StartAt(1));
    const RECT fitted = e2e::WindowRect(v.window);
    SetWindowPos(v.window, nullptr, 0, 0, fitted.right - fitted.left + 90, fitted.bottom - fitted.top + 70,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(e2e::Sync(v));
    ASSERT_NE(e2e::WindowRect(v.window).right - e2e::WindowRect(v.window).left, fitted.right - fitted.left);
    ASSERT_NO_FATAL_FAILURE(Command(kRefresh));
    const RECT now = e2e::WindowRect(v.window);
    EXPECT_EQ(now.right - now.left, fitted.right - fitted.left);
    EXPECT_EQ(now.bottom - now.top, fitted.bottom - fitted.top);
}

// The generated picture i shows in the screen's middle: its colour is
// rgb(20 i, 90, 250 - 20 i).
::testing::AssertionResult ShowsPictureNumber(HWND show, int i, DWORD ms = e2e::kStepMs) {
    const Rgb colour{uint8_t(20 * i), 90, uint8_t(250 - 20 * i)};
    return ShowsSpots(show, {{GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, colour}}, ms);
}

// Decoding ahead: a step shows what it shows without it (Preload=0), also
// when the file ahead vanished, changed or is corrupt after it was decoded.
class DecodeAhead : public Files {
protected:
    // Decodes finished ahead since the viewer started.
    uintptr_t Decoded() const { return uintptr_t(GetPropA(v.window, "Lumagrove.DecodedAhead")); }
    // With Preload on, waits until `n` decodes have finished ahead.
    void WaitDecoded(bool preload, uintptr_t n) {
        if (preload) ASSERT_TRUE(e2e::WaitUntil([&] { return Decoded() >= n; })) << "decoded ahead: " << Decoded();
    }
    // Steps with Space and notes the message box (if one comes), the title
    // and the status field.
    void Step(std::string& log) {
        e2e::PressKey(v, VK_SPACE);
        ASSERT_TRUE(e2e::Sync(v));
        if (HWND box = e2e::FindMessageBox(v, 0)) {
            log += "[" + e2e::MessageBoxText(box) + "] ";
            ASSERT_TRUE(e2e::AnswerMessageBox(box, IDOK));
            ASSERT_TRUE(e2e::Sync(v));
        }
        log += e2e::Title(v.window) + " " + StatusOf(v.window) + "\n";
    }
    // The twelve pictures as the fixture made them (a run before changed some).
    void RestorePictures() {
        for (int i = 1; i <= 12; ++i)
            CopyFileA((WalkDir() + "\\" + PictureName(i)).c_str(), Path(PictureName(i)).c_str(), FALSE);
    }
    void Press(std::string& log, int key) {
        e2e::PressKey(v, key);
        ASSERT_TRUE(e2e::Sync(v));
        log += e2e::Title(v.window) + " " + StatusOf(v.window) + "\n";
    }
    // The shown picture is kept for a step back only while it is the file's
    // picture as loaded: p01 turned before the step, then p01 replaced on
    // disk while p02 is shown. (p01 is first reached by a step, so that it
    // goes by its name in the list, as every stepped-to picture does.)
    std::string StepsBackOverEditsAndChanges(bool preload) {
        std::string log;
        RestorePictures();
        WriteIni(std::string("[Viewing]\nPreload=") + (preload ? "1" : "0") + "\n");
        StartAt(1);
        WaitDecoded(preload, 1);     // p02
        Press(log, VK_SPACE);        // p02
        WaitDecoded(preload, 3);     // p03, p01
        Press(log, VK_BACK);         // p01
        e2e::SendCommand(v, 40041);  // rotate left
        Press(log, VK_SPACE);        // p02, kept when the step back left it
        WaitDecoded(preload, 5);     // p03, and p01 again: the turned picture is not the file's
        Press(log, VK_BACK);         // p01 as the file holds it
        Press(log, VK_SPACE);        // p02
        CopyFileA(Path(PictureName(7)).c_str(), Path("p01.png").c_str(), FALSE);
        Press(log, VK_BACK);         // the new p01, although the old one was kept
        e2e::Stop(v);
        return log;
    }
    uintptr_t Cancelled() const { return uintptr_t(GetPropA(v.window, "Lumagrove.CancelledAhead")); }
    // A 24-megapixel JPEG after p02 is being decoded ahead when the user
    // turns back: its decode stops, p01 is read at once, and stepping on
    // shows each picture whole.
    std::string TurnBackWhileDecoding(bool preload) {
        std::string log;
        EXPECT_TRUE(CopyFileA((DataDir() + "\\big.jpg").c_str(), Path("p02b.jpg").c_str(), FALSE));
        WriteIni(std::string("[Viewing]\nPreload=") + (preload ? "1" : "0") + "\n");
        StartAt(2);  // the worker starts on p02b.jpg
        Press(log, VK_BACK);
        if (preload)
            EXPECT_TRUE(e2e::WaitUntil([&] { return Cancelled() >= 1; })) << "no decode was stopped";
        Press(log, VK_SPACE);
        Press(log, VK_SPACE);  // p02b.jpg, decoded again
        Press(log, VK_SPACE);
        Press(log, VK_BACK);
        EXPECT_EQ(e2e::FindMessageBox(v, 0), nullptr);
        e2e::Stop(v);
        return log;
    }
    // p02 corrupt from the start; p03 replaced by p07 and p04 deleted once
    // they were decoded ahead.
    std::string BadFilesAhead(bool preload) {
        std::string log;
        RestorePictures();
        std::ofstream(Path("p02.png"), std::ios::binary) << std::string("\x89PNG\r\n\x1a\n", 8) << std::string(40, 'x');
        WriteIni(std::string("[Viewing]\nPreload=") + (preload ? "1" : "0") + "\n");
        StartAt(1);
        WaitDecoded(preload, 1);  // p02
        Step(log);                // onto the corrupt p02
        WaitDecoded(preload, 3);  // p03, p01 (started by its path, not its name in the list: not kept)
        CopyFileA(Path(PictureName(7)).c_str(), Path("p03.png").c_str(), FALSE);
        Step(log);                // p03, changed
        WaitDecoded(preload, 5);  // p04, p02
        DeleteFileA(Path("p04.png").c_str());
        Step(log);                // p04, gone
        Step(log);
        e2e::Stop(v);
        return log;
    }
};

TEST_F(DecodeAhead, BadFilesAheadShowWhatADirectLoadShows) {
    const std::string ahead = BadFilesAhead(true);
    const std::string direct = BadFilesAhead(false);
    EXPECT_EQ(ahead, direct);
    EXPECT_NE(ahead.find("[p02.png : PNG"), std::string::npos) << ahead;
    EXPECT_NE(ahead.find("Lumagrove - p03.png (27x17x24BPP) 3/12"), std::string::npos) << ahead;
    EXPECT_NE(ahead.find("[p04.png : "), std::string::npos) << ahead;
}

TEST_F(DecodeAhead, StepBackShowsTheFileNotAnEditNorAnOldCopy) {
    const std::string ahead = StepsBackOverEditsAndChanges(true);
    const std::string direct = StepsBackOverEditsAndChanges(false);
    EXPECT_EQ(ahead, direct);
    const std::string p01 = TitleOf(1) + " 1/12\n", p02 = TitleOf(2) + " 2/12\n";
    EXPECT_EQ(ahead, p02 + p01 + p02 + p01 + p02 + "Lumagrove - p01.png (27x17x24BPP) 1/12\n");
}

TEST_F(DecodeAhead, TurningBackStopsTheDecodeAheadAndShowsEachPictureWhole) {
    const std::string ahead = TurnBackWhileDecoding(true);
    const std::string direct = TurnBackWhileDecoding(false);
    EXPECT_EQ(ahead, direct);
    auto at = [](int i, const std::string& title) { return title + " " + std::to_string(i) + "/13\n"; };
    const std::string big = at(3, "Lumagrove - p02b.jpg (6000x4000x24BPP)");
    EXPECT_EQ(ahead, at(1, TitleOf(1)) + at(2, TitleOf(2)) + big + at(4, TitleOf(3)) + big);
}

// Fifty steps posted at once, forward then back: the viewer ends on the
// right picture, answering, with no message box in between.
TEST_F(DecodeAhead, RapidStepsEndOnTheRightPicture) {
    WriteIni("[Others]\nNotNotifyLoopDir=1\n");
    ASSERT_NO_FATAL_FAILURE(StartAt(1));
    for (int i = 0; i < 50; ++i) e2e::PressKey(v, VK_SPACE);
    ExpectAt(3);  // 50 = 4 x 12 + 2
    for (int i = 0; i < 25; ++i) e2e::PressKey(v, VK_BACK);
    ExpectAt(2);  // 3 - 25 = 2 - 2 x 12
    EXPECT_EQ(e2e::FindMessageBox(v, 0), nullptr);
}

class Slideshow : public Files {
protected:
    HWND Begin(const std::string& ini) {
        WriteIni(ini);
        Spill(Path("show.lst"), Path("p01.png") + "\n" + Path("p02.png") + "\n\n" + Path("p03.png"));
        if (!e2e::Start(Exe(), "/slideshow=" + Path("show.lst"), dir, v)) return nullptr;
        HWND show = nullptr;
        e2e::WaitUntil([&] { return (show = FindWindowA("SlideshowClass", nullptr)) != nullptr; });
        return show;
    }
};

TEST_F(Slideshow, AdvancesOnItsOwnAndStopsAtTheEnd) {
    // Each picture stays for the delay after it is painted: long enough for
    // the polling to see it on a loaded machine.
    HWND show = Begin("[Slideshow]\nAdvancement=1\nAutoDelay=1.5\nLoop=0\nShowFilename=0\n");
    ASSERT_NE(show, nullptr) << "no slideshow window";
    EXPECT_TRUE(ShowsPictureNumber(show, 1));
    EXPECT_TRUE(ShowsPictureNumber(show, 2));
    ASSERT_TRUE(ShowsPictureNumber(show, 3));
    // Without Loop the show stops on the last picture. Pause and resume
    // take the step the timer takes, at once: once the show has handled
    // both keys and painted what they asked for, the last picture is up.
    PostMessageA(show, WM_KEYDOWN, VK_PAUSE, 0);
    PostMessageA(show, WM_KEYDOWN, VK_SPACE, 0);  // while paused: resumes
    ASSERT_TRUE(e2e::Sync(v));
    ASSERT_TRUE(IsWindow(show)) << "a key while paused ended the show";
    ASSERT_TRUE(e2e::WaitPainted(v, show));
    EXPECT_TRUE(ShowsPictureNumber(show, 3, 0));
    PostMessageA(show, WM_KEYDOWN, VK_SPACE, 0);  // running again: any key ends a timed show
    EXPECT_TRUE(e2e::WaitGone(show, e2e::kStepMs)) << "the show stayed after a key";
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove");
}

TEST_F(Slideshow, StepsByKeyBothWays) {
    HWND show = Begin("[Slideshow]\nAdvancement=2\nLoop=1\nShowFilename=0\n");
    ASSERT_NE(show, nullptr) << "no slideshow window";
    EXPECT_TRUE(ShowsPictureNumber(show, 1));
    PostMessageA(show, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_TRUE(ShowsPictureNumber(show, 2));
    PostMessageA(show, WM_KEYDOWN, VK_BACK, 0);
    EXPECT_TRUE(ShowsPictureNumber(show, 1));
    PostMessageA(show, WM_KEYDOWN, VK_BACK, 0);  // looping back to the last
    EXPECT_TRUE(ShowsPictureNumber(show, 3));
    PostMessageA(show, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(e2e::WaitGone(show, e2e::kStepMs)) << "the show stayed after Escape";
}

}  // namespace
