#include "formats/tiff.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "core/convert.h"
#include "core/messages.h"
#include "platform/outfile.h"
#include "platform/threads.h"

namespace lg {
namespace {

// No single allocation of libtiff's may exceed this (hostile strip sizes).
constexpr tmsize_t kMaxLibraryAlloc = tmsize_t(256) << 20;

// ---- libtiff plumbing ------------------------------------------------------

// What libtiff reported on one handle; only the last error is kept.
struct LibraryLog {
    std::string lastError;
};

int RecordError(TIFF*, void* user, const char* module, const char* fmt, va_list ap) {
    char text[512];
    std::vsnprintf(text, sizeof text, fmt, ap);
    auto* log = static_cast<LibraryLog*>(user);
    log->lastError = module && *module ? std::string(module) + ": " + text : std::string(text);
    return 1;  // handled: the global handler stays silent
}

int IgnoreWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

// Messages libtiff issues without a handle would go to stderr by default.
void SilenceGlobalHandlers() {
    static const bool once = [] {
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
        return true;
    }();
    (void)once;
}

// Our text, then the library's reason on the next line when it gave one.
std::string WithReason(const char* text, const LibraryLog& log) {
    return log.lastError.empty() ? std::string(text) : std::string(text) + "\n" + log.lastError;
}

struct TiffCloser {
    void operator()(TIFF* t) const { TIFFClose(t); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

int NoMap(thandle_t, void**, toff_t*) { return 0; }
void NoUnmap(thandle_t, void*, toff_t) {}
int NoClose(thandle_t) { return 0; }

// Input procedures over a ByteSource, so files and memory read the same way.
tmsize_t SourceRead(thandle_t h, void* buf, tmsize_t n) {
    return n <= 0 ? 0 : tmsize_t(static_cast<ByteSource*>(h)->read(buf, size_t(n)));
}
tmsize_t SourceWrite(thandle_t, void*, tmsize_t) { return 0; }
toff_t SourceSeek(thandle_t h, toff_t off, int whence) {
    auto* in = static_cast<ByteSource*>(h);
    uint64_t base = whence == SEEK_CUR ? in->tell() : whence == SEEK_END ? in->size() : 0;
    uint64_t target = base + off;  // wraps for a negative relative move, as intended
    in->seek(target);              // past the end stops at the end: libtiff sees the shortfall
    return in->tell();
}
toff_t SourceSize(thandle_t h) { return static_cast<ByteSource*>(h)->size(); }

// Output procedures over an OutputFile, which keeps the target safe.
tmsize_t OutRead(thandle_t, void*, tmsize_t) { return 0; }
tmsize_t OutWrite(thandle_t h, void* buf, tmsize_t n) {
    return n >= 0 && static_cast<OutputFile*>(h)->write(buf, size_t(n)) ? n : 0;
}
// 64-bit positions: `long` is 32 bits on Windows, so fseek and ftell stop at
// 2 GB, and libtiff passes a move back from the current or end position as a
// wrapped-around unsigned offset.
int SeekStream(std::FILE* f, int64_t off, int whence) {
#ifdef _WIN32
    return _fseeki64(f, off, whence);
#else
    return fseeko(f, off_t(off), whence);
#endif
}
int64_t TellStream(std::FILE* f) {
#ifdef _WIN32
    return _ftelli64(f);
#else
    return int64_t(ftello(f));
#endif
}
toff_t OutSeek(thandle_t h, toff_t off, int whence) {
    std::FILE* f = static_cast<OutputFile*>(h)->stream();
    if (!f || SeekStream(f, int64_t(off), whence) != 0) return toff_t(-1);
    const int64_t at = TellStream(f);
    return at < 0 ? toff_t(-1) : toff_t(at);
}
toff_t OutSize(thandle_t h) {
    std::FILE* f = static_cast<OutputFile*>(h)->stream();
    const int64_t here = f ? TellStream(f) : -1;
    if (here < 0 || SeekStream(f, 0, SEEK_END) != 0) return 0;
    const int64_t end = TellStream(f);
    SeekStream(f, here, SEEK_SET);
    return end < 0 ? 0 : toff_t(end);
}

TiffHandle OpenClient(const char* mode, thandle_t client, TIFFReadWriteProc readProc,
                      TIFFReadWriteProc writeProc, TIFFSeekProc seekProc, TIFFSizeProc sizeProc,
                      LibraryLog& log) {
    SilenceGlobalHandlers();
    TIFFOpenOptions* opts = TIFFOpenOptionsAlloc();
    if (!opts) return nullptr;
    TIFFOpenOptionsSetErrorHandlerExtR(opts, RecordError, &log);
    TIFFOpenOptionsSetWarningHandlerExtR(opts, IgnoreWarning, nullptr);
    TIFFOpenOptionsSetMaxSingleMemAlloc(opts, kMaxLibraryAlloc);
    TIFF* tif = TIFFClientOpenExt("TIFF", mode, client, readProc, writeProc, seekProc, NoClose, sizeProc,
                                  NoMap, NoUnmap, opts);
    TIFFOpenOptionsFree(opts);
    return TiffHandle(tif);
}

// ---- reading ---------------------------------------------------------------

struct Fields {
    uint32_t width = 0, height = 0;
    uint16_t samples = 1, bits = 1, compression = COMPRESSION_NONE;
    uint16_t photometric = PHOTOMETRIC_MINISBLACK, planar = PLANARCONFIG_CONTIG;
    uint16_t orientation = ORIENTATION_TOPLEFT, sampleFormat = SAMPLEFORMAT_UINT;
    float xres = 0, yres = 0;
    bool tiled = false;
    uint32_t tileWidth = 0, tileLength = 0;
    bool hasOrientation = false;  // the tag is in the file
    bool asStored = false;        // rows as stored, top first: the caller turns the picture upright
};

Fields ReadFields(TIFF* tif) {
    Fields f;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &f.width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &f.height);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &f.samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &f.bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &f.compression);
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &f.photometric);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &f.planar);
    f.hasOrientation = TIFFGetField(tif, TIFFTAG_ORIENTATION, &f.orientation) == 1;
    if (!f.hasOrientation) f.orientation = ORIENTATION_TOPLEFT;
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &f.sampleFormat);
    TIFFGetField(tif, TIFFTAG_XRESOLUTION, &f.xres);
    TIFFGetField(tif, TIFFTAG_YRESOLUTION, &f.yres);
    f.tiled = TIFFIsTiled(tif) != 0;
    if (f.tiled) {
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &f.tileWidth);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &f.tileLength);
    }
    return f;
}

