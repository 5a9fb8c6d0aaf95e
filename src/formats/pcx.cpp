#include "formats/pcx.h"

#include <algorithm>
#include <cstring>

#include "core/messages.h"
#include "platform/outfile.h"

namespace lg {
namespace {

constexpr size_t kHeaderSize = 128;
constexpr size_t kTrailerSize = 769;  // marker 12 and 256 red, green, blue triples

// The colour table version-3 files use instead of their header palette.
constexpr uint8_t kVersion3Palette[48] = {
    0x00, 0x00, 0x0E, 0x00, 0x52, 0x07, 0x2C, 0x00, 0x0E, 0x00, 0x00, 0x00,
    0xF8, 0x01, 0x2C, 0x00, 0x85, 0x0F, 0x42, 0x00, 0x00, 0x21, 0x00, 0x00,
    0x00, 0x00, 0x6A, 0x24, 0x9B, 0x49, 0xA1, 0x5E, 0x90, 0x5E, 0x18, 0x5E,
    0x84, 0x14, 0xD9, 0x95, 0xA0, 0x14, 0x12, 0x00, 0x06, 0x00, 0x68, 0x1F,
};

// How the planes of a decoded line make a row of the picture.
enum class Layout {
    Mono,      // 1 bit, 1 plane
    Planar,    // 1 bit in 2 to 4 planes: plane j gives bit j of a 4-bit index
    Packed2,   // 2 bits, 1 plane
    Packed4,   // 4 bits, 1 plane
    Indexed8,  // 8 bits, 1 plane
    Rgb,       // 8 bits in planes red, green, blue (a fourth, alpha, is ignored)
    Unsupported,
};

struct PcxHeader {
    int version = 0, encoding = 0, bitsPerPixel = 0, planes = 0;
    int64_t width = 0, height = 0;
    uint32_t bytesPerLine = 0;
    uint8_t palette[48] = {};
};

Layout LayoutOf(const PcxHeader& h) {
    const int bpp = h.bitsPerPixel, planes = h.planes;
    if (bpp == 1 && planes == 1) return Layout::Mono;
    if (bpp == 1 && planes >= 2 && planes <= 4) return Layout::Planar;
    if (bpp == 2 && planes == 1) return Layout::Packed2;
    if (bpp == 4 && planes == 1) return Layout::Packed4;
    if (bpp == 8 && planes == 1) return Layout::Indexed8;
    if (bpp == 8 && (planes == 3 || planes == 4)) return Layout::Rgb;
    return Layout::Unsupported;
}

int DepthOf(Layout layout) {
    switch (layout) {
    case Layout::Mono: return 1;
    case Layout::Indexed8: return 8;
    case Layout::Rgb: return 24;
    default: return 4;
    }
}

bool ReadHeader(ByteSource& in, PcxHeader& h) {
    uint8_t b[kHeaderSize];
    if (!in.readExact(b, sizeof b) || b[0] != 10) return false;
    h.version = b[1];
    h.encoding = b[2];
    h.bitsPerPixel = b[3];
    h.width = uint16_t(GetLE16(b + 8) - GetLE16(b + 4) + 1);
    h.height = uint16_t(GetLE16(b + 10) - GetLE16(b + 6) + 1);
    std::memcpy(h.palette, b + 16, 48);
    h.planes = b[65];
    h.bytesPerLine = GetLE16(b + 66);
    return h.width > 0 && h.height > 0 && h.bytesPerLine > 0;
}

// The colour table of a picture of up to 8 bits.
void FillPalette(ByteSource& in, const PcxHeader& h, Layout layout, uint64_t start, uint64_t end,
                 Image& img) {
    if (layout == Layout::Mono) {
        // Header palettes of monochrome files are unreliable: always black and white.
        uint8_t* e = img.palette();
        std::memset(e, 0, 4);
        std::memset(e + 4, 255, 4);
        return;
    }
    if (layout == Layout::Indexed8) {
        // Without the table at the end the picture is taken as grey levels
        // rather than shown all black.
        // The end lies within the file, so a table announced is there whole.
        if (h.version > 4 && end >= start + kHeaderSize + kTrailerSize) {
            in.seek(end - kTrailerSize);
            if (in.byte() == 12) {
                uint8_t rgb[768];
                in.readExact(rgb, sizeof rgb);
                for (int i = 0; i < 256; ++i) img.setPaletteEntry(i, rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]);
                return;
            }
        }
        FillGreyRamp(img.palette());
        return;
    }
    const uint8_t* rgb = h.version == 3 ? kVersion3Palette : h.palette;
    for (int i = 0; i < 16; ++i) img.setPaletteEntry(i, rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]);
}

