// Putting a picture on the clipboard in the forms other programs take, and
// taking one from it.
#pragma once

#include <windows.h>

#include <string>

#include "core/image.h"

namespace lg {

// One clipboard form of the picture: CF_DIB (a global block), CF_BITMAP (a
// device bitmap) or CF_PALETTE (null for a picture without a colour table).
HANDLE RenderFormat(UINT format, const Image& img);
// One form of the picture on an opened clipboard; nothing when it cannot be
// made or placed.
void PlaceOneFormat(UINT format, const Image& img);
// The picture as a device-independent bitmap, a device bitmap and a palette,
// in this order, on a clipboard the caller has opened and emptied.
bool PlacePicture(const Image& img);
// Plain text on an opened clipboard.
bool PlaceText(const std::string& text);
// The device-independent bitmap of an opened clipboard as a picture; empty
// when it holds none or none that can be read.
Image ClipboardPicture();

}  // namespace lg
