// End-to-end: the real LUMAGR32.EXE under Wine, driven from outside.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "dialog_driver.h"
#include "driver.h"
#include "e2e_support.h"
#include "shown.h"

namespace {

using Viewer = ViewerTest;

int IniInt(const char* section, const char* key) {
    return int(GetPrivateProfileIntA(section, key, -1, IniPath().c_str()));
}

// ImageMagick's view of the two BMPs the viewer is started on.
RgbPicture Gradient() { return ReadRgb(DataDir() + "\\gradient24.rgb", 64, 48); }
RgbPicture Palette8() { return ReadRgb(DataDir() + "\\palette8.rgb", 40, 30); }

TEST_F(Viewer, ShowsBmpWithTitleAndSavesPositionOnEsc) {
    WriteIni("[WinPosition]\nxKoord=40\nyKoord=30\n");
    ASSERT_TRUE(e2e::Start(Exe(), DataDir() + "\\gradient24.bmp", DataDir(), v));
    ASSERT_TRUE(e2e::Sync(v)) << "the viewer did not reach its message loop";
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove - gradient24.bmp (64x48x24BPP)");
    RECT r = e2e::WindowRect(v.window);
    EXPECT_EQ(r.left, 40);
    EXPECT_EQ(r.top, 30);
    EXPECT_TRUE(ShowsPicture(v.window, Gradient(), 0, PictureTop(v.window)));

    SetWindowPos(v.window, nullptr, 70, 55, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ASSERT_TRUE(e2e::Sync(v));
    e2e::PressKey(v, VK_ESCAPE);
    DWORD code = 99;
    ASSERT_TRUE(e2e::WaitForExit(v, e2e::kStepMs, &code)) << "Esc did not end the viewer";
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(IniInt("WinPosition", "xKoord"), 70);
    EXPECT_EQ(IniInt("winposition", "YKOORD"), 55);
}

TEST_F(Viewer, ShowsPaletteBmp) {
    ASSERT_TRUE(e2e::Start(Exe(), DataDir() + "\\palette8.bmp", DataDir(), v));
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove - palette8.bmp (40x30x8BPP)");
    EXPECT_TRUE(ShowsPicture(v.window, Palette8(), 0, PictureTop(v.window)));
}

TEST_F(Viewer, RememberWinPosOffWritesNothing) {
    WriteIni("[Viewing]\nRememberWinPos=0\n");
    ASSERT_TRUE(e2e::Start(Exe(), DataDir() + "\\gradient24.bmp", DataDir(), v));
    e2e::PressKey(v, VK_ESCAPE);
    ASSERT_TRUE(e2e::WaitForExit(v, e2e::kStepMs)) << "Esc did not end the viewer";
    EXPECT_EQ(IniInt("WinPosition", "xKoord"), -1);
}

TEST_F(Viewer, PositionBeyondScreenStartsAtZero) {
    WriteIni("[WinPosition]\nxKoord=50000\nyKoord=-20\n");
    ASSERT_TRUE(e2e::Start(Exe(), "", DataDir(), v));
    ASSERT_TRUE(e2e::Sync(v));
    RECT r = e2e::WindowRect(v.window);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);  // above the work area: moved onto its edge
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove");
    EXPECT_EQ(r.right - r.left, 435);
}

TEST_F(Viewer, MissingFileIsReportedAndWindowStaysEmpty) {
    ASSERT_TRUE(e2e::Start(Exe(), DataDir() + "\\no-such-file.bmp", DataDir(), v));
    HWND box = e2e::FindMessageBox(v, e2e::kStepMs);
    ASSERT_NE(box, nullptr) << "no message box about the missing file";
    EXPECT_EQ(e2e::MessageBoxText(box), "no-such-file.bmp : Can't read file header !\n\nUnsupported file type !");
    EXPECT_EQ(e2e::Title(box), "Lumagrove");
    ASSERT_TRUE(e2e::AnswerMessageBox(box, IDOK)) << "the message box stayed";
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove");
}

TEST_F(Viewer, TitleAndPositionFromTheCommandLine) {
    WriteIni("[WinPosition]\nxKoord=300\nyKoord=200\n");
    ASSERT_TRUE(e2e::Start(Exe(), DataDir() + "\\gradient24.bmp /pos=(100,50) /title=Holiday", DataDir(), v));
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove - Holiday");
    RECT r = e2e::WindowRect(v.window);
    EXPECT_EQ(r.left, 100);
    EXPECT_EQ(r.top, 50);
    // The position is not stored for the option, only on exit as usual.
    EXPECT_EQ(IniInt("WinPosition", "xKoord"), 300);
}

TEST_F(Viewer, OneClosesTheRunningCopy) {
    ASSERT_TRUE(e2e::Start(Exe(), DataDir() + "\\gradient24.bmp", DataDir(), v));
    SetWindowPos(v.window, nullptr, 120, 80, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ASSERT_TRUE(e2e::Sync(v));
    e2e::Viewer second;
    ASSERT_TRUE(e2e::Start(Exe(), DataDir() + "\\palette8.bmp /one", DataDir(), second));
    DWORD code = 99;
    EXPECT_TRUE(e2e::WaitForExit(v, e2e::kStepMs, &code)) << "the first copy should have ended";
    EXPECT_EQ(code, 0u);
    // The closed copy saved its position as it went.
    EXPECT_EQ(IniInt("WinPosition", "xKoord"), 120);
    EXPECT_TRUE(e2e::Sync(second));
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
                                    e2e::kStepMs, &reply));
    EXPECT_EQ(reply, 0u);
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE dib = GetClipboardData(CF_DIB);
    ASSERT_NE(dib, nullptr);
    const uint8_t* p = static_cast<const uint8_t*>(GlobalLock(dib));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(reinterpret_cast<const BITMAPINFOHEADER*>(p)->biBitCount, 8);  // as it is in the file
    EXPECT_TRUE(SamePicture(DecodeDib(p, GlobalSize(dib)), Palette8()));
    GlobalUnlock(dib);
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_PALETTE));
    CloseClipboard();

    // A file it can't load: the reason as text, reply 1.
    std::string bad = DataDir() + "\\missing.bmp";
    COPYDATASTRUCT cds2 = {1, DWORD(bad.size() + 1), const_cast<char*>(bad.c_str())};
    ASSERT_TRUE(SendMessageTimeoutA(v.window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds2), SMTO_BLOCK,
                                    e2e::kStepMs, &reply));
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
    EXPECT_TRUE(e2e::WaitForExit(v, e2e::kStepMs)) << "the service did not end";
}

