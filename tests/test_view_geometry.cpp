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
    m.SW = 1024;
    m.SH = 768;
    m.FW = 1024;
    m.FH = 768 - 30 - 19;
    m.tb = 26;
    return m;
}
constexpr int kEw = 4 + 2 + 1;                     // frame width around the picture
constexpr int kEh = 26 + 20 + 19 + 4 + 2 + 1;      // toolbar, menu, caption and frame

// The picture's last column and row are reachable exactly: the range plus the
// visible part of the picture is its size.
void ExpectRangesReachTheEdges(const ViewLayout& v, const Metrics& m, int w, int h) {
    if (v.hBar) {
        EXPECT_EQ(v.hRange + v.width - kEw - (v.vBar ? m.sw : 0), w);
    }
    if (v.vBar) {
        EXPECT_EQ(v.vRange + v.height - kEh - (v.hBar ? m.sh : 0), h);
    }
}

}  // namespace

TEST(LayoutForPicture, SmallPictureGetsAWindowItsSize) {
    const Metrics m = Screen1024();
    ViewLayout v = LayoutForPicture(m, 100, 50, 500, 400);
    EXPECT_EQ(v.x, 100);
    EXPECT_EQ(v.y, 50);
    EXPECT_EQ(v.width, 500 + kEw);
    EXPECT_EQ(v.height, 400 + kEh);
    EXPECT_FALSE(v.hBar);
    EXPECT_FALSE(v.vBar);
}

TEST(LayoutForPicture, NarrowPictureGetsTheDefaultWidth) {
    const Metrics m = Screen1024();
    ViewLayout v = LayoutForPicture(m, 100, 50, 10, 20);
    EXPECT_EQ(v.width, 435);
    EXPECT_EQ(v.height, 20 + kEh);
    EXPECT_EQ(v.x, 100);
    // Near the right edge the window moves left to stay on the screen.
    v = LayoutForPicture(m, 900, 50, 10, 20);
    EXPECT_EQ(v.x, 1024 - 435);
    EXPECT_FALSE(v.hBar);
}

TEST(LayoutForPicture, TallPictureScrollsToItsBottomRow) {
    const Metrics m = Screen1024();
    for (int y : {0, 100}) {
        ViewLayout v = LayoutForPicture(m, 0, y, 500, 2000);
        EXPECT_TRUE(v.vBar);
        EXPECT_FALSE(v.hBar);
        EXPECT_EQ(v.width, kEw + m.sw + 500);
        EXPECT_EQ(v.height, m.cap + m.FH - y);
        ExpectRangesReachTheEdges(v, m, 500, 2000);
    }
}

TEST(LayoutForPicture, WidePictureScrollsToItsLastColumn) {
    const Metrics m = Screen1024();
    ViewLayout v = LayoutForPicture(m, 0, 0, 2000, 300);
    EXPECT_TRUE(v.hBar);
    EXPECT_FALSE(v.vBar);
    EXPECT_EQ(v.width, 1024);
    EXPECT_EQ(v.height, kEh + m.sh + 300);
    EXPECT_EQ(v.hRange, 2000 + kEw - 1024);
}

TEST(LayoutForPicture, BigPictureGetsBothBars) {
    const Metrics m = Screen1024();
    ViewLayout v = LayoutForPicture(m, 0, 0, 2000, 1500);
    EXPECT_TRUE(v.hBar);
    EXPECT_TRUE(v.vBar);
    EXPECT_EQ(v.width, 1024);
    EXPECT_EQ(v.height, m.cap + m.FH);
    ExpectRangesReachTheEdges(v, m, 2000, 1500);
}

TEST(LayoutForPicture, VerticalBarPushesAnAlmostFittingPictureIntoAHorizontalBar) {
    const Metrics m = Screen1024();
    // 1002 + 7 fits the 1024 width, but not with the 17-pixel vertical bar.
    ViewLayout v = LayoutForPicture(m, 0, 0, 1002, 1000);
    EXPECT_TRUE(v.vBar);
    EXPECT_TRUE(v.hBar);
    ExpectRangesReachTheEdges(v, m, 1002, 1000);
    v = LayoutForPicture(m, 0, 0, 1000, 1000);
    EXPECT_FALSE(v.hBar);
}

