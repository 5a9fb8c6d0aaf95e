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
    int width = 0, height = 0;  // as stored
    bool wholeDecode = false;   // the picture is the full-size decode in the file's own colours
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

// A lossless turn of a whole JPEG file: its DCT blocks are moved, not
// decoded. `transform` is a value of libjpeg-turbo's JXFORM_CODE.
enum class JpegTurnResult {
    Saved,
    EdgeBlocks,  // the size is no whole number of blocks for this turn: nothing written
    Unlike,      // not `width` x `height`, or greyscale or progressive other than opt says: nothing written
    Failed       // st.error says why; an existing file is kept
};
// `data` holds the file (of any size when width and height are 0); the result is written to `path` with opt.exif and
// opt.icc (as SaveJpeg writes them, the orientation set to 1 unless the
// transform is none) and the same greyscale and progressive form. The
// density's sides are exchanged with the picture's.
JpegTurnResult SaveJpegTurnedBlocks(const uint8_t* data, size_t size, int width, int height, int transform,
                                    const SaveOptions& opt, const std::string& path, Status& st);

}  // namespace lg