const char* CompressionName(uint16_t c) {
    switch (c) {
    case COMPRESSION_CCITTRLE: return "Huffman RLE";
    case COMPRESSION_CCITTFAX3: return "Group 3 Fax Encoding";
    case COMPRESSION_CCITTFAX4: return "Group 4 Fax Encoding";
    case COMPRESSION_LZW: return "LZW";
    case COMPRESSION_OJPEG: return "Old JPEG (in TIFF)";
    case COMPRESSION_JPEG: return "JPEG (in TIFF)";
    case COMPRESSION_NEXT: return "NeXT 2-Bit RLE";
    case COMPRESSION_CCITTRLEW: return "Run Length Encoding";
    case COMPRESSION_PACKBITS: return "Macintosh Packbits";
    case COMPRESSION_THUNDERSCAN: return "ThunderScan RLE";
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE: return "ZIP (in TIFF)";
    default: return "None";
    }
}

int WholeResolution(float v) { return v >= 1.0f && v < 2147483520.0f ? int(v) : 0; }

// Whether rows can be taken one by one and stored with their own depth;
// everything else is rendered to 24-bit colour by libtiff.
bool RowRoute(const Fields& f) {
    if (f.planar != PLANARCONFIG_CONTIG || f.sampleFormat == SAMPLEFORMAT_IEEEFP) return false;
    // Rows of side-by-side tiles must meet at a byte boundary.
    if (f.tiled && (f.tileWidth == 0 || f.tileLength == 0 || uint64_t(f.tileWidth) * f.samples * f.bits % 8))
        return false;
    const bool bytes = f.bits == 8 || f.bits == 16;
    switch (f.photometric) {
    case PHOTOMETRIC_MINISWHITE:
    case PHOTOMETRIC_MINISBLACK:
        return (f.samples == 1 && (f.bits <= 2 || f.bits == 4 || bytes)) || (f.samples == 2 && bytes);
    case PHOTOMETRIC_PALETTE: return f.samples == 1 && (f.bits <= 2 || f.bits == 4 || f.bits == 8);
    case PHOTOMETRIC_RGB: return (f.samples == 3 || f.samples == 4) && bytes;
    case PHOTOMETRIC_SEPARATED: return f.samples == 4;  // below 8 bits it is refused
    default: return false;
    }
}

