// End-to-end: the real LUMAGR32.EXE under Wine, driven from outside.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "driver.h"
#include "formats/bmp.h"
#include "settings/ini.h"

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

// Unix paths from the build reach Wine programs through drive Z:.
std::string WinPath(std::string p) {
    if (!p.empty() && p[0] == '/') p = "Z:" + p;
    for (char& c : p)
        if (c == '/') c = '\\';
    return p;
}

std::string DataDir() { return WinPath(Env("LUMAGROVE_E2E_DATA")); }
std::string Exe() { return WinPath(Env("LUMAGROVE_EXE")); }
std::string IniPath() { return e2e::WindowsDirectory() + "\\LUMAGR32.INI"; }

void WriteIni(const std::string& text) {
    std::ofstream(IniPath(), std::ios::binary) << text;
}

class Viewer : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(Env("LUMAGROVE_EXE").empty()) << "LUMAGROVE_EXE not set";
        DeleteFileA(IniPath().c_str());
    }
    void TearDown() override { e2e::Stop(v); }
    e2e::Viewer v;
};

// Every pixel of the client area's top-left corner equals the picture.
void ExpectShows(const e2e::Capture& cap, const lg::Image& img) {
    ASSERT_GE(cap.width, img.width());
    ASSERT_GE(cap.height, img.height());
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
            const uint8_t* c = cap.at(x, y);
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
    ExpectShows(cap, img);

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
    ExpectShows(cap, img);
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
    EXPECT_NE(e2e::MessageBoxText(box).find("Can't open file"), std::string::npos);
    EXPECT_EQ(e2e::Title(box), "Lumagrove");
    e2e::AnswerMessageBox(box, IDOK);
    e2e::Settle(v);
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove");
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
