// JPEG/JFIF through libjpeg: reading (greyscale, 256-colour and reduced-scale
// variants) and writing. Library errors become the error text; nothing is
// ever printed and the process never ends.
#pragma once

#include <string>

#include "core/bytes.h"
#include "core/image.h"
#include "formats/codec.h"
#include "formats/status.h"

namespace lg {

// Uses opt.grayscale, opt.paletteDisplay (8-bit output with the library's own
// two-pass quantizer) and opt.previewWidth (1/4 or 1/8 scale). Reads from the
// source's current position, so a JPEG stream inside another file works too.
Image ReadJpegFrom(ByteSource& in, const ReadOptions& opt, Status& st);
// The format table's reader.
Image LoadJpeg(ByteSource& in, const std::string& path, const ReadOptions& opt, Status& st, PictureFacts& facts);

// The format table's writer: depth 8 or 24 only (JpegSaveCopy expands 1 and 4
// bits first). Uses the quality, greyscale and progressive options; density
// is the picture's resolution in dots per inch.
bool SaveJpeg(const std::string& path, const Image& img, const SaveOptions& opt, Status& st);
Image JpegSaveCopy(const Image& img, const SaveOptions& opt, std::string& failure);

}  // namespace lg
