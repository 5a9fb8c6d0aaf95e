// End-to-end: walking through a directory, the file operations, batch
// conversion and the slideshow, with the files checked on disk.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "driver.h"

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

std::string WinPath(std::string p) {
    if (!p.empty() && p[0] == '/') p = "Z:" + p;
    for (char& c : p)
        if (c == '/') c = '\\';
    return p;
}

std::string Exe() { return WinPath(Env("LUMAGROVE_EXE")); }
std::string WalkDir() { return WinPath(Env("LUMAGROVE_E2E_DATA")) + "\\walk"; }
std::string IniPath() { return e2e::WindowsDirectory() + "\\LUMAGR32.INI"; }

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
    void WriteIni(const std::string& text) { std::ofstream(IniPath(), std::ios::binary) << text; }
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
    ExpectAt(12, 12);
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

}  // namespace
