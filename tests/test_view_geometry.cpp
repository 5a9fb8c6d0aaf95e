#include "gtest_mingw.h"

#include <gtest/gtest.h>

#include <vector>

#include "shell/logic/view_geometry.h"

using namespace lg;

namespace {

// A 1024 x 768 screen with a 30-pixel task bar. Caption and menu, and the two
// bar sizes, differ on purpose so that a formula using the wrong one shows.
Metrics Screen1024() {
    Metrics m;
    m.fx = m.fy = 4;
    m.sw = 17;
    m.sh = 15;
    m.cap = 19;
    m.menu = 20;
    m.SW = m.FW = 1024;
    m.SH = 768;
    m.FH = 768 - 30 - 19;
    m.tb = 26;
    return m;
}
constexpr int kEw = 4 + 2 + 1;                 // frame around the picture
constexpr int kEh = 26 + 20 + 19 + 4 + 2 + 1;  // toolbar, menu, caption and frame

bool Same(const Placement& p, int left, int top, int width, int height) {
    return p.left == left && p.top == top && p.width == width && p.height == height;
}

}  // namespace

TEST(LayoutForPicture, WindowSizeAndBars) {
    const Metrics m = Screen1024();
    struct Case { int x, y, w, h; bool hBar, vBar; int width, height; };
    const Case cases[] = {
        {100, 50, 500, 400, false, false, 500 + kEw, 400 + kEh},
        {100, 50, 10, 20, false, false, 435, 20 + kEh},         // narrow: default width
        {0, 0, 500, 2000, false, true, kEw + 17 + 500, 19 + m.FH},
        {0, 100, 500, 2000, false, true, kEw + 17 + 500, 19 + m.FH - 100},
        {0, 0, 2000, 300, true, false, 1024, kEh + 15 + 300},
        {0, 0, 2000, 1500, true, true, 1024, 19 + m.FH},
        {0, 0, 1002, 1000, true, true, 1024, 19 + m.FH},        // fits only without the vertical bar
        {0, 0, 1000, 1000, false, true, kEw + 17 + 1000, 19 + m.FH},
        {1000, 0, 100, 2000, false, true, 435, 19 + m.FH},      // narrow near the right edge
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y << " " << c.w << "x" << c.h);
        const ViewLayout v = LayoutForPicture(m, c.x, c.y, c.w, c.h);
        EXPECT_EQ(v.hBar, c.hBar);
        EXPECT_EQ(v.vBar, c.vBar);
        EXPECT_EQ(v.width, c.width);
        EXPECT_EQ(v.height, c.height);
        // The ranges bring the last column and row exactly to the window's edges.
        if (v.hBar) {
            EXPECT_EQ(v.hRange + v.width - kEw - (v.vBar ? m.sw : 0), c.w);
        }
        if (v.vBar) {
            EXPECT_EQ(v.vRange + v.height - kEh - (v.hBar ? m.sh : 0), c.h);
        }
    }
    EXPECT_EQ(LayoutForPicture(m, 100, 50, 10, 20).x, 100);
    EXPECT_EQ(LayoutForPicture(m, 900, 50, 10, 20).x, 1024 - 435);  // kept on the screen
}

TEST(FitToDesktop, KeepsTheAspectWithinTheAvailableArea) {
    Metrics m = Screen1024();
    m.workLeft = 60;
    m.workTop = 5;
    const int ah = m.FH - (m.tb + m.menu + 6);  // 667; the width is 1018
    FitResult f = FitToDesktop(m, 100, 100, true, false);
    EXPECT_EQ(f.width, ah);
    EXPECT_EQ(f.height, ah);
    EXPECT_EQ(f.window.x, 60);
    EXPECT_EQ(f.window.y, 5);
    EXPECT_EQ(f.window.height, ah + m.tb + m.menu + m.cap + 6);
    f = FitToDesktop(m, 2000, 1000, false, true);
    EXPECT_EQ(f.width * 1000 + f.height, 1018 * 1000 + 509);
    f = FitToDesktop(m, 1200, 1000, true, false);  // wider, but the height decides: 1.2 x 667
    EXPECT_EQ(f.width * 1000 + f.height, 800 * 1000 + ah);
    f = FitToDesktop(m, 1000, 3000, true, false);
    EXPECT_EQ(f.width * 1000 + f.height, 222 * 1000 + ah);
    EXPECT_EQ(FitToDesktop(m, 10000, 1, true, false).height, 1);  // never 0
    // FitForBigImages alone leaves pictures that fit alone.
    EXPECT_FALSE(FitToDesktop(m, 300, 200, false, true).fit);
    EXPECT_TRUE(FitToDesktop(m, 300, 700, false, true).fit);
    // A square on a tall screen is limited by the width.
    m.SW = m.FW = 600;
    m.FH = 1000;
    EXPECT_EQ(FitToDesktop(m, 100, 100, true, false).height, 594);
}

