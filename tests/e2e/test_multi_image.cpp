// End-to-end: the three stored choices for multi-image GIF files (first image
// only, every image extracted, the animation), and the commands around a
// playing animation: zoom, Information, and full screen, which shows the
// first image as a still and gives the animation back when it closes. The
// images are compared with ImageMagick's decode of each image of the file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "dialog_driver.h"
#include "driver.h"
#include "e2e_support.h"
#include "shown.h"

namespace fs = std::filesystem;

namespace {

constexpr int kW = 30, kH = 20;  // every image of anim.gif, two colours each

RgbPicture GifImage(int i) { return ReadRgb(DataDir() + "\\anim.gif." + std::to_string(i) + ".rgb", kW, kH); }

fs::path Workplace(const std::string& test) {
    const fs::path dir = fs::temp_directory_path() / ("lumagrove_multi_" + test);
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::copy_file(DataDir() + "\\anim.gif", dir / "anim.gif");
    return dir;
}

class MultiImage : public ViewerTest {
protected:
    void StartOn(const fs::path& dir, const std::string& file) {
        ASSERT_TRUE(e2e::Start(Exe(), (dir / file).string(), dir.string(), v));
        ASSERT_TRUE(e2e::WaitForTitle(v, file));
        ASSERT_TRUE(e2e::Sync(v));  // the start-animation command the load posted
        ASSERT_TRUE(e2e::Sync(v));
    }
    // The colour of the animation's pixel (x, y) is that of one of its images.
    ::testing::AssertionResult ShowsSomeFrameAt(HWND w, int x, int y) {
        Rgb got{0, 0, 0};
        const bool ok = e2e::WaitUntil([&] {
            e2e::Capture cap;
            if (!e2e::CaptureClient(w, cap) || x >= cap.width || y >= cap.height) return false;
            got = At(cap, x, y);
            for (int i = 0; i < 3; ++i)
                if (got == GifImage(i).at(0, 0)) return true;
            return false;
        });
        if (ok) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "(" << x << "," << y << ") shows " << Describe(got);
    }
};

TEST_F(MultiImage, FirstImageOnlyShowsTheFirstImageStill) {
    const fs::path dir = Workplace("first");
    WriteIni("[MultiGIF]\nNone=1\n");
    ASSERT_NO_FATAL_FAILURE(StartOn(dir, "anim.gif"));
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove - anim.gif (30x20x1BPP)");
    EXPECT_TRUE(ShowsPicture(v.window, GifImage(0), 0, PictureTop(v.window)));
    ASSERT_NO_FATAL_FAILURE(Command(40068));  // a still picture: Negative works on it
    EXPECT_TRUE(ShowsSpots(v.window, {{0, PictureTop(v.window), Rgb{0, 255, 255}}}));
}

TEST_F(MultiImage, ExtractEveryImageWritesThemAndKeepsTheLastOne) {
    const fs::path dir = Workplace("extract");
    const fs::path out = dir / "frames" / "deeper";  // made by the viewer
    WriteIni("[MultiGIF]\nAnimate=0\n[Copy-Move]\nExtractGIF=" + out.string() + "\n");
    ASSERT_NO_FATAL_FAILURE(StartOn(dir, "anim.gif"));
    for (int i = 0; i < 3; ++i) {
        const fs::path file = out / ("anim_lumagrove_extract_00" + std::to_string(i) + ".bmp");
        SCOPED_TRACE(file.string());
        ASSERT_TRUE(e2e::WaitForFile(file.string())) << "not written";
        EXPECT_TRUE(SamePicture(DecodeBmpFile(file.string()), GifImage(i)));
    }
    EXPECT_FALSE(fs::exists(out / "anim_lumagrove_extract_003.bmp"));
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove - anim.gif (30x20x1BPP)");
    EXPECT_TRUE(ShowsPicture(v.window, GifImage(2), 0, PictureTop(v.window)));
}

TEST_F(MultiImage, ZoomAndInformationActOnThePlayingAnimation) {
    const fs::path dir = Workplace("animate");
    WriteIni("");
    ASSERT_NO_FATAL_FAILURE(StartOn(dir, "anim.gif"));
    EXPECT_EQ(e2e::Title(v.window), "anim.gif - 3 frames");
    const int top = PictureTop(v.window);
    e2e::SendCommand(v, 40047);  // Zoom In, by the stored step of 10
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(e2e::FindMessageBox(v, 0), nullptr) << "a message box answers the zoom";
    EXPECT_EQ(e2e::Title(v.window), "anim.gif - 3 frames - 110%");
    // The frames are drawn 33 x 22: the pixel (32, 21) belongs to them.
    EXPECT_TRUE(ShowsSomeFrameAt(v.window, 32, top + 21));

    e2e::SendCommand(v, 40051);
    HWND info = e2e::FindDialog(v, "Image information", e2e::kStepMs);
    ASSERT_NE(info, nullptr) << "no information dialog";
    EXPECT_EQ(e2e::ControlText(info, 1126), "30 x 20  Pixels");
    EXPECT_EQ(e2e::ControlText(info, 1131), "Animated GIF - 3 images");
    e2e::Click(info, IDOK);
    ASSERT_TRUE(e2e::WaitGone(info));
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(e2e::Title(v.window), "anim.gif - 3 frames - 110%") << "the animation stopped";
}

// Stepping onto the animated file in full screen shows its first image still;
// closing full screen there plays the animation again in the window.
TEST_F(MultiImage, FullScreenShowsTheFirstImageAndGivesTheAnimationBack) {
    const fs::path dir = Workplace("full");
    fs::copy_file(DataDir() + "\\gradient24.bmp", dir / "gradient24.bmp");  // after anim.gif by name
    WriteIni("");
    ASSERT_NO_FATAL_FAILURE(StartOn(dir, "gradient24.bmp"));
    ASSERT_NO_FATAL_FAILURE(Command(40030));
    HWND full = FullScreenWindowOf(v);
    ASSERT_NE(full, nullptr) << "no full-screen window";
    ASSERT_NO_FATAL_FAILURE(Command(40040));  // the previous file: anim.gif
    ASSERT_TRUE(e2e::Sync(v));                // the start-animation command
    EXPECT_TRUE(e2e::WaitForTitle(v, "anim.gif (30x20x1BPP)")) << e2e::Title(v.window);
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_TRUE(ShowsPicture(full, GifImage(0), (sw - kW) / 2, (sh - kH) / 2));
    PostMessageA(full, WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_TRUE(e2e::WaitGone(full, e2e::kStepMs)) << "full screen stays";
    ASSERT_TRUE(e2e::Sync(v));
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(e2e::Title(v.window), "anim.gif - 3 frames");
    EXPECT_TRUE(ShowsSomeFrameAt(v.window, kW - 1, PictureTop(v.window) + kH - 1));
}

}  // namespace
