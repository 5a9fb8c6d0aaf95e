// The main window's view of the picture: window size, scroll bars, zoom.
#pragma once

#include <windows.h>

#include <string>

#include "ops/geometry.h"
#include "shell/app.h"
#include "shell/logic/view_geometry.h"

namespace lg {

Metrics ReadMetrics(const App& app);
// Sizes the window to the picture at the present zoom and sets the bars.
void SizeWindowToPicture(App& app);
// The same for something else shown at width x height (the media window).
void SizeWindowFor(App& app, int width, int height);
// The empty window's size and position.
void SizeEmptyWindow(App& app);
void ZoomView(App& app, bool in);
void ScrollView(App& app, bool horizontal, ScrollMove move, int thumb = 0);
// Draws the picture at its zoom and scroll offset.
void PaintView(App& app, HDC dc);
// Draws `img` stretched to `p`, only the part that falls within `visible`.
void DrawPicture(HDC dc, const Image& img, const Placement& p, const RECT& visible);
// Client-area point to picture coordinates (x, y from the top).
POINT ClientToPicture(const App& app, POINT p);
// The dragged selection as a rectangle of the picture buffer (rows from the bottom).
Rect SelectionBufferRect(const App& app);

// Draws a text that may hold names at (x, y): read in the process code page
// (UTF-8 under the manifest), whatever character set the selected font has.
void DrawTextAt(HDC dc, int x, int y, const std::string& text);

}  // namespace lg
