// What the viewer does to every picture it shows, for the fuzz targets:
// widening to a working depth, then expansion to 24 bits.
#pragma once

#include <cstdint>
#include <utility>

#include "core/convert.h"
#include "core/image.h"

namespace fuzz {

// Reading a huge picture is worth trying; converting it pixel by pixel only
// repeats what smaller ones cover.
constexpr int64_t kMaxConvertedPixels = int64_t(1) << 22;

inline void ShowLikeTheViewer(lg::Image img) {
    if (!img || int64_t(img.width()) * img.height() > kMaxConvertedPixels) return;
    img = lg::WidenToWorkingDepth(std::move(img));
    if (img) img = lg::ExpandTo24(std::move(img));
}

}  // namespace fuzz