TEST_F(Viewer, PictureCommandOnEmptyWindowSaysNoPicture) {
    ASSERT_TRUE(e2e::Start(Exe(), "", DataDir(), v));
    e2e::SendCommand(v, 40068);  // Negative
    HWND box = e2e::FindMessageBox(v, e2e::kStepMs);
    ASSERT_NE(box, nullptr) << "no message box for Negative without a picture";
    EXPECT_EQ(e2e::MessageBoxText(box), "No picture !");
    EXPECT_TRUE(e2e::AnswerMessageBox(box, IDOK)) << "the message box stayed";
}

TEST_F(Viewer, IncreaseDepthThenUndo) {
    ASSERT_TRUE(e2e::Start(Exe(), DataDir() + "\\palette8.bmp", DataDir(), v));
    e2e::SendCommand(v, 40095);
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove - palette8.bmp (40x30x24BPP)");
    EXPECT_TRUE(ShowsPicture(v.window, Palette8(), 0, PictureTop(v.window)));  // the same colours at 24 bits
    e2e::SendCommand(v, 40120);
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove - palette8.bmp (40x30x8BPP)");
}

TEST_F(Viewer, DroppedFilesShowTheFirst) {
    ASSERT_TRUE(e2e::Start(Exe(), DataDir() + "\\palette8.bmp", DataDir(), v));
    e2e::DropFiles(v, {DataDir() + "\\gradient24.bmp", DataDir() + "\\palette8.bmp"});
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove - gradient24.bmp (64x48x24BPP)");
    EXPECT_TRUE(ShowsPicture(v.window, Gradient(), 0, PictureTop(v.window)));
}

