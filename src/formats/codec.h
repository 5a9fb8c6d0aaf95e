// What the format table's readers and writers are called with and give
// back: the read and save options (plain records the caller fills in), what
// a load learns about the picture, and the function types of the table.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/bytes.h"
#include "core/image.h"
#include "formats/status.h"

namespace lg {

struct IconSet;

// The JPEG file a picture was decoded from, for saving its turns without loss.
struct JpegOrigin {
    bool wholeDecode = false;    // the picture is the file's full-size decode (no grey read of colour, no palette)
    int width = 0, height = 0;   // as stored in the file
    std::string path;            // the file read, absolute; empty: unknown
    int64_t size = -1;           // its size and write time before it was read
    uint64_t writeTime = 0;
    uint64_t fingerprint = 0;    // PictureFingerprint of the decoded picture, once taken; 0: not yet
};

// What the shell shows about the picture it got.
struct PictureFacts {
    std::string infoText;      // type and compression
    std::string messageText;   // last failure or warning
    int bitCount = 0, width = 0, height = 0, xResolution = 0;  // as read
    uint32_t decompressMs = 0;
    bool multipage = false;
    int pageCount = 0, currentPage = 0;
    std::vector<uint32_t> pageOffsets;  // up to 1024
    int frameCount = 0;
    bool startAnimation = false;  // the reader filled the frame table instead of returning a picture
    bool pcdOverview = false;
    int pcdSheetStart = 1;    // first thumbnail of the overview sheet shown
    int orientation = 0;          // JPEG Exif or TIFF orientation tag 1..8 (read with autoRotate), 0 without one
    int orientationApplied = 0;   // the value the picture was turned upright by, 0 when it was not
    std::vector<uint8_t> exif, icc;  // a JPEG's Exif block and ICC profile, kept for saving it as JPEG
    bool turned = false;          // quarter turns or flips were applied since the load
    JpegOrigin jpegOrigin;        // a JPEG reader's picture: where it came from
};

struct ReadOptions {
    bool grayscale = false;        // JPEG: decode as grey
    bool paletteDisplay = false;   // deliver 8-bit colour directly (256-colour screen)
    int previewWidth = 0;          // JPEG, wavelet: choose a reduced scale
    int pcdSize = 2;               // Photo CD resolution 0..2
    // Icons: asks the user which of several images to show (its index);
    // without it the first is taken.
    std::function<int(const IconSet&)> chooseIcon;
    bool multiImage = false;       // GIF, ANI: read every frame for playback
    bool quiet = false;            // quiet loader: first image or page only
    int64_t maxPixels = INT64_MAX; // GIF: refuse larger pictures before decoding (fuzzers lower it)
    ReadLimits limits;             // what the read may cost; the source carries them to the reader
    bool autoRotate = false;       // JPEG, TIFF: turn photos upright by their orientation tag
    // Decoding ahead: set by another thread when the picture is no longer
    // wanted (the JPEG reader then gives up between row bands, no picture),
    // and a picture no longer wanted whose block the JPEG reader takes over
    // when it needs that very size (else frees it first).
    const std::atomic<bool>* cancel = nullptr;
    Image* spare = nullptr;
};

struct SaveOptions {
    int jpegQuality = 80;
    bool jpegGrayscale = false;
    bool jpegProgressive = false;
    bool gifInterlaced = false;
    int gifTransparent = -1;       // palette index, or -1 for none
    int tiffCompression = 0;       // 0 none, 1 LZW, 2 PackBits, 3 G3, 4 G4, 5 Huffman RLE, 6 JPEG
    bool paletteDisplay = false;   // the screen shows 256 colours (EMF is then written with 256)
    int webpQuality = 80;          // lossy WebP, 0..100
    bool webpLossless = false;
    // JPEG: the source photo's metadata to write again (the caller keeps them alive).
    const std::vector<uint8_t>* exif = nullptr;
    const std::vector<uint8_t>* icc = nullptr;
    bool resetOrientation = false;  // the pixels no longer stand as the Exif orientation says: write 1
};

// Reads the picture from a file the dispatcher opened; `path` names it in
// messages. The source is at its start.
using ReaderFn = Image (*)(ByteSource& in, const std::string& path, const ReadOptions& opt, Status& st,
                           PictureFacts& facts);
// Reads the page of a multipage file that starts at `offset`.
using PageReaderFn = Image (*)(ByteSource& in, uint32_t offset, Status& st);
// The copy of `img` a writer needs, or an empty picture when it takes `img`
// as it is. `failure` gets the whole message when a needed copy cannot be made.
using SaveCopyFn = Image (*)(const Image& img, const SaveOptions& opt, std::string& failure);
// Writes `img` to `path`; on failure st.error may say why.
using WriterFn = bool (*)(const std::string& path, const Image& img, const SaveOptions& opt, Status& st);

// A reader's check of its picture before allocating it (CheckClaim with the
// source's limits and what is left of it): false with st.error "too large",
// or left at the reader's "not valid" text when the file is too small for it.
bool ClaimFits(const ByteSource& in, int64_t width, int64_t height, int bitCount, uint32_t colors,
               uint64_t rowBytes, uint64_t expansion, Status& st);
// The same for a reader whose data may lie anywhere in `available` bytes.
bool ClaimFitsIn(const ReadLimits& limits, uint64_t available, int64_t width, int64_t height, int bitCount,
                 uint32_t colors, uint64_t rowBytes, uint64_t expansion, Status& st);

// The table reader of a decoder that needs nothing but the bytes.
template <Image (*Read)(ByteSource&, Status&)>
Image PlainReader(ByteSource& in, const std::string&, const ReadOptions&, Status& st, PictureFacts&) {
    return Read(in, st);
}

}  // namespace lg
