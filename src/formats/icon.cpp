#include "formats/icon.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "core/messages.h"
#include "formats/bmp.h"
#include "formats/png.h"
#include "platform/outfile.h"

namespace lg {
namespace {

size_t MaskStride(int width) { return (size_t(width) + 31) / 32 * 4; }

bool IsPng(const std::vector<uint8_t>& b) {
    static const uint8_t kSig[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return b.size() >= 8 && std::memcmp(b.data(), kSig, 8) == 0;
}

uint32_t BigEndian32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

// Entries of the colour table stored in the resource.
uint32_t StoredColors(uint32_t colorsUsed, int bitCount) {
    if (bitCount > 8) return colorsUsed;
    return colorsUsed ? std::min<uint32_t>(colorsUsed, 1u << bitCount) : 1u << bitCount;
}

// Finds header, colour rows and mask rows inside the resource; false when
// the bitmap does not fit in it.
bool Locate(IconImage& icon) {
    const std::vector<uint8_t>& b = icon.bytes;
    if (IsPng(b)) {
        if (b.size() < 33) return false;
        icon.png = true;
        icon.width = int(std::min<uint32_t>(BigEndian32(b.data() + 16), kMaxDimension));
        icon.height = int(std::min<uint32_t>(BigEndian32(b.data() + 20), kMaxDimension));
        icon.bitCount = 32;
        return true;
    }
    if (b.size() < kDibHeaderSize) return false;
    const uint32_t headerSize = GetLE32(b.data());
    const int32_t width = int32_t(GetLE32(b.data() + 4));
    const int32_t stored = int32_t(GetLE32(b.data() + 8));
    const int bits = GetLE16(b.data() + 14);
    const uint32_t compression = GetLE32(b.data() + 16);
    if (headerSize < kDibHeaderSize || width <= 0 || width > kMaxDimension || stored < 2 ||
        stored > 2 * kMaxDimension)
        return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    if (compression != 0 && !(compression == 3 && (bits == 16 || bits == 32))) return false;
    icon.width = width;
    icon.height = stored / 2;
    icon.bitCount = bits;
    uint64_t table = uint64_t(StoredColors(GetLE32(b.data() + 32), bits)) * 4;
    if (compression == 3) table += 12;
    icon.headerPos = 0;
    icon.colorPos = size_t(std::min<uint64_t>(uint64_t(headerSize) + table, b.size()));
    const uint64_t colorBytes = uint64_t(RowStride(width, bits)) * uint64_t(icon.height);
    if (uint64_t(headerSize) + table + colorBytes > b.size()) return false;
    icon.maskPos = size_t(icon.colorPos + colorBytes);
    return true;
}

// Paints the pixels under set mask bits white, in place; false when the
// mask sets none.
bool PaintMask(uint8_t* colour, size_t colourStride, const uint8_t* mask, size_t maskBytes, int width,
               int height, int bits) {
    const size_t maskStride = MaskStride(width);
    bool any = false;
    for (int y = 0; y < height; ++y) {
        if ((size_t(y) + 1) * maskStride > maskBytes) break;  // a mask cut short leaves the rest opaque
        const uint8_t* m = mask + size_t(y) * maskStride;
        uint8_t* row = colour + size_t(y) * colourStride;
        for (int x = 0; x < width; ++x) {
            if (!(m[x >> 3] & (0x80 >> (x & 7)))) continue;
            any = true;
            switch (bits) {
            case 1: row[x >> 3] |= uint8_t(0x80 >> (x & 7)); break;
            case 4: row[x >> 1] |= uint8_t((x & 1) ? 0x0F : 0xF0); break;
            case 8: row[x] = 255; break;
            default: std::memset(row + size_t(x) * size_t(bits / 8), 255, size_t(bits / 8)); break;
            }
        }
    }
    return any;
}

bool ReadImages(ByteSource& in, uint64_t base, IconSet& set, Status& st) {
    uint8_t head[6];
    if (!in.readExact(head, 6) || GetLE16(head) != 0 || (GetLE16(head + 2) != 1 && GetLE16(head + 2) != 2)) {
        st.error = Msg(MsgId::IconBadHeader);
        return false;
    }
    const unsigned count = GetLE16(head + 4);
    std::vector<uint8_t> dir(size_t(count) * 16);
    if (!in.readExact(dir.data(), dir.size())) {
        st.error = Msg(MsgId::ErrorReadingFile);
        return false;
    }
    set.images.clear();
    set.selected = 0;
    uint64_t total = 0;
    for (unsigned i = 0; i < count; ++i) {
        const uint32_t size = GetLE32(dir.data() + 16 * i + 8);
        const uint64_t offset = base + GetLE32(dir.data() + 16 * i + 12);
        // A resource cannot be larger than the file that holds it, nor all of
        // them together (a directory naming the same bytes over and over
        // would otherwise cost memory without end).
        total += size;
        if (offset > in.size() || size > in.size() - offset || total > in.size()) {
            st.error = offset > in.size() ? Msg(MsgId::IconSeekFailed) : Msg(MsgId::ErrorReadingFile);
            set.images.clear();
            return false;
        }
        IconImage icon;
        icon.bytes.resize(size);
        if (!in.seek(offset)) {
            st.error = Msg(MsgId::IconSeekFailed);
            set.images.clear();
            return false;
        }
        if (!in.readExact(icon.bytes.data(), size)) {
            st.error = Msg(MsgId::ErrorReadingFile);
            set.images.clear();
            return false;
        }
        if (!Locate(icon)) {
            st.error = Msg(MsgId::IconUnsupported);
            set.images.clear();
            return false;
        }
        set.images.push_back(std::move(icon));
    }
    if (set.images.empty()) {
        st.error = Msg(MsgId::ErrorReadingFile);
        return false;
    }
    return true;
}

}  // namespace

bool ReadIconSet(ByteSource& in, IconSet& set, Status& st) { return ReadImages(in, in.tell(), set, st); }

Image IconToPicture(const IconImage& icon, Status& st, const ReadLimits& limits) {
    if (icon.png) {
        ByteSource in = ByteSource::FromMemory(icon.bytes.data(), icon.bytes.size());
        in.setLimits(limits);
        return ReadPngFrom(in, st);
    }
    // The copy below is no larger than the image's bytes in the file; the
    // caller's limits are met before it is made.
    if (!ClaimFitsIn(limits, UINT64_MAX, icon.width, icon.height, icon.bitCount, 0, 0, kExpandRaw, st)) return Image();
    // The colour bitmap as a BMP file in memory, with a full colour table so
    // that the entry painted white exists whatever the icon stored.
    const uint8_t* h = icon.bytes.data() + icon.headerPos;
    const int bits = icon.bitCount;
    const uint32_t compression = GetLE32(h + 16);
    const size_t tableIn = icon.colorPos - icon.headerPos - GetLE32(h);
    const size_t tableOut = bits <= 8 ? (size_t(4) << bits) : tableIn;
    const size_t colourStride = size_t(RowStride(icon.width, bits));
    const size_t colourBytes = colourStride * size_t(icon.height);
    const size_t offset = 14 + kDibHeaderSize + tableOut;
    std::vector<uint8_t> bmp;
    try {
        bmp.assign(offset + colourBytes, 0);
    } catch (const std::bad_alloc&) {
        st.error = Msg(MsgId::IconNoMemory);
        return Image();
    }
    bmp[0] = 'B';
    bmp[1] = 'M';
    PutLE32(bmp.data() + 2, uint32_t(bmp.size()));
    PutLE32(bmp.data() + 10, uint32_t(offset));
    uint8_t* info = bmp.data() + 14;
    std::memcpy(info, h, kDibHeaderSize);
    PutLE32(info, kDibHeaderSize);
    PutLE32(info + 8, uint32_t(icon.height));
    PutLE32(info + 20, 0);
    PutLE32(info + 32, bits <= 8 ? 0 : GetLE32(h + 32));
    if (compression == 3 && tableIn < 12) return Image();
    std::memcpy(info + kDibHeaderSize, h + GetLE32(h), std::min(tableIn, tableOut));
    uint8_t* colour = bmp.data() + offset;
    std::memcpy(colour, icon.bytes.data() + icon.colorPos, colourBytes);
    const bool painted = PaintMask(colour, colourStride, icon.bytes.data() + icon.maskPos,
                                   icon.bytes.size() - icon.maskPos, icon.width, icon.height, bits);
    if (painted && (bits == 4 || bits == 8)) std::memset(info + kDibHeaderSize + tableOut - 4, 255, 3);
    ByteSource in = ByteSource::FromMemory(bmp.data(), bmp.size());
    in.setLimits(limits);
    return ReadBmpFrom(in, st);
}

std::string IconChoiceText(const IconImage& icon) {
    if (icon.bitCount < 16)
        return Format("%d x %d  -  %d colors", icon.width, icon.height, 1 << icon.bitCount);
    return Format("%d x %d  -  True color", icon.width, icon.height);
}

Image LoadIcon(ByteSource& in, const std::string&, const ReadOptions& opt, Status& st, PictureFacts&) {
    st.error = Msg(MsgId::IconNotValid);
    IconSet set;
    if (!ReadIconSet(in, set, st)) return Image();
    if (opt.chooseIcon && !opt.quiet && set.images.size() > 1) {
        const int chosen = opt.chooseIcon(set);
        if (chosen >= 0 && size_t(chosen) < set.images.size()) set.selected = chosen;
    }
    return IconToPicture(set.images[size_t(set.selected)], st, in.limits());
}

std::vector<uint8_t> BuildIconFile(const Image& img) {
    if (!img) return {};
    const int width = img.width(), height = img.height(), bits = img.bitCount();
    const size_t table = img.paletteBytes();
    const size_t maskStride = MaskStride(width);
    const uint64_t resource = kDibHeaderSize + table + uint64_t(img.pixelBytes()) + uint64_t(maskStride) * height;
    if (height > 0x3FFFFFFF || resource > 0x7FFFFFFF) return {};
    std::vector<uint8_t> out(size_t(22 + resource), 0);
    uint8_t* p = out.data();
    PutLE16(p + 2, 1);
    PutLE16(p + 4, 1);
    uint8_t* entry = p + 6;
    entry[0] = uint8_t(width);
    entry[1] = uint8_t(height);
    const int planes = GetLE16(img.header() + 12);
    const int product = planes * bits;
    entry[2] = product < 8 ? uint8_t(1 << product) : 0;
    PutLE16(entry + 4, uint16_t(planes));
    PutLE16(entry + 6, uint16_t(bits));
    PutLE32(entry + 8, uint32_t(resource));
    PutLE32(entry + 12, 22);
    uint8_t* res = p + 22;
    std::memcpy(res, img.header(), kDibHeaderSize + table);
    PutLE32(res + 8, uint32_t(2 * height));
    PutLE32(res + 20, 0);
    uint8_t* colour = res + kDibHeaderSize + table;
    uint8_t* mask = colour + img.pixelBytes();
    if (bits == 1) {
        // A 1-bit picture is all mask: index 1 shows the screen through.
        for (int y = 0; y < height; ++y) std::memcpy(mask + size_t(y) * maskStride, img.row(y), img.stride());
    } else {
        std::memcpy(colour, img.pixels(), img.pixelBytes());
    }
    return out;
}

bool WriteIcon(const std::string& path, const Image& img) {
    const std::vector<uint8_t> bytes = BuildIconFile(img);
    OutputFile out;
    if (bytes.empty() || !out.open(path)) return false;
    return out.write(bytes.data(), bytes.size()) && out.commit();
}

bool SaveIcon(const std::string& path, const Image& img, const SaveOptions&, Status&) {
    return WriteIcon(path, img);
}

}  // namespace lg
