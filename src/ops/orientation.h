// The eight orientations of Exif and TIFF (tag 274): how the stored rows are
// turned and flipped to stand upright on screen.
#pragma once

#include "core/image.h"

namespace lg {

// Turns `img` from the stored orientation `value` (1 to 8) into the upright
// picture. Values 1 and outside 2..8 leave it as it is. False (picture
// unchanged) when the depth is not a working one or memory runs out.
bool ApplyOrientation(Image& img, int value);

// Values 5 to 8 exchange width and height.
inline bool OrientationSwapsSides(int value) { return value >= 5 && value <= 8; }

// What a value does, in words for the information dialog ("rotated 90
// degrees clockwise"); empty outside 1..8.
const char* OrientationWords(int value);

}  // namespace lg
