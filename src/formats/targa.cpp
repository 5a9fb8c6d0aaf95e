#include "formats/targa.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/messages.h"

namespace lg {
namespace {


struct TgaHeader {
    int idLength = 0, mapType = 0, type = 0;
    int mapFirst = 0, mapLength = 0, mapEntryBits = 0;
    int width = 0, height = 0, depth = 0;
    bool topDown = false;
};

bool Accepted(const TgaHeader& h) {
    switch (h.type) {
    case 1: case 3: case 9: case 11: return h.depth == 8;
    case 2: case 10: return h.depth == 15 || h.depth == 16 || h.depth == 24 || h.depth == 32;
    default: return false;
    }
}

// Bytes of one stored pixel or colour-map entry of a bit depth.
int BytesFor(int bits) { return (bits + 7) / 8; }

// A 15/16-bit word's five-bit channels, scaled by 8.
void Put555(uint8_t* bgr, unsigned w) {
    bgr[0] = uint8_t((w & 31) << 3);
    bgr[1] = uint8_t(((w >> 5) & 31) << 3);
    bgr[2] = uint8_t(((w >> 10) & 31) << 3);
}

void ReadColorMap(ByteSource& in, const TgaHeader& h, Image& img) {
    const int size = h.mapEntryBits == 15 ? 2 : BytesFor(h.mapEntryBits);
    if (size < 2 || size > 4) return;  // entries of another size: the table stays black
    for (int i = 0; i < h.mapLength; ++i) {
        uint8_t e[4];
        if (!in.readExact(e, size_t(size))) return;
        const int index = h.mapFirst + i;
        if (index >= 256) continue;
        uint8_t* d = img.palette() + 4 * index;
        if (size == 2) Put555(d, GetLE16(e));
        else std::memcpy(d, e, 3);  // blue, green, red; a fourth (alpha) byte is dropped
    }
}

// Stored pixels (`px` bytes each) into a row of the picture.
void ConvertRow(const uint8_t* s, int width, int px, uint8_t* d) {
    switch (px) {
    case 1: std::memcpy(d, s, size_t(width)); break;
    case 2:
        for (int x = 0; x < width; ++x, s += 2, d += 3) Put555(d, GetLE16(s));
        break;
    case 3: std::memcpy(d, s, 3 * size_t(width)); break;
    default:
        for (int x = 0; x < width; ++x, s += 4, d += 3) std::memcpy(d, s, 3);
        break;
    }
}

// Run-length packets that may run on across rows.
struct RleState {
    int left = 0;        // pixels still due from the current packet
    bool repeat = false;
    uint8_t value[4] = {};
};

// Fills `count` stored pixels; false when the data ends first.
bool DecodeRle(ByteSource& in, RleState& s, uint8_t* out, int count, int px) {
    while (count > 0) {
        if (s.left == 0) {
            int n = in.byte();
            if (n < 0) return false;
            s.repeat = (n & 0x80) != 0;
            s.left = (n & 0x7F) + 1;
            if (s.repeat && !in.readExact(s.value, size_t(px))) return false;
        }
        const int take = std::min(s.left, count);
        if (s.repeat) {
            if (px == 1) {
                std::memset(out, s.value[0], size_t(take));
            } else {
                for (int i = 0; i < take; ++i) std::memcpy(out + i * px, s.value, size_t(px));
            }
        } else if (!in.readExact(out, size_t(take) * size_t(px))) {
            return false;
        }
        out += take * px;
        count -= take;
        s.left -= take;
    }
    return true;
}

}  // namespace

Image ReadTargaFrom(ByteSource& in, Status& st) {
    st.info = "None";
    st.error = Msg(MsgId::TgaNotValid);
    uint8_t b[18];
    TgaHeader h;
    if (in.readExact(b, sizeof b)) {
        h.idLength = b[0];
        h.mapType = b[1];
        h.type = b[2];
        h.mapFirst = GetLE16(b + 3);
        h.mapLength = GetLE16(b + 5);
        h.mapEntryBits = b[7];
        h.width = GetLE16(b + 12);
        h.height = GetLE16(b + 14);
        h.depth = b[16];
        h.topDown = (b[17] & 0x20) != 0;
    }
    if (!Accepted(h) || h.width == 0 || h.height == 0) {
        st.error = Msg(MsgId::TgaBadHeader);
        return Image();
    }
    const bool rle = h.type >= 9;
    if (rle) st.info = "Run Length Encoding";
    // A file too short for its pixels fails before a large allocation: a
    // run packet covers at most 128 pixels.
    const int px = BytesFor(h.depth);
    const uint64_t pixels = uint64_t(h.width) * uint64_t(h.height);
    const uint64_t minData = rle ? (pixels + 127) / 128 * uint64_t(1 + px) : pixels * uint64_t(px);
    if (in.size() < 18 + uint64_t(h.idLength) + minData) {
        st.error = Msg(MsgId::CantReadData);
        return Image();
    }
    const int depth = h.depth == 8 ? 8 : 24;
    // The caller's limits on the sides and the block (the file's own test is above).
    if (!ClaimFitsIn(in.limits(), UINT64_MAX, h.width, h.height, depth, depth == 8 ? 256 : 0, 0, kExpandRaw, st))
        return Image();
    Image img = Image::Create(h.width, h.height, depth, depth == 8 ? 256 : 0);
    if (!img) {
        st.error = Msg(MsgId::CantAllocate);
        return img;
    }
    in.seek(18 + uint64_t(h.idLength));
    if (h.type == 3 || h.type == 11) FillGreyRamp(img.palette());
    else if (depth == 8 && h.mapType != 0) ReadColorMap(in, h, img);

    in.seek(18 + uint64_t(h.idLength));
    if (h.mapType != 0) {
        const int entryBits = h.mapEntryBits == 15 ? 16 : h.mapEntryBits;
        in.skip(uint64_t(entryBits) * uint64_t(h.mapLength) / 8);
    }
    std::vector<uint8_t> stored(size_t(h.width) * size_t(px));
    RleState rleState;
    for (int r = 0; r < h.height; ++r) {
        const bool ok = rle ? DecodeRle(in, rleState, stored.data(), h.width, px)
                            : in.readExact(stored.data(), stored.size());
        if (!ok) {
            st.error = Msg(MsgId::CantReadData);
            return Image();
        }
        ConvertRow(stored.data(), h.width, px, h.topDown ? img.topRow(r) : img.row(r));
    }
    st.error.clear();
    return img;
}

}  // namespace lg