// Colour table of a one-channel picture of `bits` bits per sample.
void FillTable(TIFF* tif, const Fields& f, int bits, Image& img) {
    const int n = 1 << bits;
    if (bits == 1 && f.photometric != PHOTOMETRIC_PALETTE) {
        const bool blackFirst = f.photometric == PHOTOMETRIC_MINISBLACK;
        img.setPaletteEntry(0, blackFirst ? 0 : 255, blackFirst ? 0 : 255, blackFirst ? 0 : 255);
        img.setPaletteEntry(1, blackFirst ? 255 : 0, blackFirst ? 255 : 0, blackFirst ? 255 : 0);
        return;
    }
    const int step = 255 / (n - 1);
    if (f.photometric == PHOTOMETRIC_MINISWHITE || f.photometric == PHOTOMETRIC_MINISBLACK) {
        for (int i = 0; i < n; ++i) {
            const uint8_t v = uint8_t(step * (f.photometric == PHOTOMETRIC_MINISWHITE ? n - 1 - i : i));
            img.setPaletteEntry(i, v, v, v);
        }
        return;
    }
    uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
    if (f.photometric != PHOTOMETRIC_PALETTE || !TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue))
        return;
    // Old writers stored 8-bit values; a map with anything above 255 is 16-bit.
    bool wide = false;
    for (int i = 0; i < n - 1; ++i) wide = wide || red[i] > 255 || green[i] > 255 || blue[i] > 255;
    auto scale = [wide](uint16_t v) { return uint8_t(wide ? uint32_t(v) * 255 / 65535 : std::min<uint16_t>(v, 255)); };
    for (int i = 0; i < n; ++i) img.setPaletteEntry(i, scale(red[i]), scale(green[i]), scale(blue[i]));
}

// 16-bit samples (in host order, as libtiff hands them) to their high bytes, in place.
void NarrowSamples(uint8_t* line, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        uint16_t v;
        std::memcpy(&v, line + 2 * i, 2);
        line[i] = uint8_t(v >> 8);
    }
}

// One scanline of 8-bit (or fewer) samples into a stored row.
void StoreRow(const Fields& f, const uint8_t* s, uint8_t* d, size_t width) {
    if (f.samples == 1 && f.bits == 2) {  // two bits to a nibble: there are no 2-bit DIBs
        for (size_t x = 0; x < width; ++x) {
            const int v = (s[x >> 2] >> (6 - 2 * (x & 3))) & 3;
            d[x >> 1] = uint8_t(x & 1 ? d[x >> 1] | v : v << 4);
        }
    } else if (f.samples == 1) {
        std::memcpy(d, s, (width * (f.bits == 16 ? 8 : f.bits) + 7) / 8);
    } else if (f.samples == 2) {  // grey and alpha: the grey alone
        for (size_t x = 0; x < width; ++x) d[x] = s[2 * x];
    } else if (f.samples == 3) {
        for (size_t x = 0; x < width; ++x, s += 3, d += 3) {
            d[0] = s[2];
            d[1] = s[1];
            d[2] = s[0];
        }
    } else if (f.photometric == PHOTOMETRIC_SEPARATED) {
        for (size_t x = 0; x < width; ++x, s += 4, d += 4) {
            const int k = s[3];
            d[0] = uint8_t(std::max(0, 255 - s[2] - k));
            d[1] = uint8_t(std::max(0, 255 - s[1] - k));
            d[2] = uint8_t(std::max(0, 255 - s[0] - k));
            d[3] = 0;
        }
    } else {  // RGB and an extra sample, which keeps its place
        for (size_t x = 0; x < width; ++x, s += 4, d += 4) {
            d[0] = s[2];
            d[1] = s[1];
            d[2] = s[0];
            d[3] = s[3];
        }
    }
}

// The file's rows in order: scanline by scanline, or cut from a row of
// tiles decoded side by side.
struct RowSource {
    TIFF* tif = nullptr;
    uint32_t tileWidth = 0, tileLength = 0;
    size_t tileRowBytes = 0, lineBytes = 0;
    std::vector<uint8_t> tile, band;

    // False when a buffer would be absurdly large.
    bool init(TIFF* t, const Fields& f) {
        tif = t;
        if (!f.tiled) {
            const tmsize_t n = TIFFScanlineSize(tif);
            if (n <= 0 || n > kMaxLibraryAlloc) return false;
            lineBytes = size_t(n);
            band.assign(lineBytes, 0);
            return true;
        }
        tileWidth = f.tileWidth;
        tileLength = std::min(f.tileLength, f.height);
        const uint64_t tileBytes = uint64_t(TIFFTileSize64(tif));
        const uint64_t rowBytes = uint64_t(f.tileWidth) * f.samples * f.bits / 8;
        const uint64_t across = (uint64_t(f.width) + f.tileWidth - 1) / f.tileWidth;
        if (tileBytes == 0 || tileBytes > uint64_t(kMaxLibraryAlloc) || rowBytes * f.tileLength > tileBytes ||
            across * rowBytes * tileLength > uint64_t(kMaxLibraryAlloc))
            return false;
        tileRowBytes = size_t(rowBytes);
        lineBytes = size_t(across * rowBytes);
        tile.assign(size_t(tileBytes), 0);
        band.assign(lineBytes * tileLength, 0);
        return true;
    }