namespace {

std::vector<int> ZoomRun(int factor, bool in, ZoomOutcome expectedEnd) {
    Zoom z;
    std::vector<int> seen;
    ZoomOutcome o;
    while ((o = in ? ZoomIn(z, factor) : ZoomOut(z, factor)) == ZoomOutcome::Changed)
        seen.push_back(z.percent);
    EXPECT_EQ(o, expectedEnd);
    return seen;
}

}  // namespace

TEST(Zoom, StepsAndLimits) {
    std::vector<int> up = ZoomRun(10, true, ZoomOutcome::AtMaximum);
    EXPECT_EQ(up.size(), 89u);
    EXPECT_EQ(up.back(), 990);
    EXPECT_EQ(ZoomRun(10, false, ZoomOutcome::AtMinimum),
              (std::vector<int>{90, 80, 70, 60, 50, 40, 30, 20, 10}));
    EXPECT_EQ(ZoomRun(50, false, ZoomOutcome::AtMinimum), std::vector<int>{50});
    up = ZoomRun(50, true, ZoomOutcome::AtMaximum);
    EXPECT_EQ(up.front() * 1000 + up.back(), 150 * 1000 + 950);
    EXPECT_EQ(ZoomRun(47, false, ZoomOutcome::AtMinimum), (std::vector<int>{53, 6}));
    EXPECT_EQ(ZoomRun(95, false, ZoomOutcome::AtMinimum), std::vector<int>{});
    EXPECT_EQ(ZoomRun(899, true, ZoomOutcome::AtMaximum), std::vector<int>{999});
}

TEST(Zoom, StepResetsAt100AndLimitsHoldWhateverTheFactor) {
    Zoom z;
    ZoomIn(z, 10);
    ZoomOut(z, 10);
    EXPECT_EQ(z.step, 0);
    for (int i = 0; i < 9; ++i) ZoomOut(z, 10);
    ASSERT_EQ(z.percent, 10);
    ZoomIn(z, 50);  // the factor changed while zoomed out
    EXPECT_EQ(z.percent, 60);
    Zoom a;
    ZoomIn(a, 0);  // a useless factor still moves
    EXPECT_EQ(a.percent, 101);
    EXPECT_EQ(ZoomIn(a, 2000000000), ZoomOutcome::AtMaximum);
    EXPECT_EQ(ZoomOut(a, 2000000000), ZoomOutcome::AtMinimum);
}

TEST(Zoom, ZoomedLengthRoundsHalfUp) {
    EXPECT_EQ(ZoomedLength(640, 150), 960);
    EXPECT_EQ(ZoomedLength(5, 110), 6);     // 5.5
    EXPECT_EQ(ZoomedLength(333, 30), 100);  // 99.9
    EXPECT_EQ(ZoomedLength(262144, 999), 2618819);
}

TEST(Scrolling, StepsClampAndZoomRescale) {
    EXPECT_EQ(ScrollTo(100, 1000, ScrollMove::LineForward, 600, 600), 120);
    EXPECT_EQ(ScrollTo(100, 1000, ScrollMove::PageBack, 600, 600), 0);
    EXPECT_EQ(ScrollTo(990, 1000, ScrollMove::PageForward, 600, 600), 1000);
    EXPECT_EQ(ScrollTo(5, 1000, ScrollMove::LineForward, 20, 1), 6);  // at least 1
    EXPECT_EQ(ScrollTo(5, 1000, ScrollMove::Thumb, 600, 600, 5000), 1000);
    EXPECT_EQ(ScrollBy(100, 1000, 2000000000), 1000);
    EXPECT_EQ(RescaleScrollPos(100, 400, 1000), 250);
    EXPECT_EQ(RescaleScrollPos(200000, 200000, 300000), 300000);
    EXPECT_EQ(RescaleScrollPos(50, 0, 1000), 0);
}

