// Writing a picture in the type its output name ends with: the conversion
// each writer needs, the save options from the settings file, and the
// failure messages.
#pragma once

#include <string>

#include "core/image.h"

namespace lg {

struct SaveOptions {
    int jpegQuality = 80;
    bool jpegGrayscale = false;
    bool jpegProgressive = false;
    bool gifInterlaced = false;
    int gifTransparent = -1;  // palette index, or -1 for none
    int tiffCompression = 0;  // 0 none, 1 LZW, 2 PackBits, 3 G3, 4 G4, 5 Huffman RLE, 6 JPEG
};

// The options as stored in the settings file.
SaveOptions ReadSaveOptions();

// Writes `img` to `outName`; the caller's picture is never changed. On
// failure `message` holds the text to show (the caller shows it when the save
// was asked for interactively). A failed save leaves an existing file as it was.
bool SaveImage(const Image& img, const std::string& outName, bool paletteDisplay, std::string* message);

// Save types in the Save dialog's order (filter index 1..9).
constexpr int kSaveTypeCount = 9;
const char* SaveTypeExtension(int filterIndex);  // ".jpg" ... ; null outside 1..9
std::string SaveFilterString();
// Appends the type's extension unless the name already holds it (either case).
std::string AppendExtension(const std::string& name, int filterIndex);

}  // namespace lg
