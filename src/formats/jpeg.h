// JPEG/JFIF through libjpeg: reading (greyscale, 256-colour and reduced-scale
// variants) and writing. Library errors become the error text; nothing is
// ever printed and the process never ends.
#pragma once

#include <memory>
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

// A JPEG decoded a band of rows at a time into rows the caller holds, with
// the settings ReadJpegFrom uses (it is built on this): for work that never
// needs the whole picture at once. Rows come as a picture stores them:
// blue-green-red, or one byte of grey or colour index.
class JpegRowReader {
public:
    JpegRowReader();
    ~JpegRowReader();
    JpegRowReader(const JpegRowReader&) = delete;
    JpegRowReader& operator=(const JpegRowReader&) = delete;

    // Reads the header, checks the size against the source's limits and
    // starts the decode; false with st.error on failure. The other members
    // are for a started reader only.
    bool start(ByteSource& in, const ReadOptions& opt, Status& st, JpegMetadata* meta = nullptr);
    int width() const;
    int height() const;
    int bitCount() const;     // 24, or 8 with the colour table palette() writes
    bool quantized() const;   // 8-bit colour through the library's own colour map
    void resolution(int& x, int& y) const;  // dots per inch, 0 when the file gives none
    void palette(uint8_t* table) const;     // 256 entries of an 8-bit picture
    // Decodes the next `n` rows, top row first, into rows[0 .. n - 1]; false
    // with st.error when the library gives up or opt.cancel is set.
    bool readRows(uint8_t** rows, int n, Status& st);
    // Ends the decode after the last row; damage behind it is no failure.
    void finish();

private:
    struct Decoder;
    std::unique_ptr<Decoder> d_;
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