// blocks.bmp, made by ImageMagick: 220 x 36 in six flat blocks, columns
// 0-69, 70-149 and 150-219, rows 0-11 and 12-35. Here drawn from that layout
// with every pixel a `scale` x `scale` square.
RgbPicture Blocks(int scale) {
    const Rgb top[3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    const Rgb bottom[3] = {{255, 255, 0}, {255, 0, 255}, {0, 255, 255}};
    return Drawn(220 * scale, 36 * scale, [&](int x, int y) {
        const int column = x / scale < 70 ? 0 : x / scale < 150 ? 1 : 2;
        return (y / scale < 12 ? top : bottom)[column];
    });
}

SIZE ClientSize(HWND w) {
    RECT r = {};
    GetClientRect(w, &r);
    return SIZE{r.right, r.bottom};
}

TEST_F(Viewer, ZoomShowsEveryPixelTwiceAsLargeInAWindowToMatch) {
    WriteIni("[Viewing]\nZoomFactor=100\n");
    ASSERT_TRUE(e2e::Start(Exe(), DataDir() + "\\blocks.bmp", DataDir(), v));
    ASSERT_TRUE(e2e::Sync(v));
    ASSERT_EQ(e2e::Title(v.window), "Lumagrove - blocks.bmp (220x36x24BPP)");
    const int top = PictureTop(v.window);
    EXPECT_TRUE(ShowsPicture(v.window, Blocks(1), 0, top));
    const RECT frame100 = e2e::WindowRect(v.window);
    const SIZE client100 = ClientSize(v.window);
    EXPECT_EQ(frame100.right - frame100.left, 435);  // a narrow picture gets the smallest window

    e2e::SendCommand(v, 40047);
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(e2e::Title(v.window), "blocks.bmp - 200 % (440x72)");
    // The block edges move to columns 140 and 300 and to row 24.
    EXPECT_TRUE(ShowsPicture(v.window, Blocks(2), 0, top));
    const RECT frame200 = e2e::WindowRect(v.window);
    const SIZE client200 = ClientSize(v.window);
    EXPECT_EQ(frame200.left, frame100.left);
    EXPECT_EQ(frame200.top, frame100.top);
    // The picture grew by 36 rows and the window with it; the 440 columns
    // are wider than the smallest window, so it takes them and no more than
    // a column of margin.
    EXPECT_EQ(client200.cy - client100.cy, 36);
    EXPECT_GE(client200.cx, 440);
    EXPECT_LE(client200.cx, 441);
    EXPECT_EQ((frame200.right - frame200.left) - client200.cx, (frame100.right - frame100.left) - client100.cx);
    EXPECT_EQ((frame200.bottom - frame200.top) - client200.cy, (frame100.bottom - frame100.top) - client100.cy);

    e2e::SendCommand(v, 40048);
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove - blocks.bmp (220x36x24BPP)");
    EXPECT_TRUE(ShowsPicture(v.window, Blocks(1), 0, top));
    EXPECT_EQ(ClientSize(v.window).cx, client100.cx);
    EXPECT_EQ(ClientSize(v.window).cy, client100.cy);
}

// The colour at (x, y) of the picture area, read from the screen.
Rgb ShownAt(HWND w, int x, int y) {
    e2e::Capture cap;
    if (!e2e::CaptureClientPart(w, x, PictureTop(w) + y, 1, 1, cap)) return Rgb{1, 2, 3};
    return At(cap, 0, 0);
}

bool WaitShownAt(HWND w, int x, int y, Rgb want) {
    return e2e::WaitUntil([&] { return ShownAt(w, x, y) == want; });
}

// Stepping between photos of one size keeps the window as it is laid out,
// but never a scrolled view or a size the user gave the window.
TEST_F(Viewer, SteppingBetweenPhotosOfOneSizeShowsEachFromItsCorner) {
    const Rgb a{0xe0, 0x40, 0x20}, b{0x20, 0xc0, 0x40}, rest{0x30, 0x60, 0xa0};
    const std::string dir = DataDir() + "\\samesize";
    ASSERT_TRUE(e2e::Start(Exe(), dir + "\\a.png", dir, v));
    ASSERT_TRUE(e2e::Sync(v));
    ASSERT_EQ(e2e::Title(v.window), "Lumagrove - a.png (2000x1500x24BPP)");
    EXPECT_TRUE(WaitShownAt(v.window, 2, 2, a));
    const RECT laidOut = e2e::WindowRect(v.window);

    // Scrolled away from the corner, then on to the next photo.
    PostMessageA(v.window, WM_HSCROLL, SB_PAGERIGHT, 0);
    PostMessageA(v.window, WM_VSCROLL, SB_PAGEDOWN, 0);
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_TRUE(WaitShownAt(v.window, 2, 2, rest)) << "the view did not scroll";
    e2e::PressKey(v, VK_SPACE);
    ASSERT_TRUE(e2e::Sync(v));
    ASSERT_EQ(e2e::Title(v.window), "Lumagrove - b.png (2000x1500x24BPP)");
    EXPECT_TRUE(WaitShownAt(v.window, 2, 2, b)) << "the next photo is not shown from its corner";
    const RECT kept = e2e::WindowRect(v.window);
    EXPECT_TRUE(EqualRect(&laidOut, &kept));

    // The user makes the window smaller: the next step lays it out again.
    SetWindowPos(v.window, nullptr, 0, 0, 500, 400, SWP_NOMOVE | SWP_NOZORDER);
    ASSERT_TRUE(e2e::Sync(v));
    e2e::PressKey(v, VK_BACK);
    ASSERT_TRUE(e2e::Sync(v));
    ASSERT_EQ(e2e::Title(v.window), "Lumagrove - a.png (2000x1500x24BPP)");
    EXPECT_TRUE(WaitShownAt(v.window, 2, 2, a));
    const RECT again = e2e::WindowRect(v.window);
    EXPECT_TRUE(EqualRect(&laidOut, &again)) << "the window stayed " << again.right - again.left << "x"
                                             << again.bottom - again.top;
}

TEST_F(Viewer, ZoomStepsTitlesAndLimits) {
    WriteIni("[Viewing]\nZoomFactor=50\n");
    ASSERT_TRUE(e2e::Start(Exe(), DataDir() + "\\gradient24.bmp", DataDir(), v));
    e2e::SendCommand(v, 40047);
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(e2e::Title(v.window), "gradient24.bmp - 150 % (96x72)");
    e2e::SendCommand(v, 40048);
    e2e::SendCommand(v, 40048);
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(e2e::Title(v.window), "gradient24.bmp - 50 % (32x24)");
    e2e::SendCommand(v, 40048);  // 0 % would be below the minimum
    HWND box = e2e::FindMessageBox(v, e2e::kStepMs);
    ASSERT_NE(box, nullptr) << "no message box at the smallest zoom";
    EXPECT_EQ(e2e::MessageBoxText(box), "This is the minimum !");
    ASSERT_TRUE(e2e::AnswerMessageBox(box, IDOK)) << "the message box stayed";
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(e2e::Title(v.window), "gradient24.bmp - 50 % (32x24)");
    // Rotations are refused while zoomed.
    e2e::SendCommand(v, 40042);
    box = e2e::FindMessageBox(v, e2e::kStepMs);
    ASSERT_NE(box, nullptr) << "no message box for a rotation while zoomed";
    EXPECT_EQ(e2e::MessageBoxText(box), "Not available if ZOOM active !");
    EXPECT_TRUE(e2e::AnswerMessageBox(box, IDOK)) << "the message box stayed";
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
    HWND full = nullptr;
    ASSERT_TRUE(e2e::WaitUntil([&] { return (full = FullScreenWindow(v)) != nullptr; }))
        << "no full-screen window after Enter";
    e2e::Capture cap;
    ASSERT_TRUE(e2e::CaptureClient(full, cap));
    ASSERT_EQ(cap.width, GetSystemMetrics(SM_CXSCREEN));
    ASSERT_EQ(cap.height, GetSystemMetrics(SM_CYSCREEN));
    // A small picture stays at its size, centred on black.
    const int left = (cap.width - 64) / 2, top = (cap.height - 48) / 2;
    EXPECT_TRUE(ShowsPicture(full, Gradient(), left, top));
    EXPECT_TRUE(ShowsSpots(full, {{0, 0, {0, 0, 0}}, {left - 1, top, {0, 0, 0}}, {left + 64, top + 47, {0, 0, 0}},
                                  {left, top + 48, {0, 0, 0}}}));
    e2e::PressKey(v, 'Q');  // not a hotkey: closes full screen, not the program
    EXPECT_TRUE(e2e::WaitUntil([&] { return FullScreenWindow(v) == nullptr; })) << "Q left full screen up";
    EXPECT_TRUE(e2e::Sync(v)) << "the viewer ended or stopped answering after Q";
}

TEST_F(Viewer, FullScreenAtStartWithFs) {
    ASSERT_TRUE(e2e::Start(Exe(), DataDir() + "\\gradient24.bmp /fs", DataDir(), v));
    HWND full = nullptr;
    ASSERT_TRUE(e2e::WaitUntil([&] { return (full = FullScreenWindow(v)) != nullptr; }))
        << "no full-screen window with /fs";
    const int left = (GetSystemMetrics(SM_CXSCREEN) - 64) / 2, top = (GetSystemMetrics(SM_CYSCREEN) - 48) / 2;
    EXPECT_TRUE(ShowsPicture(full, Gradient(), left, top));
}

TEST_F(Viewer, InformationDialogShowsThePictureFacts) {
    ASSERT_TRUE(e2e::Start(Exe(), DataDir() + "\\gradient24.bmp", DataDir(), v));
    e2e::SendCommand(v, 40051);
    HWND dlg = e2e::FindDialog(v, "Image information", e2e::kStepMs);
    ASSERT_NE(dlg, nullptr) << "no Image information dialog";
    EXPECT_EQ(e2e::ControlText(dlg, 1124), "gradient24.bmp");
    EXPECT_EQ(e2e::ControlText(dlg, 1131), "None");
    EXPECT_EQ(e2e::ControlText(dlg, 1126), "64 x 48  Pixels");
    EXPECT_EQ(e2e::ControlText(dlg, 1127), "16,7 Million   (24 BitsPerPixel)");
    EXPECT_EQ(e2e::ControlText(dlg, 1129), "9216  Bytes");  // 64 x 48 x 3
    EXPECT_EQ(e2e::ControlText(dlg, 1128), "9270  Bytes");  // and the 54 bytes of headers
    EXPECT_TRUE(e2e::Click(dlg, IDOK));
    EXPECT_TRUE(e2e::WaitGone(dlg, e2e::kStepMs)) << "the dialog stayed after OK";
}

// A photo with Exif orientation 6 stands upright; its left (yellow) stripe
// is then at the top. The information dialog says what was done. With
// AutoRotate off it lies as stored.
TEST_F(Viewer, SidewaysPhotoIsShownUpright) {
    ASSERT_TRUE(e2e::Start(Exe(), DataDir() + "\\sideways.jpg", DataDir(), v));
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove - sideways.jpg (24x40x24BPP)");
    // JPEG colours are near, not exact.
    const int top = PictureTop(v.window);
    auto alike = [](const Rgb& got, int r, int g, int b) {
        return std::abs(got.r - r) < 24 && std::abs(got.g - g) < 24 && std::abs(got.b - b) < 24;
    };
    EXPECT_TRUE(e2e::WaitUntil([&] {
        e2e::Capture cap;
        return e2e::CaptureClient(v.window, cap) && alike(At(cap, 12, top + 4), 240, 240, 32) &&
               alike(At(cap, 12, top + 30), 32, 96, 192);
    })) << "the yellow stripe is not at the top";
    e2e::SendCommand(v, 40051);
    HWND dlg = e2e::FindDialog(v, "Image information", e2e::kStepMs);
    ASSERT_NE(dlg, nullptr) << "no Image information dialog";
    EXPECT_EQ(e2e::ControlText(dlg, 1243), "rotated 90 degrees clockwise (tag value 6)");
    EXPECT_TRUE(e2e::Click(dlg, IDOK));
    ASSERT_TRUE(e2e::WaitGone(dlg, e2e::kStepMs));
    e2e::Stop(v);

    WriteIni("[Viewing]\nAutoRotate=0\n");
    ASSERT_TRUE(e2e::Start(Exe(), DataDir() + "\\sideways.jpg", DataDir(), v));
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove - sideways.jpg (40x24x24BPP)");
}

TEST_F(Viewer, RotateRightTurnsTheShownPicture) {
    ASSERT_TRUE(e2e::Start(Exe(), DataDir() + "\\gradient24.bmp", DataDir(), v));
    e2e::SendCommand(v, 40042);
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove - gradient24.bmp (48x64x24BPP)");
    // Turned clockwise: row y of the new picture is column y of the old one,
    // read from the bottom up.
    const RgbPicture old = Gradient();
    ASSERT_TRUE(old);
    const RgbPicture turned = Drawn(48, 64, [&](int x, int y) { return old.at(y, 47 - x); });
    EXPECT_TRUE(ShowsPicture(v.window, turned, 0, PictureTop(v.window)));
}

TEST_F(Viewer, ToolbarFollowsTheRulesAndCanBeHidden) {
    ASSERT_TRUE(e2e::Start(Exe(), "", DataDir(), v));
    ASSERT_TRUE(e2e::Sync(v));
    HWND bar = FindWindowExA(v.window, nullptr, "ToolbarWindow32", nullptr);
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(IsWindowVisible(bar));
    auto enabled = [&](int id) { return SendMessageA(bar, TB_ISBUTTONENABLED, WPARAM(id), 0) != 0; };
    EXPECT_TRUE(enabled(40001));   // Open
    EXPECT_FALSE(enabled(40011));  // Save as: no picture
    EXPECT_FALSE(enabled(40047));  // Zoom in
    e2e::DropFiles(v, {DataDir() + "\\gradient24.bmp"});
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove - gradient24.bmp (64x48x24BPP)");
    EXPECT_TRUE(enabled(40011));
    EXPECT_TRUE(enabled(40047));
    EXPECT_FALSE(enabled(40121));  // Cut: no selection
    e2e::SendCommand(v, 40123);
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_FALSE(IsWindowVisible(bar));
    EXPECT_EQ(IniInt("ToolBar", "Active"), 0);
    EXPECT_TRUE(ShowsPicture(v.window, Gradient(), 0, 0));  // the picture moves up to the top
}

TEST_F(Viewer, DraggedSelectionShowsInTheTitleAndCrops) {
    ASSERT_TRUE(e2e::Start(Exe(), DataDir() + "\\gradient24.bmp", DataDir(), v));
    ASSERT_TRUE(e2e::Sync(v));
    const int top = PictureTop(v.window);
    PostMessageA(v.window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, top + 5));
    PostMessageA(v.window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(25, top + 20));
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(e2e::Title(v.window), "XY:(25,20) (20x15 pixels)");
    PostMessageA(v.window, WM_LBUTTONUP, 0, MAKELPARAM(25, top + 20));
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove - gradient24.bmp (64x48x24BPP)");
    e2e::SendCommand(v, 40122);
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove - gradient24.bmp (20x15x24BPP)");
    // The crop holds what was inside the rectangle: columns 5-24, rows 5-19.
    const RgbPicture old = Gradient();
    ASSERT_TRUE(old);
    const RgbPicture crop = Drawn(20, 15, [&](int x, int y) { return old.at(x + 5, y + 5); });
    EXPECT_TRUE(ShowsPicture(v.window, crop, 0, PictureTop(v.window)));
}