    // File row y (asked for in order), or null on a read error.
    uint8_t* row(uint32_t y) {
        if (!tileWidth) return TIFFReadScanline(tif, band.data(), y, 0) < 0 ? nullptr : band.data();
        const uint32_t inBand = y % tileLength;
        if (inBand == 0) {
            for (size_t x = 0, at = 0; at < lineBytes; x += tileWidth, at += tileRowBytes) {
                if (TIFFReadTile(tif, tile.data(), uint32_t(x), y, 0, 0) < 0) return nullptr;
                for (uint32_t r = 0; r < tileLength; ++r)
                    std::memcpy(&band[r * lineBytes + at], &tile[r * tileRowBytes], tileRowBytes);
            }
        }
        return &band[inBand * lineBytes];
    }
};

// Where file row i goes, and how it gets there.
struct RowPlacer {
    const Fields& f;
    Image& img;
    size_t samplesPerLine;
    bool bottomFirst;
    void store(int i, uint8_t* line) const {
        if (f.bits == 16) NarrowSamples(line, samplesPerLine);
        StoreRow(f, line, img.row(bottomFirst ? i : int(f.height) - 1 - i), f.width);
    }
};

// The file a picture comes from, when its name is known: its page and size.
struct FileRef {
    const std::string& path;
    uint32_t dirOffset;
    uint64_t size;
};

// Strips and tiles are independent: a large file of a path is decoded on
// every processor, each band of strips or of rows of tiles through a handle
// of its own on the file (so page `dirOffset` of it). False when anything
// fails on the way, a damaged strip or tile included: the caller then reads
// the rows one by one, as for any other file, so that damage ends the
// picture at the same row.
bool ReadInParallel(const FileRef& file, TIFF* tif, const Fields& f, const RowPlacer& place) {
    uint32_t perStrip = 0;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &perStrip);
    perStrip = std::min(perStrip, f.height);
    const uint32_t strips = TIFFNumberOfStrips(tif);
    const tmsize_t lineBytes = TIFFScanlineSize(tif);
    // A unit: a strip, or a row of tiles.
    const uint32_t unitRows = f.tiled ? std::min(f.tileLength, f.height) : perStrip;
    if (file.path.empty() || unitRows == 0 || lineBytes <= 0 || lineBytes > kMaxLibraryAlloc) return false;
    const uint32_t units = (f.height + unitRows - 1) / unitRows;
    const int64_t workPerUnit = int64_t(unitRows) * f.width;
    if ((!f.tiled && (strips != units || uint64_t(lineBytes) * perStrip > uint64_t(kMaxLibraryAlloc))) ||
        platform::BandCount(int(units), workPerUnit) < 2)
        return false;
    std::vector<char> bandOk(size_t(platform::BandCount(int(units), workPerUnit)), 0);
    platform::ForEachNumberedBand(int(units), workPerUnit, [&](int band, int first, int end) {
        ByteSource in = ByteSource::OpenFile(file.path);
        if (!in.ok() || in.size() != file.size) return;
        LibraryLog log;
        TiffHandle own =
            OpenClient(file.dirOffset ? "rh" : "r", &in, SourceRead, SourceWrite, SourceSeek, SourceSize, log);
        if (!own || (file.dirOffset && !TIFFSetSubDirectory(own.get(), file.dirOffset))) return;
        // The file may have changed since the first look: it must be the same picture.
        const Fields g = ReadFields(own.get());
        uint32_t gPerStrip = 0;
        TIFFGetFieldDefaulted(own.get(), TIFFTAG_ROWSPERSTRIP, &gPerStrip);
        if (g.width != f.width || g.height != f.height || g.bits != f.bits || g.samples != f.samples ||
            g.compression != f.compression || g.photometric != f.photometric || g.planar != f.planar ||
            g.tiled != f.tiled || TIFFScanlineSize(own.get()) != lineBytes)
            return;
        const uint32_t top = uint32_t(first) * unitRows, bottom = std::min(f.height, uint32_t(end) * unitRows);
        if (f.tiled) {
            // Rows of tiles, from a tile row's first line on, as the serial read takes them.
            RowSource rows;
            if (g.tileWidth != f.tileWidth || g.tileLength != f.tileLength || !rows.init(own.get(), g)) return;
            for (uint32_t y = top; y < bottom; ++y) {
                uint8_t* line = rows.row(y);
                if (!line) return;
                place.store(int(y), line);
            }
        } else {
            if (std::min(gPerStrip, g.height) != perStrip || TIFFNumberOfStrips(own.get()) != strips) return;
            std::vector<uint8_t> buffer(size_t(lineBytes) * perStrip);
            for (uint32_t y = top; y < bottom; y += perStrip) {
                const uint32_t rows = std::min(perStrip, f.height - y);
                const tmsize_t want = tmsize_t(rows) * lineBytes;
                if (TIFFReadEncodedStrip(own.get(), y / perStrip, buffer.data(), want) != want) return;
                for (uint32_t r = 0; r < rows; ++r) place.store(int(y + r), buffer.data() + size_t(r) * size_t(lineBytes));
            }
        }
        bandOk[size_t(band)] = 1;
    });
    return std::find(bandOk.begin(), bandOk.end(), 0) == bandOk.end();
}

