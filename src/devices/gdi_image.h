// GDI objects made from a picture: its display palette and a device bitmap.
#pragma once

#include <windows.h>

#include "core/image.h"

namespace lg {

// A logical palette of the picture's colour table; null for none.
HPALETTE MakeDisplayPalette(const Image& img);
// A device-dependent bitmap of the picture, realising `palette` when given.
HBITMAP MakeDeviceBitmap(const Image& img, HPALETTE palette);

}  // namespace lg
