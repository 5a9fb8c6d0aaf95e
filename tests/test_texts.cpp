#include "gtest_mingw.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/logic/texts.h"

using namespace lg;

TEST(PictureTitle, AtZoom100ZoomedAndOverridden) {
    EXPECT_EQ(PictureTitle("x.jpg", 640, 480, 24, ""), "Lumagrove - x.jpg (640x480x24BPP)");
    EXPECT_EQ(PictureTitle("C:\\PICS\\OLD\\b.BMP", 1, 2, 8, ""), "Lumagrove - b.BMP (1x2x8BPP)");
    EXPECT_EQ(PictureTitle("C:/mixed\\dirs/d.gif", 3, 4, 4, ""), "Lumagrove - d.gif (3x4x4BPP)");
    EXPECT_EQ(PictureTitle("C:\\x.jpg", 640, 480, 24, "", 150), "x.jpg - 150 % (960x720)");
    EXPECT_EQ(PictureTitle("x.jpg", 5, 3, 24, "", 110), "x.jpg - 110 % (6x3)");
    EXPECT_EQ(PictureTitle("C:\\a.bmp", 50, 30, 24, "TEXT", 200), "Lumagrove - TEXT");
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
    f.multipage = true;
    f.page = 1;
    f.pageCount = 5;
    EXPECT_EQ(StatusText(f), "Page 2/5");
    f.viewAll = false;
    EXPECT_EQ(StatusText(f), "1/1");
    f.hasImage = false;
    EXPECT_EQ(StatusText(f), "");
    f.video = true;
    EXPECT_EQ(StatusText(f), "1/1");
    for (const char* name : {kClipboardName, kScanImageName}) {
        f.fileName = name;
        EXPECT_EQ(StatusText(f), "");
    }
}

TEST(PictureMemorySize, TableAndPaddedRows) {
    EXPECT_EQ(PictureMemorySize(100, 10, 1, false), 8 + 16 * 10);
    EXPECT_EQ(PictureMemorySize(3, 2, 4, false), 64 + 4 * 2);
    EXPECT_EQ(PictureMemorySize(3, 2, 32, false), 12 * 2);
    EXPECT_EQ(PictureMemorySize(3, 2, 8, true), 2048 + 4 * 2);  // frame table and file table
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

std::vector<std::string> Texts(const InfoFacts& f) {
    std::vector<std::string> out;
    for (const InfoLine& l : ImageInfoLines(f)) out.push_back(std::to_string(l.control) + " " + l.text);
    return out;
}

}  // namespace

TEST(ImageInfoLines, EveryFieldOfAPictureFromAFile) {
    EXPECT_EQ(Texts(Photo()), (std::vector<std::string>{
                                  "1124 x.jpg",
                                  "1131 JPEG, 72 DPI",
                                  "1130 640 x 480  Pixels",
                                  "1126 320 x 240  Pixels",
                                  "1125 16,7 Million   (24 BitsPerPixel)",
                                  "1127 256   (8 BitsPerPixel)",
                                  "1128 12345  Bytes",
                                  "1129 77824  Bytes",
                                  "1123 3  of  12  Lumagrove Files",
                                  "1132 37 milliseconds",
                                  "1243 as stored",
                              }));
}

TEST(ImageInfoLines, Variants) {
    InfoFacts f = Photo();
    f.dpi = 1;
    f.loadedBits = 16;
    f.bits = 1;
    f.viewAll = false;
    f.fileSize = int64_t(5) << 30;
    std::vector<std::string> t = Texts(f);
    EXPECT_EQ(t[1], "1131 JPEG");
    EXPECT_EQ(t[4], "1125 65536   (16 BitsPerPixel)");
    EXPECT_EQ(t[5], "1127 2   (1 BitsPerPixel)");
    EXPECT_EQ(t[6], "1128 5368709120  Bytes");
    EXPECT_EQ(t[8], "1123 Moving through directory is disabled");

    f.fileName = kClipboardName;  // pasted
    f.dpi = 0;
    t = Texts(f);
    EXPECT_EQ(t[1], "1131 None");
    EXPECT_EQ(t[6], "1128 Not a file");
    EXPECT_EQ(t[8], "1123 Not available if <Clipboard>");

    f = Photo();
    f.animation = true;  // the loaded depth counts
    f.loadedBits = 8;
    f.width = 100;
    f.height = 10;
    t = Texts(f);
    EXPECT_EQ(t[5], "1127 256   (8 BitsPerPixel)");
    EXPECT_EQ(t[7], "1129 3048  Bytes");  // 2 x 1024 + 100 x 10
}

TEST(ReplaceQuestion, SizesBeyondTwoAndFourGigabytes) {
    // 3 GB and 5 GB files: a 32-bit `long` (all of Windows) would show the
    // first as -1294967296 and the second as 705032704.
    EXPECT_EQ(lg::ReplaceQuestionText("C:\\a\\big.avi", 3000000000LL, "D:\\b\\big.avi", 5000000000LL),
              "Replace file:\n\tC:\\a\\big.avi , 3000000000  bytes\nwith file:\n\tD:\\b\\big.avi , 5000000000  bytes\n");
    EXPECT_EQ(lg::ReplaceQuestionText("x", 0, "y", 12),
              "Replace file:\n\tx , 0  bytes\nwith file:\n\ty , 12  bytes\n");
}
