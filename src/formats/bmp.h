// Windows and OS/2 bitmaps: uncompressed, RLE8, RLE4 and bit-field files in;
// uncompressed files out.
#pragma once

#include <cstdint>
#include <string>

#include "core/bytes.h"
#include "core/image.h"
#include "formats/codec.h"
#include "platform/outfile.h"

namespace lg {

Image ReadBmpFrom(ByteSource& in, Status& st);
// The file read by name, for tools and tests.
Image ReadBmp(const std::string& path, Status& st);
// 1 on success; on failure the error text says why and no existing file is touched.
bool WriteBmp(const std::string& path, const Image& img, Status& st);

// A BMP file written a band of rows at a time, for a conversion that never
// holds the whole picture: the bytes WriteBmp writes for a picture of this
// size, depth, colour table and resolution. Bands may come in any order;
// nothing stands under the target's name before commit(), and an uncommitted
// file goes away with the writer.
class BmpBandWriter {
public:
    // Creates the file and writes its headers and the `colors` entries of
    // `palette`; false with st.error (the size then fits no picture, or the
    // file cannot be made).
    bool open(const std::string& path, int width, int height, int bitCount, const uint8_t* palette,
              uint32_t colors, int xResolution, int yResolution, Status& st);
    size_t stride() const { return stride_; }
    // Picture rows top .. top + count - 1 (counted from the top), as the file
    // stores them: bottom row first, stride() bytes each, padding included.
    bool writeBand(int top, int count, const uint8_t* rows);
    // Puts the whole file under the target's name; false with st.error.
    bool commit(Status& st);

private:
    OutputFile out_;
    size_t stride_ = 0;
    int height_ = 0;
    uint64_t dataOffset_ = 0;
};

// The format table's writer.
bool SaveBmp(const std::string& path, const Image& img, const SaveOptions& opt, Status& st);

}  // namespace lg
