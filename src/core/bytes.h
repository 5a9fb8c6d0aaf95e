// Bounds-checked input for every decoder: a file read through a 16 KB window,
// or a block of memory. A read past the end yields zeros (or -1 from byte())
// and sets a failure flag that stays set.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "core/limits.h"

namespace lg {

class ByteSource {
public:
    ByteSource() = default;
    ByteSource(const ByteSource&) = delete;
    ByteSource& operator=(const ByteSource&) = delete;
    ByteSource(ByteSource&&) noexcept;
    ByteSource& operator=(ByteSource&&) noexcept;
    ~ByteSource();

    // Opens a file for reading; ok() tells whether that worked.
    static ByteSource OpenFile(const std::string& path);
    // Reads from memory the caller keeps alive.
    static ByteSource FromMemory(const uint8_t* data, size_t size);

    bool ok() const { return file_ != nullptr || memory_; }
    uint64_t size() const { return size_; }
    uint64_t tell() const { return winStart_ + winPos_; }
    uint64_t remaining() const { return size_ - tell(); }
    bool atEnd() const { return tell() >= size_; }
    // Set once any read ran past the end of the data.
    bool failed() const { return failed_; }

    // Moves to an absolute offset; an offset past the end fails and moves to the end.
    bool seek(uint64_t offset);
    // Back to the start for another pass over the data, the failure flag cleared.
    void rewind() {
        seek(0);
        failed_ = false;
    }
    bool skip(uint64_t n) { return seek(n > remaining() ? size_ + 1 : tell() + n); }

    // The bounds of the load this source is read for; readers check their
    // picture against them before allocating (see CheckClaim).
    const ReadLimits& limits() const { return limits_; }
    void setLimits(const ReadLimits& limits) { limits_ = limits; }

    // Next byte 0..255, or -1 at the end.
    int byte() {
        if (winPos_ < winLen_) return win_[winPos_++];
        return SlowByte();
    }
    int peek();
    // Copies up to n bytes; returns how many were there.
    size_t read(void* dst, size_t n);
    // Fills exactly n bytes or reports false (the rest of dst zeroed).
    bool readExact(void* dst, size_t n);

    uint8_t u8() { int b = byte(); return b < 0 ? 0 : uint8_t(b); }
    uint16_t le16();
    uint32_t le32();
    uint16_t be16();
    uint32_t be32();

private:
    int SlowByte();
    bool Refill();

    std::FILE* file_ = nullptr;
    const uint8_t* mem_ = nullptr;
    bool memory_ = false;
    std::unique_ptr<uint8_t[]> buffer_;
    const uint8_t* win_ = nullptr;  // current window of data
    size_t winLen_ = 0;
    size_t winPos_ = 0;
    uint64_t winStart_ = 0;         // file offset of win_[0]
    uint64_t size_ = 0;
    bool failed_ = false;
    ReadLimits limits_;
};

// Whole-file helper for small files (settings) and tests; empty and false on
// failure, also for a file beyond kMaxWholeFileBytes: a 32-bit process seldom
// finds much more than that in one piece, and a failed allocation would end it.
constexpr uint64_t kMaxWholeFileBytes = uint64_t(1) << 28;
bool ReadWholeFile(const std::string& path, std::string& out);

}  // namespace lg
