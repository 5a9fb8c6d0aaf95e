#include "gtest_mingw.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "shell/logic/texts.h"

using namespace lg;

TEST(PictureTitle, NameSizeAndDepthAtZoom100) {
    EXPECT_EQ(PictureTitle("x.jpg", 640, 480, 24, ""), "Lumagrove - x.jpg (640x480x24BPP)");
    EXPECT_EQ(PictureTitle("C:\\PICS\\OLD\\b.BMP", 1, 2, 8, ""), "Lumagrove - b.BMP (1x2x8BPP)");
    EXPECT_EQ(PictureTitle("/home/me/pics/c.png", 640, 480, 1, ""), "Lumagrove - c.png (640x480x1BPP)");
    EXPECT_EQ(PictureTitle("C:/mixed\\dirs/d.gif", 3, 4, 4, ""), "Lumagrove - d.gif (3x4x4BPP)");
    EXPECT_EQ(PictureTitle("<Clipboard>", 3, 4, 24, ""), "Lumagrove - <Clipboard> (3x4x24BPP)");
}

TEST(PictureTitle, ZoomedShowsTheZoomedSizeWithoutTheProduct) {
    EXPECT_EQ(PictureTitle("C:\\x.jpg", 640, 480, 24, "", 150), "x.jpg - 150 % (960x720)");
    EXPECT_EQ(PictureTitle("x.jpg", 5, 3, 24, "", 110), "x.jpg - 110 % (6x3)");
    EXPECT_EQ(PictureTitle("x.jpg", 640, 480, 24, "", 10), "x.jpg - 10 % (64x48)");
}

TEST(PictureTitle, OverrideReplacesEverythingAtAnyZoom) {
    EXPECT_EQ(PictureTitle("C:\\a.bmp", 50, 30, 24, "TEXT"), "Lumagrove - TEXT");
    EXPECT_EQ(PictureTitle("C:\\a.bmp", 50, 30, 24, "TEXT", 200), "Lumagrove - TEXT");
    EXPECT_EQ(PictureTitle("", 0, 0, 0, "My slide show"), "Lumagrove - My slide show");
}

namespace {

ViewFacts Shown(int index, int count) {
    ViewFacts f;
    f.hasImage = true;
    f.fileName = "C:\\PICS\\x.jpg";
    f.dirIndex = index;
    f.dirCount = count;
    return f;
}

}  // namespace

TEST(StatusText, DirectoryPositionPageOrEmpty) {
    ViewFacts f = Shown(2, 12);
    EXPECT_EQ(StatusText(f), "3/12");
    f.dirCount = 0;
    EXPECT_EQ(StatusText(f), "0/0");
    f = Shown(2, 12);
    f.multipage = true;
    f.page = 1;
    f.pageCount = 5;
    EXPECT_EQ(StatusText(f), "Page 2/5");
    f.viewAll = false;
    EXPECT_EQ(StatusText(f), "1/1");

    f = Shown(2, 12);
    f.hasImage = false;
    EXPECT_EQ(StatusText(f), "");
    f.video = true;  // a video counts as something shown
    EXPECT_EQ(StatusText(f), "3/12");
    f.video = false;
    f.animation = true;
    EXPECT_EQ(StatusText(f), "3/12");
}

TEST(StatusText, EmptyForPicturesNotFromAFile) {
    for (const char* name : {kClipboardName, kScanImageName}) {
        ViewFacts f = Shown(0, 5);
        f.fileName = name;
        EXPECT_EQ(StatusText(f), "");
        f.viewAll = false;
        EXPECT_EQ(StatusText(f), "");
    }
}

TEST(Toolbar, TwentySixEntriesWithEveryImageOnceAndRoomForTheStatus) {
    std::set<int> images;
    for (int i = 0; i < kToolbarEntries; ++i) {
        const ToolbarEntry& e = kToolbar[i];
        EXPECT_EQ(e.image < 0, e.command == 0) << i;
        if (e.image >= 0) {
            EXPECT_TRUE(images.insert(e.image).second) << i;
        }
        if (i >= 14 && i <= 23) {
            EXPECT_EQ(e.image, -1) << i;
        }
    }
    EXPECT_EQ(images.size(), 14u);
    EXPECT_EQ(*images.rbegin(), 13);
    EXPECT_EQ(kToolbar[0].command, 40001);
    EXPECT_EQ(kToolbar[13].command, 40100);
    EXPECT_EQ(kToolbar[25].command, 40036);
}

TEST(Toolbar, EnableRules) {
    ViewFacts empty;
    for (const ToolbarEntry& e : kToolbar) {
        if (e.command == 0) continue;
        const bool always = e.command == 40001 || e.command == 40002 || e.command == 40036;
        EXPECT_EQ(ToolbarButtonEnabled(e.command, empty), always) << e.command;
    }
    ViewFacts f = Shown(0, 1);
    EXPECT_TRUE(ToolbarButtonEnabled(40011, f));
    EXPECT_TRUE(ToolbarButtonEnabled(40051, f));
    EXPECT_FALSE(ToolbarButtonEnabled(40121, f));  // no selection
    f.selectionWidth = 1;
    EXPECT_FALSE(ToolbarButtonEnabled(40121, f));
    f.selectionHeight = 1;
    EXPECT_TRUE(ToolbarButtonEnabled(40121, f));
    EXPECT_FALSE(ToolbarButtonEnabled(40039, f));  // one file
    f.dirCount = 2;
    EXPECT_TRUE(ToolbarButtonEnabled(40040, f));

    ViewFacts anim;
    anim.animation = true;
    EXPECT_TRUE(ToolbarButtonEnabled(40047, anim));
    EXPECT_FALSE(ToolbarButtonEnabled(40051, anim));  // information needs a current image here
    anim.clipboardHasDib = true;
    EXPECT_TRUE(ToolbarButtonEnabled(40055, anim));

    f.multipage = true;
    f.pageCount = 3;
    f.page = 0;
    EXPECT_FALSE(ToolbarButtonEnabled(40101, f));
    EXPECT_TRUE(ToolbarButtonEnabled(40100, f));
    f.page = 2;
    EXPECT_TRUE(ToolbarButtonEnabled(40101, f));
    EXPECT_FALSE(ToolbarButtonEnabled(40100, f));
}

