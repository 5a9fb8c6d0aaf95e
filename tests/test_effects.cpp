#include "ops_pictures.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "ops/effects.h"

using lg::Image;
using lg::Rect;
using namespace opstest;

namespace {

// Channel ch of the pixel at column c, stored row r.
int At(const Image& img, int c, int r, int ch) { return img.row(r)[3 * c + ch]; }

// Runs an effect on a copy.
Image Applied(const Image& src, int code, Rect r, int p1, int p2 = 0) {
    Image img = src.Duplicate();
    EXPECT_TRUE(lg::ApplyEffect(img, code, r, p1, p2)) << code;
    return img;
}

bool Inside(const Rect& r, int c, int y) { return c >= r.x && c < r.x + r.w && y >= r.y && y < r.y + r.h; }

// Each channel inside `r` is reduce(the window of (2k+1)^2 pixels around it
// that lies inside `r`); outside `r` nothing changed.
template <typename Reduce>
void ExpectWindowed(const Image& src, const Image& out, const Rect& r, int k, Reduce reduce) {
    for (int y = 0; y < src.height(); ++y)
        for (int c = 0; c < src.width(); ++c)
            for (int ch = 0; ch < 3; ++ch) {
                int want = At(src, c, y, ch);
                if (Inside(r, c, y)) {
                    std::vector<int> v;
                    for (int wy = std::max(r.y, y - k); wy <= std::min(r.y + r.h - 1, y + k); ++wy)
                        for (int wx = std::max(r.x, c - k); wx <= std::min(r.x + r.w - 1, c + k); ++wx)
                            v.push_back(At(src, wx, wy, ch));
                    want = reduce(v);
                }
                ASSERT_EQ(At(out, c, y, ch), want) << c << "," << y;
            }
}

TEST(Effects, BlurIsTheMeanOfTheWindowInsideTheRectangle) {
    const Image src = Pattern(23, 17, 24, 11);
    const Rect r{2, 3, 19, 12};
    for (int p1 : {3, 4, 9}) {  // 4 from the settings file means a 5 x 5 window
        SCOPED_TRACE(p1);
        ExpectWindowed(src, Applied(src, lg::kEffectBlur, r, p1), r, p1 / 2, [](std::vector<int>& v) {
            int sum = 0;
            for (int x : v) sum += x;
            return sum / int(v.size());
        });
    }
}

TEST(Effects, MedianTakesTheMiddleOfTheWindowInsideTheRectangle) {
    const Image src = Pattern(21, 15, 24, 12);
    const Rect r{1, 1, 19, 13};
    for (int p1 : {3, 5}) {
        SCOPED_TRACE(p1);
        ExpectWindowed(src, Applied(src, lg::kEffectMedian, r, p1), r, p1 / 2, [](std::vector<int>& v) {
            std::sort(v.begin(), v.end());
            const size_t n = v.size();
            return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
        });
    }
    // A corner of 10, 20, 30, 40 gives 25.
    Image four = Flat24(2, 2, {10, 10, 10});
    std::memset(four.row(0) + 3, 20, 3);
    std::memset(four.row(1), 30, 3);
    std::memset(four.row(1) + 3, 40, 3);
    EXPECT_EQ(At(Applied(four, lg::kEffectMedian, Rect{0, 0, 2, 2}, 3), 0, 0, 1), 25);
}

TEST(Effects, EmbossOfAFlatAreaIsMidGrey) {
    const Image out = Applied(Flat24(6, 5, {200, 30, 90}), lg::kEffectEmboss, Rect{0, 0, 6, 5}, 0);
    for (int y = 0; y < 5; ++y)
        for (int c = 0; c < 6; ++c) ASSERT_EQ(Shown(out, c, y), (Rgb{128, 128, 128}));
    // A brighter upper right pushes the interior above 128.
    Image ramp = Flat24(5, 5, {0, 0, 0});
    for (int y = 0; y < 5; ++y)
        for (int c = 0; c < 5; ++c) std::memset(ramp.row(y) + 3 * c, 20 * (c + y), 3);
    const Image up = Applied(ramp, lg::kEffectEmboss, Rect{0, 0, 5, 5}, 0);
    EXPECT_EQ(At(up, 2, 2, 0), 128 + (100 + 2 * (120 - 40) + 100 - 60 - 60) / 8);
    EXPECT_EQ(At(up, 0, 0, 0), 128);
}

TEST(Effects, EdgeDetectionBlackensFlatInteriorsAndStretchesTheRest) {
    const Image out = Applied(Flat24(5, 4, {100, 50, 20}), lg::kEffectEdges, Rect{0, 0, 5, 4}, 0);
    // Largest grey (11 * 20 + 16 * 50 + 5 * 100) >> 5 = 47 on the border.
    const Rgb border{255, 255, 20 * 255 / 47};
    for (int y = 0; y < 4; ++y)
        for (int c = 0; c < 5; ++c) {
            const bool edge = y == 0 || y == 3 || c == 0 || c == 4;
            ASSERT_EQ(Shown(out, c, y), edge ? border : (Rgb{0, 0, 0})) << c << "," << y;
        }
}

TEST(Effects, OilPaintWindowReachesTwoLeftAndDownButOneRightAndUp) {
    const Rgb a{200, 0, 0}, b{0, 0, 200};
    Image img = Flat24(6, 6, a);
    for (int r = 1; r <= 4; ++r)
        for (int c = 1; c <= 2; ++c) SetRgb(img, c, 5 - r, b);  // columns 1-2, stored rows 1-4
    const Image out = Applied(img, lg::kEffectOilPaint, Rect{0, 0, 6, 6}, 3);
    // (3, 3): columns 1-4, rows 1-4: eight of each, and b is met first.
    EXPECT_EQ(Shown(out, 3, 5 - 3), b);
    // (4, 3): columns 2-5 hold only four of b.
    EXPECT_EQ(Shown(out, 4, 5 - 3), a);
    // (0, 5): columns 0-1 of rows 3-5 (the top is cut): a at column 0 wins.
    EXPECT_EQ(Shown(out, 0, 0), a);
}

TEST(Effects, PixelizeSplitsTheOverhangEvenly) {
    const Image src = Pattern(16, 16, 24, 13);
    const Rect r{2, 3, 12, 12};
    const Image out = Applied(src, lg::kEffectPixelize, r, 5, 5);
    // 3 x 3 blocks; the grid starts one pixel before the rectangle: 4, 5, 3 wide.
    const int edges[] = {0, 4, 9, 12};
    for (int by = 0; by < 3; ++by)
        for (int bx = 0; bx < 3; ++bx)
            for (int ch = 0; ch < 3; ++ch) {
                int sum = 0, n = 0;
                for (int y = edges[by]; y < edges[by + 1]; ++y)
                    for (int x = edges[bx]; x < edges[bx + 1]; ++x, ++n) sum += At(src, r.x + x, r.y + y, ch);
                for (int y = edges[by]; y < edges[by + 1]; ++y)
                    for (int x = edges[bx]; x < edges[bx + 1]; ++x)
                        ASSERT_EQ(At(out, r.x + x, r.y + y, ch), sum / n) << bx << "," << by;
            }
    EXPECT_EQ(At(out, 1, 5, 0), At(src, 1, 5, 0));
    // A block of 0 is taken as 1: nothing changes, nothing divides by zero.
    EXPECT_TRUE(SameBlock(Applied(src, lg::kEffectPixelize, r, 0, 0), src));
    EXPECT_TRUE(SameBlock(Applied(src, lg::kEffectPixelize, r, -4, 1), src));
}

TEST(Effects, ExplosionShufflesPixelsWithinTheRectangle) {
    const Image src = Pattern(20, 14, 24, 14);
    const Rect r{3, 2, 12, 9};
    Image still = src.Duplicate();
    ASSERT_TRUE(lg::Explode(still, r, 0, 0, 1));
    EXPECT_TRUE(SameBlock(still, src));
    for (auto [dx, dy] : {std::pair{3, 3}, {-4, 0}, {100, 1}}) {
        Image img = src.Duplicate();
        ASSERT_TRUE(lg::Explode(img, r, dx, dy, 42));
        EXPECT_FALSE(SameBlock(img, src));
        std::vector<int> before, after;
        for (int y = 0; y < 14; ++y)
            for (int c = 0; c < 20; ++c) {
                const int p = At(img, c, y, 0) | At(img, c, y, 1) << 8 | At(img, c, y, 2) << 16;
                const int q = At(src, c, y, 0) | At(src, c, y, 1) << 8 | At(src, c, y, 2) << 16;
                if (Inside(r, c, y)) {
                    after.push_back(p);
                    before.push_back(q);
                } else {
                    ASSERT_EQ(p, q);
                }
            }
        std::sort(before.begin(), before.end());
        std::sort(after.begin(), after.end());
        EXPECT_EQ(before, after);
    }
}

TEST(Effects, SharpenRaisesTheValueOfADetailAndKeepsItsHue) {
    Image img = Flat24(5, 5, {40, 40, 40});
    SetRgb(img, 2, 2, {120, 60, 30});
    const Image out = Applied(img, lg::kEffectSharpen, Rect{0, 0, 5, 5}, 50);
    const Rgb c = Shown(out, 2, 2);
    EXPECT_GT(c[0], 120);
    EXPECT_NEAR(double(c[1]) / c[0], 0.5, 0.02);
    EXPECT_NEAR(double(c[2]) / c[0], 0.25, 0.02);
    EXPECT_EQ(Shown(out, 0, 0), (Rgb{40, 40, 40}));   // the border is not touched
    EXPECT_LT(Shown(out, 1, 1)[0], 40);                // the surroundings darken
    const Image flat = Flat24(4, 4, {90, 150, 210});
    EXPECT_TRUE(SameBlock(Applied(flat, lg::kEffectSharpen, Rect{0, 0, 4, 4}, 50), flat));
    // 100 from the settings file would divide by zero.
    const Image strong = Applied(img, lg::kEffectSharpen, Rect{0, 0, 5, 5}, 100);
    EXPECT_EQ(Shown(strong, 2, 2)[0], 255);
}

// Sharpen works on four pixels of a row at once where it can and on one at a
// time at the row's end. Column c's result depends on columns c - 1 .. c + 1
// only, so a picture and the same picture without its last column must agree
// on every column both change: in one they fall in groups of four, in the
// other at the end. Colours of every hue sector, greys, black and white.
TEST(Effects, SharpenGivesEveryPixelTheSameWhereverItFallsInTheRow) {
    const int w = 14, h = 9;
    Image wide = Pattern(w, h, 24, 41u);
    const Rgb special[] = {{0, 0, 0},     {255, 255, 255}, {128, 128, 128}, {255, 0, 0},  {0, 255, 0},
                           {0, 0, 255},   {255, 255, 0},   {0, 255, 255},   {255, 0, 255}, {200, 10, 10},
                           {10, 200, 200}, {1, 0, 0}};
    for (int i = 0; i < 12; ++i) SetRgb(wide, 1 + i, 4, special[i]);
    for (int x = 0; x < w; ++x) SetRgb(wide, x, 6, {x * 18, x * 18, x * 18});
    for (int p1 : {1, 50, 99})
        for (int cut = 1; cut <= 4; ++cut) {
            SCOPED_TRACE(std::to_string(p1) + ", " + std::to_string(cut) + " columns fewer");
            Image narrow = Image::Create(w - cut, h, 24, 0);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w - cut; ++x) SetRgb(narrow, x, y, Shown(wide, x, y));
            const Image a = Applied(wide, lg::kEffectSharpen, Rect{0, 0, w, h}, p1);
            const Image b = Applied(narrow, lg::kEffectSharpen, Rect{0, 0, w - cut, h}, p1);
            for (int y = 1; y + 1 < h; ++y)
                for (int x = 1; x + 1 < w - cut; ++x) ASSERT_EQ(Shown(a, x, y), Shown(b, x, y)) << x << "," << y;
        }
}

