// Arithmetic of the main window, kept apart from Win32 so it is tested natively.
#pragma once

namespace lg {

constexpr int kDefaultWindowWidth = 435;

struct WorkArea {
    int left = 0, top = 0, right = 0, bottom = 0;
};

struct WindowPlacement {
    int x = 0, y = 0, width = 0, height = 0;
};

// Remembered position moved onto the work area and reset on an axis where it
// lies beyond the screen; the start size of the main window.
WindowPlacement StartPlacement(int rememberedX, int rememberedY, const WorkArea& workArea,
                               int screenWidth, int screenHeight);

}  // namespace lg
