// A packed device-independent bitmap from elsewhere (the clipboard, a video
// frame) made into a picture of our own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/image.h"

namespace lg {

// The block (header, optional colour masks and table, rows) as a picture:
// 40-byte header, uncompressed (16- and 32-bit
// colour masks are applied), colours-used set from the depth (2, 16, 256, or 0
// above 8 bits). Empty when the block is not such a bitmap; `why` says why.
Image PictureFromPackedDib(const uint8_t* block, size_t size, std::string* why = nullptr);

}  // namespace lg
