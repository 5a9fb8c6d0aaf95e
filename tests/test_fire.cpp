#include "gtest_mingw.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "shell/logic/fire.h"

using namespace lg;

namespace {

int Rgb(const FireColor& c) { return c.r << 16 | c.g << 8 | c.b; }

Fire Burnt(uint32_t seed, int ticks) {
    Fire f = NewFire(seed);
    for (int i = 0; i < ticks; ++i) FireTick(f);
    return f;
}

}  // namespace

TEST(FirePalette, SystemColoursThenBlackRedYellowWhite) {
    const auto p = FirePalette();
    EXPECT_EQ(Rgb(p[8]), 0xC0DCC0);
    EXPECT_EQ(Rgb(p[15]), 0x999999);
    EXPECT_EQ(Rgb(p[63]), 0x000000);
    EXPECT_EQ(Rgb(p[64]), 0x030000);
    EXPECT_EQ(Rgb(p[127]), 0xFF0000);
    EXPECT_EQ(Rgb(p[128]), 0xFF0300);
    EXPECT_EQ(Rgb(p[191]), 0xFFFF00);
    EXPECT_EQ(Rgb(p[192]), 0xFFFF03);
    EXPECT_EQ(Rgb(p[255]), 0xFFFFFF);
    Fire f = NewFire();
    ASSERT_TRUE(f.picture);
    EXPECT_EQ(f.picture.palette()[4 * 127 + 2], 255);  // the picture carries it (blue, green, red)
}

TEST(Fire, SourceMarginsStayColdAndOnlyTheMiddleBurns) {
    Fire f = Burnt(7, 400);
    const uint8_t* bottom = f.picture.row(0);
    for (int j = 0; j < 100; ++j) {
        if (j <= 37 || j >= 62) {
            EXPECT_EQ(bottom[j], 16) << j;
        }
    }
    EXPECT_GT(std::count_if(bottom + 38, bottom + 62, [](uint8_t v) { return v > 100; }), 12);
}

TEST(Fire, HeatStaysInRangeAndBelowTheBurningRows) {
    Fire f = Burnt(3, 600);
    const uint8_t* px = f.picture.pixels();
    EXPECT_TRUE(std::all_of(px, px + 100 * 100, [](uint8_t v) { return v >= 16 && v <= 216; }));
    EXPECT_TRUE(std::any_of(f.picture.row(40), f.picture.row(75), [](uint8_t v) { return v > 16; }));
    EXPECT_TRUE(std::all_of(px + 77 * 100, px + 100 * 100, [](uint8_t v) { return v == 16; }));
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

TEST(Fire, SameSeedSameFire) {
    Fire a = Burnt(42, 50), b = Burnt(42, 50), c = Burnt(43, 50);
    EXPECT_EQ(std::memcmp(a.picture.pixels(), b.picture.pixels(), 100 * 100), 0);
    EXPECT_NE(std::memcmp(a.picture.pixels(), c.picture.pixels(), 100 * 100), 0);
}