TEST(LayoutForPicture, NarrowTallPictureNearTheRightEdgeDropsTheHorizontalBar) {
    const Metrics m = Screen1024();
    ViewLayout v = LayoutForPicture(m, 1000, 0, 100, 2000);
    EXPECT_FALSE(v.hBar);
    EXPECT_TRUE(v.vBar);
    EXPECT_EQ(v.x, 1024 - 435);
    EXPECT_EQ(v.width, 435);
    ExpectRangesReachTheEdges(v, m, 100, 2000);
}

TEST(FitToDesktop, SquareBecomesASquareOfTheAvailableHeight) {
    const Metrics m = Screen1024();
    const int ah = m.FH - (m.tb + m.menu + 6);
    FitResult f = FitToDesktop(m, 100, 100, true, false);
    ASSERT_TRUE(f.fit);
    EXPECT_EQ(f.width, ah);
    EXPECT_EQ(f.height, ah);
    EXPECT_EQ(f.window.width, ah + 6);
    EXPECT_EQ(f.window.height, ah + m.tb + m.menu + m.cap + 6);
    EXPECT_FALSE(f.window.hBar || f.window.vBar);
}

TEST(FitToDesktop, KeepsTheAspectWithinBothSides) {
    Metrics m = Screen1024();
    m.workLeft = 60;
    m.workTop = 5;
    const int aw = 1018, ah = m.FH - (m.tb + m.menu + 6);  // 1018 x 667
    FitResult f = FitToDesktop(m, 2000, 1000, false, true);  // wide: limited by the width
    EXPECT_EQ(f.width, aw);
    EXPECT_EQ(f.height, 509);
    EXPECT_EQ(f.window.x, 60);
    EXPECT_EQ(f.window.y, 5);
    f = FitToDesktop(m, 1200, 1000, true, false);  // nearly square: limited by the height
    EXPECT_EQ(f.height, ah);
    EXPECT_EQ(f.width, 800);                       // 1.2 x 667 = 800.4
    f = FitToDesktop(m, 1000, 3000, true, false);  // portrait
    EXPECT_EQ(f.height, ah);
    EXPECT_EQ(f.width, 222);                       // 667 / 3 = 222.3
    f = FitToDesktop(m, 10000, 1, true, false);    // a line stays one pixel high
    EXPECT_EQ(f.width, aw);
    EXPECT_EQ(f.height, 1);
}

TEST(FitToDesktop, BigImagesOnlyLeavesFittingPicturesAlone) {
    const Metrics m = Screen1024();
    EXPECT_FALSE(FitToDesktop(m, 300, 200, false, true).fit);
    EXPECT_TRUE(FitToDesktop(m, 300, 200, true, false).fit);  // AlwaysFit enlarges
    EXPECT_TRUE(FitToDesktop(m, 300, 700, false, true).fit);
    EXPECT_FALSE(FitToDesktop(m, 300, 200, false, false).fit);
}

TEST(FitToDesktop, SquareOnATallScreenFitsItsWidth) {
    Metrics m = Screen1024();
    m.SW = m.FW = 600;
    m.SH = 1024;
    m.FH = 1000;
    FitResult f = FitToDesktop(m, 100, 100, true, false);
    EXPECT_EQ(f.width, 594);
    EXPECT_EQ(f.height, 594);
}

namespace {

std::vector<int> ZoomRun(int factor, bool in, ZoomOutcome* last) {
    Zoom z;
    std::vector<int> seen;
    ZoomOutcome o;
    while ((o = in ? ZoomIn(z, factor) : ZoomOut(z, factor)) == ZoomOutcome::Changed)
        seen.push_back(z.percent);
    *last = o;
    return seen;
}

}  // namespace

TEST(Zoom, Factor10RunsFrom10To990) {
    ZoomOutcome last;
    std::vector<int> up = ZoomRun(10, true, &last);
    EXPECT_EQ(last, ZoomOutcome::AtMaximum);
    ASSERT_EQ(up.size(), 89u);
    EXPECT_EQ(up.front(), 110);
    EXPECT_EQ(up.back(), 990);
    std::vector<int> down = ZoomRun(10, false, &last);
    EXPECT_EQ(last, ZoomOutcome::AtMinimum);
    EXPECT_EQ(down, (std::vector<int>{90, 80, 70, 60, 50, 40, 30, 20, 10}));
}

