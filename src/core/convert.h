// Depth conversions that keep what the picture shows: expansions between the
// working depths 1, 4, 8 and 24, and widenings of the odd depths some readers
// deliver (3, 16, 32, 40, 48, 64) to 24. Each returns a new picture, or an
// empty one when the source is empty, has another depth, or memory runs out.
#pragma once

#include "core/image.h"

namespace lg {

Image Expand1To4(const Image& src);
Image Expand1To8(const Image& src);
Image Expand4To8(const Image& src);
Image Expand8To24(const Image& src);
Image Expand4To24(const Image& src);
Image Expand1To24(const Image& src);

Image Widen3To24(const Image& src);
Image Widen16To24(const Image& src);
Image Widen32To24(const Image& src);
Image Widen40To24(const Image& src);
Image Widen48To24(const Image& src);
Image Widen64To24(const Image& src);

// Picks the widening for an intermediate depth; returns the source unchanged
// (moved) when its depth is already 1, 4, 8 or 24, empty when widening fails.
Image WidenToWorkingDepth(Image src);

// Any working depth to 24 bits (the source moved through when already 24).
Image ExpandTo24(Image src);

}  // namespace lg