// One line of `len` bytes; runs are cut at the line's end. False once the data ran out.
bool DecodeRleLine(ByteSource& in, uint8_t* line, size_t len) {
    size_t pos = 0;
    while (pos < len) {
        int b = in.byte();
        if (b < 0) return false;
        if (b < 0xC0) {
            line[pos++] = uint8_t(b);
            continue;
        }
        int v = in.byte();
        if (v < 0) return false;
        size_t n = std::min<size_t>(size_t(b & 0x3F), len - pos);
        std::memset(line + pos, v, n);
        pos += n;
    }
    return true;
}

// A decoded line (planes one after another, `bpl` bytes each) into a row.
void LineToRow(Layout layout, const uint8_t* line, size_t bpl, int planes, int width, uint8_t* row) {
    switch (layout) {
    case Layout::Mono: std::memcpy(row, line, (size_t(width) + 7) / 8); break;
    case Layout::Packed4: std::memcpy(row, line, (size_t(width) + 1) / 2); break;
    case Layout::Indexed8: std::memcpy(row, line, size_t(width)); break;
    case Layout::Packed2:
        for (int x = 0; x < width; ++x) {
            int v = (line[x >> 2] >> (6 - 2 * (x & 3))) & 3;
            row[x >> 1] |= uint8_t(x & 1 ? v : v << 4);
        }
        break;
    case Layout::Planar:
        for (int x = 0; x < width; ++x) {
            int v = 0;
            for (int j = 0; j < planes; ++j) v |= ((line[j * bpl + (x >> 3)] >> (7 - (x & 7))) & 1) << j;
            row[x >> 1] |= uint8_t(x & 1 ? v : v << 4);
        }
        break;
    case Layout::Rgb: {
        const uint8_t *r = line, *g = line + bpl, *b = line + 2 * bpl;
        for (int x = 0; x < width; ++x, row += 3) {
            row[0] = b[x];
            row[1] = g[x];
            row[2] = r[x];
        }
        break;
    }
    case Layout::Unsupported: break;
    }
}

// The next page's offset after `offset`, or the file's end.
uint64_t PageEnd(const std::vector<uint32_t>& pages, uint32_t offset, uint64_t fileSize) {
    uint64_t end = fileSize;
    for (uint32_t p : pages)
        if (p > offset && p < end) end = p;
    return end;
}

// Runs of at most 63 equal bytes, never across the line; returns the bytes written.
size_t EncodeLine(const uint8_t* src, size_t n, uint8_t* out) {
    size_t o = 0;
    for (size_t i = 0; i < n;) {
        const uint8_t v = src[i];
        size_t count = 1;
        while (count < 63 && i + count < n && src[i + count] == v) ++count;
        if (count > 1 || v >= 0xC0) out[o++] = uint8_t(0xC0 | count);
        out[o++] = v;
        i += count;
    }
    return o;
}

int Brightness(const uint8_t* entry) { return entry[0] + entry[1] + entry[2]; }

// Up to `max` colour-table entries as red, green, blue triples.
void PutRgbTable(const Image& img, uint32_t max, uint8_t* out) {
    const uint32_t n = std::min<uint32_t>(img.colorsUsed(), max);
    for (uint32_t i = 0; i < n; ++i, out += 3) {
        const uint8_t* e = img.palette() + 4 * i;
        out[0] = e[2];
        out[1] = e[1];
        out[2] = e[0];
    }
}

}  // namespace

Image ReadPcxFrom(ByteSource& in, uint64_t offset, uint64_t end, Status& st) {
    st.error = Msg(MsgId::PcxNotValid);
    st.info = "Run Length Encoding";
    PcxHeader h;
    if (!in.seek(offset) || !ReadHeader(in, h)) return Image();
    const Layout layout = LayoutOf(h);
    if (layout == Layout::Unsupported) {
        st.error = Format(Msg(MsgId::PcxUnsupported), h.bitsPerPixel, h.planes);
        return Image();
    }
    const int depth = DepthOf(layout);
    const uint64_t planeBytes = (uint64_t(std::max<int64_t>(h.width, 0)) * uint64_t(h.bitsPerPixel) + 7) / 8;
    if (!ClaimFits(in, h.width, h.height, depth, DefaultColorsFor(depth), planeBytes * uint64_t(h.planes),
                   kExpandPcx, st))
        return Image();
    Image img = Image::Create(h.width, h.height, depth, DefaultColorsFor(depth));
    if (!img) {
        st.error = Msg(MsgId::CantAllocate);
        return img;
    }
    if (depth <= 8) FillPalette(in, h, layout, offset, end, img);

    // Each plane at least as long as the width needs, so a short bytes-per-line
    // field can't make the row conversion read past the buffer.
    const size_t bpl = h.bytesPerLine;
    const size_t lineLen = size_t(h.planes) * bpl;
    const size_t planeNeed = (size_t(h.width) * size_t(h.bitsPerPixel) + 7) / 8;
    std::vector<uint8_t> line(size_t(h.planes) * std::max(bpl, planeNeed));
    const int w = img.width();
    in.seek(offset + kHeaderSize);
    if (h.encoding == 0) st.info = "None";
    for (int y = 0; y < img.height(); ++y) {
        bool complete;
        if (h.encoding) {
            std::fill(line.begin(), line.end(), 0);  // a cut-off line shows no stale bytes
            complete = DecodeRleLine(in, line.data(), lineLen);
        } else {
            complete = in.readExact(line.data(), lineLen);
        }
        LineToRow(layout, line.data(), bpl, h.planes, w, img.topRow(y));
        if (!complete) break;  // the rows not reached stay zero
    }
    st.error.clear();
    return img;
}

