// End-to-end: WebP in the real LUMAGR32.EXE under Wine. A lossy still file
// shows what dwebp decodes; an animation from img2webp plays its red, lime
// and blue frames and "Extract all frames" writes them as BMP files.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "dialog_driver.h"
#include "driver.h"
#include "e2e_support.h"
#include "shown.h"

namespace {

namespace fs = std::filesystem;
using Webp = ViewerTest;

TEST_F(Webp, StillFileShowsWhatDwebpDecodes) {
    ASSERT_TRUE(e2e::Start(Exe(), DataDir() + "\\photo.webp", DataDir(), v));
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove - photo.webp (64x48x24BPP)");
    EXPECT_TRUE(ShowsPicture(v.window, ReadRgb(DataDir() + "\\photo-webp.rgb", 64, 48), 0, PictureTop(v.window)));
}

TEST_F(Webp, AnimationPlaysAndItsFramesAreExtracted) {
    const fs::path out = fs::temp_directory_path() / "lumagrove_webp_frames";
    fs::remove_all(out);
    fs::create_directories(out);  // the chooser opens in it
    WriteIni("[Copy-Move]\nExtractGIF=" + out.string() + "\\\n");
    ASSERT_TRUE(e2e::Start(Exe(), DataDir() + "\\anim.webp", DataDir(), v));
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(e2e::Title(v.window), "anim.webp - 3 frames");
    // Red, lime and blue come up in turn.
    const Rgb colours[3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    for (const Rgb& c : colours) {
        const bool shown = e2e::WaitUntil([&] {
            e2e::Capture cap;
            return e2e::CaptureClient(v.window, cap) && cap.height > PictureTop(v.window) + 10 &&
                   At(cap, 10, PictureTop(v.window) + 10) == c;
        }, e2e::kStepMs, 20);
        EXPECT_TRUE(shown) << Describe(c) << " never shows";
    }

    e2e::SendCommand(v, 40140);  // Extract all frames
    HWND chooser = e2e::FindDialog(v, "Select a directory ...", e2e::kStepMs);
    ASSERT_NE(chooser, nullptr) << "no directory chooser";
    ASSERT_TRUE(e2e::Sync(v));
    PostMessageA(chooser, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), LPARAM(GetDlgItem(chooser, IDOK)));
    ASSERT_TRUE(e2e::WaitGone(chooser, e2e::kStepMs)) << "the directory chooser stays";
    ASSERT_TRUE(e2e::Sync(v));
    for (int f = 0; f < 3; ++f) {
        char name[64];
        std::snprintf(name, sizeof name, "anim_lumagrove_extract_%03d.bmp", f);
        ASSERT_TRUE(e2e::WaitForFile((out / name).string())) << name << " is not written";
        const RgbPicture got = DecodeBmpFile((out / name).string());
        ASSERT_TRUE(got) << name;
        EXPECT_EQ(got.width, 30);
        EXPECT_EQ(got.height, 20);
        EXPECT_EQ(Describe(got.at(0, 0)), Describe(colours[f])) << name;
        EXPECT_EQ(Describe(got.at(29, 19)), Describe(colours[f])) << name;
    }
    EXPECT_FALSE(fs::exists(out / "anim_lumagrove_extract_003.bmp"));
}

}  // namespace