// The depth of a picture read row by row: 16-bit samples become 8-bit, grey
// with alpha becomes grey, 2 bits become 4.
int RowsDepth(const Fields& f) {
    const int sampleBits = f.bits == 16 ? 8 : f.bits;
    const int channels = f.samples == 2 ? 1 : f.samples;
    return channels > 1 ? channels * 8 : sampleBits == 2 ? 4 : sampleBits;
}

Image ReadRows(TIFF* tif, const Fields& f, Status& st, const LibraryLog& log, const FileRef& file) {
    if (f.photometric == PHOTOMETRIC_SEPARATED && f.bits < 8) {
        st.error = Msg(MsgId::TiffUnsupported);
        return Image();
    }
    const int sampleBits = f.bits == 16 ? 8 : f.bits;
    const int channels = f.samples == 2 ? 1 : f.samples;
    const int depth = RowsDepth(f);
    const uint32_t tableLen = channels == 1 ? 1u << sampleBits : 0;
    // Every row is stored below; rows behind a read error are cleared there.
    Image img = Image::CreateForRows(f.width, f.height, depth, tableLen);
    RowSource rows;
    if (!img || !rows.init(tif, f)) {
        st.error = Msg(MsgId::CantAllocate);
        return Image();
    }
    const size_t samplesPerLine = size_t(f.width) * f.samples;
    if (rows.lineBytes < (uint64_t(samplesPerLine) * f.bits + 7) / 8) {
        st.error = WithReason(Msg(MsgId::TiffNotValid), log);
        return Image();
    }
    if (tableLen) FillTable(tif, f, sampleBits, img);
    const RowPlacer place{f, img, samplesPerLine, !f.asStored && f.orientation == ORIENTATION_BOTLEFT};
    if (ReadInParallel(file, tif, f, place)) return img;
    const int h = int(f.height);
    for (int i = 0; i < h; ++i) {
        uint8_t* line = rows.row(uint32_t(i));
        if (!line) {
            st.error = WithReason(Msg(MsgId::CantReadFromFile), log);
            // The rows not read stay black, as they always were.
            for (; i < h; ++i) std::memset(img.row(place.bottomFirst ? i : h - 1 - i), 0, img.stride());
            break;
        }
        place.store(i, line);
    }
    return img;
}

// Rows per call of the renderer: whole strips or tile rows, so that none is
// decoded twice, and enough of them to keep the calls few.
uint32_t RenderBand(TIFF* tif, const Fields& f) {
    uint32_t unit = f.tileLength;
    if (!f.tiled) TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &unit);
    if (unit == 0 || unit >= f.height) return f.height;
    const uint32_t band = unit * ((63 + unit) / unit);
    return std::min(band, f.height);
}

// libtiff renders any colour model it knows into RGBA words, a band of rows
// at a time; the band arrives bottom row first.
Image ReadRendered(TIFF* tif, const Fields& f, Status& st, const LibraryLog& log) {
    char why[1024] = "";
    TIFFRGBAImage ri;
    if (!TIFFRGBAImageOK(tif, why) || !TIFFRGBAImageBegin(&ri, tif, 1, why)) {
        const char* unsupported = Msg(MsgId::TiffUnsupported);
        st.error = why[0] ? std::string(unsupported) + "\n" + why : WithReason(unsupported, log);
        return Image();
    }
    struct Ender {
        TIFFRGBAImage* ri;
        ~Ender() { TIFFRGBAImageEnd(ri); }
    } ender{&ri};

    const uint32_t w = f.width, h = f.height, band = RenderBand(tif, f);
    Image img = Image::Create(w, h, 24, 0);
    std::unique_ptr<uint32_t[]> raster(img ? new (std::nothrow) uint32_t[size_t(w) * band] : nullptr);
    if (!raster) {
        st.error = Msg(MsgId::CantAllocate);
        return Image();
    }
    // Rows stored top first in the file land at the top of the picture.
    const bool topFirst = f.orientation != ORIENTATION_BOTLEFT && f.orientation != ORIENTATION_BOTRIGHT &&
                          f.orientation != ORIENTATION_LEFTBOT && f.orientation != ORIENTATION_RIGHTBOT;
    // Asking for the file's own orientation makes libtiff flip nothing: the
    // band then arrives as stored, top row first.
    if (f.asStored) ri.req_orientation = ri.orientation;
    for (uint32_t r = 0; r < h; r += band) {
        const uint32_t n = std::min(band, h - r);
        ri.row_offset = int(r);
        ri.col_offset = 0;
        if (!TIFFRGBAImageGet(&ri, raster.get(), w, n)) {
            st.error = WithReason(Msg(MsgId::CantReadFromFile), log);
            break;
        }
        for (uint32_t j = 0; j < n; ++j) {
            const uint32_t* s = raster.get() + size_t(j) * w;
            uint8_t* d = img.row(int(f.asStored ? h - 1 - (r + j) : topFirst ? h - r - n + j : r + j));
            for (uint32_t x = 0; x < w; ++x, d += 3) {
                d[0] = uint8_t(TIFFGetB(s[x]));
                d[1] = uint8_t(TIFFGetG(s[x]));
                d[2] = uint8_t(TIFFGetR(s[x]));
            }
        }
    }
    return img;
}

