// The full-screen window (FullViewClass): the picture on a black screen by
// the chosen placement rule, with its own zoom and scrolling.
#pragma once

#include <windows.h>

#include "shell/app.h"

namespace lg {

bool RegisterFullScreenClass(HINSTANCE inst);
void OpenFullScreen(App& app);
// Zoom commands arrive from the main window while full screen is open.
void ZoomFullScreen(App& app, bool in);
// Repaints after the current picture changed (directory stepping).
void RefreshFullScreen(App& app);

}  // namespace lg
