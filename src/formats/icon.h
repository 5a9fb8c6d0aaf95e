// Windows icons and cursors: the set of images in an .ICO/.CUR file, one of
// them turned into a picture with its transparent pixels painted white, and a
// one-image icon writer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/bytes.h"
#include "core/image.h"
#include "formats/codec.h"
#include "formats/status.h"

namespace lg {

// One image of an icon file: its resource bytes and where its parts start.
struct IconImage {
    int width = 0, height = 0;  // picture height: half the stored height
    int bitCount = 0;
    bool png = false;           // a PNG stream instead of a bitmap
    std::vector<uint8_t> bytes;
    size_t headerPos = 0, colorPos = 0, maskPos = 0;
};

struct IconSet {
    std::vector<IconImage> images;
    int selected = 0;
};

// Reads the directory and every image's bytes from an icon file image (the
// bytes of an .ICO/.CUR file, or an "icon" chunk of an animated cursor).
bool ReadIconSet(ByteSource& in, IconSet& set, Status& st);

// The picture of one image: pixels whose mask bit is set become white.
// Depths as stored (1, 4, 8, 16, 24 or 32); the picture within `limits`.
Image IconToPicture(const IconImage& icon, Status& st, const ReadLimits& limits = ReadLimits());

// The chooser line of an image: "32 x 32  -  16 colors" or "... True color".
std::string IconChoiceText(const IconImage& icon);

// The format table's reader: opt.chooseIcon is asked only for a file of more
// than one image and not by the quiet loader.
Image LoadIcon(ByteSource& in, const std::string& path, const ReadOptions& opt, Status& st, PictureFacts& facts);

// The whole icon file for one picture (1-bit pictures: index 1 becomes
// transparent; other depths are opaque). Empty when the picture is too big.
std::vector<uint8_t> BuildIconFile(const Image& img);
bool WriteIcon(const std::string& path, const Image& img);
// The format table's writer.
bool SaveIcon(const std::string& path, const Image& img, const SaveOptions& opt, Status& st);

}  // namespace lg
