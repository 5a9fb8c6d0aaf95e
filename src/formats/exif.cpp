#include "formats/exif.h"

#include <cstring>

namespace lg {
namespace {

constexpr size_t kIdLength = 6;  // "Exif\0\0"
constexpr uint16_t kOrientationTag = 274;
constexpr uint16_t kTypeShort = 3;

// The TIFF structure behind the identifier, read in its own byte order.
struct TiffView {
    const uint8_t* p = nullptr;
    size_t size = 0;
    bool little = false;

    bool has(size_t offset, size_t n) const { return offset <= size && n <= size - offset; }
    uint16_t u16(size_t o) const {
        return little ? uint16_t(p[o] | p[o + 1] << 8) : uint16_t(p[o] << 8 | p[o + 1]);
    }
    uint32_t u32(size_t o) const {
        return little ? uint32_t(p[o]) | uint32_t(p[o + 1]) << 8 | uint32_t(p[o + 2]) << 16 | uint32_t(p[o + 3]) << 24
                      : uint32_t(p[o]) << 24 | uint32_t(p[o + 1]) << 16 | uint32_t(p[o + 2]) << 8 | uint32_t(p[o + 3]);
    }
};

// The TIFF header: byte order, magic 42, offset of the first IFD.
bool OpenTiff(const uint8_t* data, size_t size, TiffView& t, uint32_t& firstIfd) {
    if (!IsExifBlock(data, size)) return false;
    t.p = data + kIdLength;
    t.size = size - kIdLength;
    if (!t.has(0, 8)) return false;
    if (t.p[0] == 'I' && t.p[1] == 'I') t.little = true;
    else if (!(t.p[0] == 'M' && t.p[1] == 'M')) return false;
    if (t.u16(2) != 42) return false;
    firstIfd = t.u32(4);
    return firstIfd >= 8 && t.has(firstIfd, 2);
}

// Bytes of one value of each TIFF field type; 0 for a type this reader does not know.
size_t TypeSize(uint16_t type) {
    static const uint8_t kSizes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};
    return type < sizeof kSizes ? kSizes[type] : 0;
}

// The sub-IFDs an Exif block links from its IFDs: Exif, GPS, interoperability.
bool IsSubIfdTag(uint16_t tag) { return tag == 0x8769 || tag == 0x8825 || tag == 0xA005; }

// Walks an IFD and the sub-IFDs it links, checking every out-of-line value
// lies inside the block; `end` grows to the last byte any of them uses.
struct Walk {
    const TiffView& t;
    size_t end = 8;
    std::vector<uint32_t> seen;
};

bool WalkIfd(Walk& w, uint32_t offset, int depth) {
    const TiffView& t = w.t;
    if (depth > 4 || w.seen.size() >= 16 || offset < 8) return false;
    for (uint32_t s : w.seen)
        if (s == offset) return false;  // a loop
    w.seen.push_back(offset);
    if (!t.has(offset, 2)) return false;
    const size_t count = t.u16(offset);
    const size_t tableEnd = size_t(offset) + 2 + count * 12 + 4;
    if (!t.has(offset, tableEnd - offset)) return false;
    if (tableEnd > w.end) w.end = tableEnd;
    for (size_t i = 0; i < count; ++i) {
        const size_t e = size_t(offset) + 2 + i * 12;
        const uint16_t tag = t.u16(e), type = t.u16(e + 2);
        const uint32_t n = t.u32(e + 4);
        const size_t unit = TypeSize(type);
        if (unit == 0) continue;  // unknown type: its value is left as it stands
        if (n > t.size / unit) return false;  // more values than the block has bytes
        const size_t bytes = n * unit;
        if (bytes > 4) {
            const uint32_t at = t.u32(e + 8);
            if (!t.has(at, bytes)) return false;
            if (at + bytes > w.end) w.end = at + bytes;
        }
        if (IsSubIfdTag(tag) && n == 1 && (type == 4 || type == 13) && !WalkIfd(w, t.u32(e + 8), depth + 1))
            return false;
    }
    return true;
}

void PutU16(std::vector<uint8_t>& b, size_t at, uint16_t v, bool little) {
    b[at] = uint8_t(little ? v : v >> 8);
    b[at + 1] = uint8_t(little ? v >> 8 : v);
}

}  // namespace

std::vector<uint8_t> ExifForSaving(const uint8_t* data, size_t size, bool resetOrientation) {
    TiffView t;
    uint32_t ifd0 = 0;
    if (!OpenTiff(data, size, t, ifd0)) return {};
    Walk w{t, 8, {}};
    if (!WalkIfd(w, ifd0, 0)) return {};
    std::vector<uint8_t> out(data, data + kIdLength + w.end);
    const size_t count = t.u16(ifd0);
    const size_t link = kIdLength + ifd0 + 2 + count * 12;
    std::memset(&out[link], 0, 4);  // no second IFD: the thumbnail goes
    if (resetOrientation) {
        for (size_t i = 0; i < count; ++i) {
            const size_t e = size_t(ifd0) + 2 + i * 12;
            if (t.u16(e) == kOrientationTag && t.u16(e + 2) == kTypeShort && t.u32(e + 4) == 1)
                PutU16(out, kIdLength + e + 8, 1, t.little);
        }
    }
    return out;
}

bool IsExifBlock(const uint8_t* data, size_t size) {
    return data && size >= kIdLength && std::memcmp(data, "Exif\0\0", kIdLength) == 0;
}


int ExifOrientation(const uint8_t* data, size_t size) {
    TiffView t;
    uint32_t ifd = 0;
    if (!OpenTiff(data, size, t, ifd)) return 0;
    Walk w{t, 8, {}};
    if (!WalkIfd(w, ifd, 0)) return 0;  // a block that lies anywhere is not believed
    const uint16_t count = t.u16(ifd);
    for (uint16_t i = 0; i < count; ++i) {
        const size_t e = size_t(ifd) + 2 + size_t(i) * 12;
        if (t.u16(e) != kOrientationTag) continue;
        if (t.u16(e + 2) != kTypeShort || t.u32(e + 4) != 1) return 0;
        const uint16_t v = t.u16(e + 8);  // a single short sits at the start of the value field
        return v >= 1 && v <= 8 ? v : 0;
    }
    return 0;
}

}  // namespace lg
