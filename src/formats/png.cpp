#include "formats/png.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include <libdeflate.h>
#include <png.h>

#include "core/messages.h"
#include "formats/inflate.h"
#include "platform/outfile.h"
#include "platform/threads.h"

namespace lg {
namespace {

constexpr uint32_t kMaxInterlacedRows = 10000;

// What libpng's callbacks reach: the input and the last error message.
struct PngIo {
    ByteSource* in = nullptr;
    char message[200] = "";
};

PngIo* IoOf(png_structp png) { return static_cast<PngIo*>(png_get_error_ptr(png)); }

// Records the message and jumps back; returning would let libpng print it.
void RecordError(png_structp png, png_const_charp text) {
    std::snprintf(IoOf(png)->message, sizeof IoOf(png)->message, "%s", text);
    png_longjmp(png, 1);
}

void IgnoreWarning(png_structp, png_const_charp) {}

void ReadData(png_structp png, png_bytep data, size_t n) {
    ByteSource& in = *static_cast<PngIo*>(png_get_io_ptr(png))->in;
    if (in.remaining() < n || in.read(data, n) < n) png_error(png, "unexpected end of file");
}

// Runs a stretch of library calls; false when libpng raised an error. The
// recovery point lives in this small frame, so the jump back never passes
// an object that needs destroying.
template <class Steps>
bool Guarded(png_structp png, Steps&& steps) {
    if (setjmp(png_jmpbuf(png))) return false;
    steps();
    return true;
}

std::string ErrorText(const PngIo& io) {
    const char* notPng = Msg(MsgId::PngNotValid);
    return io.message[0] ? Format("%s - %s", notPng, io.message) : std::string(notPng);
}

struct Reader {
    PngIo io;
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~Reader() {
        if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    }
};

// The picture a file becomes, and the transformations that make its rows.
struct Layout {
    png_uint_32 width = 0, height = 0;
    int depth = 0;          // of the picture
    int fileDepth = 0;      // bits per sample in the file
    int colorType = 0;
    bool interlaced = false;
};

Layout Plan(png_structp png, png_infop info) {
    Layout l;
    int interlace = 0;
    png_get_IHDR(png, info, &l.width, &l.height, &l.fileDepth, &l.colorType, &interlace, nullptr, nullptr);
    l.interlaced = interlace != PNG_INTERLACE_NONE;
    if (l.fileDepth == 16) png_set_strip_16(png);  // the high byte of each sample
    switch (l.colorType) {
    case PNG_COLOR_TYPE_RGB:
        png_set_bgr(png);
        l.depth = 24;
        break;
    case PNG_COLOR_TYPE_RGB_ALPHA:
        png_set_bgr(png);
        l.depth = 32;
        break;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        png_set_strip_alpha(png);
        l.depth = 8;
        break;
    default:  // grey or palette
        l.depth = l.fileDepth == 16 ? 8 : l.fileDepth;
        if (l.fileDepth == 2) {  // no 2-bit pictures: one byte per pixel
            png_set_packing(png);
            l.depth = 8;
        }
    }
    if (l.interlaced) png_set_interlace_handling(png);
    return l;
}

// Length of the colour table and its colours-used field.
uint32_t TableLength(const Layout& l, png_structp png, png_infop info) {
    if (l.depth > 8) return 0;
    if (l.fileDepth == 2) return 256;  // 2-bit files widened to 8 bits
    if (l.colorType == PNG_COLOR_TYPE_PALETTE) {
        png_colorp pal = nullptr;
        int n = 0;
        png_get_PLTE(png, info, &pal, &n);
        return uint32_t(std::clamp(n, 1, 1 << l.depth));
    }
    return 1u << l.depth;
}

void FillTable(const Layout& l, png_structp png, png_infop info, Image& img) {
    if (l.depth > 8) return;
    if (l.colorType == PNG_COLOR_TYPE_PALETTE) {
        png_colorp pal = nullptr;
        int n = 0;
        png_get_PLTE(png, info, &pal, &n);
        n = std::min(n, 1 << std::min(l.fileDepth, 8));
        for (int i = 0; i < n; ++i) img.setPaletteEntry(i, pal[i].red, pal[i].green, pal[i].blue);
        return;
    }
    // Grey levels span black to white at every depth (a 4-bit 15 is 255).
    const int levels = 1 << std::min(l.fileDepth, 8);
    for (int i = 0; i < levels; ++i) {
        const uint8_t v = uint8_t(i * 255 / (levels - 1));
        img.setPaletteEntry(i, v, v, v);
    }
}

// The rows of a plain file with 8- or 16-bit samples are inflated and
// unfiltered here, straight into the picture, in one pass over the data with
// a buffer of a few hundred KB (a large picture's rows are unfiltered on a
// second thread): on a 24-megapixel photo about 0.16 s of processor time
// against libpng's 0.39 s. The picture is the one libpng makes; whatever
// this path does not accept (any fault, a stream that is short, long or
// followed by more data, a checksum or CRC that does not match) leaves the
// file to libpng, which then gives today's picture or error.
bool FastRoute(const Layout& l) { return !l.interlaced && (l.fileDepth == 8 || l.fileDepth == 16); }

// The IDAT chunks' data, one after another, with each chunk's CRC checked.
struct IdatSource {
    ByteSource* in = nullptr;
    uint32_t left = 0;  // bytes of the current chunk still to come
    uint32_t crc = 0;
    bool failed = false;
};

bool ReadBytes(ByteSource& in, uint8_t* dst, size_t n) { return in.remaining() >= n && in.read(dst, n) == n; }

uint32_t BE32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

// Starts the chunk whose header was just read; false unless it is an IDAT.
bool StartIdat(IdatSource& s, const uint8_t* head) {
    if (std::memcmp(head + 4, "IDAT", 4) != 0) return false;
    const uint32_t length = BE32(head);
    if (length > 0x7fffffffu) {  // libpng refuses such a length
        s.failed = true;
        return false;
    }
    s.left = length;
    s.crc = libdeflate_crc32(0, head + 4, 4);
    return true;
}

size_t PullIdat(void* ctx, uint8_t* dst, size_t cap) {
    IdatSource& s = *static_cast<IdatSource*>(ctx);
    while (s.left == 0) {
        uint8_t tail[4], head[8];
        if (s.failed || !ReadBytes(*s.in, tail, 4) || BE32(tail) != s.crc) {
            s.failed = true;
            return 0;
        }
        if (!ReadBytes(*s.in, head, 8) || !StartIdat(s, head)) return 0;
    }
    const size_t n = std::min<size_t>(cap, s.left);
    if (!ReadBytes(*s.in, dst, n)) {
        s.failed = true;
        return 0;
    }
    s.crc = libdeflate_crc32(s.crc, dst, n);
    s.left -= uint32_t(n);
    return n;
}

// Where the rows go: each is unfiltered against the one above (in the
// file's byte order) and then laid into the picture as libpng's
// transformations would lay it.
struct RowSink {
    Image* img = nullptr;
    int colorType = 0;
    int sampleBytes = 1;
    size_t rowBytes = 0;
    size_t pixelBytes = 1;  // the filters' step: bytes of a whole pixel
    std::vector<uint8_t> rows;  // the row above and the current row
    uint32_t y = 0;
};

// The Paeth predictor of the left, upper and upper-left bytes (the reader's
// and the writer's).
inline uint8_t Paeth(int a, int b, int c) {
    const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);  // |p - a|, |p - b|, |p - c|
    return uint8_t(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

void UnfilterRow(int filter, const uint8_t* s, const uint8_t* up, uint8_t* d, size_t n, size_t k) {
    switch (filter) {
    case 0:
        std::memcpy(d, s, n);
        break;
    case 1:
        std::memcpy(d, s, k);
        for (size_t i = k; i < n; ++i) d[i] = uint8_t(s[i] + d[i - k]);
        break;
    case 2:
        for (size_t i = 0; i < n; ++i) d[i] = uint8_t(s[i] + up[i]);
        break;
    case 3:
        for (size_t i = 0; i < k; ++i) d[i] = uint8_t(s[i] + (up[i] >> 1));
        for (size_t i = k; i < n; ++i) d[i] = uint8_t(s[i] + ((d[i - k] + up[i]) >> 1));
        break;
    default:
        for (size_t i = 0; i < k; ++i) d[i] = uint8_t(s[i] + up[i]);
        for (size_t i = k; i < n; ++i) d[i] = uint8_t(s[i] + Paeth(d[i - k], up[i], up[i - k]));
    }
}

// The same for 8-bit RGB(A) rows, unfiltered straight into the picture's
// blue-green-red order: each filter works on one channel at a time, so it
// works alike on the reordered pixel, with the picture's row above as the
// prior row (`up`, zeros for the first).
template <size_t kBpp>
void UnfilterToBgr(int filter, const uint8_t* s, const uint8_t* up, uint8_t* d, size_t w) {
    constexpr size_t kAt[4] = {2, 1, 0, 3};  // where each file sample goes in the pixel
    for (size_t c = 0; c < kBpp; ++c) {      // the first pixel: nothing on its left
        const uint8_t u = up[kAt[c]];
        d[kAt[c]] = uint8_t(s[c] + (filter == 2 || filter == 4 ? u : filter == 3 ? u >> 1 : 0));
    }
    const size_t n = w * kBpp;
    // The pixel on the left stays in registers rather than being read back
    // from the row just written.
    int left[kBpp], upLeft[kBpp];
    for (size_t c = 0; c < kBpp; ++c) {
        left[c] = d[kAt[c]];
        upLeft[c] = up[kAt[c]];
    }
    switch (filter) {
    case 0:
        for (size_t i = kBpp; i < n; i += kBpp)
            for (size_t c = 0; c < kBpp; ++c) d[i + kAt[c]] = s[i + c];
        break;
    case 1:
        for (size_t i = kBpp; i < n; i += kBpp)
            for (size_t c = 0; c < kBpp; ++c) d[i + kAt[c]] = uint8_t(left[c] = uint8_t(s[i + c] + left[c]));
        break;
    case 2:
        for (size_t i = kBpp; i < n; i += kBpp)
            for (size_t c = 0; c < kBpp; ++c) d[i + kAt[c]] = uint8_t(s[i + c] + up[i + kAt[c]]);
        break;
    case 3:
        for (size_t i = kBpp; i < n; i += kBpp)
            for (size_t c = 0; c < kBpp; ++c)
                d[i + kAt[c]] = uint8_t(left[c] = uint8_t(s[i + c] + ((left[c] + up[i + kAt[c]]) >> 1)));
        break;
    default:
        for (size_t i = kBpp; i < n; i += kBpp)
            for (size_t c = 0; c < kBpp; ++c) {
                const int b = up[i + kAt[c]];
                d[i + kAt[c]] = uint8_t(left[c] = uint8_t(s[i + c] + Paeth(left[c], b, upLeft[c])));
                upLeft[c] = b;
            }
    }
}

// One unfiltered row into the picture: the high byte of 16-bit samples,
// blue before red, grey without its alpha.
void LayRow(const RowSink& r, const uint8_t* s, uint8_t* d) {
    const size_t w = size_t(r.img->width()), step = r.pixelBytes, sb = size_t(r.sampleBytes);
    switch (r.colorType) {
    case PNG_COLOR_TYPE_RGB:
    case PNG_COLOR_TYPE_RGB_ALPHA: {
        const size_t out = r.colorType == PNG_COLOR_TYPE_RGB ? 3 : 4;
        for (size_t x = 0; x < w; ++x, s += step, d += out) {
            d[0] = s[2 * sb];
            d[1] = s[sb];
            d[2] = s[0];
            if (out == 4) d[3] = s[3 * sb];
        }
        break;
    }
    default:  // grey, grey with alpha, palette: the first sample's high byte
        if (step == 1) {
            std::memcpy(d, s, w);
        } else {
            for (size_t x = 0; x < w; ++x, s += step) d[x] = *s;
        }
    }
}

bool TakeRows(void* ctx, const uint8_t* data, size_t count) {
    RowSink& r = *static_cast<RowSink*>(ctx);
    const size_t n = r.rowBytes;
    for (size_t i = 0; i < count; ++i, data += n + 1, ++r.y) {
        if (data[0] > 4 || r.y >= uint32_t(r.img->height())) return false;
        uint8_t* row = r.img->topRow(int(r.y));
        if (r.sampleBytes == 1 && (r.colorType == PNG_COLOR_TYPE_RGB || r.colorType == PNG_COLOR_TYPE_RGB_ALPHA)) {
            const uint8_t* up = r.y ? r.img->topRow(int(r.y) - 1) : r.rows.data();  // zeros above the first
            if (r.pixelBytes == 3) UnfilterToBgr<3>(data[0], data + 1, up, row, n / 3);
            else UnfilterToBgr<4>(data[0], data + 1, up, row, n / 4);
            continue;
        }
        uint8_t* up = r.rows.data() + (r.y & 1) * n;
        uint8_t* cur = r.rows.data() + (~r.y & 1) * n;
        UnfilterRow(data[0], data + 1, up, cur, n, r.pixelBytes);
        LayRow(r, cur, row);
    }
    return true;
}

// Decodes the rows of a file whose first IDAT header libpng has just read;
// false when libpng is to read the file instead.
bool ReadRowsFast(ByteSource& in, const Layout& l, size_t fileRow, Image& img) {
    IdatSource src;
    src.in = &in;
    uint8_t head[8];
    if (in.tell() < 8 || !in.seek(in.tell() - 8) || !ReadBytes(in, head, 8) || !StartIdat(src, head)) return false;
    RowSink sink;
    sink.img = &img;
    sink.colorType = l.colorType;
    sink.sampleBytes = l.fileDepth / 8;
    sink.rowBytes = fileRow;
    const int channels = l.colorType == PNG_COLOR_TYPE_RGB         ? 3
                         : l.colorType == PNG_COLOR_TYPE_RGB_ALPHA ? 4
                         : l.colorType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2 : 1;
    sink.pixelBytes = size_t(channels) * size_t(sink.sampleBytes);
    if (fileRow != size_t(l.width) * sink.pixelBytes) return false;
    try {
        sink.rows.assign(2 * fileRow, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    InflateJob job;
    job.pull = PullIdat;
    job.pullCtx = &src;
    job.take = TakeRows;
    job.takeCtx = &sink;
    job.unit = fileRow + 1;
    job.total = uint64_t(fileRow + 1) * l.height;
    job.overlap = job.total >= (uint64_t(1) << 20);  // unfiltering beside the inflation
    return InflateZlib(job) && !src.failed && sink.y == l.height;
}

enum class Outcome { Done, Retry };

// One read of the file; with `fast`, Retry when the rows are left to libpng
// (the picture's block then waits in `spare` for the second read).
Outcome ReadOnce(ByteSource& in, Status& st, bool fast, Image& spare, Image& result) {
    st.error = Msg(MsgId::PngNotValid);
    Reader r;
    r.io.in = &in;
    r.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &r.io, RecordError, IgnoreWarning);
    if (r.png) r.info = png_create_info_struct(r.png);
    if (!r.png || !r.info) {
        st.error = Msg(MsgId::CantAllocate);
        return Outcome::Done;
    }
    png_set_read_fn(r.png, &r.io, ReadData);

    Layout l;
    png_size_t fileRow = 0;  // a row as the file stores it, before any transformation
    if (!Guarded(r.png, [&] {
            png_read_info(r.png, r.info);
            fileRow = png_get_rowbytes(r.png, r.info);
            l = Plan(r.png, r.info);
            png_read_update_info(r.png, r.info);
        })) {
        st.error = ErrorText(r.io);
        return Outcome::Done;
    }
    if (l.interlaced && l.height > kMaxInterlacedRows) {
        st.error = Msg(MsgId::PngTooBig);
        return Outcome::Done;
    }
    // Each row also has its filter byte.
    if (!ClaimFits(in, l.width, l.height, l.depth, TableLength(l, r.png, r.info), uint64_t(fileRow) + 1,
                   kExpandDeflate, st))
        return Outcome::Done;
    // libpng writes every byte of every row of a plain file whose rows end
    // on a byte (a failure part-way gives no picture); otherwise it leaves
    // the bits behind a row's last pixel as they were, so those rows start zeroed.
    const uint32_t tableLength = TableLength(l, r.png, r.info);
    const bool everyByte = !l.interlaced && uint64_t(l.width) * uint64_t(l.depth) % 8 == 0;
    Image img = everyByte ? Image::CreateForRows(l.width, l.height, l.depth, tableLength, nullptr, &spare)
                          : Image::Create(l.width, l.height, l.depth, tableLength);
    if (!img || png_get_rowbytes(r.png, r.info) > img.stride()) {
        st.error = Msg(MsgId::CantAllocate);
        return Outcome::Done;
    }
    FillTable(l, r.png, r.info, img);
    if (fast && FastRoute(l)) {
        if (ReadRowsFast(in, l, fileRow, img)) {
            st.error.clear();
            result = std::move(img);
            return Outcome::Done;
        }
        spare = std::move(img);
        return Outcome::Retry;
    }
    std::vector<png_bytep> rows(l.height);
    for (png_uint_32 y = 0; y < l.height; ++y) rows[y] = img.topRow(int(y));
    if (!Guarded(r.png, [&] { png_read_image(r.png, rows.data()); })) {
        st.error = ErrorText(r.io);
        return Outcome::Done;
    }
    // Every row is in; damage behind the picture does not take it away.
    Guarded(r.png, [&] { png_read_end(r.png, nullptr); });
    st.error.clear();
    result = std::move(img);
    return Outcome::Done;
}

}  // namespace

Image ReadPngFrom(ByteSource& in, Status& st) {
    Image img, spare;
    // The second read starts the file afresh, which only a whole file allows.
    if (in.tell() == 0) {
        if (ReadOnce(in, st, true, spare, img) == Outcome::Done) return img;
        in.rewind();
    }
    ReadOnce(in, st, false, spare, img);
    return img;
}

namespace {

struct Writer {
    PngIo io;
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~Writer() {
        if (png) png_destroy_write_struct(&png, info ? &info : nullptr);
    }
};

// The highest palette index a picture uses, so the written palette covers
// every pixel even when the table is shorter.
int HighestIndex(const Image& img) {
    const int w = img.width(), depth = img.bitCount();
    int top = 0;
    for (int y = 0; y < img.height(); ++y) {
        const uint8_t* s = img.row(y);
        if (depth == 8) {
            top = std::max<int>(top, *std::max_element(s, s + w));
        } else if (depth == 4) {
            for (int x = 0; x < w; ++x) top = std::max(top, (s[x >> 1] >> (x & 1 ? 0 : 4)) & 15);
        } else {
            for (int x = 0; x < w; ++x) top = std::max(top, (s[x >> 3] >> (7 - (x & 7))) & 1);
        }
    }
    return top;
}

std::vector<png_color> PaletteOf(const Image& img) {
    const int depth = img.bitCount();
    int n = int(std::min<uint32_t>(img.colorsUsed(), 1u << depth));
    if (n < (1 << depth)) n = std::max(n, HighestIndex(img) + 1);
    std::vector<png_color> pal(size_t(n), png_color{0, 0, 0});
    const int stored = int(std::min<uint32_t>(img.colorsUsed(), uint32_t(n)));
    for (int i = 0; i < stored; ++i) {
        const uint8_t* e = img.palette() + 4 * i;
        pal[size_t(i)] = png_color{e[2], e[1], e[0]};
    }
    return pal;
}

void Compress(png_structp png, png_infop info, const Image& img, std::FILE* f,
              const std::vector<png_color>& pal) {
    png_init_io(png, f);
    const int depth = img.bitCount();
    const int colorType = depth <= 8 ? PNG_COLOR_TYPE_PALETTE
                          : depth == 24 ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGB_ALPHA;
    png_set_IHDR(png, info, png_uint_32(img.width()), png_uint_32(img.height()), depth <= 8 ? depth : 8,
                 colorType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!pal.empty()) png_set_PLTE(png, info, pal.data(), int(pal.size()));
    png_write_info(png, info);
    if (depth > 8) png_set_bgr(png);
    for (int y = 0; y < img.height(); ++y) png_write_row(png, img.topRow(y));
    png_write_end(png, info);
}

// Truecolour pictures skip libpng: their rows are filtered here and the
// whole filtered picture is deflated in one libdeflate call, which on a
// photo is about four times as fast as zlib at its default level for a
// file no larger (see bench/run.sh, section 6b). Level 4 is where libdeflate's
// size stops shrinking much for its time on photos.
constexpr int kDeflateLevel = 4;

// The magnitude libpng's adaptive choice sums: a byte read as signed.
inline uint32_t Magnitude(uint8_t v) { return v < 128 ? v : 256u - v; }

// One picture row in the file's order (red, green, blue[, alpha]).
void ToRgb(const uint8_t* bgr, uint8_t* rgb, size_t pixels, int bpp) {
    for (size_t i = 0; i < pixels; ++i, bgr += bpp, rgb += bpp) {
        rgb[0] = bgr[2];
        rgb[1] = bgr[1];
        rgb[2] = bgr[0];
        if (bpp == 4) rgb[3] = bgr[3];
    }
}

// Filters one row (`up` the row above, zeros for the first) into out[0] (the filter type)
// and out[1..n]: of the five filters the one whose bytes have the smallest
// sum of magnitudes, the first of equals.
void FilterRow(const uint8_t* cur, const uint8_t* up, size_t n, int bpp, uint8_t* out) {
    uint32_t sum[5] = {};
    for (size_t i = 0; i < n; ++i) {
        const int x = cur[i], a = i >= size_t(bpp) ? cur[i - bpp] : 0, b = up[i],
                  c = i >= size_t(bpp) ? up[i - bpp] : 0;
        sum[0] += Magnitude(uint8_t(x));
        sum[1] += Magnitude(uint8_t(x - a));
        sum[2] += Magnitude(uint8_t(x - b));
        sum[3] += Magnitude(uint8_t(x - ((a + b) >> 1)));
        sum[4] += Magnitude(uint8_t(x - Paeth(a, b, c)));
    }
    int best = 0;
    for (int f = 1; f < 5; ++f)
        if (sum[f] < sum[best]) best = f;
    out[0] = uint8_t(best);
    uint8_t* o = out + 1;
    const size_t k = std::min(n, size_t(bpp));  // the first pixel has nothing on its left
    switch (best) {
    case 0:
        std::memcpy(o, cur, n);
        break;
    case 1:
        std::memcpy(o, cur, k);
        for (size_t i = k; i < n; ++i) o[i] = uint8_t(cur[i] - cur[i - k]);
        break;
    case 2:
        for (size_t i = 0; i < n; ++i) o[i] = uint8_t(cur[i] - up[i]);
        break;
    case 3:
        for (size_t i = 0; i < k; ++i) o[i] = uint8_t(cur[i] - (up[i] >> 1));
        for (size_t i = k; i < n; ++i) o[i] = uint8_t(cur[i] - ((cur[i - k] + up[i]) >> 1));
        break;
    default:
        for (size_t i = 0; i < k; ++i) o[i] = uint8_t(cur[i] - up[i]);  // Paeth of (0, b, 0) is b
        for (size_t i = k; i < n; ++i) o[i] = uint8_t(cur[i] - Paeth(cur[i - k], up[i], up[i - k]));
    }
}

// The filtered picture, rows in file order, in bands on every processor
// (each row's choice depends on that row and the one above only, so the
// bytes are the same for any split). Empty when memory is short.
std::vector<uint8_t> FilteredRows(const Image& img, int bpp) {
    const size_t w = size_t(img.width()), n = w * size_t(bpp), h = size_t(img.height());
    std::vector<uint8_t> out;
    if (n + 1 > SIZE_MAX / h) return out;
    try {
        out.resize(h * (n + 1));
    } catch (const std::bad_alloc&) {
        return out;
    }
    platform::ForEachBand(img.height(), int64_t(w) * 6, [&](int first, int end) {
        std::vector<uint8_t> rows(2 * n);  // the row above the first is zeros
        uint8_t *cur = rows.data(), *up = rows.data() + n;
        if (first > 0) ToRgb(img.topRow(first - 1), up, w, bpp);
        for (int y = first; y < end; ++y) {
            ToRgb(img.topRow(y), cur, w, bpp);
            FilterRow(cur, up, n, bpp, out.data() + size_t(y) * (n + 1));
            std::swap(cur, up);
        }
    });
    return out;
}

void PutBE32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}

bool WriteChunk(OutputFile& out, const char* type, const uint8_t* data, size_t n) {
    uint8_t head[8], tail[4];
    PutBE32(head, uint32_t(n));
    std::memcpy(head + 4, type, 4);
    uint32_t crc = libdeflate_crc32(0, head + 4, 4);
    if (n) crc = libdeflate_crc32(crc, data, n);  // a null buffer would start the sum afresh
    PutBE32(tail, crc);
    return out.write(head, 8) && out.write(data, n) && out.write(tail, 4);
}

enum class Fast { Written, Failed, NotTaken };

// Writes a 24- or 32-bit picture; NotTaken when the memory for the filtered
// and the compressed picture cannot be had (libpng then writes it row by row).
Fast WriteTruecolour(OutputFile& out, const Image& img) {
    const int bpp = img.bitCount() / 8;
    const std::vector<uint8_t> rows = FilteredRows(img, bpp);
    if (rows.empty()) return Fast::NotTaken;
    libdeflate_compressor* z = libdeflate_alloc_compressor(kDeflateLevel);
    if (!z) return Fast::NotTaken;
    std::unique_ptr<uint8_t[]> packed(new (std::nothrow) uint8_t[libdeflate_zlib_compress_bound(z, rows.size())]);
    const size_t size =
        packed ? libdeflate_zlib_compress(z, rows.data(), rows.size(), packed.get(),
                                          libdeflate_zlib_compress_bound(z, rows.size()))
               : 0;
    libdeflate_free_compressor(z);
    if (!size) return Fast::NotTaken;

    static const uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
    uint8_t ihdr[13];
    PutBE32(ihdr, uint32_t(img.width()));
    PutBE32(ihdr + 4, uint32_t(img.height()));
    ihdr[8] = 8;                      // bits per sample
    ihdr[9] = bpp == 3 ? 2 : 6;       // RGB, RGB with alpha
    ihdr[10] = ihdr[11] = ihdr[12] = 0;  // deflate, adaptive filtering, no interlace
    bool ok = out.write(kSignature, 8) && WriteChunk(out, "IHDR", ihdr, 13);
    constexpr size_t kIdat = size_t(1) << 20;
    for (size_t at = 0; ok && at < size; at += kIdat)
        ok = WriteChunk(out, "IDAT", packed.get() + at, std::min(kIdat, size - at));
    return ok && WriteChunk(out, "IEND", nullptr, 0) ? Fast::Written : Fast::Failed;
}

}  // namespace

bool SavePng(const std::string& path, const Image& img, const SaveOptions&, Status& st) {
    const int depth = img ? img.bitCount() : 0;
    if (depth != 1 && depth != 4 && depth != 8 && depth != 24 && depth != 32) {
        st.error = Format(Msg(MsgId::PngCantWriteDepth), depth);
        return false;
    }
    const std::vector<png_color> pal = depth <= 8 ? PaletteOf(img) : std::vector<png_color>();
    OutputFile out;
    if (!out.open(path)) {
        st.error = Format(Msg(MsgId::CantCreateNamed), path.c_str());
        return false;
    }
    if (depth > 8) {
        const Fast fast = WriteTruecolour(out, img);
        if (fast == Fast::Failed) {
            st.error = Msg(MsgId::CantWriteFile);
            return false;
        }
        if (fast == Fast::Written) {
            if (out.commit()) return true;
            st.error = Msg(MsgId::CantWriteFile);
            return false;
        }
    }
    Writer w;
    w.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &w.io, RecordError, IgnoreWarning);
    if (w.png) w.info = png_create_info_struct(w.png);
    if (!w.png || !w.info) {
        st.error = Msg(MsgId::CantAllocate);
        return false;
    }
    if (!Guarded(w.png, [&] { Compress(w.png, w.info, img, out.stream(), pal); })) {
        st.error = w.io.message;
        return false;
    }
    if (!out.commit()) {
        st.error = Msg(MsgId::CantWriteFile);
        return false;
    }
    return true;
}

}  // namespace lg
