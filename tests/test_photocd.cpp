// Photo CD: ImageMagick's packs at the three sizes, the colour conversion's
// fixed points, the rotation bits, and overview packs built here.
#include "raster_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "formats/load.h"
#include "formats/photocd.h"
#include "ops/geometry.h"

using lg::Image;
using lg::Status;
using namespace lgtest;

namespace {

Image ReadPack(const Bytes& b, int resolution, bool& overview, Status& st) {
    lg::ByteSource in = lg::ByteSource::FromMemory(b.data(), b.size());
    return lg::ReadPhotoCdFrom(in, resolution, overview, st);
}

bool Same(const Image& a, const Image& b) {
    return a && b && a.width() == b.width() && a.height() == b.height() &&
           std::memcmp(a.pixels(), b.pixels(), a.pixelBytes()) == 0;
}

// An overview pack holding `count` thumbnails; thumbnail n (from 1) is flat
// with luma 2n and neutral chroma.
Bytes Overview(int count) {
    Bytes b(0x2800 + size_t(count) * 0x9000, 0);
    std::memcpy(b.data(), "PCD_OPA", 7);
    for (int k = 0; k < count; ++k) {
        uint8_t* t = b.data() + 0x2800 + size_t(k) * 0x9000;
        for (int pair = 0; pair < 64; ++pair) {
            uint8_t* p = t + size_t(pair) * 576;
            std::memset(p, 2 * (k + 1), 384);
            std::memset(p + 384, 156, 192);
        }
    }
    return b;
}

int BlueOfThumb(int n) {
    uint8_t bgr[3];
    lg::PcdToBgr(2 * n, 156, 156, bgr);
    return bgr[0];
}

}  // namespace

TEST(PhotoCdRead, ConversionFixedPoints) {
    // Green comes from the unclamped red and blue: luma 0 with chroma 0 is
    // green 190, not black.
    struct Case {
        int l, c1, c2, b, g, r;
    } cases[] = {{181, 156, 156, 249, 237, 255}, {0, 0, 0, 0, 190, 0}, {0, 156, 137, 0, 1, 0}, {90, 100, 200, 8, 82, 252}};
    for (const Case& c : cases) {
        uint8_t bgr[3];
        lg::PcdToBgr(c.l, c.c1, c.c2, bgr);
        EXPECT_EQ(bgr[0], c.b) << c.l;
        EXPECT_EQ(bgr[1], c.g) << c.l;
        EXPECT_EQ(bgr[2], c.r) << c.l;
    }
}

TEST(PhotoCdRead, ThreeSizesAgreeWithImageMagick) {
    // Kodak's PhotoYCC stores the video luma Y' as 255/1.402 Y', so that the
    // 8-bit range spans up to 140.2% of reference white and reference white
    // itself sits at 255/1.402 = 181.9; the chroma bytes are
    // C1 = 111.40 (B' - Y') + 156 and C2 = 135.64 (R' - Y') + 137. This reader
    // takes luma 181 as full white. ImageMagick's encoder puts white at luma
    // 255 instead and its decoder reads the luma back unscaled, so wherever
    // neither decode saturates a channel, our brightness must be ImageMagick's
    // times 255/182. The tolerance of 5 levels is what the scales leave over:
    // rounding in both decodes (about 1.5 after scaling), 181 against 181.9
    // (1.3 at white), our blue neutral at 159 rather than 156 (0.7), and what
    // the different chroma scales put into the luma (under 2).
    // For the chroma only the direction is common to both (ImageMagick stores
    // about one level per chroma step, the definition and this reader about
    // two): where ImageMagick's pixel is bluer or redder than its own grey by
    // more than 20 levels, over three times the 6 levels that our blue neutral
    // sits below the definition's, ours leans the same way. ImageMagick's own
    // chroma curves flip a handful of pixels near that line, hence one in a
    // thousand allowed. A row or column mix-up breaks the brightness of a
    // third of the pixels or more, a chroma mix-up the direction of a third.
    const Bytes pack = ReadBytes(DataPath("pcd_pack.pcd"));
    ASSERT_FALSE(pack.empty());
    auto luma = [](int r, int g, int b) { return 0.299 * r + 0.587 * g + 0.114 * b; };
    auto saturated = [](int v) { return v == 0 || v == 255; };
    for (int r = 0; r < 3; ++r) {
        SCOPED_TRACE(r);
        bool overview = true;
        Status st;
        Image img = ReadPack(pack, r, overview, st);
        ASSERT_TRUE(img) << st.error;
        EXPECT_FALSE(overview);
        Ppm ref;
        ASSERT_TRUE(ReadPpm(DataPath("pcd_pack_" + std::to_string(r) + ".ppm"), ref));
        ASSERT_EQ(img.width(), ref.width);
        ASSERT_EQ(img.height(), ref.height);
        int64_t compared = 0, brightnessOff = 0, leaning = 0, leaningOff = 0;
        double worst = 0;
        for (int y = 0; y < ref.height; ++y)
            for (int x = 0; x < ref.width; ++x) {
                const auto got = Rgb24(img, x, y);
                const uint8_t* want = ref.at(x, y);
                bool clipped = false;
                for (int c = 0; c < 3; ++c) clipped = clipped || saturated(got[size_t(c)]) || saturated(want[c]);
                if (clipped) continue;
                ++compared;
                const double ours = luma(got[0], got[1], got[2]), theirs = luma(want[0], want[1], want[2]);
                const double off = std::abs(ours - theirs * 255.0 / 182.0);
                worst = std::max(worst, off);
                if (off > 5.0) ++brightnessOff;
                for (int c : {0, 2}) {  // red and blue against the grey
                    const double lean = want[c] - theirs;
                    if (std::abs(lean) <= 20.0) continue;
                    ++leaning;
                    if ((lean > 0) != (got[size_t(c)] - ours > 0)) ++leaningOff;
                }
            }
        // Most of the plasma stays clear of both ends of the range.
        ASSERT_GT(compared, int64_t(ref.width) * ref.height / 2);
        EXPECT_EQ(brightnessOff, 0) << "worst brightness difference " << worst;
        ASSERT_GT(leaning, compared / 2);
        EXPECT_LE(leaningOff, leaning / 1000);
    }
    bool overview = false;
    Status st;
    EXPECT_EQ(ReadPack(pack, 7, overview, st).width(), 384) << "other settings read the middle size";
}

