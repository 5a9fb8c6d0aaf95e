#include "core/image.h"

#include <cstring>
#include <new>

#include "platform/platform.h"

namespace lg {

int64_t RowStride(int64_t width, int64_t bitCount) {
    if (width < 0 || bitCount <= 0 || width > kMaxDimension || bitCount > 64) return -1;
    return ((width * bitCount + 31) / 32) * 4;
}

int64_t DibBlockSize(int64_t width, int64_t height, int64_t bitCount, int64_t colorsUsed) {
    if (width <= 0 || height <= 0 || width > kMaxDimension || height > kMaxDimension) return -1;
    if (colorsUsed < 0 || colorsUsed > 65536) return -1;
    int64_t stride = RowStride(width, bitCount);
    if (stride < 0) return -1;
    int64_t total = kDibHeaderSize + 4 * colorsUsed + stride * height;  // < 2^18 * 2^11 * 2^18
    if (total > kMaxImageBytes || uint64_t(total) > SIZE_MAX) return -1;
    return total;
}

void PutDibHeader(uint8_t* h, int64_t width, int64_t height, int bitCount, uint32_t colorsUsed) {
    std::memset(h, 0, kDibHeaderSize);
    PutLE32(h + 0, kDibHeaderSize);
    PutLE32(h + 4, uint32_t(width));
    PutLE32(h + 8, uint32_t(height));
    PutLE16(h + 12, 1);
    PutLE16(h + 14, uint16_t(bitCount));
    PutLE32(h + 32, colorsUsed);
}

uint32_t DefaultColorsFor(int bitCount) {
    switch (bitCount) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
    }
}

Image Image::Create(int64_t width, int64_t height, int bitCount, uint32_t colorsUsed,
                    std::string* why) {
    return Make(width, height, bitCount, colorsUsed, true, why);
}

Image Image::CreateForRows(int64_t width, int64_t height, int bitCount, uint32_t colorsUsed,
                           std::string* why, Image* reuse) {
    return Make(width, height, bitCount, colorsUsed, false, why, reuse);
}

Image Image::Make(int64_t width, int64_t height, int bitCount, uint32_t colorsUsed, bool clearRows,
                  std::string* why, Image* reuse) {
    if (colorsUsed == 0) colorsUsed = DefaultColorsFor(bitCount);
    int64_t total = DibBlockSize(width, height, bitCount, colorsUsed);
    Image img;
    if (total < 0) {
        if (why) *why = "picture too large";
        return img;
    }
    if (reuse) {
        if (reuse->size_ == size_t(total)) img.data_ = std::move(reuse->data_);
        *reuse = Image();
    }
    if (!img.data_) img.data_.reset(new (std::nothrow) uint8_t[size_t(total)]);  // cleared below when asked
    if (!img.data_) {
        if (why) *why = "out of memory";
        return img;
    }
    img.size_ = size_t(total);
    uint8_t* h = img.data_.get();
    platform::AdviseLargeBlock(h, img.size_);
    if (clearRows) std::memset(h, 0, img.size_);
    if (!clearRows) {
        const size_t table = kDibHeaderSize + 4 * size_t(colorsUsed);
        std::memset(h, 0, table);
        const size_t stride = size_t(RowStride(width, bitCount));
        const size_t used = (size_t(width) * size_t(bitCount) + 7) / 8;
        if (used < stride)
            for (int64_t y = 0; y < height; ++y) std::memset(h + table + size_t(y) * stride + used, 0, stride - used);
    }
    PutDibHeader(h, width, height, bitCount, colorsUsed);
    return img;
}

Image Image::FromBlock(std::unique_ptr<uint8_t[]> block, size_t size) {
    Image img;
    if (!block || size < kDibHeaderSize) return img;
    const uint8_t* h = block.get();
    int64_t w = int32_t(GetLE32(h + 4)), ht = int32_t(GetLE32(h + 8));
    int bits = GetLE16(h + 14);
    uint32_t colors = GetLE32(h + 32) ? GetLE32(h + 32) : DefaultColorsFor(bits);
    int64_t need = DibBlockSize(w, ht, bits, colors);
    if (GetLE32(h) != kDibHeaderSize || need < 0 || uint64_t(need) > size) return img;
    img.data_ = std::move(block);
    img.size_ = size;
    return img;
}

uint32_t Image::colorsUsed() const {
    uint32_t field = colorsUsedField();
    return field ? field : DefaultColorsFor(bitCount());
}

Image Image::Duplicate() const {
    Image copy;
    if (empty()) return copy;
    // Sized from the header by the colours-used rule, as pixels() finds the rows.
    int64_t total = DibBlockSize(width(), height(), bitCount(), colorsUsed());
    if (total < 0 || size_t(total) > size_) return copy;
    copy.data_.reset(new (std::nothrow) uint8_t[size_t(total)]);
    if (!copy.data_) return copy;
    std::memcpy(copy.data_.get(), data_.get(), size_t(total));
    copy.size_ = size_t(total);
    return copy;
}

uint32_t ColorsUsedAnyHeader(const uint8_t* header, size_t available) {
    if (available < 12) return 0;
    if (GetLE32(header) == kDibHeaderSize) {
        if (available < kDibHeaderSize) return 0;
        uint32_t field = GetLE32(header + 32);
        return field ? field : DefaultColorsFor(GetLE16(header + 14));
    }
    return DefaultColorsFor(GetLE16(header + 10));
}

void FillGreyRamp(uint8_t* table) {
    for (int i = 0; i < 256; ++i) {
        table[4 * i] = table[4 * i + 1] = table[4 * i + 2] = uint8_t(i);
        table[4 * i + 3] = 0;
    }
}

}  // namespace lg
