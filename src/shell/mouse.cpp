// Mouse in the main window: the pixel readout, the dragged selection drawn by
// inversion, and dragging the picture with the right button.
#include <windows.h>

#include <algorithm>
#include <cstdlib>

#include "core/strings.h"
#include "shell/app.h"
#include "shell/view.h"

namespace lg {
namespace {

HCURSOR Cursor(App& app, int id, LPCSTR fallback) {
    HCURSOR c = LoadCursorA(app.instance, MAKEINTRESOURCEA(id));
    return c ? c : LoadCursorA(nullptr, fallback);
}

void InvertSelection(App& app) {
    HDC dc = GetDC(app.mainWindow);
    RECT r = {std::min(app.selStart.x, app.selEnd.x), std::min(app.selStart.y, app.selEnd.y),
              std::max(app.selStart.x, app.selEnd.x), std::max(app.selStart.y, app.selEnd.y)};
    DrawFocusRect(dc, &r);
    ReleaseDC(app.mainWindow, dc);
}

// The displayed picture's extent in client coordinates.
POINT PictureLimit(const App& app) {
    return POINT{ZoomedLength(app.current.width(), app.zoom.percent) - app.hBar.pos,
                 ZoomedLength(app.current.height(), app.zoom.percent) - app.vBar.pos + app.toolbarHeight};
}

}  // namespace

void MouseDown(App& app, bool right, POINT p) {
    if (!app.current) return;
    SetCapture(app.mainWindow);
    if (right) {
        app.rightDrag = true;
        app.dragOrigin = p;
        SetCursor(Cursor(app, CUR_HAND, IDC_SIZEALL));
        return;
    }
    SetCursor(Cursor(app, CUR_CROSS, IDC_CROSS));
    HDC dc = GetDC(app.mainWindow);
    COLORREF c = GetPixel(dc, p.x, p.y);
    ReleaseDC(app.mainWindow, dc);
    POINT q = ClientToPicture(app, p);
    std::string title = Format("XY:(%d,%d) - RGB:(%d,%d,%d)", int(q.x), int(q.y), GetRValue(c), GetGValue(c),
                               GetBValue(c));
    SetWindowTextA(app.mainWindow, title.c_str());
    if (app.hasSelection) {
        app.hasSelection = false;
        InvalidateRect(app.mainWindow, nullptr, FALSE);
        UpdateWindow(app.mainWindow);
    }
    POINT limit = PictureLimit(app);
    app.selStart = POINT{std::min(p.x, limit.x), std::min(p.y, limit.y)};
    app.selEnd = app.selStart;
    app.dragging = true;
}

void MouseMove(App& app, POINT p) {
    if (!app.current) return;
    if (app.rightDrag) {
        int dx = app.dragOrigin.x - p.x, dy = app.dragOrigin.y - p.y;
        app.dragOrigin = p;
        bool moved = false;
        if (app.hBar.shown && dx) {
            int pos = ScrollBy(app.hBar.pos, app.hBar.range, dx);
            moved |= pos != app.hBar.pos;
            app.hBar.pos = pos;
            SetScrollPos(app.mainWindow, SB_HORZ, pos, TRUE);
        }
        if (app.vBar.shown && dy) {
            int pos = ScrollBy(app.vBar.pos, app.vBar.range, dy);
            moved |= pos != app.vBar.pos;
            app.vBar.pos = pos;
            SetScrollPos(app.mainWindow, SB_VERT, pos, TRUE);
        }
        if (moved) InvalidateRect(app.mainWindow, nullptr, FALSE);
        return;
    }
    if (!app.dragging || app.zoom.percent != 100) return;
    if (app.hasSelection) InvertSelection(app);  // erase the old rectangle
    POINT limit = PictureLimit(app);
    app.selEnd = POINT{std::min(p.x, limit.x), std::min(std::max(p.y, LONG(app.toolbarHeight)), limit.y)};
    app.selEnd.x = std::max(app.selEnd.x, LONG(0));
    int w = std::abs(int(app.selEnd.x - app.selStart.x)), h = std::abs(int(app.selEnd.y - app.selStart.y));
    std::string title = Format("XY:(%d,%d) (%dx%d pixels)", int(p.x), int(p.y) - app.toolbarHeight, w, h);
    SetWindowTextA(app.mainWindow, title.c_str());
    app.hasSelection = true;
    InvertSelection(app);
    UpdateToolbar(app);
}

void MouseUp(App& app) {
    if (GetCapture() == app.mainWindow) ReleaseCapture();
    app.dragging = app.rightDrag = false;
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    if (app.current) SetWindowTextA(app.mainWindow, app.savedTitle.c_str());
}

}  // namespace lg