TEST(Zoom, Factor50StopsAt50And950) {
    ZoomOutcome last;
    EXPECT_EQ(ZoomRun(50, false, &last), std::vector<int>{50});
    EXPECT_EQ(last, ZoomOutcome::AtMinimum);
    std::vector<int> up = ZoomRun(50, true, &last);
    EXPECT_EQ(up.front(), 150);
    EXPECT_EQ(up[1], 200);
    EXPECT_EQ(up.back(), 950);
    EXPECT_EQ(last, ZoomOutcome::AtMaximum);
}

TEST(Zoom, SixPercentIsTheLeastZoom) {
    Zoom z;
    EXPECT_EQ(ZoomOut(z, 47), ZoomOutcome::Changed);
    EXPECT_EQ(ZoomOut(z, 47), ZoomOutcome::Changed);
    EXPECT_EQ(z.percent, 6);
    EXPECT_EQ(ZoomOut(z, 47), ZoomOutcome::AtMinimum);
    Zoom a;
    EXPECT_EQ(ZoomOut(a, 95), ZoomOutcome::AtMinimum);  // 5 would be too small
    EXPECT_EQ(ZoomIn(a, 899), ZoomOutcome::Changed);    // 999 is the largest
    EXPECT_EQ(a.percent, 999);
}

TEST(Zoom, BackAt100TheStepIsZeroAndLimitsHoldWhenTheFactorChanges) {
    Zoom z;
    ZoomIn(z, 10);
    ZoomIn(z, 10);
    ZoomOut(z, 10);
    ZoomOut(z, 10);
    EXPECT_EQ(z.percent, 100);
    EXPECT_EQ(z.step, 0);
    // Zoomed out to 10 with factor 10, then the factor becomes 50.
    for (int i = 0; i < 9; ++i) ZoomOut(z, 10);
    EXPECT_EQ(z.percent, 10);
    EXPECT_EQ(ZoomIn(z, 50), ZoomOutcome::Changed);
    EXPECT_EQ(z.percent, 60);
    // Nonsense factors neither stall nor leave 6..999.
    Zoom a;
    EXPECT_EQ(ZoomIn(a, 0), ZoomOutcome::Changed);
    EXPECT_EQ(a.percent, 101);
    EXPECT_EQ(ZoomOut(a, -40), ZoomOutcome::Changed);
    EXPECT_EQ(ZoomIn(a, 2000000000), ZoomOutcome::AtMaximum);
    EXPECT_EQ(ZoomOut(a, 2000000000), ZoomOutcome::AtMinimum);
}

TEST(Zoom, ZoomedLengthRoundsHalfUp) {
    EXPECT_EQ(ZoomedLength(640, 150), 960);
    EXPECT_EQ(ZoomedLength(480, 150), 720);
    EXPECT_EQ(ZoomedLength(5, 110), 6);    // 5.5
    EXPECT_EQ(ZoomedLength(3, 50), 2);     // 1.5
    EXPECT_EQ(ZoomedLength(333, 30), 100); // 99.9
    EXPECT_EQ(ZoomedLength(7, 10), 1);     // 0.7
    EXPECT_EQ(ZoomedLength(262144, 999), 2618819);  // no overflow on the largest picture
}

TEST(Scrolling, StepsAndClamping) {
    EXPECT_EQ(ScrollTo(100, 1000, ScrollMove::LineForward, 600, 600), 120);
    EXPECT_EQ(ScrollTo(100, 1000, ScrollMove::LineBack, 600, 600), 80);
    EXPECT_EQ(ScrollTo(100, 1000, ScrollMove::PageForward, 600, 600), 400);
    EXPECT_EQ(ScrollTo(100, 1000, ScrollMove::PageBack, 600, 600), 0);
    EXPECT_EQ(ScrollTo(990, 1000, ScrollMove::PageForward, 600, 600), 1000);
    EXPECT_EQ(ScrollTo(5, 1000, ScrollMove::LineForward, 20, 1), 6);  // tiny client: at least 1
    EXPECT_EQ(ScrollTo(5, 1000, ScrollMove::Thumb, 600, 600, 777), 777);
    EXPECT_EQ(ScrollTo(5, 1000, ScrollMove::Thumb, 600, 600, 5000), 1000);
    EXPECT_EQ(ScrollBy(100, 1000, -250), 0);
    EXPECT_EQ(ScrollBy(100, 1000, 250), 350);
    EXPECT_EQ(ScrollBy(100, 1000, 2000000000), 1000);
}

