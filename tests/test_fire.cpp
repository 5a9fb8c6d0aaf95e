#include "gtest_mingw.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "shell/logic/fire.h"

using namespace lg;

namespace {

bool SameColor(const FireColor& c, int r, int g, int b) { return c.r == r && c.g == g && c.b == b; }

Fire Burnt(uint32_t seed, int ticks) {
    Fire f = NewFire(seed);
    for (int i = 0; i < ticks; ++i) FireTick(f);
    return f;
}

}  // namespace

TEST(FirePalette, SystemColoursThenBlackRedYellowWhite) {
    const auto p = FirePalette();
    EXPECT_TRUE(SameColor(p[0], 0, 0, 0));
    EXPECT_TRUE(SameColor(p[8], 192, 220, 192));
    EXPECT_TRUE(SameColor(p[15], 153, 153, 153));
    EXPECT_TRUE(SameColor(p[16], 0, 0, 0));
    EXPECT_TRUE(SameColor(p[63], 0, 0, 0));
    EXPECT_TRUE(SameColor(p[64], 3, 0, 0));
    EXPECT_TRUE(SameColor(p[127], 255, 0, 0));
    EXPECT_TRUE(SameColor(p[128], 255, 3, 0));
    EXPECT_TRUE(SameColor(p[191], 255, 255, 0));
    EXPECT_TRUE(SameColor(p[192], 255, 255, 3));
    EXPECT_TRUE(SameColor(p[255], 255, 255, 255));
}

TEST(Fire, StartsColdWithItsPaletteInThePicture) {
    Fire f = NewFire();
    ASSERT_TRUE(f.picture);
    EXPECT_EQ(f.picture.width(), 100);
    EXPECT_EQ(f.picture.height(), 100);
    EXPECT_EQ(f.picture.bitCount(), 8);
    EXPECT_EQ(f.picture.colorsUsed(), 256u);
    const uint8_t* px = f.picture.pixels();
    EXPECT_TRUE(std::all_of(px, px + f.picture.pixelBytes(), [](uint8_t v) { return v == 16; }));
    const uint8_t* white = f.picture.palette() + 4 * 255;
    EXPECT_EQ(white[0] + white[1] + white[2], 3 * 255);
    const uint8_t* red = f.picture.palette() + 4 * 127;  // blue, green, red
    EXPECT_EQ(red[0], 0);
    EXPECT_EQ(red[2], 255);
}

TEST(Fire, SourceMarginsStayColdAndOnlyTheMiddleBurns) {
    Fire f = Burnt(7, 400);
    const uint8_t* bottom = f.picture.row(0);
    for (int j = 0; j <= 37; ++j) EXPECT_EQ(bottom[j], 16) << j;
    for (int j = 62; j < 100; ++j) EXPECT_EQ(bottom[j], 16) << j;
    int hot = 0;
    for (int j = 38; j <= 61; ++j) hot += bottom[j] > 100;
    EXPECT_GT(hot, 12);
}

TEST(Fire, HeatStaysInRangeAndBelowTheBurningRows) {
    Fire f = Burnt(3, 600);
    const uint8_t* px = f.picture.pixels();
    EXPECT_TRUE(std::all_of(px, px + f.picture.pixelBytes(), [](uint8_t v) { return v >= 16 && v <= 216; }));
    // The flame rises but the rows above the burning ones never change.
    bool risen = false;
    for (int y = 20; y < 75; ++y)
        for (int j = 0; j < 100; ++j) risen |= f.picture.row(y)[j] > 16;
    EXPECT_TRUE(risen);
    for (int y = 77; y < 100; ++y)
        for (int j = 0; j < 100; ++j) ASSERT_EQ(f.picture.row(y)[j], 16) << y << "," << j;
}

TEST(Fire, SameSeedSameFire) {
    Fire a = Burnt(42, 50), b = Burnt(42, 50), c = Burnt(43, 50);
    const size_t n = a.picture.pixelBytes();
    EXPECT_EQ(std::memcmp(a.picture.pixels(), b.picture.pixels(), n), 0);
    EXPECT_NE(std::memcmp(a.picture.pixels(), c.picture.pixels(), n), 0);
}

TEST(Fire, FlameRisesStraightAboveItsSource) {
    // Drift goes both ways alike, so the heat's centre stays over the
    // source's middle (column 49.5) all the way up.
    Fire f = Burnt(5, 100);
    double mass = 0, moment = 0;
    for (int tick = 0; tick < 200; ++tick) {
        FireTick(f);
        for (int y = 10; y < 60; ++y)
            for (int j = 0; j < 100; ++j) {
                const int heat = f.picture.row(y)[j] - 16;
                mass += heat;
                moment += double(heat) * j;
            }
    }
    ASSERT_GT(mass, 0);
    EXPECT_NEAR(moment / mass, 49.5, 2.0);
}
