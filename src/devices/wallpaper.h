// A picture as the desktop wallpaper, and back to the wallpaper it replaced.
#pragma once

#include <string>

#include "core/image.h"

namespace lg {

// Writes `img` as Lumagrove_Wallpaper.bmp in the Windows directory and makes
// it the wallpaper, tiled or not, keeping the one it replaces for
// RestorePreviousWallpaper. False, with the writer's error text, when the
// bitmap could not be written (nothing else is changed then).
bool InstallWallpaper(const Image& img, bool tiled, std::string* error);
// The wallpaper that the last InstallWallpaper replaced.
void RestorePreviousWallpaper();

}  // namespace lg
