// Arithmetic of the picture view: how big the main window is for a picture,
// which scroll bars it needs, fitting to the desktop, zoom steps, scrolling,
// and where the full-screen window puts the picture. Numbers in, numbers out;
// the window procedure carries the results out with the Win32 calls.
#pragma once

namespace lg {

// System sizes the window arithmetic depends on, filled from GetSystemMetrics
// and the work area by the shell.
struct Metrics {
    int fx = 0, fy = 0;            // sizing-frame width and height (SM_CXFRAME, SM_CYFRAME)
    int sw = 0, sh = 0;            // vertical bar width, horizontal bar height (SM_CXVSCROLL, SM_CYHSCROLL)
    int cap = 0, menu = 0;         // caption and menu bar heights (SM_CYCAPTION, SM_CYMENU)
    int FW = 0, FH = 0;            // full-screen client area (SM_CXFULLSCREEN, SM_CYFULLSCREEN)
    int SW = 0, SH = 0;            // screen (SM_CXSCREEN, SM_CYSCREEN)
    int workLeft = 0, workTop = 0; // top-left corner of the work area
    int tb = 0;                    // toolbar height: 0 when hidden, else its window height - 1
};

// A window rectangle with the scroll bars it shows. A shown bar starts at
// position 0 and runs from 0 to its range.
struct ViewLayout {
    int x = 0, y = 0, width = 0, height = 0;
    bool hBar = false, vBar = false;
    int hRange = 0, vRange = 0;  // 0 for a bar that is not shown
};

// The main window for a picture drawn at w x h with its top-left corner at
// (x, y). The caller picks (x, y): the stored position, the window's own left
// and top at zoom 100, or the /pos= position. Pictures narrower than the
// default width (kDefaultWindowWidth) get a window of that width, moved left
// if it would leave the screen.
ViewLayout LayoutForPicture(const Metrics& m, int x, int y, int w, int h);

// Fitting a loaded picture to the desktop ([Others] AlwaysFit,
// [Viewing] FitForBigImages).
struct FitResult {
    bool fit = false;          // false: keep the picture, lay the window out normally
    int width = 0, height = 0; // size of the fitted copy of the picture
    ViewLayout window;         // at the work area's corner, no scroll bars
};
FitResult FitToDesktop(const Metrics& m, int w, int h, bool alwaysFit, bool fitForBigImages);

// Zoom: percent = 100 + step x ZoomFactor (while the factor stays the same),
// always between 6 and 999; step is 0 whenever percent is 100.
struct Zoom {
    int percent = 100;
    int step = 0;
};
enum class ZoomOutcome { Changed, AtMaximum, AtMinimum };

// One zoom step in or out by [Viewing] ZoomFactor. At a limit the zoom stays
// as it was and the outcome says which message to show ("This is the
// maximum !" / "This is the minimum !").
ZoomOutcome ZoomIn(Zoom& z, int zoomFactor);
ZoomOutcome ZoomOut(Zoom& z, int zoomFactor);

// A length at a zoom percent: size x percent x 0.01 in single precision,
// rounded half up. Used for the display size and the zoomed title.
int ZoomedLength(int size, int percent);

// A scroll position carried over to a new range in the same proportion.
int RescaleScrollPos(int pos, int oldRange, int newRange);

// Scrolling a shown bar. A line moves by a thirtieth of lineBase, a page by
// half of pageBase (each at least 1); Thumb goes to `thumb`. The main window
// passes its client size in that direction as both bases; the full-screen
// window the drawn size and the screen size. The result is clamped to
// 0..range; when it equals pos nothing needs repainting.
enum class ScrollMove { LineBack, LineForward, PageBack, PageForward, Thumb };
int ScrollTo(int pos, int range, ScrollMove move, int lineBase, int pageBase, int thumb = 0);

// pos + delta within 0..range (right-button dragging).
int ScrollBy(int pos, int range, int delta);

// State of one scroll bar of the main window.
struct ScrollBar {
    bool shown = false;
    int pos = 0, range = 0;
};

// Scrolling while a selection is dragged near an edge of the picture area.
// The pointer is in client coordinates; the client size includes the
// toolbar. Each shown bar that can still move that way moves by a line (a
// thirtieth of the client size), and the selection start moves with the
// picture by the same amount the view moved.
struct EdgeScroll {
    int hPos = 0, vPos = 0;            // new positions (unchanged when no move)
    int startDx = 0, startDy = 0;      // add to the selection start
    bool moved() const { return startDx != 0 || startDy != 0; }
};
EdgeScroll SelectionEdgeScroll(int px, int py, int clientWidth, int clientHeight, int tb, int menu,
                               const ScrollBar& h, const ScrollBar& v);

// Where a picture goes on the screen.
struct Placement {
    int left = 0, top = 0, width = 0, height = 0;
};

// Placement by [Viewing] ShowFullScreen for a w x h picture on an SW x SH
// screen: 2 fits every picture, 1 shrinks only those larger than the screen,
// any other value shows the picture at its own size, centred where it fits
// and at the top-left corner where it does not.
Placement FullScreenPlacement(int showFullScreen, int w, int h, int SW, int SH);

// The full-screen window's own zoom and scrolling.
struct FullScreenView {
    Zoom zoom;
    int drawnWidth = 0, drawnHeight = 0;
    int offsetX = 0, offsetY = 0;
    bool scrollX = false, scrollY = false;  // the drawn picture is larger than the screen that way
};

// Where to draw at a paint. When neither zoomed nor scrolling the placement
// rule decides; with normal size this also notes the picture's size and
// whether it is larger than the screen, so that it can be scrolled from the
// top-left corner.
Placement FullScreenPaint(FullScreenView& v, int showFullScreen, int w, int h, int SW, int SH);

// One axis of a picture of srcLen pixels drawn over [dest, dest + destLen):
// the source pixels that land within [clipStart, clipEnd) and where they go,
// so that a paint stretches only what shows. When the zoom ratio repeats
// within a short period (always at 100 %, and at the usual zoom steps), the
// span starts and ends on a period, so the pixels drawn are those of the
// whole picture drawn at once; otherwise it is widened by a pixel on each
// side and its ends rounded, which may shift an edge by one screen pixel.
// srcLen 0: nothing shows.
struct DrawSpan {
    int src = 0, srcLen = 0;
    int dest = 0, destLen = 0;
};
DrawSpan VisibleSpan(int srcLen, int dest, int destLen, int clipStart, int clipEnd);

// Zooming in the full-screen window: the same steps and limits as the main
// window. The offsets return to 0; back at 100 the placement rule applies
// again.
ZoomOutcome FullScreenZoom(FullScreenView& v, bool in, int zoomFactor, int w, int h, int SW, int SH);

// Scrolling in the full-screen window; only a direction whose flag is set
// moves. Returns whether anything moved.
bool FullScreenScroll(FullScreenView& v, bool horizontal, ScrollMove move, int SW, int SH);

}  // namespace lg
