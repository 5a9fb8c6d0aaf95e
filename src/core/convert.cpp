#include "core/convert.h"

#include <algorithm>

namespace lg {
namespace {

// A result with the source's size and resolution; the expansions also store
// the pixel area's size in the header.
Image MakeLike(const Image& src, int bits, bool storeSize) {
    Image out = Image::Create(src.width(), src.height(), bits, DefaultColorsFor(bits));
    if (!out) return out;
    out.setResolution(src.xResolution(), src.yResolution());
    if (storeSize) out.setImageSizeField(uint32_t(out.pixelBytes()));
    return out;
}

void CopyTable(const Image& src, Image& out) {
    size_t n = std::min<size_t>(src.colorsUsed(), out.colorsUsed());
    std::memcpy(out.palette(), src.palette(), 4 * n);
}

}  // namespace

Image Expand1To4(const Image& src) {
    if (!src || src.bitCount() != 1) return Image();
    Image out = MakeLike(src, 4, true);
    if (!out) return out;
    CopyTable(src, out);
    const int bytes = (src.width() + 7) / 8;
    for (int y = 0; y < src.height(); ++y) {
        const uint8_t* s = src.row(y);
        uint8_t* d = out.row(y);
        for (int i = 0; i < bytes; ++i) {
            uint8_t b = s[i];
            for (int k = 0; k < 4; ++k, b = uint8_t(b << 2))
                *d++ = uint8_t(((b >> 7) & 1) << 4 | ((b >> 6) & 1));
        }
    }
    return out;
}

Image Expand4To8(const Image& src) {
    if (!src || src.bitCount() != 4) return Image();
    Image out = MakeLike(src, 8, true);
    if (!out) return out;
    CopyTable(src, out);
    const int w = src.width();
    for (int y = 0; y < src.height(); ++y) {
        const uint8_t* s = src.row(y);
        uint8_t* d = out.row(y);
        for (int x = 0; x + 1 < w; x += 2, ++s) {
            d[x] = *s >> 4;
            d[x + 1] = *s & 15;
        }
        if (w & 1) d[w - 1] = *s >> 4;
    }
    return out;
}

Image Expand1To8(const Image& src) {
    if (!src || src.bitCount() != 1) return Image();
    Image out = MakeLike(src, 8, true);
    if (!out) return out;
    const uint8_t* c0 = src.palette();
    const uint8_t* c1 = src.colorsUsed() > 1 ? src.palette() + 4 : nullptr;
    static const uint8_t kBlack[4] = {0, 0, 0, 0};
    if (!c1) c1 = kBlack;
    uint8_t* table = out.palette();
    auto grey = [](const uint8_t* c, int v) { return c[0] == v && c[1] == v && c[2] == v; };
    if ((grey(c0, 0) && grey(c1, 255)) || (grey(c0, 255) && grey(c1, 0))) {
        // black and white: a grey ramp keeps later reductions smooth
        bool ascending = c0[2] <= c1[2];
        for (int i = 0; i < 256; ++i) {
            uint8_t v = uint8_t(ascending ? i : 255 - i);
            table[4 * i] = table[4 * i + 1] = table[4 * i + 2] = v;
        }
    } else {
        for (int i = 0; i < 256; ++i) std::memcpy(table + 4 * i, i < 128 ? c0 : c1, 3);
    }
    const int w = src.width();
    for (int y = 0; y < src.height(); ++y) {
        const uint8_t* s = src.row(y);
        uint8_t* d = out.row(y);
        for (int x = 0; x < w; ++x) d[x] = (s[x >> 3] >> (7 - (x & 7))) & 1 ? 255 : 0;
    }
    return out;
}

Image Expand8To24(const Image& src) {
    if (!src || src.bitCount() != 8) return Image();
    Image out = MakeLike(src, 24, true);
    if (!out) return out;
    // Indexes beyond the table's length read black.
    uint8_t lut[256][3] = {};
    uint32_t n = std::min<uint32_t>(src.colorsUsed(), 256);
    for (uint32_t i = 0; i < n; ++i) std::memcpy(lut[i], src.palette() + 4 * i, 3);
    const int w = src.width();
    for (int y = 0; y < src.height(); ++y) {
        const uint8_t* s = src.row(y);
        uint8_t* d = out.row(y);
        for (int x = 0; x < w; ++x, d += 3) {
            const uint8_t* c = lut[s[x]];
            d[0] = c[0]; d[1] = c[1]; d[2] = c[2];
        }
    }
    return out;
}

Image Expand4To24(const Image& src) {
    Image mid = Expand4To8(src);
    return mid ? Expand8To24(mid) : Image();
}

Image Expand1To24(const Image& src) {
    Image mid = Expand1To8(src);
    return mid ? Expand8To24(mid) : Image();
}

namespace {

// Copies the first three bytes of each `step`-byte pixel.
Image WidenByDropping(const Image& src, int bits) {
    if (!src || src.bitCount() != bits) return Image();
    Image out = MakeLike(src, 24, false);
    if (!out) return out;
    const int step = bits / 8, w = src.width();
    for (int y = 0; y < src.height(); ++y) {
        const uint8_t* s = src.row(y);
        uint8_t* d = out.row(y);
        for (int x = 0; x < w; ++x, s += step, d += 3) {
            d[0] = s[0]; d[1] = s[1]; d[2] = s[2];
        }
    }
    return out;
}

}  // namespace

Image Widen3To24(const Image& src) {
    if (!src || src.bitCount() != 3) return Image();
    Image out = MakeLike(src, 24, false);
    if (!out) return out;
    const int w = src.width();
    for (int y = 0; y < src.height(); ++y) {
        const uint8_t* s = src.row(y);
        uint8_t* d = out.row(y);
        for (int bit = 0; bit < 3 * w; ++bit) d[bit] = (s[bit >> 3] >> (7 - (bit & 7))) & 1 ? 255 : 0;
    }
    return out;
}

Image Widen16To24(const Image& src) {
    if (!src || src.bitCount() != 16) return Image();
    Image out = MakeLike(src, 24, false);
    if (!out) return out;
    const int w = src.width();
    for (int y = 0; y < src.height(); ++y) {
        const uint8_t* s = src.row(y);
        uint8_t* d = out.row(y);
        for (int x = 0; x < w; ++x, s += 2, d += 3) {
            unsigned v = GetLE16(s);
            d[0] = uint8_t(v << 3);
            d[1] = uint8_t((v >> 5) << 3);
            d[2] = uint8_t((v >> 10) << 3);
        }
    }
    return out;
}

Image Widen32To24(const Image& src) { return WidenByDropping(src, 32); }
Image Widen40To24(const Image& src) { return WidenByDropping(src, 40); }
Image Widen64To24(const Image& src) { return WidenByDropping(src, 64); }

Image Widen48To24(const Image& src) { return WidenByDropping(src, 48); }

Image WidenToWorkingDepth(Image src) {
    if (!src) return src;
    switch (src.bitCount()) {
    case 3: return Widen3To24(src);
    case 16: return Widen16To24(src);
    case 32: return Widen32To24(src);
    case 40: return Widen40To24(src);
    case 64: return Widen64To24(src);
    case 48: return Widen48To24(src);
    case 1: case 4: case 8: case 24: return src;
    default: return Image();
    }
}

Image ExpandTo24(Image src) {
    if (!src) return src;
    switch (src.bitCount()) {
    case 1: return Expand1To24(src);
    case 4: return Expand4To24(src);
    case 8: return Expand8To24(src);
    case 24: return src;
    default: return WidenToWorkingDepth(std::move(src));
    }
}

}  // namespace lg
