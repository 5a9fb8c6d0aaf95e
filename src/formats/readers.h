// The reader of each format, and what a load knows about the picture.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/image.h"
#include "formats/status.h"

namespace lg {

struct IconSet;

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
};

using ReaderFn = Image (*)(const std::string& path, const ReadOptions& opt, Status& st,
                           PictureFacts& facts);

// The reader of a format, or null when this build has none.
ReaderFn ReaderFor(int format);

}  // namespace lg
