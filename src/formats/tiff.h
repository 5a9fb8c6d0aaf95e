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
#include "formats/codec.h"
#include "formats/status.h"

namespace lg {

// The offsets of the file's image directories, first one first. A chain
// that reaches kMaxPages directories (a loop, in practice) counts as one page.
int CountTiffPagesIn(ByteSource& in, std::vector<uint32_t>& offsets);

// Reads the directory at `dirOffset` (0: the first one). A read error part
// way leaves the rows read so far in the picture and says so in st.error.
// This is also the format table's page reader.
Image ReadTiffFrom(ByteSource& in, uint32_t dirOffset, Status& st);

// The format table's reader: counts the pages into `facts` (unless quiet),
// reads page 0.
Image LoadTiff(ByteSource& in, const std::string& path, const ReadOptions& opt, Status& st, PictureFacts& facts);

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

// The format table's writer, and the 24-bit copy that JPEG compression needs.
bool SaveTiff(const std::string& path, const Image& img, const SaveOptions& opt, Status& st);
Image TiffSaveCopy(const Image& img, const SaveOptions& opt, std::string& failure);

}  // namespace lg
