#include "core/packed_dib.h"

#include <cstring>

namespace lg {
namespace {

constexpr uint32_t kBiRgb = 0, kBiBitfields = 3;

// Position of the lowest set bit and the number of bits of a colour mask.
void MaskShape(uint32_t mask, int* shift, int* bits) {
    *shift = *bits = 0;
    if (!mask) return;
    while (!(mask & 1)) {
        mask >>= 1;
        ++*shift;
    }
    while (mask & 1) {
        mask >>= 1;
        ++*bits;
    }
}

// One colour channel of a packed pixel brought to 8 bits: short channels are
// moved up (as the 16-bit widening does), long ones keep their top 8 bits.
struct Channel {
    uint32_t mask;
    int shift, bits;
    uint8_t Take(uint32_t v) const {
        uint32_t c = (v & mask) >> shift;
        return uint8_t(bits >= 8 ? c >> (bits - 8) : c << (8 - bits));
    }
};

Channel MakeChannel(uint32_t mask) {
    Channel c{mask, 0, 0};
    MaskShape(mask, &c.shift, &c.bits);
    return c;
}

}  // namespace

Image PictureFromPackedDib(const uint8_t* p, size_t n, std::string* why) {
    auto fail = [why](const char* text) {
        if (why) *why = text;
        return Image();
    };
    if (!p || n < kDibHeaderSize) return fail("no bitmap header");
    const uint32_t headerSize = GetLE32(p);
    const int64_t w = int32_t(GetLE32(p + 4));
    const int64_t hSigned = int32_t(GetLE32(p + 8));
    const int bits = GetLE16(p + 14);
    const uint32_t compression = GetLE32(p + 16);
    if (headerSize < kDibHeaderSize || headerSize > n) return fail("unknown bitmap header");
    if (w <= 0 || hSigned == 0 || hSigned == INT32_MIN) return fail("empty bitmap");
    const bool topDown = hSigned < 0;
    const int64_t h = topDown ? -hSigned : hSigned;
    const bool packed = bits == 16 || bits == 32;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && !packed) return fail("unsupported depth");
    if (!(compression == kBiRgb || (compression == kBiBitfields && packed))) return fail("compressed bitmap");

    // Colour masks: in the header from version 2 on, else just after it.
    uint32_t masks[3] = {bits == 16 ? 0x7C00u : 0xFF0000u, bits == 16 ? 0x03E0u : 0xFF00u,
                         bits == 16 ? 0x001Fu : 0xFFu};
    uint64_t tableAt = headerSize;
    if (compression == kBiBitfields) {
        uint64_t at = headerSize >= 52 ? 40 : headerSize;
        if (at + 12 > n) return fail("bitmap cut short");
        for (int i = 0; i < 3; ++i) masks[i] = GetLE32(p + at + 4 * i);
        if (headerSize < 52) tableAt += 12;
    }
    uint32_t colors = GetLE32(p + 32);
    if (bits <= 8) {
        if (colors == 0 || colors > (1u << bits)) colors = 1u << bits;
    }
    // Packed and 24-bit pictures may carry a colour table for palette displays.
    if (bits > 8 && colors > 256) return fail("bitmap cut short");
    const int64_t srcStride = RowStride(w, bits);
    const uint64_t pixelsAt = tableAt + uint64_t(colors) * 4;
    if (srcStride <= 0 || pixelsAt > n || uint64_t(h) > (n - pixelsAt) / uint64_t(srcStride))
        return fail("bitmap cut short");

    const int outBits = packed ? 24 : bits;
    std::string err;
    Image out = Image::Create(w, h, outBits, DefaultColorsFor(outBits), &err);
    if (!out) return fail(err.empty() ? "not enough memory" : err.c_str());
    out.setResolution(int32_t(GetLE32(p + 24)), int32_t(GetLE32(p + 28)));
    if (bits <= 8) std::memcpy(out.palette(), p + tableAt, size_t(colors) * 4);
    const uint8_t* src = p + pixelsAt;
    const Channel red = MakeChannel(masks[0]), green = MakeChannel(masks[1]), blue = MakeChannel(masks[2]);
    for (int64_t y = 0; y < h; ++y) {
        const uint8_t* s = src + size_t(topDown ? h - 1 - y : y) * size_t(srcStride);
        uint8_t* d = out.row(int(y));
        if (!packed) {
            std::memcpy(d, s, out.stride());
            continue;
        }
        for (int64_t x = 0; x < w; ++x, d += 3) {
            uint32_t v = bits == 16 ? GetLE16(s + 2 * x) : GetLE32(s + 4 * x);
            d[0] = blue.Take(v);
            d[1] = green.Take(v);
            d[2] = red.Take(v);
        }
    }
    return out;
}

}  // namespace lg
