#include "formats/iff.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/messages.h"

namespace lg {
namespace {

constexpr uint32_t kCamgHalfBrite = 0x80;
constexpr uint32_t kCamgHam = 0x800;
constexpr int kMaxSide = 10000;
constexpr int kShamMaxLines = 200;

struct IffInfo {
    bool chunky = false;  // form type PBM: a byte per pixel instead of planes
    bool haveBmhd = false, haveCamg = false, haveCmap = false, haveBody = false;
    int width = 0, height = 0, planes = 0, masking = 0, compression = 0;
    uint32_t camg = 0;
    uint8_t cmap[768] = {};
    int cmapEntries = 0;
    std::vector<uint16_t> sham;  // 16 colours (0x0RGB) per line
    uint64_t bodyPos = 0, bodySize = 0;
};

bool IsId(const uint8_t* p, const char* id) { return std::memcmp(p, id, 4) == 0; }

bool ReadBmhd(ByteSource& in, uint32_t size, IffInfo& f) {
    uint8_t b[20];
    if (size != 20 || !in.readExact(b, sizeof b)) return false;
    f.width = b[0] << 8 | b[1];
    f.height = b[2] << 8 | b[3];
    f.planes = b[8];
    f.masking = b[9];
    f.compression = b[10];
    f.haveBmhd = true;
    const bool planesOk = f.chunky ? f.planes == 8 : (f.planes >= 1 && f.planes <= 8) || f.planes == 24;
    return f.compression <= 1 && planesOk && f.width > 0 && f.height > 0 && f.width <= kMaxSide &&
           f.height <= kMaxSide;
}

void ReadSham(ByteSource& in, uint32_t size, IffInfo& f) {
    if (size < 2 || in.be16() != 0) return;  // only version 0 is known
    const uint32_t lines = std::min<uint32_t>((size - 2) / 32, kShamMaxLines);
    f.sham.resize(size_t(lines) * 16);
    for (uint16_t& c : f.sham) c = in.be16();
}

// Walks the chunks until the header, the palette and the pixels are known.
bool WalkChunks(ByteSource& in, IffInfo& f) {
    uint8_t head[12];
    if (!in.readExact(head, sizeof head) || !IsId(head, "FORM")) return false;
    if (IsId(head + 8, "ANIM") && (!in.readExact(head, sizeof head) || !IsId(head, "FORM")))
        return false;  // an animation's first picture is its first inner FORM
    f.chunky = std::memcmp(head + 8, "PBM", 3) == 0;
    for (;;) {
        if (f.haveBmhd && f.haveBody && (f.haveCmap || f.planes == 24)) return true;
        uint8_t chunk[8];
        if (!in.readExact(chunk, sizeof chunk)) return false;
        const uint32_t size = uint32_t(chunk[4]) << 24 | uint32_t(chunk[5]) << 16 | uint32_t(chunk[6]) << 8 | chunk[7];
        const uint64_t next = in.tell() + uint64_t(size) + (size & 1);
        if (IsId(chunk, "BMHD") && !f.haveBmhd) {
            if (!ReadBmhd(in, size, f)) return false;
        } else if (f.haveBmhd && IsId(chunk, "CAMG") && size == 4) {
            f.camg = in.be32();
            f.haveCamg = true;
        } else if (f.haveBmhd && IsId(chunk, "CMAP")) {
            const uint32_t keep = std::min<uint32_t>(size, sizeof f.cmap);
            in.readExact(f.cmap, keep);
            f.cmapEntries = int(keep / 3);
            f.haveCmap = f.cmapEntries > 0;
        } else if (IsId(chunk, "SHAM")) {
            ReadSham(in, size, f);
        } else if (f.haveBmhd && IsId(chunk, "BODY")) {
            f.bodyPos = in.tell();
            f.bodySize = size;
            f.haveBody = true;
        }
        if (!in.seek(next)) return f.haveBmhd && f.haveBody && (f.haveCmap || f.planes == 24);
    }
}

// How the planes become pixels.
enum class Kind { Indexed, HalfBrite, Ham, TrueColor, Chunky };

struct Decoding {
    Kind kind = Kind::Indexed;
    int depth = 0;
};

// Picks the decoding, and refuses what the palette cannot serve.
bool Decide(const IffInfo& f, Decoding& d) {
    if (f.planes == 24) {
        d = {Kind::TrueColor, 24};
        return true;
    }
    if (f.chunky) {
        d = {Kind::Chunky, 8};
        return true;
    }
    const int full = 1 << f.planes;
    // HAM needs the viewport's word; only old 6-plane files without one but
    // with a 16-colour base palette are taken as HAM by default.
    const bool ham = !f.sham.empty() || (f.camg & kCamgHam) ||
                     (!f.haveCamg && f.planes == 6 && f.cmapEntries <= 16);
    if ((f.camg & kCamgHalfBrite) && f.cmapEntries == full / 2) {
        d = {Kind::HalfBrite, 8};
    } else if (ham) {
        if (f.planes != 6 && f.planes != 8) return false;
        d = {Kind::Ham, 24};
    } else {
        d = {Kind::Indexed, f.planes == 1 ? 1 : f.planes <= 4 ? 4 : 8};
    }
    return true;
}

// Plane bits into per-pixel values: plane p gives bit p.
void CombinePlanes(const uint8_t* planes, size_t planeBytes, int first, int count, uint8_t* out,
                   size_t pixels) {
    std::memset(out, 0, pixels);
    for (int p = 0; p < count; ++p) {
        const uint8_t* src = planes + size_t(first + p) * planeBytes;
        const uint8_t bit = uint8_t(1 << p);
        for (size_t i = 0; i < planeBytes && 8 * i < pixels; ++i) {
            const uint8_t b = src[i];
            if (!b) continue;
            uint8_t* o = out + 8 * i;
            for (int k = 0; k < 8; ++k)
                if (b & (0x80 >> k)) o[k] |= bit;
        }
    }
}

// Hold-and-modify: the top two bits pick a palette entry or change one
// component of the colour before.
struct HamState {
    uint8_t rgb[3] = {0, 0, 0};
};

void HamRow(const uint8_t* values, int width, int planes, const uint8_t* palette, HamState& s,
            uint8_t* d) {
    const int bits = planes - 2;
    const int lowMask = (1 << bits) - 1, shift = 8 - bits;
    for (int x = 0; x < width; ++x, d += 3) {
        const int v = values[x], low = v & lowMask;
        switch (v >> bits) {
        case 0: std::memcpy(s.rgb, palette + 3 * low, 3); break;
        case 1: s.rgb[2] = uint8_t(low << shift); break;
        case 2: s.rgb[0] = uint8_t(low << shift); break;
        default: s.rgb[1] = uint8_t(low << shift); break;
        }
        d[0] = s.rgb[2];
        d[1] = s.rgb[1];
        d[2] = s.rgb[0];
    }
}

// The 16-colour palette of one SHAM line, as red, green, blue bytes.
void ShamPalette(const IffInfo& f, int row, uint8_t* rgb) {
    const int lines = int(f.sham.size() / 16);
    const int line = (f.height > kShamMaxLines ? row / 2 : row) % lines;
    for (int i = 0; i < 16; ++i) {
        const unsigned c = f.sham[size_t(line) * 16 + size_t(i)];
        rgb[3 * i] = uint8_t((c >> 8 & 15) << 4);
        rgb[3 * i + 1] = uint8_t((c >> 4 & 15) << 4);
        rgb[3 * i + 2] = uint8_t((c & 15) << 4);
    }
}

// The working palette (red, green, blue) and the picture's colour table.
void BuildPalette(const IffInfo& f, const Decoding& d, uint8_t* rgb, Image& img) {
    std::memcpy(rgb, f.cmap, 768);
    const int full = f.planes <= 8 ? 1 << f.planes : 0;
    if (d.kind == Kind::HalfBrite) {
        for (int i = full / 2; i < full; ++i)
            for (int c = 0; c < 3; ++c) rgb[3 * i + c] = uint8_t(rgb[3 * (i - full / 2) + c] >> 1);
    } else if (d.kind == Kind::Ham) {
        // The hardware takes only the top bits of the base colours.
        const uint8_t keep = f.planes == 6 ? 0xF0 : 0xFC;
        for (int i = 0; i < 3 * (1 << (f.planes - 2)); ++i) rgb[i] &= keep;
    }
    if (d.depth <= 8) {
        const int n = d.kind == Kind::Chunky ? 256 : std::min(full, 1 << d.depth);
        for (int i = 0; i < n; ++i) img.setPaletteEntry(i, rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]);
    }
}

bool ReadPlaneRow(ByteSource& in, bool compressed, uint8_t* dst, size_t len) {
    return compressed ? UnpackByteRun(in, dst, len) : in.readExact(dst, len);
}

// Decodes BODY into the picture; false when the data ends first.
bool DecodeBody(ByteSource& in, const IffInfo& f, const Decoding& d, Image& img) {
    const int w = f.width;
    const bool compressed = f.compression == 1;
    const size_t planeBytes = d.kind == Kind::Chunky ? (size_t(w) + 1) & ~size_t(1)
                                                     : ((size_t(w) + 15) / 16) * 2;
    const int stored = d.kind == Kind::Chunky ? 1 : f.planes + (f.masking == 1 ? 1 : 0);
    std::vector<uint8_t> planes(size_t(stored) * planeBytes);
    std::vector<uint8_t> values(planeBytes * 8);
    uint8_t rgb[768];
    BuildPalette(f, d, rgb, img);
    HamState ham;
    const uint64_t bodyEnd = f.bodyPos + f.bodySize;
    in.seek(f.bodyPos);
    for (int y = 0; y < f.height; ++y) {
        bool ok = true;
        for (int p = 0; p < stored && ok; ++p)
            ok = ReadPlaneRow(in, compressed, planes.data() + size_t(p) * planeBytes, planeBytes);
        if (!ok) return false;
        uint8_t* row = img.topRow(y);
        switch (d.kind) {
        case Kind::Chunky: std::memcpy(row, planes.data(), size_t(w)); break;
        case Kind::TrueColor:
            for (int c = 0; c < 3; ++c) {
                CombinePlanes(planes.data(), planeBytes, 8 * c, 8, values.data(), size_t(w));
                for (int x = 0; x < w; ++x) row[3 * x + 2 - c] = values[size_t(x)];
            }
            break;
        case Kind::Ham:
            CombinePlanes(planes.data(), planeBytes, 0, f.planes, values.data(), size_t(w));
            if (!f.sham.empty()) ShamPalette(f, y, rgb);
            HamRow(values.data(), w, f.planes, rgb, ham, row);
            break;
        default:
            if (d.depth == 1) {
                std::memcpy(row, planes.data(), (size_t(w) + 7) / 8);
                break;
            }
            CombinePlanes(planes.data(), planeBytes, 0, f.planes, values.data(), size_t(w));
            if (d.depth == 8) {
                std::memcpy(row, values.data(), size_t(w));
            } else {
                for (int x = 0; x < w; ++x) row[x >> 1] |= uint8_t(x & 1 ? values[size_t(x)] : values[size_t(x)] << 4);
            }
        }
        if (in.tell() > bodyEnd) return false;
    }
    return true;
}

}  // namespace

