#include "formats/png.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <vector>

#include <png.h>

#include "core/messages.h"
#include "platform/outfile.h"

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

}  // namespace

Image ReadPngFrom(ByteSource& in, Status& st) {
    st.error = Msg(MsgId::PngNotValid);
    Reader r;
    r.io.in = &in;
    r.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &r.io, RecordError, IgnoreWarning);
    if (r.png) r.info = png_create_info_struct(r.png);
    if (!r.png || !r.info) {
        st.error = Msg(MsgId::CantAllocate);
        return Image();
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
        return Image();
    }
    if (l.interlaced && l.height > kMaxInterlacedRows) {
        st.error = Msg(MsgId::PngTooBig);
        return Image();
    }
    // Each row also has its filter byte.
    if (!ClaimFits(in, l.width, l.height, l.depth, TableLength(l, r.png, r.info), uint64_t(fileRow) + 1,
                   kExpandDeflate, st))
        return Image();
    Image img = Image::Create(l.width, l.height, l.depth, TableLength(l, r.png, r.info));
    if (!img || png_get_rowbytes(r.png, r.info) > img.stride()) {
        st.error = Msg(MsgId::CantAllocate);
        return Image();
    }
    FillTable(l, r.png, r.info, img);
    std::vector<png_bytep> rows(l.height);
    for (png_uint_32 y = 0; y < l.height; ++y) rows[y] = img.topRow(int(y));
    if (!Guarded(r.png, [&] { png_read_image(r.png, rows.data()); })) {
        st.error = ErrorText(r.io);
        return Image();
    }
    // Every row is in; damage behind the picture does not take it away.
    Guarded(r.png, [&] { png_read_end(r.png, nullptr); });
    st.error.clear();
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