TEST(SelectionEdgeScroll, ScrollsTowardTheEdgeByALineWithinTheRange) {
    const ScrollBar h{true, 100, 1000}, v{true, 0, 500};
    EdgeScroll e = SelectionEdgeScroll(10, 300, 800, 600, 26, 20, h, v);  // left edge
    EXPECT_EQ(e.hPos * 1000 + e.startDx, 74 * 1000 + 26);
    EXPECT_FALSE(SelectionEdgeScroll(400, 40, 800, 600, 26, 20, h, v).moved());  // top, at 0
    e = SelectionEdgeScroll(795, 530, 800, 600, 26, 20, h, v);  // bottom zone: 3 menus + toolbar
    EXPECT_EQ(e.startDx, -26);
    EXPECT_EQ(e.vPos * 1000 + e.startDy, 20 * 1000 - 20);
    EXPECT_FALSE(SelectionEdgeScroll(400, 514, 800, 600, 26, 20, h, v).moved());
    e = SelectionEdgeScroll(795, 300, 800, 600, 26, 20, ScrollBar{true, 990, 1000}, v);
    EXPECT_EQ(e.startDx, -10);
    EXPECT_FALSE(SelectionEdgeScroll(1, 1, 800, 600, 26, 20, ScrollBar{}, ScrollBar{}).moved());
}

TEST(FullScreenPlacement, ThreeRules) {
    EXPECT_TRUE(Same(FullScreenPlacement(0, 200, 100, 1024, 768), 412, 334, 200, 100));
    EXPECT_TRUE(Same(FullScreenPlacement(7, 2000, 100, 1024, 768), 0, 334, 2000, 100));
    EXPECT_TRUE(Same(FullScreenPlacement(1, 200, 100, 1024, 768), 412, 334, 200, 100));
    EXPECT_TRUE(Same(FullScreenPlacement(1, 2000, 1000, 1024, 768), 0, 128, 1024, 512));
    EXPECT_TRUE(Same(FullScreenPlacement(1, 800, 1000, 1024, 768), 205, 0, 614, 768));
    EXPECT_TRUE(Same(FullScreenPlacement(1, 1200, 500, 1024, 768), 0, 170, 1024, 427));
    EXPECT_TRUE(Same(FullScreenPlacement(2, 200, 100, 1024, 768), 0, 128, 1024, 512));
    EXPECT_TRUE(Same(FullScreenPlacement(2, 100, 200, 1024, 768), 320, 0, 384, 768));
    // Fit all stays on the screen: slightly wider than high on 4:3, a square on a tall screen.
    EXPECT_TRUE(Same(FullScreenPlacement(2, 1100, 1000, 1024, 768), 89, 0, 845, 768));
    EXPECT_TRUE(Same(FullScreenPlacement(2, 100, 100, 768, 1024), 0, 128, 768, 768));
}

TEST(FullScreenView, NormalSizeLargerThanTheScreenScrollsFromTheTopLeft) {
    FullScreenView v;
    EXPECT_TRUE(Same(FullScreenPaint(v, 0, 2000, 500, 1024, 768), 0, 134, 2000, 500));
    EXPECT_TRUE(FullScreenScroll(v, true, ScrollMove::LineForward, 1024, 768));  // 2000 / 30
    EXPECT_TRUE(FullScreenScroll(v, true, ScrollMove::PageForward, 1024, 768));  // 1024 / 2
    EXPECT_TRUE(Same(FullScreenPaint(v, 0, 2000, 500, 1024, 768), -578, 134, 2000, 500));
    EXPECT_FALSE(FullScreenScroll(v, false, ScrollMove::PageForward, 1024, 768));
    FullScreenScroll(v, true, ScrollMove::PageForward, 1024, 768);
    EXPECT_EQ(v.offsetX, 976);  // last column at the right edge
}

