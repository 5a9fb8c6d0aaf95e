// Screen capture: the whole screen, or one window or its client area brought
// to the top while it is copied.
#pragma once

#include <windows.h>

#include <vector>

#include "core/image.h"

namespace lg {

// What is captured ([Capture] Window).
enum : int { kCaptureDesktop = 0, kCaptureWindow = 1, kCaptureClient = 2 };

// The visible top-level windows with a title that can be captured, at most 50.
std::vector<HWND> CaptureCandidates();
// The whole screen as a picture of the display's depth (1, 4, 8 or 24 bits).
Image CaptureScreen();
// `target` (kCaptureWindow) or its client area (kCaptureClient), put on top of
// every other window and repainted first; empty for another mode.
Image CaptureWindowInFront(HWND target, int mode);

}  // namespace lg