TEST_F(Viewer, AnimatedGifPlaysAndStopsOnTheShownFrame) {
    ASSERT_TRUE(e2e::Start(Exe(), DataDir() + "\\anim.gif", DataDir(), v));
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(e2e::Title(v.window), "anim.gif - 3 frames");
    // The three frames are red, green and blue: all of them show up in turn.
    bool seen[3] = {false, false, false};
    const bool all = e2e::WaitUntil([&] {
        e2e::Capture cap;
        if (e2e::CaptureClient(v.window, cap) && cap.height > PictureTop(v.window) + 10) {
            const Rgb c = At(cap, 10, PictureTop(v.window) + 10);
            if (c == Rgb{255, 0, 0}) seen[0] = true;
            if (c == Rgb{0, 255, 0}) seen[1] = true;
            if (c == Rgb{0, 0, 255}) seen[2] = true;
        }
        return seen[0] && seen[1] && seen[2];
    }, e2e::kStepMs, 20);
    EXPECT_TRUE(all) << "red " << seen[0] << ", green " << seen[1] << ", blue " << seen[2];
    // Opening the menu bar refreshes the toolbar: while the animation plays
    // its buttons follow the menu (zoom works on an animation) and the status
    // field keeps the file's place in the directory.
    DWORD_PTR ignored;
    ASSERT_TRUE(SendMessageTimeoutA(v.window, WM_INITMENU, 0, 0, SMTO_BLOCK, e2e::kStepMs, &ignored));
    HWND bar = FindWindowExA(v.window, nullptr, "ToolbarWindow32", nullptr);
    ASSERT_NE(bar, nullptr);
    EXPECT_NE(SendMessageA(bar, TB_ISBUTTONENABLED, WPARAM(40047), 0), 0);  // Zoom in
    EXPECT_EQ(SendMessageA(bar, TB_ISBUTTONENABLED, WPARAM(40011), 0), 0);  // Save as: no picture yet
    int at = 0, of = 0;
    const std::string status = StatusOf(v.window);
    EXPECT_EQ(std::sscanf(status.c_str(), "%d/%d", &at, &of), 2) << status;
    EXPECT_TRUE(at >= 1 && at <= of) << status;
    e2e::SendCommand(v, 40072);
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove - anim.gif (30x20x24BPP)");
}

TEST(Convert, FailureEndsWithStatusOne) {
    e2e::Viewer v;
    EXPECT_FALSE(e2e::Start(Exe(), DataDir() + "\\gradient24.bmp /c=" + DataDir() + "\\x.unknown", DataDir(), v,
                            15000));
    DWORD code = 99;
    ASSERT_TRUE(e2e::WaitForExit(v, e2e::kStepMs, &code));
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
    ASSERT_TRUE(e2e::WaitForExit(v, e2e::kStepMs, &code));
    EXPECT_EQ(code, 0u);
    e2e::Stop(v);
    EXPECT_TRUE(SamePicture(DecodeBmpFile(out), Gradient()));
}

}  // namespace