// Bilevel min-is-white pictures keep black at index 0, as fax viewers expect.
void MakeBlackFirst(Image& img) {
    img.setPaletteEntry(0, 0, 0, 0);
    img.setPaletteEntry(1, 255, 255, 255);
    const size_t bytes = (size_t(img.width()) + 7) / 8;
    const uint8_t lastMask = uint8_t(0xFF << ((8 - img.width() % 8) % 8));
    for (int y = 0; y < img.height(); ++y) {
        uint8_t* row = img.row(y);
        for (size_t i = 0; i < bytes; ++i) row[i] = uint8_t(~row[i]);
        row[bytes - 1] &= lastMask;
    }
}

// ---- writing ---------------------------------------------------------------

uint16_t CompressionTag(int compression) {
    switch (compression) {
    case kTiffLzw: return COMPRESSION_LZW;
    case kTiffPackBits: return COMPRESSION_PACKBITS;
    case kTiffFax3: return COMPRESSION_CCITTFAX3;
    case kTiffFax4: return COMPRESSION_CCITTFAX4;
    case kTiffHuffman: return COMPRESSION_CCITTRLE;
    case kTiffJpeg: return COMPRESSION_JPEG;
    default: return COMPRESSION_NONE;
    }
}

int Brightness(const uint8_t* bgr) { return 114 * bgr[0] + 587 * bgr[1] + 299 * bgr[2]; }

// A two-colour picture is written as the bilevel kind whose index 0 matches
// its darker colour; other colour pairs keep them in a colour map, which the
// fax codings cannot carry.
uint16_t PhotometricFor(const Image& img, bool fax) {
    if (img.bitCount() == 24) return PHOTOMETRIC_RGB;
    if (img.bitCount() != 1) return PHOTOMETRIC_PALETTE;
    uint8_t e[2][3] = {{0, 0, 0}, {0, 0, 0}};
    for (uint32_t i = 0; i < std::min<uint32_t>(img.colorsUsed(), 2); ++i) std::memcpy(e[i], img.palette() + 4 * i, 3);
    auto isGrey = [](const uint8_t* c, int v) { return c[0] == v && c[1] == v && c[2] == v; };
    const bool blackWhite = (isGrey(e[0], 0) && isGrey(e[1], 255)) || (isGrey(e[0], 255) && isGrey(e[1], 0));
    if (!blackWhite && !fax) return PHOTOMETRIC_PALETTE;
    return Brightness(e[0]) <= Brightness(e[1]) ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_MINISWHITE;
}

