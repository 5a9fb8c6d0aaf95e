// JPEG/JFIF through libjpeg: reading (greyscale, 256-colour and reduced-scale
// variants) and writing. Library errors become the error text; nothing is
// ever printed and the process never ends.
#pragma once

#include <string>
#include <vector>

#include "core/bytes.h"
#include "core/image.h"
#include "formats/codec.h"
#include "formats/status.h"

namespace lg {

// What a JPEG file carries besides its pixels.
struct JpegMetadata {
    std::vector<uint8_t> exif;  // the first APP1 payload that starts with "Exif\0\0"
    std::vector<uint8_t> icc;   // the ICC profile, its APP2 chunks joined
};

// Uses opt.grayscale, opt.paletteDisplay (8-bit output with the library's own
// two-pass quantizer) and opt.previewWidth (1/4 or 1/8 scale). Reads from the
// source's current position, so a JPEG stream inside another file works too.
// With `meta`, the Exif block and the ICC profile are kept there as well.
Image ReadJpegFrom(ByteSource& in, const ReadOptions& opt, Status& st, JpegMetadata* meta = nullptr);
// The format table's reader: facts.exif and facts.icc get the metadata, and
// with opt.autoRotate facts.orientation the orientation.
Image LoadJpeg(ByteSource& in, const std::string& path, const ReadOptions& opt, Status& st, PictureFacts& facts);

// The format table's writer: depth 8 or 24 only (JpegSaveCopy expands 1 and 4
// bits first). Uses the quality, greyscale and progressive options; density
// is the picture's resolution in dots per inch. opt.exif and opt.icc are
// written again (the Exif block without its thumbnail).
bool SaveJpeg(const std::string& path, const Image& img, const SaveOptions& opt, Status& st);
Image JpegSaveCopy(const Image& img, const SaveOptions& opt, std::string& failure);

}  // namespace lg
