// Putting a picture on the clipboard in the forms other programs take.
#pragma once

#include <windows.h>

#include "core/image.h"

namespace lg {

// The picture as a device-independent bitmap, a device bitmap and a palette,
// in this order, on a clipboard the caller has opened and emptied.
bool PlacePicture(const Image& img);
// Plain text on an opened clipboard.
bool PlaceText(const std::string& text);

}  // namespace lg
