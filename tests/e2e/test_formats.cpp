// End-to-end: icons, animated cursors, Photo CD overview paging and metafiles
// in the real LUMAGR32.EXE under Wine. The icons come from ImageMagick; the
// cursor is put together here from its icons, the metafile drawn through GDI.
#include <gtest/gtest.h>

#include <cstdlib>
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

using Bytes = std::vector<uint8_t>;

void Write(const std::string& path, const Bytes& b) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

Bytes Read(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

void Chunk(Bytes& out, const char* id, const Bytes& data) {
    out.insert(out.end(), id, id + 4);
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(data.size() >> (8 * i)));
    out.insert(out.end(), data.begin(), data.end());
    if (data.size() % 2) out.push_back(0);
}

Bytes Le32s(std::initializer_list<uint32_t> vs) {
    Bytes b;
    for (uint32_t v : vs)
        for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
    return b;
}

// Red, green and blue 40 x 30 icons shown in turn, each for `rate` sixtieths.
Bytes Cursor(uint32_t rate) {
    Bytes frames = {'f', 'r', 'a', 'm'};
    for (const char* colour : {"red", "lime", "blue"}) {
        const Bytes icon = Read(DataDir() + "\\frame-" + colour + ".ico");
        if (icon.size() < 22) return Bytes();
        Chunk(frames, "icon", icon);
    }
    Bytes body = {'A', 'C', 'O', 'N'};
    Chunk(body, "anih", Le32s({36, 3, 4, 40, 30, 24, 1, rate, 1}));
    Chunk(body, "seq ", Le32s({0, 1, 2, 1}));
    Chunk(body, "LIST", frames);
    Bytes riff;
    Chunk(riff, "RIFF", body);
    return riff;
}

// 0 red, 1 green, 2 blue, -1 anything else.
int ColourAt(const e2e::Capture& cap, int x, int y) {
    const uint8_t* p = cap.at(x, y);
    if (p[2] > 200 && p[1] < 60 && p[0] < 60) return 0;
    if (p[1] > 200 && p[2] < 60 && p[0] < 60) return 1;
    if (p[0] > 200 && p[2] < 60 && p[1] < 60) return 2;
    return -1;
}

using Formats = ViewerTest;

TEST_F(Formats, AnimatedCursorPlaysItsStepsAtSixtiethsOfASecond) {
    const std::string path = DataDir() + "\\steps.ani";
    const Bytes cursor = Cursor(60);  // 60 sixtieths: 960 ms a step (GIF timing would give 600)
    ASSERT_FALSE(cursor.empty()) << "the frame icons are missing";
    Write(path, cursor);
    ASSERT_TRUE(e2e::Start(Exe(), path, DataDir(), v));
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(e2e::Title(v.window), "steps.ani - 4 frames");
    // Watch the colour change: the steps go red, green, blue, green, red ...
    // Each change happened between the start of the last capture that still
    // showed the old colour and the end of the first that shows the new one.
    struct Change {
        DWORD after, before;  // bounds of the moment it happened
        int colour;
    };
    std::vector<Change> changes;
    int last = -2;
    DWORD lastStart = GetTickCount();
    const bool seen = e2e::WaitUntil([&] {
        const DWORD captureStart = GetTickCount();
        e2e::Capture cap;
        if (!e2e::CaptureClient(v.window, cap) || cap.height <= PictureTop(v.window) + 10) return false;
        const int c = ColourAt(cap, 10, PictureTop(v.window) + 10);
        if (c != last) {
            changes.push_back({lastStart, GetTickCount(), c});
            last = c;
        }
        lastStart = captureStart;
        return changes.size() >= 4;
    }, e2e::kStepMs, 20);
    ASSERT_TRUE(seen) << "only " << changes.size() << " colours seen";
    for (size_t i = 0; i < changes.size(); ++i) EXPECT_GE(changes[i].colour, 0) << "step " << i;
    for (size_t i = 1; i < changes.size(); ++i) EXPECT_NE(changes[i].colour, changes[i - 1].colour);
    // A step shows for the whole interval: the timer is never early, so even
    // the longest the second step can have lasted is at least about 960 ms;
    // a busy machine may make it late, but not by more than the shortest it
    // can have lasted allows.
    const DWORD longest = changes[2].before - changes[1].after;
    const DWORD shortest = changes[2].after - changes[1].before;
    EXPECT_GE(longest, 850u);
    EXPECT_LE(shortest, 2500u);
}

