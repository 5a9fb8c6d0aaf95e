// End-to-end: the real LUMAGR32.EXE under Wine, driven from outside.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "driver.h"
#include "e2e_support.h"

#include <commctrl.h>
#include "formats/bmp.h"
#include "settings/ini.h"

namespace {

using Viewer = ViewerTest;


// Every pixel of the client area's top-left corner, below the toolbar,
// equals the picture.
void ExpectShows(const e2e::Capture& cap, const lg::Image& img, int top) {
    ASSERT_GE(cap.width, img.width());
    ASSERT_GE(cap.height, img.height() + top);
    int mismatches = 0;
    for (int y = 0; y < img.height(); ++y) {
        const uint8_t* row = img.topRow(y);
        for (int x = 0; x < img.width(); ++x) {
            uint8_t b, g, r;
            if (img.bitCount() == 24) {
                b = row[3 * x]; g = row[3 * x + 1]; r = row[3 * x + 2];
            } else {  // 8 bits
                const uint8_t* e = img.palette() + 4 * row[x];
                b = e[0]; g = e[1]; r = e[2];
            }
            const uint8_t* c = cap.at(x, y + top);
            if (c[0] != b || c[1] != g || c[2] != r) ++mismatches;
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST_F(Viewer, ShowsBmpWithTitleAndSavesPositionOnEsc) {
    WriteIni("[WinPosition]\nxKoord=40\nyKoord=30\n");
    ASSERT_TRUE(e2e::Start(Exe(), DataDir() + "\\gradient24.bmp", DataDir(), v));
    e2e::Settle(v, 500);
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove - gradient24.bmp (64x48x24BPP)");
    RECT r = e2e::WindowRect(v.window);
    EXPECT_EQ(r.left, 40);
    EXPECT_EQ(r.top, 30);

    lg::Status st;
    lg::Image img = lg::ReadBmp(DataDir() + "\\gradient24.bmp", st);
    ASSERT_TRUE(img) << st.error;
    e2e::Capture cap;
    ASSERT_TRUE(e2e::CaptureClient(v.window, cap));
    ExpectShows(cap, img, PictureTop(v.window));

    SetWindowPos(v.window, nullptr, 70, 55, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    e2e::Settle(v);
    e2e::PressKey(v, VK_ESCAPE);
    DWORD code = 99;
    ASSERT_TRUE(e2e::WaitForExit(v, 10000, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(lg::ini::ReadInt(IniPath(), "WinPosition", "xKoord", -1), 70);
    EXPECT_EQ(lg::ini::ReadInt(IniPath(), "winposition", "YKOORD", -1), 55);
}

TEST_F(Viewer, ShowsPaletteBmp) {
    ASSERT_TRUE(e2e::Start(Exe(), DataDir() + "\\palette8.bmp", DataDir(), v));
    e2e::Settle(v, 500);
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove - palette8.bmp (40x30x8BPP)");
    lg::Status st;
    lg::Image img = lg::ReadBmp(DataDir() + "\\palette8.bmp", st);
    ASSERT_TRUE(img) << st.error;
    e2e::Capture cap;
    ASSERT_TRUE(e2e::CaptureClient(v.window, cap));
    ExpectShows(cap, img, PictureTop(v.window));
}

TEST_F(Viewer, RememberWinPosOffWritesNothing) {
    WriteIni("[Viewing]\nRememberWinPos=0\n");
    ASSERT_TRUE(e2e::Start(Exe(), DataDir() + "\\gradient24.bmp", DataDir(), v));
    e2e::PressKey(v, VK_ESCAPE);
    ASSERT_TRUE(e2e::WaitForExit(v, 10000));
    EXPECT_EQ(lg::ini::ReadInt(IniPath(), "WinPosition", "xKoord", -1), -1);
}

TEST_F(Viewer, PositionBeyondScreenStartsAtZero) {
    WriteIni("[WinPosition]\nxKoord=50000\nyKoord=-20\n");
    ASSERT_TRUE(e2e::Start(Exe(), "", DataDir(), v));
    RECT r = e2e::WindowRect(v.window);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);  // above the work area: moved onto its edge
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove");
    EXPECT_EQ(r.right - r.left, 435);
}

TEST_F(Viewer, MissingFileIsReportedAndWindowStaysEmpty) {
    ASSERT_TRUE(e2e::Start(Exe(), DataDir() + "\\no-such-file.bmp", DataDir(), v));
    HWND box = e2e::FindMessageBox(v, 10000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(e2e::MessageBoxText(box), "no-such-file.bmp : Can't read file header !\n\nUnsupported file type !");
    EXPECT_EQ(e2e::Title(box), "Lumagrove");
    e2e::AnswerMessageBox(box, IDOK);
    e2e::Settle(v);
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove");
}

TEST_F(Viewer, TitleAndPositionFromTheCommandLine) {
    WriteIni("[WinPosition]\nxKoord=300\nyKoord=200\n");
    ASSERT_TRUE(e2e::Start(Exe(), DataDir() + "\\gradient24.bmp /pos=(100,50) /title=Holiday", DataDir(), v));
    e2e::Settle(v, 500);
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove - Holiday");
    RECT r = e2e::WindowRect(v.window);
    EXPECT_EQ(r.left, 100);
    EXPECT_EQ(r.top, 50);
    // The position is not stored for the option, only on exit as usual.
    EXPECT_EQ(lg::ini::ReadInt(IniPath(), "WinPosition", "xKoord", -1), 300);
}

TEST_F(Viewer, OneClosesTheRunningCopy) {
    ASSERT_TRUE(e2e::Start(Exe(), DataDir() + "\\gradient24.bmp", DataDir(), v));
    SetWindowPos(v.window, nullptr, 120, 80, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    e2e::Settle(v);
    e2e::Viewer second;
    ASSERT_TRUE(e2e::Start(Exe(), DataDir() + "\\palette8.bmp /one", DataDir(), second));
    DWORD code = 99;
    EXPECT_TRUE(e2e::WaitForExit(v, 10000, &code)) << "the first copy should have ended";
    EXPECT_EQ(code, 0u);
    // The closed copy saved its position as it went.
    EXPECT_EQ(lg::ini::ReadInt(IniPath(), "WinPosition", "xKoord", -1), 120);
    EXPECT_EQ(e2e::Title(second.window), "Lumagrove - palette8.bmp (40x30x8BPP)");
    e2e::Stop(second);
}

// A copy-data request with identifier 1: the picture comes back on the clipboard.
TEST_F(Viewer, HiddenServicePutsThePictureOnTheClipboard) {
    ASSERT_TRUE(e2e::Start(Exe(), "/hidden", DataDir(), v));
    EXPECT_FALSE(IsWindowVisible(v.window));
    std::string path = DataDir() + "\\palette8.bmp";
    COPYDATASTRUCT cds = {1, DWORD(path.size() + 1), const_cast<char*>(path.c_str())};
    DWORD_PTR reply = 99;
    ASSERT_TRUE(SendMessageTimeoutA(v.window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds), SMTO_BLOCK,
                                    20000, &reply));
    EXPECT_EQ(reply, 0u);
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE dib = GetClipboardData(CF_DIB);
    ASSERT_NE(dib, nullptr);
    const uint8_t* p = static_cast<const uint8_t*>(GlobalLock(dib));
    lg::Status st;
    lg::Image want = lg::ReadBmp(path, st);
    ASSERT_TRUE(want);
    ASSERT_GE(GlobalSize(dib), want.size());
    EXPECT_EQ(memcmp(p, want.data(), want.size()), 0);
    GlobalUnlock(dib);
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_PALETTE));
    CloseClipboard();

    // A file it can't load: the reason as text, reply 1.
    std::string bad = DataDir() + "\\missing.bmp";
    COPYDATASTRUCT cds2 = {1, DWORD(bad.size() + 1), const_cast<char*>(bad.c_str())};
    SendMessageTimeoutA(v.window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds2), SMTO_BLOCK, 20000, &reply);
    EXPECT_EQ(reply, 1u);
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE text = GetClipboardData(CF_TEXT);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::string(static_cast<const char*>(GlobalLock(text))),
              "Lumagrove - Error - Can't load: " + bad);
    GlobalUnlock(text);
    CloseClipboard();

    // An empty path ends the service.
    char empty[1] = {0};
    COPYDATASTRUCT end = {1, 1, empty};
    SendMessageTimeoutA(v.window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&end), SMTO_BLOCK, 5000, &reply);
    EXPECT_TRUE(e2e::WaitForExit(v, 10000));
}

TEST_F(Viewer, PictureCommandOnEmptyWindowSaysNoPicture) {
    ASSERT_TRUE(e2e::Start(Exe(), "", DataDir(), v));
    e2e::SendCommand(v, 40068);  // Negative
    HWND box = e2e::FindMessageBox(v, 10000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(e2e::MessageBoxText(box), "No picture !");
    e2e::AnswerMessageBox(box, IDOK);
}

TEST_F(Viewer, IncreaseDepthThenUndo) {
    ASSERT_TRUE(e2e::Start(Exe(), DataDir() + "\\palette8.bmp", DataDir(), v));
    e2e::SendCommand(v, 40095);
    e2e::Settle(v);
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove - palette8.bmp (40x30x24BPP)");
    lg::Status st;
    lg::Image img = lg::ReadBmp(DataDir() + "\\palette8.bmp", st);
    e2e::Capture cap;
    ASSERT_TRUE(e2e::CaptureClient(v.window, cap));
    ExpectShows(cap, img, PictureTop(v.window));  // the same colours at 24 bits
    e2e::SendCommand(v, 40120);
    e2e::Settle(v);
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove - palette8.bmp (40x30x8BPP)");
}

TEST_F(Viewer, DroppedFilesShowTheFirst) {
    ASSERT_TRUE(e2e::Start(Exe(), DataDir() + "\\palette8.bmp", DataDir(), v));
    e2e::DropFiles(v, {DataDir() + "\\gradient24.bmp", DataDir() + "\\palette8.bmp"});
    e2e::Settle(v, 500);
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove - gradient24.bmp (64x48x24BPP)");
}

TEST_F(Viewer, ZoomStepsTitlesAndLimits) {
    WriteIni("[Viewing]\nZoomFactor=50\n");
    ASSERT_TRUE(e2e::Start(Exe(), DataDir() + "\\gradient24.bmp", DataDir(), v));
    e2e::SendCommand(v, 40047);
    e2e::Settle(v);
    EXPECT_EQ(e2e::Title(v.window), "gradient24.bmp - 150 % (96x72)");
    e2e::Capture cap;
    ASSERT_TRUE(e2e::CaptureClient(v.window, cap));
    EXPECT_GE(cap.width, 96);
    EXPECT_GE(cap.height, 72);
    e2e::SendCommand(v, 40048);
    e2e::SendCommand(v, 40048);
    e2e::Settle(v);
    EXPECT_EQ(e2e::Title(v.window), "gradient24.bmp - 50 % (32x24)");
    e2e::SendCommand(v, 40048);  // 0 % would be below the minimum
    HWND box = e2e::FindMessageBox(v, 10000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(e2e::MessageBoxText(box), "This is the minimum !");
    e2e::AnswerMessageBox(box, IDOK);
    e2e::Settle(v);
    // Rotations are refused while zoomed.
    e2e::SendCommand(v, 40042);
    box = e2e::FindMessageBox(v, 10000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(e2e::MessageBoxText(box), "Not available if ZOOM active !");
    e2e::AnswerMessageBox(box, IDOK);
}

// The full-screen window of the viewer's process, if one is up.
HWND FullScreenWindow(const e2e::Viewer& v) {
    HWND w = FindWindowA("FullViewClass", nullptr);
    DWORD pid = 0;
    if (w) GetWindowThreadProcessId(w, &pid);
    return pid == v.process.dwProcessId ? w : nullptr;
}

TEST_F(Viewer, FullScreenCentresAndClosesOnAnotherKey) {
    WriteIni("[Viewing]\nShowFullScreen=1\nShowFullScreenName=0\n");
    ASSERT_TRUE(e2e::Start(Exe(), DataDir() + "\\gradient24.bmp", DataDir(), v));
    e2e::PressKey(v, VK_RETURN);
    e2e::Settle(v, 500);
    HWND full = FullScreenWindow(v);
    ASSERT_NE(full, nullptr);
    e2e::Capture cap;
    ASSERT_TRUE(e2e::CaptureClient(full, cap));
    ASSERT_EQ(cap.width, GetSystemMetrics(SM_CXSCREEN));
    // A small picture stays at its size, centred on black.
    lg::Status st;
    lg::Image img = lg::ReadBmp(DataDir() + "\\gradient24.bmp", st);
    int left = (cap.width - 64) / 2, top = (cap.height - 48) / 2;
    const uint8_t* corner = cap.at(0, 0);
    EXPECT_EQ(corner[0] + corner[1] + corner[2], 0);
    for (int y : {0, 20, 47})
        for (int x : {0, 31, 63}) {
            const uint8_t* want = img.topRow(y) + 3 * x;
            const uint8_t* got = cap.at(left + x, top + y);
            EXPECT_EQ(got[0], want[0]);
            EXPECT_EQ(got[2], want[2]);
        }
    e2e::PressKey(v, 'Q');  // not a hotkey: closes full screen, not the program
    for (int i = 0; i < 60 && FullScreenWindow(v); ++i) e2e::Settle(v, 50);
    EXPECT_EQ(FullScreenWindow(v), nullptr);
    EXPECT_EQ(WaitForSingleObject(v.process.hProcess, 0), DWORD(WAIT_TIMEOUT));
}

TEST_F(Viewer, FullScreenAtStartWithFs) {
    ASSERT_TRUE(e2e::Start(Exe(), DataDir() + "\\gradient24.bmp /fs", DataDir(), v));
    e2e::Settle(v, 800);
    EXPECT_NE(FullScreenWindow(v), nullptr);
}

TEST_F(Viewer, InformationDialogShowsThePictureFacts) {
    ASSERT_TRUE(e2e::Start(Exe(), DataDir() + "\\gradient24.bmp", DataDir(), v));
    e2e::SendCommand(v, 40051);
    HWND dlg = e2e::FindMessageBox(v, 10000);  // any dialog of the process
    ASSERT_NE(dlg, nullptr);
    e2e::Settle(v);
    EXPECT_EQ(e2e::Title(GetDlgItem(dlg, 1124)), "gradient24.bmp");
    EXPECT_EQ(e2e::Title(GetDlgItem(dlg, 1131)), "None");
    EXPECT_EQ(e2e::Title(GetDlgItem(dlg, 1126)), "64 x 48  Pixels");
    EXPECT_EQ(e2e::Title(GetDlgItem(dlg, 1127)), "16,7 Million   (24 BitsPerPixel)");
    EXPECT_EQ(e2e::Title(GetDlgItem(dlg, 1129)), "9216  Bytes");
    EXPECT_EQ(e2e::Title(GetDlgItem(dlg, 1128)), "9270  Bytes");
    e2e::AnswerMessageBox(dlg, IDOK);
    EXPECT_FALSE(IsWindow(dlg));
}

TEST_F(Viewer, RotateRightTurnsTheShownPicture) {
    ASSERT_TRUE(e2e::Start(Exe(), DataDir() + "\\gradient24.bmp", DataDir(), v));
    e2e::SendCommand(v, 40042);
    e2e::Settle(v, 400);
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove - gradient24.bmp (48x64x24BPP)");
    lg::Status st;
    lg::Image img = lg::ReadBmp(DataDir() + "\\gradient24.bmp", st);
    e2e::Capture cap;
    ASSERT_TRUE(e2e::CaptureClient(v.window, cap));
    // Turned clockwise: the new top-left pixel was the bottom-left one.
    const uint8_t* want = img.topRow(47);
    const int top = PictureTop(v.window);
    EXPECT_EQ(cap.at(0, top)[0], want[0]);
    EXPECT_EQ(cap.at(0, top)[2], want[2]);
    const uint8_t* want2 = img.topRow(0) + 3 * 63;  // old top-right ends bottom-right
    EXPECT_EQ(cap.at(47, top + 63)[2], want2[2]);
}

TEST_F(Viewer, ToolbarFollowsTheRulesAndCanBeHidden) {
    ASSERT_TRUE(e2e::Start(Exe(), "", DataDir(), v));
    HWND bar = FindWindowExA(v.window, nullptr, "ToolbarWindow32", nullptr);
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(IsWindowVisible(bar));
    auto enabled = [&](int id) { return SendMessageA(bar, TB_ISBUTTONENABLED, WPARAM(id), 0) != 0; };
    EXPECT_TRUE(enabled(40001));   // Open
    EXPECT_FALSE(enabled(40011));  // Save as: no picture
    EXPECT_FALSE(enabled(40047));  // Zoom in
    e2e::DropFiles(v, {DataDir() + "\\gradient24.bmp"});
    e2e::Settle(v, 500);
    EXPECT_TRUE(enabled(40011));
    EXPECT_TRUE(enabled(40047));
    EXPECT_FALSE(enabled(40121));  // Cut: no selection
    e2e::SendCommand(v, 40123);
    e2e::Settle(v);
    EXPECT_FALSE(IsWindowVisible(bar));
    EXPECT_EQ(lg::ini::ReadInt(IniPath(), "ToolBar", "Active", -1), 0);
    e2e::Capture cap;
    ASSERT_TRUE(e2e::CaptureClient(v.window, cap));
    lg::Status st;
    ExpectShows(cap, lg::ReadBmp(DataDir() + "\\gradient24.bmp", st), 0);
}

TEST_F(Viewer, DraggedSelectionShowsInTheTitleAndCrops) {
    ASSERT_TRUE(e2e::Start(Exe(), DataDir() + "\\gradient24.bmp", DataDir(), v));
    e2e::Settle(v);
    const int top = PictureTop(v.window);
    PostMessageA(v.window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, top + 5));
    PostMessageA(v.window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(25, top + 20));
    e2e::Settle(v);
    EXPECT_EQ(e2e::Title(v.window), "XY:(25,20) (20x15 pixels)");
    PostMessageA(v.window, WM_LBUTTONUP, 0, MAKELPARAM(25, top + 20));
    e2e::Settle(v);
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove - gradient24.bmp (64x48x24BPP)");
    e2e::SendCommand(v, 40122);
    e2e::Settle(v);
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove - gradient24.bmp (20x15x24BPP)");
    // The crop holds what was inside the rectangle: its top-left is (5,5).
    lg::Status st;
    lg::Image img = lg::ReadBmp(DataDir() + "\\gradient24.bmp", st);
    e2e::Capture cap;
    ASSERT_TRUE(e2e::CaptureClient(v.window, cap));
    const uint8_t* want = img.topRow(5) + 3 * 5;
    EXPECT_EQ(cap.at(0, PictureTop(v.window))[2], want[2]);
    EXPECT_EQ(cap.at(0, PictureTop(v.window))[0], want[0]);
}

TEST_F(Viewer, AnimatedGifPlaysAndStopsOnTheShownFrame) {
    ASSERT_TRUE(e2e::Start(Exe(), DataDir() + "\\anim.gif", DataDir(), v));
    e2e::Settle(v, 500);
    EXPECT_EQ(e2e::Title(v.window), "anim.gif - 3 frames");
    // The three frames are red, green and blue: over a second all show up.
    bool seen[3] = {false, false, false};
    for (int i = 0; i < 40; ++i) {
        e2e::Capture cap;
        if (e2e::CaptureClient(v.window, cap)) {
            const uint8_t* p = cap.at(10, PictureTop(v.window) + 10);
            if (p[2] > 200 && p[1] < 50) seen[0] = true;
            if (p[1] > 200 && p[2] < 50) seen[1] = true;
            if (p[0] > 200 && p[2] < 50) seen[2] = true;
        }
        Sleep(50);
    }
    EXPECT_TRUE(seen[0] && seen[1] && seen[2]);
    e2e::SendCommand(v, 40072);
    e2e::Settle(v, 300);
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove - anim.gif (30x20x24BPP)");
}

TEST(Convert, FailureEndsWithStatusOne) {
    e2e::Viewer v;
    std::string out = DataDir() + "\\never.bmp";
    EXPECT_FALSE(e2e::Start(Exe(), DataDir() + "\\gradient24.bmp /c=" + DataDir() + "\\x.unknown", DataDir(), v,
                            15000));
    DWORD code = 99;
    ASSERT_TRUE(e2e::WaitForExit(v, 15000, &code));
    EXPECT_EQ(code, 1u);
    e2e::Stop(v);
}

TEST(Convert, WritesOutputWithoutWindow) {
    std::string out = DataDir() + "\\converted.bmp";
    DeleteFileA(out.c_str());
    e2e::Viewer v;
    // No window appears: Start reports false once the process has ended.
    EXPECT_FALSE(e2e::Start(Exe(), DataDir() + "\\gradient24.bmp /c=" + out, DataDir(), v, 15000));
    DWORD code = 99;
    ASSERT_TRUE(e2e::WaitForExit(v, 15000, &code));
    EXPECT_EQ(code, 0u);
    lg::Status a, b;
    lg::Image in = lg::ReadBmp(DataDir() + "\\gradient24.bmp", a), conv = lg::ReadBmp(out, b);
    ASSERT_TRUE(in && conv) << b.error;
    ASSERT_EQ(in.pixelBytes(), conv.pixelBytes());
    EXPECT_EQ(memcmp(in.pixels(), conv.pixels(), in.pixelBytes()), 0);
    e2e::Stop(v);
}

}  // namespace