bool SetTags(TIFF* tif, const Image& img, int compression, int jpegQuality, uint16_t photometric) {
    const int depth = img.bitCount();
    const uint16_t samples = depth == 24 ? 3 : 1;
    bool ok = TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(img.width())) &&
              TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(img.height())) &&
              TIFFSetField(tif, TIFFTAG_SOFTWARE, "Lumagrove") &&
              TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples) &&
              TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, uint16_t(depth == 24 ? 8 : depth)) &&
              TIFFSetField(tif, TIFFTAG_COMPRESSION, CompressionTag(compression)) &&
              TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric) &&
              TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
              TIFFSetField(tif, TIFFTAG_XRESOLUTION, float(img.xResolution())) &&
              TIFFSetField(tif, TIFFTAG_YRESOLUTION, float(img.yResolution())) &&
              TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    if (ok && compression == kTiffJpeg) ok = TIFFSetField(tif, TIFFTAG_JPEGQUALITY, std::clamp(jpegQuality, 1, 100));
    const bool oneStrip = compression == kTiffFax3 || compression == kTiffFax4;
    if (ok) ok = TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, oneStrip ? uint32_t(img.height()) : TIFFDefaultStripSize(tif, 0));
    if (ok && photometric == PHOTOMETRIC_PALETTE) {
        const uint32_t n = 1u << depth;
        std::vector<uint16_t> map[3];  // libtiff keeps a copy
        for (int c = 0; c < 3; ++c) map[c].assign(n, 0);
        for (uint32_t i = 0; i < std::min(n, img.colorsUsed()); ++i) {
            const uint8_t* e = img.palette() + 4 * i;  // blue, green, red
            for (int c = 0; c < 3; ++c) map[c][i] = uint16_t(e[2 - c] * 257);
        }
        ok = TIFFSetField(tif, TIFFTAG_COLORMAP, map[0].data(), map[1].data(), map[2].data());
    }
    return ok;
}

bool WriteRows(TIFF* tif, const Image& img) {
    const tmsize_t lineSize = TIFFScanlineSize(tif);
    if (lineSize <= 0 || size_t(lineSize) > img.stride()) return false;
    std::vector<uint8_t> line(img.stride());  // libtiff may change the rows it is given
    for (int i = 0; i < img.height(); ++i) {
        const uint8_t* s = img.topRow(i);
        if (img.bitCount() == 24) {
            for (int x = 0; x < img.width(); ++x) {
                line[3 * size_t(x)] = s[3 * size_t(x) + 2];
                line[3 * size_t(x) + 1] = s[3 * size_t(x) + 1];
                line[3 * size_t(x) + 2] = s[3 * size_t(x)];
            }
        } else {
            std::memcpy(line.data(), s, size_t(lineSize));
        }
        if (TIFFWriteScanline(tif, line.data(), uint32_t(i), 0) < 0) return false;
    }
    return true;
}

}  // namespace

int CountTiffPagesIn(ByteSource& in, std::vector<uint32_t>& offsets) {
    offsets.clear();
    in.seek(0);
    const bool bigEndian = in.u8() == 'M' && in.u8() == 'M';
    in.seek(2);
    auto u16 = [&] { return bigEndian ? in.be16() : in.le16(); };
    auto u32 = [&] { return bigEndian ? in.be32() : in.le32(); };
    auto u64 = [&] {
        const uint64_t a = u32(), b = u32();
        return bigEndian ? (a << 32) | b : (b << 32) | a;
    };
    const bool big = u16() == 43;  // BigTIFF: 8-byte offsets and counts
    if (big) u32();                // offset size and a reserved word
    uint64_t next = big ? u64() : u32();
    while (next != 0 && offsets.size() < size_t(std::max(1, in.limits().maxPages))) {
        if (next > UINT32_MAX || !in.seek(next)) break;
        const uint64_t entries = big ? u64() : u16();
        const uint64_t entrySize = big ? 20 : 12;
        if (in.failed() || entries > in.remaining() / entrySize || !in.skip(entries * entrySize)) break;
        offsets.push_back(uint32_t(next));
        next = big ? u64() : u32();  // zero when missing: the chain ends
    }
    if (offsets.size() >= size_t(std::max(1, in.limits().maxPages))) offsets.resize(1);
    return int(offsets.size());
}