TEST_F(Formats, IconChooserPicksTheImageToShow) {
    // Two images in one file: 40 x 30 red and 16 x 16 blue.
    const std::string path = DataDir() + "\\chooser.ico";
    ASSERT_TRUE(e2e::Start(Exe(), path, DataDir(), v));
    HWND dlg = e2e::FindDialog(v, "Mutliple Icons", e2e::kStepMs);
    ASSERT_TRUE(dlg) << "no icon chooser";
    HWND list = GetDlgItem(dlg, 1001);
    ASSERT_TRUE(list);
    ASSERT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 2);
    // Read as wide text: Wine hands ANSI list-box text to another process garbled.
    wchar_t line[64] = {};
    ASSERT_LT(SendMessageW(list, LB_GETTEXTLEN, 1, 0), LRESULT(64));
    SendMessageW(list, LB_GETTEXT, 1, LPARAM(line));
    EXPECT_STREQ(line, L"16 x 16  -  True color");
    SendMessageA(list, LB_SETCURSEL, 1, 0);
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(1001, LBN_SELCHANGE), LPARAM(list));
    ASSERT_TRUE(e2e::AnswerMessageBox(dlg, IDOK)) << "the chooser stayed";
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove - chooser.ico (16x16x24BPP)");
    const int top = PictureTop(v.window);
    EXPECT_TRUE(ShowsSpots(v.window, {{0, top, {0, 0, 255}}, {15, top + 15, {0, 0, 255}}}));
}

TEST_F(Formats, PhotoCdOverviewPagesToTheEnd) {
    // An overview pack of 100 flat thumbnails.
    Bytes pack(0x2800 + size_t(100) * 0x9000, 0);
    std::memcpy(pack.data(), "PCD_OPA", 7);
    for (int k = 0; k < 100; ++k)
        for (int pair = 0; pair < 64; ++pair) {
            uint8_t* p = pack.data() + 0x2800 + size_t(k) * 0x9000 + size_t(pair) * 576;
            std::memset(p, 2 + k, 384);
            std::memset(p + 384, 156, 192);
        }
    const std::string path = DataDir() + "\\index.pcd";
    Write(path, pack);
    ASSERT_TRUE(e2e::Start(Exe(), path, DataDir(), v));
    HWND box = e2e::FindMessageBox(v, e2e::kStepMs);
    ASSERT_TRUE(box) << "no message box about the 100 pictures";
    EXPECT_EQ(e2e::MessageBoxText(box),
              "This file contains 100 pictures.\nYou see now the first 25 Pictures.\n\nPress N for next 25 pictures !");
    ASSERT_TRUE(e2e::AnswerMessageBox(box, IDOK)) << "the message box stayed";
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove - index.pcd (960x649x24BPP)");
    // The first thumbnail of each sheet is brighter than the one before: its
    // luma is 2 + its number (0, 25, 50, 75), its chroma the same.
    const int top = PictureTop(v.window);
    // Waits (bounded) until the place shows something else than `other`: the
    // window's face before the sheet is drawn, or the sheet before.
    auto firstThumbnail = [&](int& brightness, int other) {
        return e2e::WaitUntil([&] {
            e2e::Capture cap;
            if (!e2e::WaitPainted(v, v.window) || !e2e::CaptureClient(v.window, cap) || cap.height <= top + 20)
                return false;
            const uint8_t* p = cap.at(20, top + 20);
            brightness = p[0] + p[1] + p[2];
            return brightness != other;
        });
    };
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    int brightness = -1;
    ASSERT_TRUE(firstThumbnail(brightness, GetRValue(face) + GetGValue(face) + GetBValue(face)));
    for (int press = 0; press < 3; ++press) {
        const int before = brightness;
        e2e::PressKey(v, 'N');
        ASSERT_TRUE(e2e::Sync(v));  // a message box would be up by now
        EXPECT_FALSE(e2e::FindMessageBox(v, 0)) << "sheet " << press + 2;
        ASSERT_TRUE(firstThumbnail(brightness, before)) << "sheet " << press + 2 << " never shown";
        EXPECT_GT(brightness, before) << "sheet " << press + 2;
    }
    e2e::PressKey(v, 'N');
    box = e2e::FindMessageBox(v, e2e::kStepMs);
    ASSERT_TRUE(box) << "no message box after the last sheet";
    EXPECT_EQ(e2e::MessageBoxText(box), "Photo CD : No more pictures in file !");
    EXPECT_TRUE(e2e::AnswerMessageBox(box, IDOK)) << "the message box stayed";
}

TEST_F(Formats, EnhancedMetafileIsDrawnInTheWindow) {
    const std::string path = DataDir() + "\\halves.emf";
    HDC dc = CreateEnhMetaFileA(nullptr, path.c_str(), nullptr, nullptr);
    ASSERT_TRUE(dc);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0)), blue = CreateSolidBrush(RGB(0, 0, 255));
    SelectObject(dc, GetStockObject(NULL_PEN));
    SelectObject(dc, red);
    Rectangle(dc, 0, 0, 61, 41);
    SelectObject(dc, blue);
    Rectangle(dc, 60, 0, 121, 41);
    DeleteEnhMetaFile(CloseEnhMetaFile(dc));
    DeleteObject(red);
    DeleteObject(blue);
    ASSERT_TRUE(e2e::Start(Exe(), path, DataDir(), v));
    ASSERT_TRUE(e2e::Sync(v));
    const std::string title = e2e::Title(v.window);
    EXPECT_EQ(title.rfind("Lumagrove - halves.emf (", 0), 0u) << title;
    const int top = PictureTop(v.window);
    EXPECT_TRUE(ShowsSpots(v.window, {{20, top + 20, {255, 0, 0}}, {100, top + 20, {0, 0, 255}}}));
}

}  // namespace
