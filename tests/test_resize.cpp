#include "ops_pictures.h"

#include <climits>
#include <cstring>
#include <vector>

#include "ops/resize.h"

using lg::Image;
using namespace opstest;

namespace {

const int kDepths[] = {1, 4, 8, 24};

// Index (or 24-bit pixel as one number) at column x of stored row y.
int StoredAt(const Image& img, int x, int y) {
    if (img.bitCount() == 24) {
        const uint8_t* p = img.row(y) + 3 * x;
        return p[0] | p[1] << 8 | p[2] << 16;
    }
    return IndexAt(img, x, img.height() - 1 - y);
}

Image Grey8(int w, int h, const std::vector<int>& values) {  // bottom row first
    Image img = Image::Create(w, h, 8, 0);
    lg::FillGreyRamp(img.palette());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.row(y)[x] = uint8_t(values[size_t(y * w + x)]);
    return img;
}

TEST(Resize, NearestNeighbourPicksSourcePixelsAtEveryDepth) {
    for (int bits : kDepths) {
        SCOPED_TRACE(bits);
        Image src = Pattern(11, 6, bits, 9u + unsigned(bits));
        src.setResolution(100, 200);
        for (auto [nw, nh] : {std::pair{22, 12}, {5, 3}, {11, 9}, {13, 6}, {1, 1}}) {
            const Image out = lg::ResizeImage(src, nw, nh);
            ASSERT_TRUE(out);
            ASSERT_EQ(out.bitCount(), bits);
            EXPECT_EQ(out.xResolution(), 100);
            EXPECT_EQ(out.colorsUsedField(), src.colorsUsedField());
            EXPECT_EQ(0, std::memcmp(out.palette(), src.palette(), src.paletteBytes()));
            for (int y = 0; y < nh; ++y)
                for (int x = 0; x < nw; ++x)
                    ASSERT_EQ(StoredAt(out, x, y), StoredAt(src, x * 11 / nw, y * 6 / nh))
                        << nw << "x" << nh << " at " << x << "," << y;
        }
    }
}

TEST(Resize, ThreeToSixDoublesAndSixToThreeKeepsEveryOther) {
    Image three = Grey8(3, 1, {10, 20, 30});
    Image six = lg::ResizeImage(three, 6, 1);
    ASSERT_TRUE(six);
    EXPECT_EQ(0, std::memcmp(six.row(0), "\x0a\x0a\x14\x14\x1e\x1e", 6));
    Image back = lg::ResizeImage(Grey8(6, 1, {1, 2, 3, 4, 5, 6}), 3, 1);
    EXPECT_EQ(0, std::memcmp(back.row(0), "\x01\x03\x05", 3));
}

TEST(Resize, OneBitRowsGetExactlyTheirBits) {
    Image src = Image::Create(10, 1, 1, 0);
    src.row(0)[0] = 0xFF;
    src.row(0)[1] = 0xC0;  // all ten pixels set
    const Image out = lg::ResizeImage(src, 13, 1);
    ASSERT_TRUE(out);
    EXPECT_EQ(out.row(0)[0], 0xFF);
    EXPECT_EQ(out.row(0)[1], 0xF8);
    EXPECT_EQ(out.row(0)[2], 0);
    EXPECT_EQ(out.row(0)[3], 0);
}

TEST(Resize, SizesBelowOneAreOneAndAbsurdSizesFail) {
    const Image src = Pattern(4, 4, 24, 1);
    Image out = lg::ResizeImage(src, 0, -5);
    ASSERT_TRUE(out);
    EXPECT_EQ(out.width(), 1);
    EXPECT_EQ(out.height(), 1);
    out = lg::ResampleImage(src, 0, 0, 5);
    ASSERT_TRUE(out);
    EXPECT_EQ(out.width(), 1);
    EXPECT_FALSE(lg::ResizeImage(src, INT_MAX, 2));
    EXPECT_FALSE(lg::ResizeImage(src, 1 << 17, 1 << 17));
    EXPECT_FALSE(lg::ResampleImage(src, 1 << 17, 1 << 17, 5));
    EXPECT_FALSE(lg::ResampleImage(Pattern(4, 4, 4, 1), 8, 8, 5));  // resample wants 8 or 24 bits
}

TEST(Resample, ConstantPicturesStayConstant) {
    // Growing in both directions or shrinking in both is exact; growing one
    // way while shrinking the other sums unnormalised weights, near 1.
    for (int bits : {8, 24})
        for (int filter = 1; filter <= 5; ++filter)
            for (auto [nw, nh] : {std::pair{17, 23}, {3, 2}, {7, 7}, {25, 4}, {2, 30}, {1, 9}, {40, 1}}) {
                SCOPED_TRACE(std::to_string(bits) + " bits, filter " + std::to_string(filter) + ", " +
                             std::to_string(nw) + "x" + std::to_string(nh));
                const bool exact = (nw >= 7) == (nh >= 7);
                Image src = bits == 24 ? Flat24(7, 7, {200, 13, 77}) : Grey8(7, 7, std::vector<int>(49, 77));
                const Image out = lg::ResampleImage(src, nw, nh, filter);
                ASSERT_TRUE(out);
                ASSERT_EQ(out.bitCount(), bits);
                for (int y = 0; y < nh; ++y)
                    for (int x = 0; x < nw; ++x) {
                        const int got = out.row(y)[3 * x * (bits / 24)];  // blue or the grey level
                        if (exact)
                            ASSERT_EQ(StoredAt(out, x, y), StoredAt(src, 0, 0)) << x << "," << y;
                        else
                            ASSERT_NEAR(got, 77, 6) << x << "," << y;
                    }
            }
}

TEST(Resample, AreaAveragingOfTwoByTwoBlocksIsTheirMeanRoundedUp) {
    const std::vector<int> v = {10, 11, 40, 41,  //
                                20, 25, 0, 255,  //
                                7, 8, 9, 10,     //
                                1, 2, 3, 4};
    const Image out = lg::ResampleImage(Grey8(4, 4, v), 2, 2, 5);
    ASSERT_TRUE(out);
    // Each pair of rows, then each pair of columns: (1 + a + b) / 2.
    auto pair = [](int a, int b) { return (1 + a + b) / 2; };
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x) {
            const int a = pair(v[size_t(8 * y + 2 * x)], v[size_t(8 * y + 4 + 2 * x)]);
            const int b = pair(v[size_t(8 * y + 2 * x + 1)], v[size_t(8 * y + 4 + 2 * x + 1)]);
            EXPECT_EQ(out.row(y)[x], pair(a, b)) << x << "," << y;
        }
}

