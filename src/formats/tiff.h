// TIFF through libtiff: page counting by directory chain, reading any one
// directory into a picture, and writing a picture with one of seven
// compressions. libtiff's own messages never reach the console; the last
// error it reports is added to our error text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/bytes.h"
#include "core/image.h"
#include "formats/readers.h"
#include "formats/save.h"
#include "formats/status.h"

namespace lg {

// Most page offsets a file's page table holds.
constexpr int kMaxPages = 1024;

// The offsets of the file's image directories, first one first. A chain
// that reaches kMaxPages directories (a loop, in practice) counts as one page.
int CountTiffPages(const std::string& path, std::vector<uint32_t>& offsets);
int CountTiffPagesIn(ByteSource& in, std::vector<uint32_t>& offsets);

// Reads the directory at `dirOffset` (0: the first one). A read error part
// way leaves the rows read so far in the picture and says so in st.error.
Image ReadTiff(const std::string& path, uint32_t dirOffset, Status& st);
Image ReadTiffFrom(ByteSource& in, uint32_t dirOffset, Status& st);

// The load dispatcher's entry: counts the pages into `facts`, reads page 0.
Image ReadTiffPicture(const std::string& path, const ReadOptions& opt, Status& st, PictureFacts& facts);

// Save compressions, as the options store them.
enum TiffCompression {
    kTiffNone = 0,
    kTiffLzw = 1,
    kTiffPackBits = 2,
    kTiffFax3 = 3,
    kTiffFax4 = 4,
    kTiffHuffman = 5,
    kTiffJpeg = 6,
};

// Writes a 1-, 4-, 8- or 24-bit picture. The fax compressions take 1-bit
// pictures only, JPEG 24-bit ones only. An existing file survives a failure.
bool WriteTiff(const std::string& path, const Image& img, int compression, int jpegQuality, Status& st);

// The save dispatcher's entry.
bool WriteTiffPicture(const std::string& path, const Image& img, const SaveOptions& opt, Status& st);

}  // namespace lg