TEST(Scrolling, ZoomKeepsTheThumbsRelativePosition) {
    EXPECT_EQ(RescaleScrollPos(100, 400, 1000), 250);
    EXPECT_EQ(RescaleScrollPos(400, 400, 1000), 1000);
    EXPECT_EQ(RescaleScrollPos(1, 3, 2), 0);       // fraction dropped
    EXPECT_EQ(RescaleScrollPos(50, 0, 1000), 0);
    EXPECT_EQ(RescaleScrollPos(200000, 200000, 300000), 300000);
}

TEST(SelectionEdgeScroll, ScrollsTowardTheEdgeByALineWithinTheRange) {
    const ScrollBar h{true, 100, 1000}, v{true, 0, 500};
    // Left edge: the view moves left by 800 / 30, the start point right.
    EdgeScroll e = SelectionEdgeScroll(10, 300, 800, 600, 26, 20, h, v);
    EXPECT_EQ(e.hPos, 74);
    EXPECT_EQ(e.startDx, 26);
    EXPECT_EQ(e.vPos, 0);
    EXPECT_EQ(e.startDy, 0);
    // Top of the picture area at the top of the range: nothing moves.
    e = SelectionEdgeScroll(400, 40, 800, 600, 26, 20, h, v);
    EXPECT_FALSE(e.moved());
    // Bottom-right corner.
    e = SelectionEdgeScroll(795, 590, 800, 600, 26, 20, h, v);
    EXPECT_EQ(e.hPos, 126);
    EXPECT_EQ(e.startDx, -26);
    EXPECT_EQ(e.vPos, 20);
    EXPECT_EQ(e.startDy, -20);
    // The bottom zone is three menu heights and the toolbar high.
    e = SelectionEdgeScroll(400, 530, 800, 600, 26, 20, h, v);
    EXPECT_EQ(e.vPos, 20);
    e = SelectionEdgeScroll(400, 514, 800, 600, 26, 20, h, v);
    EXPECT_FALSE(e.moved());
    // Only what is left of the range.
    e = SelectionEdgeScroll(795, 300, 800, 600, 26, 20, ScrollBar{true, 990, 1000}, v);
    EXPECT_EQ(e.startDx, -10);
    // Without bars the view stays.
    e = SelectionEdgeScroll(1, 1, 800, 600, 26, 20, ScrollBar{false, 100, 1000}, ScrollBar{false, 100, 500});
    EXPECT_FALSE(e.moved());
    EXPECT_EQ(e.hPos, 100);
}

namespace {

void ExpectPlacement(const Placement& p, int left, int top, int width, int height) {
    EXPECT_EQ(p.left, left);
    EXPECT_EQ(p.top, top);
    EXPECT_EQ(p.width, width);
    EXPECT_EQ(p.height, height);
}

}  // namespace

TEST(FullScreenPlacement, NormalSize) {
    ExpectPlacement(FullScreenPlacement(0, 200, 100, 1024, 768), 412, 334, 200, 100);
    ExpectPlacement(FullScreenPlacement(0, 2000, 100, 1024, 768), 0, 334, 2000, 100);
    ExpectPlacement(FullScreenPlacement(7, 2000, 1000, 1024, 768), 0, 0, 2000, 1000);
}

TEST(FullScreenPlacement, FitLargePicturesOnly) {
    ExpectPlacement(FullScreenPlacement(1, 200, 100, 1024, 768), 412, 334, 200, 100);
    ExpectPlacement(FullScreenPlacement(1, 2000, 1000, 1024, 768), 0, 128, 1024, 512);
    ExpectPlacement(FullScreenPlacement(1, 800, 1000, 1024, 768), 205, 0, 614, 768);
    ExpectPlacement(FullScreenPlacement(1, 1200, 500, 1024, 768), 0, 170, 1024, 427);
}