TEST(Effects, OnlyTheRectangleChanges) {
    const Image src = Pattern(12, 10, 24, 15);
    const Rect r{3, 2, 6, 5};
    for (int code : {1, 2, 3, 4, 5, 6, 7, 8}) {
        SCOPED_TRACE(code);
        const Image out = Applied(src, code, r, 3, 3);
        for (int y = 0; y < 10; ++y)
            for (int c = 0; c < 12; ++c)
                if (!Inside(r, c, y)) {
                    for (int ch = 0; ch < 3; ++ch) ASSERT_EQ(At(out, c, y, ch), At(src, c, y, ch)) << c << "," << y;
                }
    }
}

TEST(Effects, UnsuitablePicturesAndCodesAreRefused) {
    Image eight = Pattern(4, 4, 8, 1);
    EXPECT_FALSE(lg::ApplyEffect(eight, lg::kEffectBlur, Rect{0, 0, 4, 4}, 3, 0));
    Image img = Pattern(4, 4, 24, 1);
    const Image src = img.Duplicate();
    EXPECT_FALSE(lg::ApplyEffect(img, 0, Rect{0, 0, 4, 4}, 3, 0));
    EXPECT_FALSE(lg::ApplyEffect(img, 10, Rect{0, 0, 4, 4}, 3, 0));
    EXPECT_FALSE(lg::ApplyEffect(img, lg::kEffectBlur, Rect{4, 0, 4, 4}, 3, 0));
    EXPECT_TRUE(SameBlock(img, src));
    // Huge windows from the settings file are limited, not attempted.
    EXPECT_TRUE(lg::ApplyEffect(img, lg::kEffectMedian, Rect{0, 0, 4, 4}, 2000000000, 0));
    EXPECT_TRUE(lg::ApplyEffect(img, lg::kEffectOilPaint, Rect{0, 0, 4, 4}, 2000000001, 0));
    EXPECT_TRUE(lg::ApplyEffect(img, lg::kEffectBlur, Rect{0, 0, 4, 4}, 2000000000, 0));
    EXPECT_TRUE(lg::ApplyEffect(img, lg::kEffectPixelize, Rect{0, 0, 4, 4}, 2000000000, 2000000000));
}

