#include "ops_pictures.h"

#include <cmath>

#include "ops/effects.h"
#include "ops/fine_rotate.h"

using lg::Image;
using lg::Rect;
using namespace opstest;

namespace {

int At(const Image& img, int c, int r, int ch) { return img.row(r)[3 * c + ch]; }

TEST(FineRotate, AngleZeroSoftensTowardsTheLeftAndLowerNeighbours) {
    const Image src = Pattern(7, 6, 24, 21);
    Image img = src.Duplicate();
    ASSERT_TRUE(lg::ApplyEffect(img, lg::kEffectFineRotate, Rect{0, 0, 7, 6}, 0, 0));
    const float side = 0.5f * 0.5f * 0.7f;  // 0.175
    for (int r = 0; r < 6; ++r)
        for (int c = 0; c < 7; ++c)
            for (int ch = 0; ch < 3; ++ch) {
                const float wh = c > 0 ? side : 0, wv = r > 0 ? side : 0, wd = c > 0 && r > 0 ? side : 0;
                const float wc = 1 - (wh + wv + wd);  // 0.475 inside, more at the left and bottom
                const float sum = wc * At(src, c, r, ch) + wh * At(src, c > 0 ? c - 1 : c, r, ch) +
                                  wv * At(src, c, r > 0 ? r - 1 : r, ch) +
                                  wd * At(src, c > 0 ? c - 1 : c, r > 0 ? r - 1 : r, ch);
                ASSERT_EQ(At(img, c, r, ch), int(sum + 0.5f)) << c << "," << r;
            }
    EXPECT_EQ(At(img, 0, 0, 1), At(src, 0, 0, 1));
}

TEST(FineRotate, UniformAreasStayUniform) {
    for (int degrees : {0, 17, 45, 90, -30, 180, 359}) {
        Image img = Flat24(9, 8, {30, 140, 250});
        ASSERT_TRUE(lg::FineRotate(img, Rect{0, 0, 9, 8}, degrees, false));
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 9; ++x) ASSERT_EQ(Shown(img, x, y), (Rgb{30, 140, 250})) << degrees;
    }
}

TEST(FineRotate, PositiveAnglesTurnClockwiseOnScreen) {
    // White left column: a quarter turn right brings it to the top row,
    // a quarter turn left to the bottom row.
    for (int degrees : {90, -90}) {
        Image img = Flat24(5, 5, {0, 0, 0});
        for (int y = 0; y < 5; ++y) SetRgb(img, 0, y, {255, 255, 255});
        ASSERT_TRUE(lg::FineRotate(img, Rect{0, 0, 5, 5}, degrees, false));
        const int white = degrees > 0 ? 0 : 4, black = degrees > 0 ? 4 : 0;
        for (int x = 0; x < 5; ++x) {
            EXPECT_EQ(Shown(img, x, white)[0], 255) << degrees << " " << x;
            EXPECT_EQ(Shown(img, x, black)[0], 0) << degrees << " " << x;
        }
    }
}

TEST(FineRotate, PixelCentresAreCopiedExactly) {
    // 4 x 3 turned a quarter: every target point falls on a source pixel
    // centre (fx = fy = 0.5), where no neighbour takes a share.
    const Image src = Pattern(10, 9, 24, 22);
    Image img = src.Duplicate();
    const Rect r{3, 2, 4, 3};
    ASSERT_TRUE(lg::FineRotate(img, r, 90, false));
    const double cx = 3 + 1.5, cy = 2 + 1;
    int copied = 0;
    for (int j = 0; j < 9; ++j)
        for (int i = 0; i < 10; ++i) {
            const double sx = cx - (j - cy), sy = cy + (i - cx);
            const int u = int(std::floor(sx)), v = int(std::floor(sy));
            if (u < r.x || u >= r.x + r.w || v < r.y || v >= r.y + r.h) continue;
            for (int ch = 0; ch < 3; ++ch) ASSERT_EQ(At(img, i, j, ch), At(src, u, v, ch)) << i << "," << j;
            ++copied;
        }
    EXPECT_EQ(copied, 12);
}

TEST(FineRotate, TheWholePictureKeepsItsSizeAndUncoveredPartsStayOrTurnBlack) {
    for (bool clear : {false, true}) {
        Image img = Flat24(7, 3, {200, 100, 50});
        ASSERT_TRUE(lg::FineRotate(img, Rect{0, 0, 7, 3}, 90, clear));
        EXPECT_EQ(img.width(), 7);
        EXPECT_EQ(img.height(), 3);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 7; ++x) {
                const bool covered = x >= 2 && x <= 4;
                ASSERT_EQ(Shown(img, x, y), (covered || !clear ? Rgb{200, 100, 50} : Rgb{0, 0, 0})) << x << "," << y;
            }
    }
}

TEST(FineRotate, ASelectionMayPaintUpToItsTargetBox) {
    const Image src = Pattern(12, 12, 24, 23);
    const Rect r{4, 5, 5, 2};
    const Rect box = lg::FineRotateTargetBox(r, 90, 12, 12);
    // The corners turn to columns 6-8 and rows 3-8, widened by one pixel.
    EXPECT_EQ(box, (Rect{5, 2, 4, 7}));
    Image img = src.Duplicate();
    ASSERT_TRUE(lg::FineRotate(img, r, 90, false));
    bool outside = false;
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x) {
            bool changed = false;
            for (int ch = 0; ch < 3; ++ch) changed |= At(img, x, y, ch) != At(src, x, y, ch);
            const bool inBox = x >= box.x && x < box.x + box.w && y >= box.y && y < box.y + box.h;
            const bool inRect = x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h;
            if (changed) {
                ASSERT_TRUE(inBox) << x << "," << y;
            }
            outside |= changed && !inRect;
        }
    EXPECT_TRUE(outside);
    EXPECT_EQ(lg::FineRotateTargetBox(Rect{0, 0, 10, 10}, 45, 10, 10), (Rect{0, 0, 10, 10}));
}

TEST(FineRotate, NothingHappensWithoutARectangleOrTrueColour) {
    Image img = Pattern(5, 5, 24, 24);
    const Image src = img.Duplicate();
    EXPECT_FALSE(lg::FineRotate(img, Rect{0, 0, 0, 5}, 30, true));
    EXPECT_FALSE(lg::FineRotate(img, Rect{5, 5, 3, 3}, 30, true));
    EXPECT_TRUE(SameBlock(img, src));
    Image eight = Pattern(5, 5, 8, 24);
    EXPECT_FALSE(lg::FineRotate(eight, Rect{0, 0, 5, 5}, 30, false));
    // Huge angles are only turns.
    Image big = src.Duplicate(), small = src.Duplicate();
    ASSERT_TRUE(lg::FineRotate(big, Rect{0, 0, 5, 5}, 360 * 1000 + 30, false));
    ASSERT_TRUE(lg::FineRotate(small, Rect{0, 0, 5, 5}, 30, false));
    int differ = 0;
    for (size_t i = 0; i < big.pixelBytes(); ++i) differ += std::abs(big.pixels()[i] - small.pixels()[i]) > 1;
    EXPECT_LT(differ, 3);
}

}  // namespace