TEST(Resample, AreaAveragingMatchesImageMagicksBoxScaling) {
    const Image src = LoadBmp("ops_plasma.bmp");
    ASSERT_TRUE(src);
    EXPECT_TRUE(ShowsPpm(lg::ResampleImage(src, 24, 15, 5), "ops_plasma_half.ppm", 1));
    EXPECT_TRUE(ShowsPpm(lg::ResampleImage(src, 16, 10, 5), "ops_plasma_third.ppm", 1));
}

TEST(Resample, TriangleDoublingCentresOutputZeroBetweenSourcePixels) {
    const Image out = lg::ResampleImage(Grey8(2, 2, {10, 30, 10, 30}), 4, 4, lg::kFilterTriangle);
    ASSERT_TRUE(out);
    for (int y = 0; y < 4; ++y) EXPECT_EQ(0, std::memcmp(out.row(y), "\x14\x1e\x1e\x1e", 4)) << y;
    const Image tall = lg::ResampleImage(Grey8(1, 2, {10, 30}), 1, 4, lg::kFilterTriangle);
    EXPECT_EQ(tall.row(0)[0], 20);
    EXPECT_EQ(tall.row(1)[0], 30);
}

TEST(Resample, OvershootIsClampedNotWrapped) {
    // A hard edge: the cubic's negative lobes ring below 0 and above 255.
    std::vector<int> v;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 8; ++x) v.push_back(x < 4 ? 0 : 255);
    const Image out = lg::ResampleImage(Grey8(8, 3, v), 20, 3, lg::kFilterMitchellCubic);
    ASSERT_TRUE(out);
    const uint8_t* row = out.row(1);
    bool rings = false;
    for (int x = 1; x < 20; ++x) {
        EXPECT_GE(row[x], row[x - 1]) << x;
        rings |= row[x] == 255 && row[x - 1] < 255;
    }
    EXPECT_TRUE(rings);
}