TEST(PhotoCdRead, RotationBitsTurnThePicture) {
    Bytes pack = ReadBytes(DataPath("pcd_pack.pcd"));
    ASSERT_GT(pack.size(), 4098u);
    bool overview = false;
    Status st;
    const Image upright = ReadPack(pack, 1, overview, st);
    ASSERT_TRUE(upright);
    struct Case {
        uint8_t attribute;
        Image want;
    } cases[] = {{0xF8, upright.Duplicate()},  // only the low three bits count
                 {1, lg::RotateLeft(upright)},
                 {2, lg::RotateLeft(lg::RotateLeft(upright))},
                 {3, lg::RotateRight(upright)}};
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.attribute));
        pack[4098] = c.attribute;
        Image img = ReadPack(pack, 1, overview, st);
        EXPECT_TRUE(Same(img, c.want));
    }
    pack[4098] = 1;
    EXPECT_EQ(ReadPack(pack, 1, overview, st).width(), 256);
}

TEST(PhotoCdRead, RefusesOtherFilesAndReadsShortOnes) {
    bool overview = false;
    Status st;
    Bytes other(600, 0xFF);
    other[3] = 0;
    EXPECT_FALSE(ReadPack(other, 2, overview, st));
    EXPECT_EQ(st.error, "Not a valid PCD-File");
    Bytes shortPack = ReadBytes(DataPath("pcd_pack.pcd"));
    shortPack.resize(0x30000 + 768 * 3 * 10);
    Image img = ReadPack(shortPack, 2, overview, st);
    ASSERT_TRUE(img) << "rows past the end are computed from the last rows read";
    EXPECT_EQ(img.height(), 512);
}

TEST(PhotoCdOverview, SheetsOfTwentyFiveInBandsOfFive) {
    const Bytes file = Overview(30);  // ends inside the second sheet
    bool overview = false;
    Status st;
    EXPECT_FALSE(ReadPack(file, 2, overview, st));
    EXPECT_TRUE(overview);
    struct Case {
        int first;
        int lastPresent;
    } cases[] = {{1, 25}, {26, 30}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.first);
        lg::ByteSource in = lg::ByteSource::FromMemory(file.data(), file.size());
        Image sheet = lg::ReadPcdOverviewFrom(in, c.first, false, st);
        ASSERT_TRUE(sheet) << st.error;
        ASSERT_EQ(sheet.width(), 960);
        ASSERT_EQ(sheet.height(), 649);
        for (int i = 0; i < 5; ++i)
            for (int j = 0; j < 5; ++j) {
                const int n = c.first + 5 * i + j;
                const int want = n <= c.lastPresent ? BlueOfThumb(n) : 0;
                EXPECT_EQ(Rgb24(sheet, 192 * j + 100, 128 * i + 60)[2], want) << "thumbnail " << n;
                EXPECT_EQ(Rgb24(sheet, 192 * j, 128 * i)[2], want) << "thumbnail " << n;
            }
        EXPECT_EQ(Rgb24(sheet, 500, 645)[2], 0) << "the bottom 9 rows stay black";
    }
    lg::ByteSource in = lg::ByteSource::FromMemory(file.data(), file.size());
    Image eight = lg::ReadPcdOverviewFrom(in, 1, true, st);
    ASSERT_TRUE(eight);
    EXPECT_EQ(eight.bitCount(), 8);
}

TEST(PhotoCdOverview, DispatcherShowsTheFirstSheetAndSaysSoOnce) {
    TempDir dir;
    const std::string path = dir.file("overview.pcd");
    WriteBytes(path, Overview(3));
    std::string told;
    lg::LoadUi ui;
    ui.inform = [&](const std::string& t) { told += t; };
    for (bool noMulti : {false, true}) {
        SCOPED_TRACE(noMulti);
        told.clear();
        lg::LoadRequest req;
        req.noMultiImage = noMulti;
        lg::PictureFacts facts;
        std::string name = path;
        Image img = lg::LoadPicture(name, req, ui, facts);
        ASSERT_TRUE(img) << facts.messageText;
        EXPECT_EQ(img.width(), 960);
        EXPECT_TRUE(facts.pcdOverview);
        EXPECT_EQ(facts.pcdSheetStart, 1);
        EXPECT_EQ(facts.infoText, "Photo CD - None");
        EXPECT_EQ(told, noMulti ? ""
                                : "This file contains 100 pictures.\nYou see now the first 25 Pictures.\n\n"
                                  "Press N for next 25 pictures !");
    }
    Status st;
    Image quiet = lg::LoadQuiet(path, {}, st);
    ASSERT_TRUE(quiet) << st.error;
    EXPECT_EQ(quiet.height(), 649);
}