TEST(FullScreenPlacement, FitAllPicturesStaysOnTheScreen) {
    ExpectPlacement(FullScreenPlacement(2, 200, 100, 1024, 768), 0, 128, 1024, 512);
    ExpectPlacement(FullScreenPlacement(2, 100, 200, 1024, 768), 320, 0, 384, 768);
    // Slightly wider than high on a 4:3 screen: the height decides.
    ExpectPlacement(FullScreenPlacement(2, 1100, 1000, 1024, 768), 89, 0, 845, 768);
    // A square on a tall screen: the width decides.
    ExpectPlacement(FullScreenPlacement(2, 100, 100, 768, 1024), 0, 128, 768, 768);
    ExpectPlacement(FullScreenPlacement(2, 0, 100, 768, 1024), 0, 0, 0, 0);
}

TEST(FullScreenView, NormalSizeLargerThanTheScreenScrollsFromTheTopLeft) {
    FullScreenView v;
    ExpectPlacement(FullScreenPaint(v, 0, 2000, 500, 1024, 768), 0, 134, 2000, 500);
    EXPECT_TRUE(v.scrollX);
    EXPECT_FALSE(v.scrollY);
    EXPECT_TRUE(FullScreenScroll(v, true, ScrollMove::LineForward, 1024, 768));  // 2000 / 30
    EXPECT_TRUE(FullScreenScroll(v, true, ScrollMove::PageForward, 1024, 768));  // 1024 / 2
    ExpectPlacement(FullScreenPaint(v, 0, 2000, 500, 1024, 768), -578, 134, 2000, 500);
    EXPECT_FALSE(FullScreenScroll(v, false, ScrollMove::PageForward, 1024, 768));
    EXPECT_TRUE(FullScreenScroll(v, true, ScrollMove::PageForward, 1024, 768));
    EXPECT_EQ(v.offsetX, 976);  // the last column at the screen's right edge
    EXPECT_FALSE(FullScreenScroll(v, true, ScrollMove::LineForward, 1024, 768));
}

TEST(FullScreenView, ZoomBeyondTheScreenScrollsAndBackAt100PlacesAgain) {
    FullScreenView v;
    // A picture fitted by rule 1; zoom works on its own size.
    ExpectPlacement(FullScreenPaint(v, 1, 2000, 1000, 1024, 768), 0, 128, 1024, 512);
    EXPECT_EQ(FullScreenZoom(v, false, 10, 2000, 1000, 1024, 768), ZoomOutcome::Changed);
    ExpectPlacement(FullScreenPaint(v, 1, 2000, 1000, 1024, 768), 0, 0, 1800, 900);
    EXPECT_TRUE(v.scrollX && v.scrollY);
    EXPECT_EQ(FullScreenZoom(v, true, 10, 2000, 1000, 1024, 768), ZoomOutcome::Changed);
    ExpectPlacement(FullScreenPaint(v, 1, 2000, 1000, 1024, 768), 0, 128, 1024, 512);
    EXPECT_EQ(FullScreenZoom(v, false, 50, 2000, 1000, 1024, 768), ZoomOutcome::Changed);
    ExpectPlacement(FullScreenPaint(v, 1, 2000, 1000, 1024, 768), 12, 134, 1000, 500);
    EXPECT_EQ(FullScreenZoom(v, false, 50, 2000, 1000, 1024, 768), ZoomOutcome::AtMinimum);
    v = FullScreenView{};

    ASSERT_EQ(FullScreenZoom(v, true, 50, 800, 600, 1024, 768), ZoomOutcome::Changed);
    EXPECT_TRUE(v.scrollX && v.scrollY);
    ExpectPlacement(FullScreenPaint(v, 1, 800, 600, 1024, 768), 0, 0, 1200, 900);
    EXPECT_TRUE(FullScreenScroll(v, false, ScrollMove::LineForward, 1024, 768));
    EXPECT_EQ(FullScreenPaint(v, 1, 800, 600, 1024, 768).top, -30);
}
