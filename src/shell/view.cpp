#include "shell/view.h"

#include <algorithm>

#include "core/messages.h"
#include "shell/logic/texts.h"
#include "shell/logic/window_logic.h"

namespace lg {
namespace {

SIZE DisplaySize(const App& app) {
    if (!app.current) return SIZE{0, 0};
    return SIZE{ZoomedLength(app.current.width(), app.zoom.percent),
                ZoomedLength(app.current.height(), app.zoom.percent)};
}

bool SameLayout(const ViewLayout& a, const ViewLayout& b) {
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height && a.hBar == b.hBar &&
           a.vBar == b.vBar && a.hRange == b.hRange && a.vRange == b.vRange;
}

// The bars a layout has, hidden before: both come up in one change of frame
// (each change costs a new window surface under Wine), at position 0.
void ShowBars(HWND w, const ViewLayout& l) {
    if (!l.hBar && !l.vBar) return;
    ShowScrollBar(w, l.hBar && l.vBar ? SB_BOTH : l.hBar ? SB_HORZ : SB_VERT, TRUE);
    for (int bar : {SB_HORZ, SB_VERT}) {
        if (!(bar == SB_HORZ ? l.hBar : l.vBar)) continue;
        SetScrollRange(w, bar, 0, bar == SB_HORZ ? l.hRange : l.vRange, FALSE);
        SetScrollPos(w, bar, 0, TRUE);
    }
}

}  // namespace

Metrics ReadMetrics(const App& app) {
    Metrics m;
    m.fx = GetSystemMetrics(SM_CXFRAME);
    m.fy = GetSystemMetrics(SM_CYFRAME);
    m.sw = GetSystemMetrics(SM_CXVSCROLL);
    m.sh = GetSystemMetrics(SM_CYHSCROLL);
    m.cap = GetSystemMetrics(SM_CYCAPTION);
    m.menu = GetSystemMetrics(SM_CYMENU);
    m.FW = GetSystemMetrics(SM_CXFULLSCREEN);
    m.FH = GetSystemMetrics(SM_CYFULLSCREEN);
    m.SW = GetSystemMetrics(SM_CXSCREEN);
    m.SH = GetSystemMetrics(SM_CYSCREEN);
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    m.workLeft = work.left;
    m.workTop = work.top;
    m.tb = app.toolbarHeight;
    return m;
}

void SizeWindowToPicture(App& app) {
    if (!app.current) return;
    SIZE d = DisplaySize(app);
    SizeWindowFor(app, d.cx, d.cy);
}

void SizeWindowFor(App& app, int width, int height) {
    RECT r;
    GetWindowRect(app.mainWindow, &r);
    if (app.zoom.percent == 100) {
        app.windowX = r.left;
        app.windowY = r.top;
    }
    ViewLayout l = LayoutForPicture(ReadMetrics(app), app.windowX, app.windowY, width, height);
    if (app.hasLayout && SameLayout(l, app.laidOut) && EqualRect(&r, &app.laidOutRect)) {
        // The window stands as this picture needs it (stepping through photos
        // of one size): hiding and showing the bars and moving the window
        // would only cost changes of frame. The thumbs go back to the start.
        if (l.hBar && app.hBar.pos) SetScrollPos(app.mainWindow, SB_HORZ, 0, TRUE);
        if (l.vBar && app.vBar.pos) SetScrollPos(app.mainWindow, SB_VERT, 0, TRUE);
    } else {
        ShowScrollBar(app.mainWindow, SB_BOTH, FALSE);
        MoveWindow(app.mainWindow, l.x, l.y, l.width, l.height, TRUE);
        ShowBars(app.mainWindow, l);
        app.laidOut = l;
        app.hasLayout = GetWindowRect(app.mainWindow, &app.laidOutRect) != FALSE;
    }
    app.hBar = ScrollBar{l.hBar, 0, l.hRange};
    app.vBar = ScrollBar{l.vBar, 0, l.vRange};
}

void SizeEmptyWindow(App& app) {
    app.hasLayout = false;
    ShowScrollBar(app.mainWindow, SB_BOTH, FALSE);
    app.hBar = app.vBar = ScrollBar();
    app.zoom = Zoom();
    MoveWindow(app.mainWindow, app.windowX, app.windowY, kDefaultWindowWidth,
               std::min(kDefaultWindowWidth, (app.screenHeight / 13) * 6), TRUE);
}

void ZoomView(App& app, bool in) {
    ZoomOutcome o = in ? ZoomIn(app.zoom, app.zoomFactor) : ZoomOut(app.zoom, app.zoomFactor);
    if (o == ZoomOutcome::AtMaximum) {
        ShowMessage(app.mainWindow, Msg(MsgId::ZoomMaximum), MB_ICONINFORMATION);
        return;
    }
    if (o == ZoomOutcome::AtMinimum) {
        ShowMessage(app.mainWindow, Msg(MsgId::ZoomMinimum), MB_ICONINFORMATION);
        return;
    }
    ScrollBar oldH = app.hBar, oldV = app.vBar;
    SizeWindowToPicture(app);
    if (in) {  // keep the thumbs where they were, relative to the new ranges
        if (oldH.shown && app.hBar.shown) {
            app.hBar.pos = RescaleScrollPos(oldH.pos, oldH.range, app.hBar.range);
            SetScrollPos(app.mainWindow, SB_HORZ, app.hBar.pos, TRUE);
        }
        if (oldV.shown && app.vBar.shown) {
            app.vBar.pos = RescaleScrollPos(oldV.pos, oldV.range, app.vBar.range);
            SetScrollPos(app.mainWindow, SB_VERT, app.vBar.pos, TRUE);
        }
    }
    app.savedTitle = PictureTitle(app.fileName, app.current.width(), app.current.height(),
                                  app.current.bitCount(), app.cmd.hasTitle ? app.cmd.title : "",
                                  app.zoom.percent);
    SetWindowTextA(app.mainWindow, app.savedTitle.c_str());
    InvalidateRect(app.mainWindow, nullptr, TRUE);
}

void ScrollView(App& app, bool horizontal, ScrollMove move, int thumb) {
    ScrollBar& bar = horizontal ? app.hBar : app.vBar;
    if (!bar.shown) return;
    RECT client;
    GetClientRect(app.mainWindow, &client);
    int base = horizontal ? client.right : client.bottom - app.toolbarHeight;
    int pos = ScrollTo(bar.pos, bar.range, move, base, base, thumb);
    if (pos == bar.pos) return;
    bar.pos = pos;
    SetScrollPos(app.mainWindow, horizontal ? SB_HORZ : SB_VERT, pos, TRUE);
    InvalidateRect(app.mainWindow, nullptr, FALSE);
}

void PaintView(App& app, HDC dc) {
    const Image* frame = AnimationScreen(app);
    if (!app.current && !frame) return;
    const Image& img = frame ? *frame : app.current;
    SIZE d = frame ? SIZE{ZoomedLength(img.width(), app.zoom.percent), ZoomedLength(img.height(), app.zoom.percent)}
                   : DisplaySize(app);
    HPALETTE old = nullptr;
    if (app.paletteDisplay && app.palette) {
        old = SelectPalette(dc, app.palette, FALSE);
        RealizePalette(dc);
    }
    RECT client;
    GetClientRect(app.mainWindow, &client);
    client.top = app.toolbarHeight;
    DrawPicture(dc, img, Placement{-app.hBar.pos, app.toolbarHeight - app.vBar.pos, int(d.cx), int(d.cy)}, client);
    if (old) SelectPalette(dc, old, FALSE);
}

void DrawPicture(HDC dc, const Image& img, const Placement& p, const RECT& visible) {
    const DrawSpan x = VisibleSpan(img.width(), p.left, p.width, visible.left, visible.right);
    const DrawSpan y = VisibleSpan(img.height(), p.top, p.height, visible.top, visible.bottom);
    if (!x.srcLen || !y.srcLen) return;
    // Rows of a bottom-up DIB count from its last row.
    const int ySrc = img.height() - y.src - y.srcLen;
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchDIBits(dc, x.dest, y.dest, x.destLen, y.destLen, x.src, ySrc, x.srcLen, y.srcLen, img.pixels(),
                  reinterpret_cast<const BITMAPINFO*>(img.header()), DIB_RGB_COLORS, SRCCOPY);
}

POINT ClientToPicture(const App& app, POINT p) {
    return POINT{p.x + app.hBar.pos, p.y + app.vBar.pos - app.toolbarHeight};
}

}  // namespace lg

namespace lg {

Rect SelectionBufferRect(const App& app) {
    SelectionInView s;
    s.x0 = app.selStart.x;
    s.y0 = app.selStart.y;
    s.x1 = app.selEnd.x;
    s.y1 = app.selEnd.y;
    s.scrolledH = app.hBar.shown;
    s.scrolledV = app.vBar.shown;
    s.scrollX = app.hBar.pos;
    s.scrollY = app.vBar.pos;
    s.toolbarVisible = app.toolbarHeight > 0;
    s.toolbarHeight = app.toolbarHeight + 1;  // taken as a window height, less its last row
    s.imageHeight = app.current.height();
    return SelectionToBufferRect(s);
}

void DrawTextAt(HDC dc, int x, int y, const std::string& text) {
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), nullptr, 0);
    if (n <= 0) return;
    std::wstring wide(size_t(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), &wide[0], n);
    TextOutW(dc, x, y, wide.c_str(), n);
}

}  // namespace lg