std::vector<uint32_t> ReadDcxPageTable(ByteSource& in) {
    std::vector<uint32_t> pages;
    if (!in.seek(0) || in.le32() != kDcxMagic) return pages;
    uint8_t table[4 * kDcxMaxPages];
    size_t got = in.read(table, sizeof table);
    // Zeros in the middle do not end the table.
    for (size_t i = 0; i + 4 <= got; i += 4)
        if (uint32_t v = GetLE32(table + i)) pages.push_back(v);
    return pages;
}

Image ReadDcxPageFrom(ByteSource& in, const std::vector<uint32_t>& pages, uint32_t offset, Status& st) {
    // Each page's 256-colour table ends where the next page begins.
    return ReadPcxFrom(in, offset, PageEnd(pages, offset, in.size()), st);
}

Image ReadDcxPageAt(ByteSource& in, uint32_t offset, Status& st) {
    return ReadDcxPageFrom(in, ReadDcxPageTable(in), offset, st);
}

Image LoadPcx(ByteSource& in, const std::string&, const ReadOptions&, Status& st, PictureFacts&) {
    return ReadPcxFrom(in, 0, in.size(), st);
}

Image LoadDcx(ByteSource& in, const std::string&, const ReadOptions&, Status& st, PictureFacts& facts) {
    std::vector<uint32_t> pages = ReadDcxPageTable(in);
    if (pages.empty()) {
        st.error = Msg(MsgId::PcxNotValid);
        return Image();
    }
    facts.pageOffsets = pages;
    facts.pageCount = int(pages.size());
    facts.multipage = pages.size() > 1;
    facts.currentPage = 0;
    return ReadDcxPageFrom(in, pages, pages[0], st);
}

bool SavePcx(const std::string& path, const Image& img, const SaveOptions&, Status& st) {
    const int depth = img ? img.bitCount() : 0;
    if (depth != 1 && depth != 4 && depth != 8 && depth != 24) {
        st.error = Format(Msg(MsgId::PcxCantWriteDepth), depth);
        return false;
    }
    const int w = img.width(), h = img.height();
    const int bpp = depth == 24 ? 8 : depth, planes = depth == 24 ? 3 : 1;
    size_t bpl = (size_t(bpp) * size_t(w) + 7) / 8;
    bpl += bpl & 1;
    if (w > 65536 || h > 65536 || bpl > 0xFFFF) {
        st.error = Msg(MsgId::PcxTooLarge);
        return false;
    }
    uint8_t header[kHeaderSize] = {10, 5, 1, uint8_t(bpp)};
    PutLE16(header + 8, uint16_t(w - 1));
    PutLE16(header + 10, uint16_t(h - 1));
    // Readers show 1-bit files black and white whatever the palette says, so
    // the darker colour is written as 0; the header says so too.
    bool invert = false;
    if (depth == 1) {
        invert = img.colorsUsed() >= 2 && Brightness(img.palette()) > Brightness(img.palette() + 4);
        std::memset(header + 19, 255, 3);
    } else if (depth == 4) {
        PutRgbTable(img, 16, header + 16);
    }
    header[65] = uint8_t(planes);
    PutLE16(header + 66, uint16_t(bpl));
    PutLE16(header + 68, 1);

    OutputFile out;
    if (!out.open(path) || !out.write(header, sizeof header)) return false;
    std::vector<uint8_t> plane(bpl), encoded(2 * bpl);
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = img.topRow(y);
        for (int c = 0; c < planes; ++c) {
            if (depth == 24) {
                for (int x = 0; x < w; ++x) plane[size_t(x)] = row[3 * size_t(x) + 2 - c];
            } else {
                std::memcpy(plane.data(), row, bpl);  // the row's padding supplies an odd line's last byte
                if (invert)
                    for (uint8_t& b : plane) b = uint8_t(~b);
            }
            if (!out.write(encoded.data(), EncodeLine(plane.data(), bpl, encoded.data()))) return false;
        }
    }
    if (depth == 8) {
        uint8_t trailer[kTrailerSize] = {12};
        PutRgbTable(img, 256, trailer + 1);
        if (!out.write(trailer, sizeof trailer)) return false;
    }
    return out.commit();
}

}  // namespace lg
