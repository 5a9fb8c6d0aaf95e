// Which function reads which format. A format without a reader here fails
// with a clear error text until its reader lands.
#include "formats/readers.h"

#include "formats/ani.h"
#include "formats/bmp.h"
#include "formats/fax_g3.h"
#include "formats/format_table.h"
#include "formats/gif.h"
#include "formats/icon.h"
#include "formats/iff.h"
#include "formats/metafile.h"
#include "formats/pcx.h"
#include "formats/photocd.h"
#include "formats/pnm.h"
#include "formats/psd.h"
#include "formats/side_formats.h"
#include "formats/sunras.h"
#include "formats/targa.h"
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
    case kFormatPcx: return LoadPcx;
    case kFormatDcx: return LoadDcx;
    case kFormatTga: return LoadTarga;
    case kFormatRas: return LoadSunRaster;
    case kFormatPsd: return LoadPsd;
    case kFormatIff: return LoadIff;
    case kFormatPpm: return LoadPpm;
    case kFormatPgm: return LoadPgm;
    case kFormatPbm: return LoadPbm;
    case kFormatJpeg: return ReadJpeg;
    case kFormatPng: return ReadPng;
    case kFormatTif: return ReadTiffPicture;
    case kFormatIcoCur: return LoadIcon;
    case kFormatAni: return LoadAni;
    case kFormatPcd: return LoadPhotoCd;
    case kFormatMetafile: return LoadMetafile;
    case kFormatClp: return LoadClipboardFile;
    case kFormatEps: return LoadEpsPreview;
    case kFormatCam: return LoadCasio;
    case kFormatG3: return LoadFaxG3;
    default: return nullptr;
    }
}

}  // namespace lg
