// The one in-memory picture: a packed device-independent bitmap in one
// zero-filled block (40-byte header, colour table, bottom-up rows padded to
// 32 bits). GDI can draw the block as it stands.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "core/limits.h"

namespace lg {

constexpr uint32_t kDibHeaderSize = 40;

// Little-endian field access on raw bytes.
inline uint16_t GetLE16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t GetLE32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline void PutLE16(uint8_t* p, uint16_t v) { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); }
inline void PutLE32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); p[2] = uint8_t(v >> 16); p[3] = uint8_t(v >> 24);
}

// Bytes per row for a depth, rounded up to whole 32-bit words; -1 on overflow.
int64_t RowStride(int64_t width, int64_t bitCount);

// Size of the whole block, or -1 when it would break a limit.
int64_t DibBlockSize(int64_t width, int64_t height, int64_t bitCount, int64_t colorsUsed);

// Writes the 40-byte header every picture of this size starts with (no
// resolution) into `h`, as the file header of a BMP written without the
// picture in memory needs it.
void PutDibHeader(uint8_t* h, int64_t width, int64_t height, int bitCount, uint32_t colorsUsed);

// Table length that belongs to a depth: 2, 16, 256, or 0.
uint32_t DefaultColorsFor(int bitCount);

class Image {
public:
    Image() = default;
    Image(Image&&) noexcept = default;
    Image& operator=(Image&&) noexcept = default;
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    // A zero-filled picture with its header written; empty on a bad size or
    // no memory (`why` then says which).
    static Image Create(int64_t width, int64_t height, int bitCount, uint32_t colorsUsed,
                        std::string* why = nullptr);
    // The same, but only the header, the colour table and the padding at
    // the end of each row are zeroed: for a reader that writes every pixel
    // of every row itself (a 24-megapixel picture is 72 MB to clear).
    // With `reuse`, the block of that picture is taken over when it has
    // the very size needed (a fresh block costs a page fault per 4 KB at
    // its first write); otherwise it is freed before the new one is made.
    // Either way `reuse` is left empty.
    static Image CreateForRows(int64_t width, int64_t height, int bitCount, uint32_t colorsUsed,
                               std::string* why = nullptr, Image* reuse = nullptr);
    // Takes over a block that already holds a packed DIB (clipboard data, tests).
    static Image FromBlock(std::unique_ptr<uint8_t[]> block, size_t size);

    explicit operator bool() const { return data_ != nullptr; }
    bool empty() const { return data_ == nullptr; }

    int width() const { return int32_t(GetLE32(data_.get() + 4)); }
    int height() const { return int32_t(GetLE32(data_.get() + 8)); }
    int bitCount() const { return GetLE16(data_.get() + 14); }
    int xResolution() const { return int32_t(GetLE32(data_.get() + 24)); }
    int yResolution() const { return int32_t(GetLE32(data_.get() + 28)); }
    uint32_t colorsUsedField() const { return GetLE32(data_.get() + 32); }
    // The colours-used rule: the field, else the depth's table length.
    uint32_t colorsUsed() const;
    size_t paletteBytes() const { return size_t(colorsUsed()) * 4; }

    void setResolution(int x, int y) {
        PutLE32(data_.get() + 24, uint32_t(x));
        PutLE32(data_.get() + 28, uint32_t(y));
    }
    void setImageSizeField(uint32_t v) { PutLE32(data_.get() + 20, v); }

    uint8_t* header() { return data_.get(); }
    const uint8_t* header() const { return data_.get(); }
    uint8_t* palette() { return data_.get() + kDibHeaderSize; }
    const uint8_t* palette() const { return data_.get() + kDibHeaderSize; }
    uint8_t* pixels() { return data_.get() + kDibHeaderSize + paletteBytes(); }
    const uint8_t* pixels() const { return data_.get() + kDibHeaderSize + paletteBytes(); }
    size_t stride() const { return size_t(RowStride(width(), bitCount())); }
    // Stored row y; row 0 is the bottom row of the picture.
    uint8_t* row(int y) { return pixels() + size_t(y) * stride(); }
    const uint8_t* row(int y) const { return pixels() + size_t(y) * stride(); }
    // Row y counted from the top of the picture.
    uint8_t* topRow(int y) { return row(height() - 1 - y); }
    const uint8_t* topRow(int y) const { return row(height() - 1 - y); }
    size_t pixelBytes() const { return stride() * size_t(height()); }

    void setPaletteEntry(int i, uint8_t r, uint8_t g, uint8_t b) {
        uint8_t* e = palette() + 4 * i;
        e[0] = b; e[1] = g; e[2] = r; e[3] = 0;
    }

    // The whole block as GDI and the BMP writer see it.
    const uint8_t* data() const { return data_.get(); }
    size_t size() const { return size_; }

    // Byte-for-byte copy sized from the header (undo copy, clipboard).
    Image Duplicate() const;

private:
    static Image Make(int64_t width, int64_t height, int bitCount, uint32_t colorsUsed, bool clearRows,
                      std::string* why, Image* reuse = nullptr);
    std::unique_ptr<uint8_t[]> data_;
    size_t size_ = 0;
};

// Colours used of a DIB header that may also be a 12-byte core header.
uint32_t ColorsUsedAnyHeader(const uint8_t* header, size_t available);

// Writes the 256-entry grey ramp into a colour table.
void FillGreyRamp(uint8_t* table);

}  // namespace lg