namespace {

// `orientation` null: the picture as always, orientation 4 read bottom
// first. Otherwise the rows come as stored and it gets the tag (0 without one).
// `path`, when known, names the file `in` reads: large stripped files are
// then decoded on every processor.
Image ReadTiffImage(ByteSource& in, uint32_t dirOffset, Status& st, int* orientation,
                    const std::string& path = std::string()) {
    st.error = Msg(MsgId::TiffNotValid);
    LibraryLog log;
    // A page other than the first is opened without reading the first directory.
    TiffHandle tif = OpenClient(dirOffset ? "rh" : "r", &in, SourceRead, SourceWrite, SourceSeek, SourceSize, log);
    if (!tif || (dirOffset && !TIFFSetSubDirectory(tif.get(), dirOffset))) return Image();

    Fields f = ReadFields(tif.get());
    if (orientation) {
        f.asStored = true;
        *orientation = f.hasOrientation ? f.orientation : 0;
    }
    if (f.bits == 0) {
        st.error = Msg(MsgId::TiffBadBits);
        return Image();
    }
    st.info = CompressionName(f.compression);
    if (f.compression == COMPRESSION_OJPEG) {
        st.error = Msg(MsgId::TiffOldJpeg);
        return Image();
    }
    // The data may lie anywhere in the file; fax codings take at least a bit a row.
    const uint64_t fileRow = (uint64_t(f.width) * f.samples * f.bits + 7) / 8;
    uint64_t expansion = uint64_t(1) << 20;  // codings without a known bound: the limits only
    switch (f.compression) {
    case COMPRESSION_NONE: expansion = kExpandRaw; break;
    case COMPRESSION_LZW: expansion = kExpandLzw; break;
    case COMPRESSION_ADOBE_DEFLATE: case COMPRESSION_DEFLATE: expansion = kExpandDeflate; break;
    case COMPRESSION_PACKBITS: expansion = kExpandPackBits; break;
    case COMPRESSION_JPEG: expansion = kExpandJpeg; break;
    case COMPRESSION_CCITTRLE: case COMPRESSION_CCITTFAX3: case COMPRESSION_CCITTFAX4:
        expansion = std::max<uint64_t>(1, fileRow * 8);
        break;
    default: break;
    }
    if (!ClaimFitsIn(in.limits(), in.size(), f.width, f.height, RowRoute(f) ? RowsDepth(f) : 24, 0, fileRow,
                     expansion, st))
        return Image();
    // A tile's buffer is sized from the tile's own tags: one tile must be
    // something the file could fill too, and within the buffer limit.
    if (f.tiled) {
        const uint64_t tileRow = (uint64_t(f.tileWidth) * f.samples * f.bits + 7) / 8;
        if (!ClaimFitsIn(in.limits(), in.size(), f.tileWidth, f.tileLength, 8, 0, tileRow, expansion, st))
            return Image();
        if (tileRow > uint64_t(in.limits().maxBuffer) / f.tileLength) {
            st.error = Msg(MsgId::TooLarge);
            return Image();
        }
    }
    Image img = RowRoute(f) ? ReadRows(tif.get(), f, st, log, FileRef{path, dirOffset, in.size()}) : ReadRendered(tif.get(), f, st, log);
    if (!img) return img;
    img.setResolution(WholeResolution(f.xres), WholeResolution(f.yres));
    if (img.bitCount() == 1 && f.photometric == PHOTOMETRIC_MINISWHITE) MakeBlackFirst(img);
    if (st.error == Msg(MsgId::TiffNotValid)) st.error.clear();
    return img;
}

}  // namespace

Image ReadTiffFrom(ByteSource& in, uint32_t dirOffset, Status& st) { return ReadTiffImage(in, dirOffset, st, nullptr); }

Image LoadTiff(ByteSource& in, const std::string& path, const ReadOptions& opt, Status& st, PictureFacts& facts) {
    if (!opt.quiet) {
        facts.pageCount = CountTiffPagesIn(in, facts.pageOffsets);
        facts.currentPage = 0;
        facts.multipage = facts.pageCount > 1;
        in.rewind();
    }
    return ReadTiffImage(in, 0, st, opt.autoRotate ? &facts.orientation : nullptr, path);
}

bool WriteTiff(const std::string& path, const Image& img, int compression, int jpegQuality, Status& st) {
    st.error = Msg(MsgId::TiffCantSave);
    if (!img) return false;
    const int depth = img.bitCount();
    const bool fax = compression == kTiffFax3 || compression == kTiffFax4 || compression == kTiffHuffman;
    if (compression == kTiffJpeg && depth != 24) {
        st.error = Msg(MsgId::TiffJpegNeeds24);
        return false;
    }
    if (fax && depth != 1) {
        st.error = Msg(MsgId::TiffFaxNeeds1);
        return false;
    }
    if (depth != 1 && depth != 4 && depth != 8 && depth != 24) return false;

    OutputFile out;
    if (!out.open(path)) return false;
    LibraryLog log;
    TiffHandle tif = OpenClient("w", &out, OutRead, OutWrite, OutSeek, OutSize, log);
    const bool written = tif && SetTags(tif.get(), img, compression, jpegQuality, PhotometricFor(img, fax)) &&
                         WriteRows(tif.get(), img) && TIFFWriteDirectory(tif.get());
    tif.reset();
    if (!written || !out.commit()) {
        st.error = WithReason(Msg(MsgId::TiffCantSave), log);
        return false;
    }
    st.error.clear();
    return true;
}

bool SaveTiff(const std::string& path, const Image& img, const SaveOptions& opt, Status& st) {
    return WriteTiff(path, img, opt.tiffCompression, opt.jpegQuality, st);
}

Image TiffSaveCopy(const Image& img, const SaveOptions& opt, std::string&) {
    if (opt.tiffCompression != kTiffJpeg || img.bitCount() >= 24) return Image();
    const int depth = img.bitCount();
    return depth == 1 ? Expand1To24(img) : depth == 4 ? Expand4To24(img) : Expand8To24(img);
}

}  // namespace lg
