#include "formats/psd.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/messages.h"
#include "formats/iff.h"  // the byte-run decoder both formats use

namespace lg {
namespace {

enum Mode { kBitmap = 0, kGrey = 1, kIndexed = 2, kRgb = 3, kCmyk = 4, kDuotone = 8 };

struct PsdHeader {
    int channels = 0, bits = 0, mode = 0, compression = 0;
    uint32_t width = 0, height = 0;
};

// The picture's depth and how many of the leading channels make it (the
// rest, alpha and spot channels, are not shown); depth 0 when unsupported.
struct Plan {
    int depth = 0, channels = 0;
};

Plan PlanFor(const PsdHeader& h) {
    const bool bytes = h.bits == 8 || h.bits == 16;
    switch (h.mode) {
    case kBitmap: return h.bits == 1 ? Plan{1, 1} : Plan{};
    case kGrey: case kDuotone: return bytes ? Plan{8, 1} : Plan{};
    case kIndexed: return h.bits == 8 ? Plan{8, 1} : Plan{};
    case kRgb: return bytes && h.channels >= 3 ? Plan{24, 3} : Plan{};
    case kCmyk: return bytes && h.channels >= 4 ? Plan{32, 4} : Plan{};
    default: return Plan{};
    }
}

// One channel's row into the picture's row: channel c lands at byte 2, 1, 0
// (red, green, blue), and 3 for CMYK's black; 16-bit samples give their high byte.
void PlaceRow(const uint8_t* s, int bits, int depth, int channel, int width, uint8_t* d) {
    const size_t w = size_t(width);
    if (depth == 1) {
        std::memcpy(d, s, (w + 7) / 8);
        return;
    }
    const size_t step = size_t(depth / 8), sample = size_t(bits / 8);
    static const int kSlot[4] = {2, 1, 0, 3};
    d += depth == 8 ? 0 : kSlot[channel];
    if (step == 1 && sample == 1) {
        std::memcpy(d, s, w);
        return;
    }
    for (size_t x = 0; x < w; ++x, d += step, s += sample) *d = *s;
}

// Stored CMYK is inverted (255 = no ink): each colour less the black's ink.
void CmykToRgb(Image& img) {
    for (int y = 0; y < img.height(); ++y) {
        uint8_t* p = img.row(y);
        for (int x = 0; x < img.width(); ++x, p += 4) {
            const int ink = 255 - p[3];
            for (int c = 0; c < 3; ++c) p[c] = uint8_t(std::max(0, p[c] - ink));
        }
    }
}

bool ReadHeader(ByteSource& in, PsdHeader& h, uint8_t palette[768]) {
    uint8_t b[26];
    if (!in.readExact(b, sizeof b) || std::memcmp(b, "8BPS", 4) != 0) return false;
    if (b[4] != 0 || b[5] != 1) return false;  // version 2 (large documents) is another layout
    h.channels = b[12] << 8 | b[13];
    h.height = uint32_t(b[14]) << 24 | uint32_t(b[15]) << 16 | uint32_t(b[16]) << 8 | b[17];
    h.width = uint32_t(b[18]) << 24 | uint32_t(b[19]) << 16 | uint32_t(b[20]) << 8 | b[21];
    h.bits = b[22] << 8 | b[23];
    h.mode = b[24] << 8 | b[25];
    const uint32_t modeData = in.be32();
    if (h.mode == kIndexed) in.readExact(palette, std::min<uint32_t>(modeData, 768));
    in.seek(30 + uint64_t(modeData));
    in.skip(in.be32());  // image resources
    in.skip(in.be32());  // layers and masks
    h.compression = in.be16();
    return !in.failed();
}

}  // namespace

Image ReadPsdFrom(ByteSource& in, Status& st) {
    st.error = Msg(MsgId::PsdNotValid);
    st.info = "Adobe Photoshop - None";
    PsdHeader h;
    uint8_t palette[768] = {};
    if (!ReadHeader(in, h, palette) || h.width == 0 || h.height == 0 || h.channels == 0) return Image();
    if (h.compression == 1) {
        st.info = "Adobe Photoshop - RLE";
    } else if (h.compression != 0) {
        st.error = Msg(MsgId::UnsupportedCompression);
        return Image();
    }
    const Plan plan = PlanFor(h);
    if (plan.depth == 0) {
        st.error = Format(Msg(MsgId::PsdUnsupportedMode), h.mode, h.bits);
        return Image();
    }
    const uint64_t planeRow = (uint64_t(h.width) * uint64_t(h.bits) + 7) / 8;
    if (!ClaimFits(in, h.width, h.height, plan.depth, DefaultColorsFor(plan.depth),
                   planeRow * uint64_t(plan.channels), h.compression == 1 ? kExpandPackBits : kExpandRaw, st))
        return Image();
    Image img = Image::Create(h.width, h.height, plan.depth, DefaultColorsFor(plan.depth));
    if (!img) {
        st.error = Msg(MsgId::CantAllocate);
        return img;
    }
    if (plan.depth == 1) {
        img.setPaletteEntry(0, 255, 255, 255);
        img.setPaletteEntry(1, 0, 0, 0);
    } else if (plan.depth == 8 && h.mode == kIndexed) {
        for (int i = 0; i < 256; ++i) img.setPaletteEntry(i, palette[i], palette[256 + i], palette[512 + i]);
    } else if (plan.depth == 8) {
        FillGreyRamp(img.palette());
    }

    const int height = img.height(), width = img.width();
    const size_t rowBytes = (size_t(width) * size_t(h.bits) + 7) / 8;
    std::vector<uint8_t> row(rowBytes);
    std::vector<uint16_t> counts;
    if (h.compression == 1) {
        // A byte count per row of every channel; only the shown channels' are kept.
        counts.resize(size_t(plan.channels) * size_t(height));
        for (uint16_t& c : counts) c = in.be16();
        in.skip(uint64_t(h.channels - plan.channels) * uint64_t(height) * 2);
    }
    for (int c = 0; c < plan.channels && !in.failed(); ++c) {
        for (int y = 0; y < height; ++y) {
            if (h.compression == 1) {
                const uint64_t start = in.tell();
                std::fill(row.begin(), row.end(), 0);
                UnpackByteRun(in, row.data(), rowBytes);
                in.seek(start + counts[size_t(c) * size_t(height) + size_t(y)]);
            } else {
                in.readExact(row.data(), rowBytes);
            }
            PlaceRow(row.data(), h.bits, plan.depth, c, width, img.topRow(y));
            if (in.failed()) break;  // a cut-off file keeps what was read
        }
    }
    if (h.mode == kCmyk) CmykToRgb(img);
    st.error.clear();
    return img;
}

}  // namespace lg
