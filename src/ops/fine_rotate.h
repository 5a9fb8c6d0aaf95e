// Rotation of a picture, or of a rectangle of it, by whole degrees about the
// rectangle's centre, keeping the picture's size: the rotated content is
// clipped to the picture, and parts of the rectangle it no longer covers keep
// their pixels or, with the clear flag (setting FineRotateClear), turn black.
// Sampling is a softened bilinear mix of a pixel and its three nearest
// neighbours.
#pragma once

#include "core/image.h"
#include "ops/geometry.h"

namespace lg {

// Positive degrees turn the content clockwise on screen. Works on a 24-bit
// picture; false (unchanged) for another depth, an empty rectangle or no
// memory. The rectangle is clamped to the picture first.
bool FineRotate(Image& img, const Rect& r, int degrees, bool clear);

// The pixels the rotation may write: the rotated rectangle's bounding box,
// one pixel wider on every side, clipped to a width x height picture (the
// rectangle is clamped to the picture first).
Rect FineRotateTargetBox(const Rect& r, int degrees, int width, int height);

}  // namespace lg
