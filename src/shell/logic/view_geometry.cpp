#include "shell/logic/view_geometry.h"

#include <algorithm>
#include <cstdint>

#include "shell/logic/window_logic.h"

namespace lg {
namespace {

// Rounded half up, as every fitted size is.
int Near(double v) { return int(v + 0.5); }

int Clamp(int v, int lo, int hi) { return std::max(lo, std::min(v, hi)); }

constexpr int kMinZoom = 6, kMaxZoom = 999;

// Edge distance that starts scrolling while a selection is dragged.
constexpr int kEdge = 30;

int LineStep(int base) { return std::max(1, base / 30); }

// Fitting by the longer side: it gets `along`, the other side follows the
// aspect r (longer / shorter); if that exceeds `acrossLimit`, the other side
// decides instead. A square thus fits the smaller of the two.
void FitWithin(int along, int acrossLimit, double r, int& longSide, int& shortSide) {
    longSide = along;
    shortSide = Near(along / r);
    if (shortSide > acrossLimit) {
        shortSide = acrossLimit;
        longSide = Near(r * acrossLimit);
    }
}

}  // namespace

ViewLayout LayoutForPicture(const Metrics& m, int x, int y, int w, int h) {
    const int ew = m.fx + m.fx / 2 + 1;
    const int eh = m.tb + m.menu + m.cap + m.fy + m.fy / 2 + 1;
    ViewLayout v;
    v.x = x;
    v.y = y;
    v.hBar = x + ew + w > m.FW;
    v.vBar = m.cap + (v.hBar ? m.sh : 0) + y + h > m.FH;
    // The vertical bar takes its width from the picture area.
    if (v.vBar && x + ew + w + m.sw > m.FW) v.hBar = true;

    if (v.vBar) {
        v.width = v.hBar ? m.FW - x : ew + m.sw + w;
        v.height = m.cap + m.FH - y;
    } else if (m.SW < x + ew + w) {
        v.width = m.FW - x;
        v.height = eh + m.sh + h;
    } else {
        v.width = w + ew;
        v.height = h + eh;
    }

    if (w + ew < kDefaultWindowWidth) {
        v.hBar = false;
        v.width = kDefaultWindowWidth;
        v.height = v.vBar ? m.FH + m.cap - y : h + eh;
        if (x + ew + kDefaultWindowWidth > m.SW) v.x = m.FW - kDefaultWindowWidth;
    }

    // Ranges that bring the last column and row to the window's edges; they
    // follow the bars finally shown.
    if (v.hBar) v.hRange = std::max(0, (v.vBar ? m.sw : 0) + ew + v.x + w - m.FW);
    if (v.vBar)
        v.vRange = std::max(0, y + h + m.tb + m.menu + (v.hBar ? m.sh : 0) + m.fy + m.fy / 2 + 1 - m.FH);
    return v;
}

FitResult FitToDesktop(const Metrics& m, int w, int h, bool alwaysFit, bool fitForBigImages) {
    FitResult f;
    if (w <= 0 || h <= 0 || !(alwaysFit || fitForBigImages)) return f;
    if (!alwaysFit && w + 6 < m.FW && m.tb + m.menu + m.cap + h + 6 < m.FH) return f;

    const int aw = m.FW - 6;
    const int ah = m.FH - (m.tb + m.menu + 6);
    int fw, fh;
    if (w < h)
        FitWithin(ah, aw, double(h) / w, fh, fw);
    else
        FitWithin(aw, ah, double(w) / h, fw, fh);
    // A very thin picture still keeps one pixel across.
    f.fit = true;
    f.width = std::max(1, fw);
    f.height = std::max(1, fh);
    f.window.x = m.workLeft;
    f.window.y = m.workTop;
    f.window.width = f.width + 6;
    f.window.height = f.height + m.tb + m.menu + m.cap + 6;
    return f;
}

namespace {

// A factor out of 1..999 cannot make a valid step.
int UsableFactor(int zoomFactor) { return Clamp(zoomFactor, 1, kMaxZoom); }

// Moving from the current percent (not from step x factor) keeps the zoom
// within its limits even when ZoomFactor changed while zoomed.
void Step(Zoom& z, int delta, int factor) {
    z.step += delta;
    z.percent += delta * factor;
    if (z.percent == 100) z.step = 0;
}

}  // namespace

ZoomOutcome ZoomIn(Zoom& z, int zoomFactor) {
    const int f = UsableFactor(zoomFactor);
    if (z.percent + f > kMaxZoom) return ZoomOutcome::AtMaximum;
    Step(z, +1, f);
    return ZoomOutcome::Changed;
}

ZoomOutcome ZoomOut(Zoom& z, int zoomFactor) {
    const int f = UsableFactor(zoomFactor);
    if (z.percent - f < kMinZoom) return ZoomOutcome::AtMinimum;
    Step(z, -1, f);
    return ZoomOutcome::Changed;
}

int ZoomedLength(int size, int percent) {
    const float scaled = float(int64_t(size) * percent) * 0.01f;
    return int(scaled + 0.5f);
}

int RescaleScrollPos(int pos, int oldRange, int newRange) {
    if (oldRange <= 0) return 0;
    return int(int64_t(pos) * newRange / oldRange);
}

int ScrollTo(int pos, int range, ScrollMove move, int lineBase, int pageBase, int thumb) {
    int target = pos;
    switch (move) {
    case ScrollMove::LineBack: target = pos - LineStep(lineBase); break;
    case ScrollMove::LineForward: target = pos + LineStep(lineBase); break;
    case ScrollMove::PageBack: target = pos - std::max(1, pageBase / 2); break;
    case ScrollMove::PageForward: target = pos + std::max(1, pageBase / 2); break;
    case ScrollMove::Thumb: target = thumb; break;
    }
    return Clamp(target, 0, std::max(0, range));
}

int ScrollBy(int pos, int range, int delta) {
    return int(std::max<int64_t>(0, std::min<int64_t>(int64_t(pos) + delta, std::max(0, range))));
}

EdgeScroll SelectionEdgeScroll(int px, int py, int clientWidth, int clientHeight, int tb, int menu,
                               const ScrollBar& h, const ScrollBar& v) {
    EdgeScroll e;
    e.hPos = h.pos;
    e.vPos = v.pos;
    if (h.shown) {
        if (px < kEdge)
            e.hPos = ScrollTo(h.pos, h.range, ScrollMove::LineBack, clientWidth, 0);
        else if (px > clientWidth - kEdge)
            e.hPos = ScrollTo(h.pos, h.range, ScrollMove::LineForward, clientWidth, 0);
    }
    if (v.shown) {
        if (py < tb + kEdge)
            e.vPos = ScrollTo(v.pos, v.range, ScrollMove::LineBack, clientHeight, 0);
        else if (py > clientHeight - 3 * menu - tb)
            e.vPos = ScrollTo(v.pos, v.range, ScrollMove::LineForward, clientHeight, 0);
    }
    // The picture moved under the pointer; the start point goes with it.
    e.startDx = h.pos - e.hPos;
    e.startDy = v.pos - e.vPos;
    return e;
}

Placement FullScreenPlacement(int showFullScreen, int w, int h, int SW, int SH) {
    Placement p;
    if (w <= 0 || h <= 0) return p;
    const double r = double(w) / h;
    if (showFullScreen == 2) {
        if (h < w)
            FitWithin(SW, SH, r, p.width, p.height);
        else
            FitWithin(SH, SW, double(h) / w, p.height, p.width);
    } else if (showFullScreen == 1) {
        p.width = h > SH ? Near(SH * r) : w;
        if (p.width > SW) {
            p.width = SW;
            p.height = Near(SW / r);
        } else {
            p.height = h > SH ? SH : h;
        }
    } else {
        p.width = w;
        p.height = h;
        p.left = std::max(0, (SW - w) / 2);
        p.top = std::max(0, (SH - h) / 2);
        return p;
    }
    p.left = (SW - p.width) / 2;
    p.top = (SH - p.height) / 2;
    return p;
}

Placement FullScreenPaint(FullScreenView& v, int showFullScreen, int w, int h, int SW, int SH) {
    if (v.zoom.percent == 100 && !v.scrollX && !v.scrollY) {
        Placement p = FullScreenPlacement(showFullScreen, w, h, SW, SH);
        if (showFullScreen != 1 && showFullScreen != 2) {
            v.drawnWidth = w;
            v.drawnHeight = h;
            v.offsetX = v.offsetY = 0;
            v.scrollX = w > SW;
            v.scrollY = h > SH;
        }
        return p;
    }
    Placement p;
    p.width = v.drawnWidth;
    p.height = v.drawnHeight;
    p.left = v.scrollX ? -v.offsetX : std::max(0, (SW - v.drawnWidth) / 2);
    p.top = v.scrollY ? -v.offsetY : std::max(0, (SH - v.drawnHeight) / 2);
    return p;
}

ZoomOutcome FullScreenZoom(FullScreenView& v, bool in, int zoomFactor, int w, int h, int SW, int SH) {
    Zoom z = v.zoom;
    ZoomOutcome out = in ? ZoomIn(z, zoomFactor) : ZoomOut(z, zoomFactor);
    if (out != ZoomOutcome::Changed) return out;
    if (z.percent == 100) {
        // Back to the placement rule, as when the window opened.
        v = FullScreenView{};
        return out;
    }
    v.zoom = z;
    v.drawnWidth = ZoomedLength(w, z.percent);
    v.drawnHeight = ZoomedLength(h, z.percent);
    v.offsetX = v.offsetY = 0;
    v.scrollX = v.drawnWidth > SW;
    v.scrollY = v.drawnHeight > SH;
    return out;
}

bool FullScreenScroll(FullScreenView& v, bool horizontal, ScrollMove move, int SW, int SH) {
    if (horizontal ? !v.scrollX : !v.scrollY) return false;
    int& offset = horizontal ? v.offsetX : v.offsetY;
    const int drawn = horizontal ? v.drawnWidth : v.drawnHeight;
    const int screen = horizontal ? SW : SH;
    const int next = ScrollTo(offset, drawn - screen, move, drawn, screen);
    if (next == offset) return false;
    offset = next;
    return true;
}

DrawSpan VisibleSpan(int srcLen, int dest, int destLen, int clipStart, int clipEnd) {
    DrawSpan out;
    if (srcLen <= 0 || destLen <= 0) return out;
    const int64_t S = srcLen, D = destLen;
    const int64_t a = std::max<int64_t>(int64_t(clipStart) - dest, 0);
    const int64_t b = std::min<int64_t>(int64_t(clipEnd) - dest, D);
    if (a >= b) return out;
    // Source pixels under the visible destination pixels.
    const int64_t s0 = a * S / D;
    const int64_t s1 = std::min(S, (b * S + D - 1) / D);
    int64_t g = S, r = D;
    while (r) {
        const int64_t t = g % r;
        g = r;
        r = t;
    }
    const int64_t unitSrc = S / g, unitDest = D / g;
    int64_t from = s0 / unitSrc * unitSrc;
    int64_t to = std::min(S, (s1 + unitSrc - 1) / unitSrc * unitSrc);
    int64_t d0, d1;
    if (to - from <= (s1 - s0) + 2 * std::max<int64_t>(64, (s1 - s0) / 4)) {
        d0 = from / unitSrc * unitDest;
        d1 = to / unitSrc * unitDest;
    } else {
        from = std::max<int64_t>(0, s0 - 1);
        to = std::min(S, s1 + 1);
        d0 = (from * D * 2 + S) / (S * 2);
        d1 = (to * D * 2 + S) / (S * 2);
    }
    out.src = int(from);
    out.srcLen = int(to - from);
    out.dest = int(dest + d0);
    out.destLen = int(d1 - d0);
    return out;
}

}  // namespace lg