TEST(PictureMemorySize, TableAndPaddedRows) {
    EXPECT_EQ(PictureMemorySize(100, 10, 1, false), 8 + 16 * 10);
    EXPECT_EQ(PictureMemorySize(3, 2, 8, false), 1024 + 4 * 2);
    EXPECT_EQ(PictureMemorySize(3, 2, 4, false), 64 + 4 * 2);
    EXPECT_EQ(PictureMemorySize(3, 2, 24, false), 12 * 2);
    EXPECT_EQ(PictureMemorySize(3, 2, 32, false), 12 * 2);
    EXPECT_EQ(PictureMemorySize(3, 2, 8, true), 2048 + 4 * 2);  // frame table and file table
    // Past 32 bits.
    EXPECT_EQ(PictureMemorySize(65535, 65535, 24, false), int64_t(196608) * 65535);
}

namespace {

InfoFacts Photo() {
    InfoFacts f;
    f.fileName = "C:\\PICS\\x.jpg";
    f.compression = "JPEG";
    f.dpi = 72;
    f.loadedWidth = 640;
    f.loadedHeight = 480;
    f.loadedBits = 24;
    f.width = 320;
    f.height = 240;
    f.bits = 8;
    f.fileSize = 12345;
    f.dirIndex = 2;
    f.dirCount = 12;
    f.loadMilliseconds = 37;
    return f;
}

std::string LineOf(const std::vector<InfoLine>& lines, int control) {
    for (const InfoLine& l : lines)
        if (l.control == control) return l.text;
    ADD_FAILURE() << "no control " << control;
    return "";
}

}  // namespace

TEST(ImageInfoLines, EveryFieldOfAPictureFromAFile) {
    const auto lines = ImageInfoLines(Photo());
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(LineOf(lines, 1124), "x.jpg");
    EXPECT_EQ(LineOf(lines, 1131), "JPEG, 72 DPI");
    EXPECT_EQ(LineOf(lines, 1130), "640 x 480  Pixels");
    EXPECT_EQ(LineOf(lines, 1126), "320 x 240  Pixels");
    EXPECT_EQ(LineOf(lines, 1125), "16,7 Million   (24 BitsPerPixel)");
    EXPECT_EQ(LineOf(lines, 1127), "256   (8 BitsPerPixel)");
    EXPECT_EQ(LineOf(lines, 1128), "12345  Bytes");
    EXPECT_EQ(LineOf(lines, 1129), "77824  Bytes");  // 1024 + 320 x 240
    EXPECT_EQ(LineOf(lines, 1123), "3  of  12  Lumagrove Files");
    EXPECT_EQ(LineOf(lines, 1132), "37 milliseconds");
}

TEST(ImageInfoLines, ColoursResolutionAndDirectoryVariants) {
    InfoFacts f = Photo();
    f.dpi = 1;
    f.bits = 1;
    f.loadedBits = 16;
    f.viewAll = false;
    auto lines = ImageInfoLines(f);
    EXPECT_EQ(LineOf(lines, 1131), "JPEG");
    EXPECT_EQ(LineOf(lines, 1125), "65536   (16 BitsPerPixel)");
    EXPECT_EQ(LineOf(lines, 1127), "2   (1 BitsPerPixel)");
    EXPECT_EQ(LineOf(lines, 1123), "Moving through directory is disabled");
    f.bits = 32;
    f.fileSize = -1;  // the file went away
    lines = ImageInfoLines(f);
    EXPECT_EQ(LineOf(lines, 1127), "16,7 Million   (32 BitsPerPixel)");
    EXPECT_EQ(LineOf(lines, 1128), "Not a file");
    f.fileSize = int64_t(5) << 30;
    EXPECT_EQ(LineOf(ImageInfoLines(f), 1128), "5368709120  Bytes");
}

TEST(ImageInfoLines, PastedPicture) {
    InfoFacts f = Photo();
    f.fileName = kClipboardName;
    f.compression = "stale text of an earlier load";
    f.dpi = 0;
    const auto lines = ImageInfoLines(f);
    EXPECT_EQ(LineOf(lines, 1124), "<Clipboard>");
    EXPECT_EQ(LineOf(lines, 1131), "None");
    EXPECT_EQ(LineOf(lines, 1128), "Not a file");
    EXPECT_EQ(LineOf(lines, 1123), "Not available if <Clipboard>");
}

TEST(ImageInfoLines, AnimationUsesTheLoadedDepth) {
    InfoFacts f = Photo();
    f.animation = true;
    f.loadedBits = 8;
    f.bits = 24;
    f.width = 100;
    f.height = 10;
    const auto lines = ImageInfoLines(f);
    EXPECT_EQ(LineOf(lines, 1127), "256   (8 BitsPerPixel)");
    EXPECT_EQ(LineOf(lines, 1129), "3048  Bytes");  // 2 x 1024 + 100 x 10
}
