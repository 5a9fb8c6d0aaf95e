#include "gtest_mingw.h"

#include <gtest/gtest.h>

#include "shell/logic/window_logic.h"

using lg::WorkArea;
using lg::StartPlacement;

TEST(StartPlacement, KeepsAPositionOnTheWorkArea) {
    const WorkArea work{0, 0, 1024, 738};
    auto p = StartPlacement(100, 50, work, 1024, 768);
    EXPECT_EQ(p.x, 100);
    EXPECT_EQ(p.y, 50);
    EXPECT_EQ(p.width, 435);
}

TEST(StartPlacement, MovesAPositionOffTheWorkAreaOntoIt) {
    const WorkArea work{60, 30, 1024, 768};  // task bar on the left and at the top
    auto p = StartPlacement(10, -200, work, 1024, 768);
    EXPECT_EQ(p.x, 60);
    EXPECT_EQ(p.y, 30);
}

TEST(StartPlacement, PositionBeyondTheScreenStartsAtZero) {
    const WorkArea work{0, 0, 800, 600};
    auto p = StartPlacement(800, 100, work, 800, 600);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 100);
    p = StartPlacement(100, 2000, work, 800, 600);
    EXPECT_EQ(p.x, 100);
    EXPECT_EQ(p.y, 0);
    p = StartPlacement(799, 599, work, 800, 600);  // last pixel is still on the screen
    EXPECT_EQ(p.x, 799);
    EXPECT_EQ(p.y, 599);
}

TEST(StartPlacement, HeightIsSixThirteenthsOfTheScreenAtMost435) {
    const WorkArea work{0, 0, 640, 480};
    EXPECT_EQ(StartPlacement(0, 0, work, 640, 480).height, 216);     // 480/13 = 36, *6
    EXPECT_EQ(StartPlacement(0, 0, work, 800, 600).height, 276);     // 46 * 6
    EXPECT_EQ(StartPlacement(0, 0, work, 1024, 768).height, 354);    // 59 * 6
    EXPECT_EQ(StartPlacement(0, 0, work, 1280, 1024).height, 435);   // 78 * 6 = 468, capped
    EXPECT_EQ(StartPlacement(0, 0, work, 1600, 1200).height, 435);
    EXPECT_EQ(StartPlacement(0, 0, work, 1600, 1200).width, 435);
}