TEST(Effects, PalettePicturesComeBackWithTwoHundredFiftySixColours) {
    for (int bits : {1, 4, 8}) {
        SCOPED_TRACE(bits);
        Image img = Pattern(9, 7, bits, 16);
        ASSERT_TRUE(lg::ApplyEffectToPicture(img, lg::kEffectBlur, Rect{0, 0, 9, 7}, 3, 0));
        EXPECT_EQ(img.bitCount(), 8);
        EXPECT_EQ(img.colorsUsed(), 256u);
    }
    Image eight = Pattern(9, 7, 8, 16);
    const Image keep = eight.Duplicate();
    EXPECT_FALSE(lg::ApplyEffectToPicture(eight, 77, Rect{0, 0, 9, 7}, 0, 0));
    EXPECT_TRUE(SameBlock(eight, keep));
}

TEST(EffectSetup, FieldsAreAdjustedOnOkAndEachCodeTakesItsParameters) {
    EXPECT_EQ(lg::AcceptSharpen(0), 1);
    EXPECT_EQ(lg::AcceptSharpen(150), 99);
    EXPECT_EQ(lg::AcceptOddWindow(2, 3, 33), 3);
    EXPECT_EQ(lg::AcceptOddWindow(34, 3, 33), 33);
    EXPECT_EQ(lg::AcceptOddWindow(10, 3, 9), 9);
    lg::EffectSettings typed;
    typed.blur = 8;
    typed.pixelizeX = 0;  // stored as typed; the effect treats it as 1
    typed.explodeY = 2;
    const lg::EffectSettings s = lg::AcceptEffectFields(typed, -30);
    EXPECT_EQ(s.blur, 9);
    EXPECT_EQ(s.pixelizeX, 0);
    EXPECT_EQ(s.fineRotateDegrees, 30);
    EXPECT_TRUE(s.fineRotateMinus);
    EXPECT_EQ(lg::FineRotateField(s), -30);
    EXPECT_EQ(lg::EffectArguments(lg::kEffectFineRotate, s).p1, -30);
    EXPECT_EQ(lg::EffectArguments(lg::kEffectSharpen, s).p1, 50);
    EXPECT_EQ(lg::EffectArguments(lg::kEffectEmboss, s).p1, 0);
    EXPECT_EQ(lg::EffectArguments(lg::kEffectExplode, s).p2, 2);
}

}  // namespace
