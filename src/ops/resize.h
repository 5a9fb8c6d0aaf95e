// Giving a picture a new width and height: nearest-neighbour resizing at
// every depth, and smooth resampling of 8- and 24-bit pixels (a filtered
// two-pass scale when the picture grows in some direction, exact fixed-point
// area averaging when it shrinks in both). Plus the arithmetic of the Resize
// dialog.
#pragma once

#include "core/image.h"

namespace lg {

// Nearest neighbour by integer step tables; keeps depth (1, 4, 8, 24) and the
// colour table. A size <= 0 is taken as 1. Empty for another depth, a size
// beyond the picture limits, or no memory. The source is not changed.
Image ResizeImage(const Image& src, int newWidth, int newHeight);

// The five kernels of the filtered method, numbered as stored in the
// settings; any other number means the B-spline.
enum ResampleFilter {
    kFilterHermite = 1,
    kFilterTriangle = 2,
    kFilterQuadraticBell = 3,  // under the "Mitchell" radio button
    kFilterMitchellCubic = 4,  // B = C = 1/3; under the "Bell" radio button
    kFilterBSpline = 5,
};
int NormalizeResampleFilter(int filter);
float ResampleKernel(int filter, float x);
float ResampleSupport(int filter);

// Smooth scaling of an 8- or 24-bit picture (an 8-bit index is treated as a
// grey level). A size <= 0 is taken as 1. Empty for another depth, a size
// beyond the limits, or no memory. The source is not changed.
Image ResampleImage(const Image& src, int newWidth, int newHeight, int filter);

// The whole resample command on a picture of any working depth: 1 bit is
// widened to 8-bit grey, 4 and 8 bits to 24, then resampled; with
// `reduceTo256` a former palette picture comes back with 256 colours (kept
// at 24 or 8 bits when the reduction fails). Empty when the resampling fails.
Image ResamplePicture(const Image& src, int newWidth, int newHeight, int filter,
                      bool reduceTo256);

// --- the Resize dialog ---------------------------------------------------

struct PixelSize {
    int width = 0, height = 0;
};

// The two single-precision ratios kept while the dialog is open.
struct AspectRatios {
    float widthPerHeight = 1, heightPerWidth = 1;
};
AspectRatios RatiosOf(int width, int height);

// The other edit's value while the aspect ratio is kept: round(value * ratio).
int ProportionalValue(int typed, float ratio);

// A preset (640 x 480 and so on): with the aspect ratio kept the height
// follows the preset width instead.
PixelSize PresetSize(int presetWidth, int presetHeight, int width, int height, bool keepAspect);
PixelSize HalfSize(int width, int height, bool keepAspect);
PixelSize DoubleSize(int width, int height, bool keepAspect);

// Room for a picture on the desktop from the full-screen client size.
PixelSize DesktopRoom(int fullScreenWidth, int fullScreenHeight, bool toolbarVisible,
                      int toolbarHeight, int menuHeight);
// The largest size of the picture's proportions that fits `room`.
PixelSize BestFitSize(int width, int height, const PixelSize& room);

}  // namespace lg
