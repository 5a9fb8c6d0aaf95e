#include "formats/pnm.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/messages.h"

namespace lg {
namespace {

constexpr uint32_t kNumberLimit = 1u << 30;  // far beyond any picture side

struct KindInfo {
    const char* name;
    char raw, plain;
};

const KindInfo& InfoOf(PnmKind kind) {
    static const KindInfo kInfo[3] = {{"PBM", '4', '1'}, {"PGM", '5', '2'}, {"PPM", '6', '3'}};
    return kInfo[int(kind)];
}

bool IsHeaderSpace(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
bool IsSampleSpace(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool IsDigit(int c) { return c >= '0' && c <= '9'; }

// A header number; the character that ends it is consumed, and a comment
// ("#" to the end of the line) may stand anywhere.
bool ReadHeaderNumber(ByteSource& in, uint32_t& value) {
    int c = in.byte();
    for (;;) {
        if (c == '#') {
            while (c >= 0 && c != '\n') c = in.byte();
        } else if (!IsHeaderSpace(c)) {
            break;
        }
        c = in.byte();
    }
    if (!IsDigit(c)) return false;
    uint32_t v = 0;
    for (; IsDigit(c); c = in.byte()) {
        if (v > kNumberLimit / 10) return false;
        v = v * 10 + uint32_t(c - '0');
    }
    if (c == '#')
        while (c >= 0 && c != '\n') c = in.byte();
    value = v;
    return true;
}

// The next character of a plain file's data after blanks and comments; -1 at the end.
int NextSampleChar(ByteSource& in) {
    for (;;) {
        int c = in.byte();
        if (c == '#') {
            while (c >= 0 && c != '\n' && c != '\r') c = in.byte();
        } else if (!IsSampleSpace(c)) {
            return c;
        }
    }
}

// A plain decimal sample; the character after its digits is consumed.
// False at the end of the data.
bool ReadPlainSample(ByteSource& in, uint32_t& value) {
    int c = NextSampleChar(in);
    if (c < 0) return false;
    uint32_t v = 0;
    for (; IsDigit(c); c = in.byte()) v = std::min<uint32_t>(v * 10 + uint32_t(c - '0'), 1u << 20);
    value = v;  // a stray character counts as 0
    return true;
}

void ReadPlainBits(ByteSource& in, Image& img) {
    const int w = img.width();
    for (int y = 0; y < img.height(); ++y) {
        uint8_t* row = img.topRow(y);
        for (int x = 0; x < w; ++x) {
            int c = NextSampleChar(in);
            if (c < 0) return;
            if (c == '1') row[x >> 3] |= uint8_t(0x80 >> (x & 7));
        }
    }
}

void ReadPlainSamples(ByteSource& in, Image& img, int perPixel, const uint8_t* scale, uint32_t maxval) {
    const int w = img.width();
    for (int y = 0; y < img.height(); ++y) {
        uint8_t* row = img.topRow(y);
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < perPixel; ++c) {
                uint32_t v;
                if (!ReadPlainSample(in, v)) return;
                // red, green, blue into blue, green, red
                row[perPixel * x + (perPixel == 3 ? 2 - c : 0)] = scale[std::min(v, maxval)];
            }
    }
}

void ReadRawRows(ByteSource& in, Image& img, PnmKind kind, const uint8_t* scale) {
    const size_t w = size_t(img.width());
    const size_t rowBytes = kind == PnmKind::Pbm ? (w + 7) / 8 : kind == PnmKind::Pgm ? w : 3 * w;
    for (int y = 0; y < img.height(); ++y) {
        uint8_t* row = img.topRow(y);
        const size_t got = in.read(row, rowBytes);
        if (kind == PnmKind::Pgm) {
            for (size_t x = 0; x < got; ++x) row[x] = scale[row[x]];
        } else if (kind == PnmKind::Ppm) {
            for (size_t x = 0; x + 2 < got; x += 3) {
                const uint8_t r = row[x];
                row[x] = scale[row[x + 2]];
                row[x + 1] = scale[row[x + 1]];
                row[x + 2] = scale[r];
            }
        }
        if (got < rowBytes) {  // a short file leaves the rest zero
            std::memset(row + got, 0, rowBytes - got);
            return;
        }
    }
}

}  // namespace

Image ReadPnmFrom(ByteSource& in, PnmKind kind, Status& st) {
    const KindInfo& info = InfoOf(kind);
    st.error = Format(Msg(MsgId::PnmNotValid), info.name);
    const std::string badHeader = Format(Msg(MsgId::PnmBadHeader), info.name);
    const int p = in.byte(), digit = in.byte();
    if (p != 'P' || (digit != info.raw && digit != info.plain)) {
        st.error = badHeader;
        return Image();
    }
    uint32_t width = 0, height = 0, maxval = 1;
    if (!ReadHeaderNumber(in, width) || !ReadHeaderNumber(in, height) ||
        (kind != PnmKind::Pbm && !ReadHeaderNumber(in, maxval)) || width == 0 || height == 0 ||
        (kind != PnmKind::Pbm && (maxval < 2 || maxval > 255))) {
        st.error = badHeader;
        return Image();
    }
    const int depth = kind == PnmKind::Pbm ? 1 : kind == PnmKind::Pgm ? 8 : 24;
    // Raw rows as stored; plain files take at least one character a sample.
    const uint64_t samples = uint64_t(width) * (kind == PnmKind::Ppm ? 3 : 1);
    const uint64_t rowBytes = digit == info.raw && kind == PnmKind::Pbm ? (samples + 7) / 8 : samples;
    if (!ClaimFits(in, width, height, depth, DefaultColorsFor(depth), rowBytes, kExpandRaw, st)) return Image();
    Image img = Image::Create(width, height, depth, DefaultColorsFor(depth));
    if (!img) {
        st.error = Msg(MsgId::CantAllocate);
        return img;
    }
    if (kind == PnmKind::Pbm) {
        img.setPaletteEntry(0, 255, 255, 255);
        img.setPaletteEntry(1, 0, 0, 0);
    } else if (kind == PnmKind::Pgm) {
        FillGreyRamp(img.palette());
    }
    // Samples run from 0 to the file's maximum; values above it count as the maximum.
    uint8_t scale[256];
    for (uint32_t v = 0; v < 256; ++v) scale[v] = uint8_t((std::min(v, maxval) * 255 + maxval / 2) / maxval);

    if (digit == info.raw) ReadRawRows(in, img, kind, scale);
    else if (kind == PnmKind::Pbm) ReadPlainBits(in, img);
    else ReadPlainSamples(in, img, kind == PnmKind::Ppm ? 3 : 1, scale, maxval);
    st.error.clear();
    return img;
}

Image LoadPbm(ByteSource& in, const std::string&, const ReadOptions&, Status& st, PictureFacts&) {
    return ReadPnmFrom(in, PnmKind::Pbm, st);
}
Image LoadPgm(ByteSource& in, const std::string&, const ReadOptions&, Status& st, PictureFacts&) {
    return ReadPnmFrom(in, PnmKind::Pgm, st);
}
Image LoadPpm(ByteSource& in, const std::string&, const ReadOptions&, Status& st, PictureFacts&) {
    return ReadPnmFrom(in, PnmKind::Ppm, st);
}

}  // namespace lg