TEST(FullScreenView, ZoomScrollsBeyondTheScreenAndBackAt100PlacesAgain) {
    FullScreenView v;
    EXPECT_TRUE(Same(FullScreenPaint(v, 1, 2000, 1000, 1024, 768), 0, 128, 1024, 512));
    FullScreenZoom(v, false, 10, 2000, 1000, 1024, 768);
    EXPECT_TRUE(Same(FullScreenPaint(v, 1, 2000, 1000, 1024, 768), 0, 0, 1800, 900));
    EXPECT_TRUE(FullScreenScroll(v, false, ScrollMove::LineForward, 1024, 768));
    EXPECT_EQ(FullScreenPaint(v, 1, 2000, 1000, 1024, 768).top, -30);
    FullScreenZoom(v, true, 10, 2000, 1000, 1024, 768);
    EXPECT_TRUE(Same(FullScreenPaint(v, 1, 2000, 1000, 1024, 768), 0, 128, 1024, 512));
    FullScreenZoom(v, false, 50, 2000, 1000, 1024, 768);
    EXPECT_TRUE(Same(FullScreenPaint(v, 1, 2000, 1000, 1024, 768), 12, 134, 1000, 500));
    EXPECT_EQ(FullScreenZoom(v, false, 50, 2000, 1000, 1024, 768), ZoomOutcome::AtMinimum);
}

namespace {

bool SameSpan(const DrawSpan& s, int src, int srcLen, int dest, int destLen) {
    return s.src == src && s.srcLen == srcLen && s.dest == dest && s.destLen == destLen;
}

}  // namespace

// Worked by hand: which source pixels a paint stretches and where they land.
TEST(VisibleSpan, OnlyWhatShowsAtEveryZoom) {
    // 100 %, scrolled by 1000 in a window 800 wide: exactly the 800 shown.
    EXPECT_TRUE(SameSpan(VisibleSpan(6000, -1000, 6000, 0, 800), 1000, 800, 0, 800));
    // A picture smaller than the window: all of it. Beyond the window: none.
    EXPECT_TRUE(SameSpan(VisibleSpan(300, 0, 300, 0, 800), 0, 300, 0, 300));
    EXPECT_EQ(VisibleSpan(300, 900, 300, 0, 800).srcLen, 0);
    EXPECT_EQ(VisibleSpan(300, -300, 300, 0, 800).srcLen, 0);
    // Below a 26-pixel toolbar (clip from 26), not scrolled: the rows under
    // the toolbar are not drawn.
    EXPECT_TRUE(SameSpan(VisibleSpan(4000, 26, 4000, 26, 700), 0, 674, 26, 674));
    // 200 %: dest pixels 501..800 of the picture show pixels 250..400; pixel
    // 250 covers dest 500 and 501, so the span starts one pixel left of the clip.
    EXPECT_TRUE(SameSpan(VisibleSpan(1000, -501, 2000, 0, 300), 250, 151, -1, 302));
    // 110 % of 6000 (6600): ten source pixels make eleven on the screen, so the
    // span is whole periods: source 1120..2039 at dest 1232..2243.
    EXPECT_TRUE(SameSpan(VisibleSpan(6000, -1234, 6600, 0, 1000), 1120, 920, -2, 1012));
    // 50 %: two source pixels to one.
    EXPECT_TRUE(SameSpan(VisibleSpan(6000, 0, 3000, 0, 800), 0, 1600, 0, 800));
    // 6001 at 110 % (6601) has no short period: 910 pixels show, one more is
    // taken and its end rounded (911 x 6601 / 6001 = 1002.09).
    EXPECT_TRUE(SameSpan(VisibleSpan(6001, 0, 6601, 0, 1000), 0, 911, 0, 1002));
    // The far end of such a span is the picture's own end.
    EXPECT_TRUE(SameSpan(VisibleSpan(6001, -5601, 6601, 0, 1000), 5090, 911, -2, 1002));
    EXPECT_EQ(VisibleSpan(0, 0, 0, 0, 800).srcLen, 0);
}
