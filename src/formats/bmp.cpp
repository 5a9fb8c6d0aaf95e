#include "formats/bmp.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/messages.h"
#include "platform/outfile.h"

namespace lg {
namespace {

struct BmpHeader {
    int64_t width = 0;
    int64_t height = 0;     // negative: rows stored top-down
    int bitCount = 0;
    bool windows = true;    // false: OS/2 1.x core header
    uint32_t headerSize = 0;
    uint32_t compression = 0;
    uint32_t colorsUsed = 0;
    uint32_t dataOffset = 0;
    uint32_t masks[3] = {0, 0, 0};  // red, green, blue, when the header holds them
    bool masksInHeader = false;
};

bool ReadHeader(ByteSource& in, BmpHeader& h) {
    in.seek(10);
    h.dataOffset = in.le32();
    h.headerSize = in.le32();
    if (h.headerSize == 12) {
        h.windows = false;
        h.width = in.le16();
        h.height = in.le16();
        in.le16();
        h.bitCount = in.le16();
        return !in.failed();
    }
    if (h.headerSize < 16) return false;
    h.width = int32_t(in.le32());
    h.height = int32_t(in.le32());
    in.le16();
    h.bitCount = in.le16();
    uint32_t fields[6] = {0, 0, 0, 0, 0, 0};  // compression .. colours important
    for (int i = 0; i < 6 && h.headerSize > 16 + 4u * i; ++i) fields[i] = in.le32();
    h.compression = fields[0];
    h.colorsUsed = fields[4];
    // Version 2 and later headers carry the bit-field masks themselves.
    if (h.headerSize >= 52) {
        for (uint32_t& m : h.masks) m = in.le32();
        h.masksInHeader = true;
    }
    return !in.failed();
}

// Shift that brings a mask's highest set bit to bit 31.
int TopShift(uint32_t mask) {
    int s = 0;
    while (mask && !(mask & 0x80000000u)) {
        mask <<= 1;
        ++s;
    }
    return s;
}

// Bit-field pixels (16 or 32 bits) to 24-bit rows, channel by channel.
void DecodeBitFields(ByteSource& in, const BmpHeader& h, Image& img, bool topDown) {
    uint32_t masks[3];
    if (h.masksInHeader) {
        std::copy(h.masks, h.masks + 3, masks);
    } else {  // right behind a 40-byte header
        in.seek(14 + uint64_t(h.headerSize));
        for (uint32_t& m : masks) m = in.le32();
    }
    int shifts[3];
    for (int c = 0; c < 3; ++c) shifts[c] = TopShift(masks[c]);
    const int w = int(h.width), rows = img.height();
    const size_t fileStride = size_t(RowStride(w, h.bitCount));
    std::vector<uint8_t> line(fileStride);
    in.seek(h.dataOffset);
    for (int y = 0; y < rows; ++y) {
        size_t got = in.read(line.data(), fileStride);
        std::fill(line.begin() + got, line.end(), 0);
        uint8_t* d = img.row(topDown ? rows - 1 - y : y);
        const uint8_t* s = line.data();
        for (int x = 0; x < w; ++x, d += 3) {
            uint32_t v;
            if (h.bitCount == 16) { v = GetLE16(s); s += 2; }
            else { v = GetLE32(s); s += 4; }
            // blue, green, red from the blue, green and red masks
            for (int c = 0; c < 3; ++c)
                d[c] = masks[2 - c] ? uint8_t(((v & masks[2 - c]) << shifts[2 - c]) >> 24) : 0;
        }
        if (got < fileStride) break;
    }
}

// RLE8: positions are bytes in the pixel area, rows one stride apart.
void DecodeRle8(ByteSource& in, Image& img) {
    uint8_t* area = img.pixels();
    const size_t stride = img.stride(), total = img.pixelBytes();
    size_t rowStart = 0, pos = 0;
    for (;;) {
        int count = in.byte(), value = in.byte();
        if (count < 0 || value < 0) return;
        if (count > 0) {
            if (pos >= total) return;
            size_t n = std::min<size_t>(size_t(count), total - pos);
            std::memset(area + pos, value, n);
            pos += n;
        } else if (value == 0) {
            rowStart += stride;
            pos = rowStart;
        } else if (value == 1) {
            return;
        } else if (value == 2) {
            int dx = in.byte(), dy = in.byte();
            if (dx < 0 || dy < 0) return;
            pos += size_t(dx) + size_t(dy) * stride;
            rowStart += size_t(dy) * stride;
        } else {
            if (pos >= total) return;
            size_t n = std::min<size_t>(size_t(value), total - pos);
            size_t got = in.read(area + pos, n);
            if (got < n) return;
            pos += n;
            if (size_t(value) > n) in.skip(size_t(value) - n);
            if (value & 1) in.byte();
        }
        if (rowStart >= total && pos >= total) return;
    }
}

// RLE4: positions are pixels; two per byte, the left one in the high nibble.
void DecodeRle4(ByteSource& in, Image& img) {
    uint8_t* area = img.pixels();
    const size_t rowPixels = img.stride() * 2, totalPixels = img.pixelBytes() * 2;
    size_t rowStart = 0, pos = 0;
    auto put = [&](int nibble) {
        uint8_t& b = area[pos >> 1];
        b = (pos & 1) ? uint8_t((b & 0xF0) | nibble) : uint8_t((b & 0x0F) | (nibble << 4));
        ++pos;
    };
    for (;;) {
        int count = in.byte(), value = in.byte();
        if (count < 0 || value < 0) return;
        if (count > 0) {
            if (pos >= totalPixels) return;
            size_t n = std::min<size_t>(size_t(count), totalPixels - pos);
            for (size_t i = 0; i < n; ++i) put(i & 1 ? value & 15 : value >> 4);
        } else if (value == 0) {
            rowStart += rowPixels;
            pos = rowStart;
        } else if (value == 1) {
            return;
        } else if (value == 2) {
            int dx = in.byte(), dy = in.byte();
            if (dx < 0 || dy < 0) return;
            pos += size_t(dx) + size_t(dy) * rowPixels;
            rowStart += size_t(dy) * rowPixels;
        } else {
            int bytes = (value + 1) / 2;
            uint8_t run[128];
            if (in.read(run, size_t(bytes)) < size_t(bytes)) return;
            for (int i = 0; i < value && pos < totalPixels; ++i)
                put(i & 1 ? run[i >> 1] & 15 : run[i >> 1] >> 4);
            if (bytes & 1) in.byte();
            if (pos >= totalPixels) return;
        }
        if (rowStart >= totalPixels && pos >= totalPixels) return;
    }
}

void FlipRows(Image& img) {
    const size_t stride = img.stride();
    std::vector<uint8_t> tmp(stride);
    for (int a = 0, b = img.height() - 1; a < b; ++a, --b) {
        std::memcpy(tmp.data(), img.row(a), stride);
        std::memcpy(img.row(a), img.row(b), stride);
        std::memcpy(img.row(b), tmp.data(), stride);
    }
}

}  // namespace

Image ReadBmpFrom(ByteSource& in, Status& st) {
    st.error = Msg(MsgId::BmpNotValid);
    if (in.le16() != 19778) {
        st.error = Msg(MsgId::BmpBadHeader);
        return Image();
    }
    BmpHeader h;
    if (!ReadHeader(in, h)) {
        st.error = Msg(MsgId::BmpBadHeader);
        return Image();
    }
    const bool bitFields = h.compression == 3 && h.windows;
    if (h.windows && (h.compression > 3 || (bitFields && h.bitCount != 16 && h.bitCount != 32) ||
                      (h.compression == 1 && h.bitCount != 8) ||
                      (h.compression == 2 && h.bitCount != 4))) {
        st.error = Msg(MsgId::UnsupportedCompression);
        return Image();
    }
    switch (h.bitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: return Image();  // not a valid BMP file
    }
    const bool topDown = h.height < 0;
    const int depth = bitFields ? 24 : h.bitCount;
    const uint32_t tableLen = depth < 9 ? 1u << depth : 0;
    const uint64_t fileStride = (uint64_t(std::max<int64_t>(h.width, 0)) * uint64_t(h.bitCount) + 31) / 32 * 4;
    const uint64_t expansion = !h.windows || h.compression == 0 || bitFields ? kExpandRaw
                               : h.compression == 1                        ? kExpandBmpRle8
                                                                           : kExpandBmpRle4;
    if (!ClaimFits(in, h.width, std::llabs(h.height), depth, tableLen, fileStride, expansion, st)) return Image();
    Image img = Image::Create(h.width, std::llabs(h.height), depth, tableLen);
    if (!img) {
        st.error = Msg(MsgId::CantAllocate);
        return img;
    }
    if (in.atEnd()) return Image();

    if (tableLen) {
        if (h.windows) {
            uint32_t n = h.colorsUsed ? h.colorsUsed : tableLen;
            in.seek(14 + uint64_t(h.headerSize));
            for (uint32_t i = 0; i < std::min(n, tableLen); ++i) {
                uint8_t e[4];
                in.readExact(e, 4);
                std::memcpy(img.palette() + 4 * i, e, 3);
            }
        } else {
            in.seek(26);
            for (uint32_t i = 0; i < tableLen; ++i) in.readExact(img.palette() + 4 * i, 3);
        }
        if (in.atEnd()) return Image();
    }
    if (h.dataOffset >= in.size()) return Image();  // no pixel data at all

    in.seek(h.dataOffset);
    if (!h.windows || h.compression == 0) {
        in.read(img.pixels(), img.pixelBytes());  // a short file leaves zeros
    } else if (h.compression == 1) {
        DecodeRle8(in, img);
    } else if (h.compression == 2) {
        DecodeRle4(in, img);
    } else {
        DecodeBitFields(in, h, img, topDown);
    }
    if (topDown && !bitFields) FlipRows(img);

    if (!h.windows) st.info = "None - OS/2 BMP";
    else if (h.compression == 1) st.info = "Run Length Encoding, RLE8";
    else if (h.compression == 2) st.info = "Run Length Encoding, RLE4";
    else st.info = "None";
    st.error.clear();
    return img;
}

Image ReadBmp(const std::string& path, Status& st) {
    ByteSource in = ByteSource::OpenFile(path);
    if (!in.ok()) {
        st.error = Format(Msg(MsgId::CantOpenNamed), path.c_str());
        return Image();
    }
    return ReadBmpFrom(in, st);
}

namespace {

// The 14 bytes before the picture's own header.
void PutFileHeader(uint8_t* fh, uint32_t fileSize, uint32_t offset) {
    std::memset(fh, 0, 14);
    fh[0] = 'B';
    fh[1] = 'M';
    PutLE32(fh + 2, fileSize);
    PutLE32(fh + 10, offset);
}

}  // namespace

bool WriteBmp(const std::string& path, const Image& img, Status& st) {
    OutputFile out;
    if (!img || !out.open(path)) {
        st.error = Format(Msg(MsgId::CantCreateNamed), path.c_str());
        return false;
    }
    const uint32_t offset = 14 + kDibHeaderSize + 4 * img.colorsUsed();
    const uint32_t fileSize = offset + uint32_t(img.pixelBytes());
    uint8_t fh[14];
    PutFileHeader(fh, fileSize, offset);
    if (!out.write(fh, sizeof fh)) {
        st.error = Msg(MsgId::CantWriteHeader);
        return false;
    }
    if (!out.write(img.data(), fileSize - 14) || !out.commit()) {
        st.error = Msg(MsgId::CantWriteFile);
        return false;
    }
    return true;
}

bool BmpBandWriter::open(const std::string& path, int width, int height, int bitCount, const uint8_t* palette,
                         uint32_t colors, int xResolution, int yResolution, Status& st) {
    const uint32_t table = colors ? colors : DefaultColorsFor(bitCount);
    if (DibBlockSize(width, height, bitCount, colors) < 0) {
        st.error = Msg(MsgId::CantAllocate);
        return false;
    }
    if (!out_.open(path)) {
        st.error = Format(Msg(MsgId::CantCreateNamed), path.c_str());
        return false;
    }
    stride_ = size_t(RowStride(width, bitCount));
    height_ = height;
    const uint32_t offset = 14 + kDibHeaderSize + 4 * table;
    dataOffset_ = offset;
    const uint32_t fileSize = offset + uint32_t(stride_ * size_t(height));
    uint8_t fh[14];
    PutFileHeader(fh, fileSize, offset);
    if (!out_.write(fh, sizeof fh)) {
        st.error = Msg(MsgId::CantWriteHeader);
        return false;
    }
    uint8_t h[kDibHeaderSize];
    PutDibHeader(h, width, height, bitCount, table);
    PutLE32(h + 24, uint32_t(xResolution));
    PutLE32(h + 28, uint32_t(yResolution));
    if (!out_.write(h, sizeof h) || !out_.write(palette, offset - 14 - kDibHeaderSize)) {
        st.error = Msg(MsgId::CantWriteFile);
        return false;
    }
    return true;
}

bool BmpBandWriter::writeBand(int top, int count, const uint8_t* rows) {
    const uint64_t firstStored = uint64_t(height_ - top - count);
    return out_.writeAt(dataOffset_ + firstStored * stride_, rows, stride_ * size_t(count));
}

bool BmpBandWriter::commit(Status& st) {
    if (!out_.commit()) {
        st.error = Msg(MsgId::CantWriteFile);
        return false;
    }
    return true;
}

bool SaveBmp(const std::string& path, const Image& img, const SaveOptions&, Status& st) {
    return WriteBmp(path, img, st);
}

}  // namespace lg