bool UnpackByteRun(ByteSource& in, uint8_t* dst, size_t len) {
    size_t pos = 0;
    while (pos < len) {
        const int n = in.byte();
        if (n < 0) return false;
        if (n < 128) {
            const size_t count = size_t(n) + 1, take = std::min(count, len - pos);
            if (in.read(dst + pos, take) < take) return false;
            pos += take;
            if (count > take) in.skip(count - take);
        } else if (n > 128) {
            const int v = in.byte();
            if (v < 0) return false;
            const size_t take = std::min(size_t(257 - n), len - pos);
            std::memset(dst + pos, v, take);
            pos += take;
        }
    }
    return true;
}

Image ReadIffFrom(ByteSource& in, Status& st) {
    st.error = Msg(MsgId::IffNotValid);
    IffInfo f;
    Decoding d;
    if (!WalkChunks(in, f) || !Decide(f, d)) return Image();
    st.info = f.compression ? "Run Length Encoding" : "None";
    const uint64_t planeRow = (uint64_t(f.width) + 15) / 16 * 2;
    const uint64_t rowBytes = f.chunky ? uint64_t(f.width) : planeRow * uint64_t(f.planes + (f.masking == 1 ? 1 : 0));
    in.seek(f.bodyPos);
    if (!ClaimFits(in, f.width, f.height, d.depth, DefaultColorsFor(d.depth), rowBytes,
                   f.compression ? kExpandPackBits : kExpandRaw, st))
        return Image();
    Image img = Image::Create(f.width, f.height, d.depth, DefaultColorsFor(d.depth));
    if (!img) {
        st.error = Msg(MsgId::CantAllocate);
        return img;
    }
    // A picture cut short is still shown as far as it goes.
    st.error = DecodeBody(in, f, d, img) ? "" : Msg(MsgId::CantReadData);
    return img;
}

}  // namespace lg
