#include "ops/orientation.h"

#include <utility>

#include "ops/geometry.h"

namespace lg {

bool ApplyOrientation(Image& img, int value) {
    if (!img || value < 2 || value > 8) return true;
    if (value == 2) return FlipHorizontal(img);
    if (value == 4) return FlipVertical(img);
    if (value == 3) {
        // Both flips in place; the first is undone if the second fails.
        if (!FlipHorizontal(img)) return false;
        if (FlipVertical(img)) return true;
        FlipHorizontal(img);
        return false;
    }
    Image turned = value == 8 ? RotateLeft(img) : RotateRight(img);
    if (!turned) return false;
    // 5 is the transpose (a right turn mirrored), 7 the other diagonal.
    if (value == 5 && !FlipHorizontal(turned)) return false;
    if (value == 7 && !FlipVertical(turned)) return false;
    img = std::move(turned);
    return true;
}

const char* OrientationWords(int value) {
    switch (value) {
    case 1: return "as stored";
    case 2: return "flipped horizontally";
    case 3: return "rotated 180 degrees";
    case 4: return "flipped vertically";
    case 5: return "rotated 90 degrees clockwise and flipped horizontally";
    case 6: return "rotated 90 degrees clockwise";
    case 7: return "rotated 90 degrees clockwise and flipped vertically";
    case 8: return "rotated 90 degrees counter-clockwise";
    default: return "";
    }
}

}  // namespace lg
