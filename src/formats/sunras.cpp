#include "formats/sunras.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/messages.h"

namespace lg {
namespace {

constexpr uint32_t kMagic = 0x59A66A95;
constexpr uint32_t kHeaderSize = 32;
constexpr uint32_t kByteEncoded = 2;
constexpr uint32_t kFormatRgb = 3;  // 24/32-bit pixels in red, green, blue order

struct RasHeader {
    uint32_t width = 0, height = 0, depth = 0, type = 0, mapType = 0, mapLength = 0;
};

// Planar map: all reds, then all greens, then all blues.
void ReadColorMap(ByteSource& in, const RasHeader& h, Image& img) {
    const uint32_t n = h.mapLength / 3, keep = std::min<uint32_t>(n, 256);
    uint8_t rgb[3][256] = {};
    for (int c = 0; c < 3; ++c) {
        in.seek(kHeaderSize + uint64_t(c) * n);
        in.readExact(rgb[c], keep);
    }
    const uint32_t entries = std::min<uint32_t>(keep, img.colorsUsed());
    for (uint32_t i = 0; i < entries; ++i) img.setPaletteEntry(int(i), rgb[0][i], rgb[1][i], rgb[2][i]);
}

// Bytes of one stored row: rows are padded to 16 bits.
size_t StoredRowBytes(const RasHeader& h, uint64_t fileSize) {
    const size_t w = h.width;
    switch (h.depth) {
    case 1: return ((w + 7) / 8 + 1) & ~size_t(1);
    case 8: return (w + 1) & ~size_t(1);
    case 24: {
        // Some writers leave 24-bit rows unpadded; the data's size tells.
        const size_t packed = 3 * w;
        const uint64_t data = fileSize - std::min<uint64_t>(fileSize, kHeaderSize + uint64_t(h.mapLength));
        if ((packed & 1) && h.type != kByteEncoded && data == uint64_t(packed) * h.height) return packed;
        return (packed + 1) & ~size_t(1);
    }
    default: return 4 * w;
    }
}

// Byte-encoded runs carry on from one row into the next.
struct RunState {
    uint32_t left = 0;
    uint8_t value = 0;
};

bool DecodeRow(ByteSource& in, RunState& s, uint8_t* out, size_t n) {
    size_t pos = 0;
    while (pos < n) {
        if (s.left > 0) {
            const size_t take = std::min<size_t>(s.left, n - pos);
            std::memset(out + pos, s.value, take);
            pos += take;
            s.left -= uint32_t(take);
            continue;
        }
        int b = in.byte();
        if (b < 0) return false;
        if (b != 0x80) {
            out[pos++] = uint8_t(b);
            continue;
        }
        int count = in.byte();
        if (count < 0) return false;
        if (count == 0) {  // an escaped 0x80
            out[pos++] = 0x80;
            continue;
        }
        int v = in.byte();
        if (v < 0) return false;
        s.left = uint32_t(count) + 1;
        s.value = uint8_t(v);
    }
    return true;
}

void StoreRow(const RasHeader& h, const uint8_t* s, uint8_t* d) {
    const size_t w = h.width;
    const bool rgb = h.type == kFormatRgb;
    switch (h.depth) {
    case 1: std::memcpy(d, s, (w + 7) / 8); break;
    case 8: std::memcpy(d, s, w); break;
    default: {
        const size_t step = h.depth / 8;
        if (step == 4) ++s;  // the first byte of a 32-bit pixel is padding
        for (size_t x = 0; x < w; ++x, s += step, d += 3) {
            d[0] = rgb ? s[2] : s[0];
            d[1] = s[1];
            d[2] = rgb ? s[0] : s[2];
        }
    }
    }
}

}  // namespace

Image ReadSunRasterFrom(ByteSource& in, Status& st) {
    st.error = Msg(MsgId::RasNotValid);
    st.info = "Sun Rasterfile - None";
    if (in.be32() != kMagic) return Image();
    RasHeader h;
    h.width = in.be32();
    h.height = in.be32();
    h.depth = in.be32();
    in.be32();  // length
    h.type = in.be32();
    h.mapType = in.be32();
    h.mapLength = in.be32();
    if (in.failed() || h.width == 0 || h.height == 0) return Image();
    if (h.depth != 1 && h.depth != 8 && h.depth != 24 && h.depth != 32) return Image();
    if (h.type >= 4) {
        st.error = Msg(MsgId::RasUnsupported);
        return Image();
    }
    if (h.type == kByteEncoded) st.info = "Sun Rasterfile - RLE compressed";

    // 32-bit pixels are shown as 24-bit ones: their first byte is padding.
    const int depth = h.depth == 32 ? 24 : int(h.depth);
    const uint64_t fileRow = (uint64_t(h.width) * h.depth + 15) / 16 * 2;
    if (!ClaimFits(in, h.width, h.height, depth, DefaultColorsFor(depth), fileRow,
                   h.type == kByteEncoded ? kExpandSunRle : kExpandRaw, st))
        return Image();
    Image img = Image::Create(h.width, h.height, depth, DefaultColorsFor(depth));
    if (!img) {
        st.error = Msg(MsgId::CantAllocate);
        return img;
    }
    const bool hasMap = h.mapType != 0 && h.mapLength > 0;
    if (depth == 1) {  // without a map: 0 white, 1 black
        img.setPaletteEntry(0, 255, 255, 255);
        img.setPaletteEntry(1, 0, 0, 0);
    } else if (depth == 8 && !hasMap) {  // grey levels rather than all black
        FillGreyRamp(img.palette());
    }
    if (hasMap && depth <= 8) ReadColorMap(in, h, img);

    in.seek(kHeaderSize + uint64_t(h.mapLength));
    std::vector<uint8_t> stored(StoredRowBytes(h, in.size()));
    RunState runs;
    for (uint32_t r = 0; r < h.height; ++r) {
        bool ok;
        if (h.type == kByteEncoded) {
            std::fill(stored.begin(), stored.end(), 0);
            ok = DecodeRow(in, runs, stored.data(), stored.size());
        } else {
            ok = in.readExact(stored.data(), stored.size());
        }
        StoreRow(h, stored.data(), img.topRow(int(r)));
        if (!ok) {
            st.error = Msg(MsgId::ErrorReadingFile);  // the rows read so far are kept
            return img;
        }
    }
    st.error.clear();
    return img;
}

}  // namespace lg
