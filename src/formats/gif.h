// CompuServe GIF with our own LZW codec: one image of a file in (the first
// one after a given position, so the animation player reads every frame
// through the same path), one GIF89a image out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/bytes.h"
#include "core/image.h"
#include "formats/codec.h"
#include "formats/status.h"

namespace lg {

// What the animation player needs besides the pixels. Fields the file does
// not set stay 0.
struct GifFrameInfo {
    uint8_t bgRed = 0, bgGreen = 0, bgBlue = 0;  // global table entry of the screen's background index
    uint16_t left = 0, top = 0;                   // image position on the logical screen
    int disposal = 0;                             // 0..7, from the graphic control extension
    bool transparent = false;
    uint32_t delay = 0;                           // hundredths of a second
    uint8_t transparentIndex = 0;
};

// Reads the first image met after `controlPos` (a graphic control
// extension's 0x21 byte), else after `imagePos` (an image descriptor's 0x2C
// byte), else after the header; 0 means "not given". The result has depth 1,
// 4 or 8. Damaged or truncated LZW data leaves the pixels not reached at
// index 0 and still returns the picture. An image of more than `maxPixels`
// is refused as too large before anything is allocated.
Image ReadGifFrom(ByteSource& in, uint64_t controlPos, uint64_t imagePos, GifFrameInfo& frame, Status& st,
                  int64_t maxPixels = INT64_MAX);

// The format table's reader. With opt.multiImage (and not opt.quiet) a file
// of several images returns no picture: facts.startAnimation and
// facts.frameCount are set and the info text names the image count.
Image LoadGif(ByteSource& in, const std::string& path, const ReadOptions& opt, Status& st, PictureFacts& facts);

// A single-image GIF89a from a 1-, 4- or 8-bit picture: the colour table
// global or local, rows plain or interlaced, a transparent index or -1.
// False on another depth, a side above 65535 or a failed write; an existing
// file is then left as it was.
bool WriteGif(const std::string& path, const Image& img, bool globalTable, bool interlaced,
              int transparentIndex);
// The format table's writer: a global table, interlacing and the transparent
// index from the options; the copy it needs of a 24-bit picture (256 colours).
bool SaveGif(const std::string& path, const Image& img, const SaveOptions& opt, Status& st);
Image GifSaveCopy(const Image& img, const SaveOptions& opt, std::string& failure);

// Rows of an interlaced image in the order they are stored: 0, 8, 16, ...,
// then 4, 12, ..., then 2, 6, ..., then 1, 3, 5, ...
void InterlaceOrder(int height, int* rows);

// One row of a 1-, 4- or 8-bit picture as one colour index per byte.
void UnpackIndices(const uint8_t* row, int bitCount, size_t width, uint8_t* out);

// Passes over data sub-blocks up to the zero-length one or the end of the data.
void SkipGifSubBlocks(ByteSource& in);

}  // namespace lg
