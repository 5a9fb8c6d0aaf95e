// Which function reads which format. A format without a reader here fails
// with a clear error text until its reader lands.
#include "formats/readers.h"

#include "formats/bmp.h"
#include "formats/format_table.h"
#include "formats/gif.h"
#include "formats/jpeg.h"
#include "formats/png.h"
#include "formats/tiff.h"

namespace lg {
namespace {

Image ReadBmpEntry(const std::string& path, const ReadOptions&, Status& st, PictureFacts&) {
    return ReadBmp(path, st);
}

}  // namespace

ReaderFn ReaderFor(int format) {
    switch (format) {
    case kFormatBmp: return ReadBmpEntry;
    case kFormatGif: return LoadGif;
    case kFormatJpeg: return ReadJpeg;
    case kFormatPng: return ReadPng;
    case kFormatTif: return ReadTiffPicture;
    default: return nullptr;
    }
}

}  // namespace lg
