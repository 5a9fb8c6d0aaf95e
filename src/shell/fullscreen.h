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
// Repaints after the current picture changed (directory stepping, paging).
void RefreshFullScreen(App& app);
// The current picture, changed while full screen is open, is shown there and
// named in the main window's title.
void ShowCurrentInFullScreen(App& app);
// The still shown stands for the current file's animation: when full screen
// closes on the same file, the animation plays again.
void PlayAnimationAfterFullScreen(App& app);

}  // namespace lg