TEST(Resample, TheCommandWidensPalettePicturesAndCanReduceThemAgain) {
    // 1 bit becomes grey levels, 4 and 8 bits true colour; a reduction brings
    // only former palette pictures back to 256 colours.
    const struct { int bits; bool reduce; int want; } cases[] = {
        {1, false, 8}, {4, false, 24}, {8, false, 24}, {4, true, 8}, {24, true, 24}};
    for (const auto& c : cases) {
        const Image out = lg::ResamplePicture(Pattern(9, 5, c.bits, 3), 18, 10, 5, c.reduce);
        ASSERT_TRUE(out);
        EXPECT_EQ(out.bitCount(), c.want) << c.bits << " " << c.reduce;
    }
}

std::pair<int, int> Wh(lg::PixelSize s) { return {s.width, s.height}; }

TEST(ResizeDialog, PresetsKeepTheAspectRatioWhenAsked) {
    EXPECT_EQ(Wh(lg::HalfSize(801, 601, true)), (std::pair{400, 300}));
    EXPECT_EQ(Wh(lg::HalfSize(800, 601, true)), (std::pair{400, 301}));  // round(300.5)
    EXPECT_EQ(Wh(lg::HalfSize(800, 601, false)), (std::pair{400, 300}));
    EXPECT_EQ(Wh(lg::DoubleSize(300, 7, true)), (std::pair{600, 14}));
    EXPECT_EQ(Wh(lg::PresetSize(640, 480, 1000, 500, true)), (std::pair{640, 320}));
    EXPECT_EQ(Wh(lg::PresetSize(640, 480, 1000, 500, false)), (std::pair{640, 480}));
    const lg::AspectRatios r = lg::RatiosOf(1024, 768);
    EXPECT_EQ(lg::ProportionalValue(300, r.widthPerHeight), 400);
    EXPECT_EQ(lg::ProportionalValue(401, r.heightPerWidth), 301);  // 300.75
    EXPECT_EQ(lg::ProportionalValue(INT_MAX, 2.0f), INT_MAX);
}

TEST(ResizeDialog, BestFitUsesTheRoomOnTheDesktop) {
    EXPECT_EQ(Wh(lg::DesktopRoom(1024, 738, true, 29, 19)), (std::pair{1018, 685}));
    auto fit = [](int w, int h, int a, int b) { return Wh(lg::BestFitSize(w, h, lg::PixelSize{a, b})); };
    EXPECT_EQ(fit(1600, 1200, 1018, 700), (std::pair{933, 700}));  // height bound
    EXPECT_EQ(fit(1000, 100, 1018, 700), (std::pair{1018, 102}));   // width bound
    EXPECT_EQ(fit(600, 900, 1018, 700), (std::pair{467, 700}));
    EXPECT_EQ(fit(600, 900, 300, 700), (std::pair{300, 450}));
    EXPECT_EQ(fit(500, 500, 1018, 700), (std::pair{700, 700}));
    EXPECT_EQ(fit(500, 500, 600, 700), (std::pair{600, 600}));
}

}  // namespace
