// PNG through libpng, with our own inflater for the rows of plain 8- and
// 16-bit files: every colour type and depth in, palette and RGB(A) pictures
// out. libpng never prints; its message becomes the error text.
#pragma once

#include <string>

#include "core/bytes.h"
#include "core/image.h"
#include "formats/codec.h"
#include "formats/status.h"

namespace lg {

// Depths delivered: 1, 4, 8 (palette or grey ramp; 2-bit files become 8),
// 24 (RGB) and 32 (RGB with alpha). 16-bit samples keep their high byte;
// grey with 16-bit samples or alpha becomes 8-bit grey.
Image ReadPngFrom(ByteSource& in, Status& st);

// The format table's writer: depths 1, 4 and 8 as palette files, 24 as RGB,
// 32 as RGB with alpha.
bool SavePng(const std::string& path, const Image& img, const SaveOptions& opt, Status& st);

}  // namespace lg
