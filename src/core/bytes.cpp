#include "core/bytes.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace lg {
namespace {

constexpr size_t kWindow = 16384;

bool Seek64(std::FILE* f, uint64_t off) {
#ifdef _WIN32
    return _fseeki64(f, int64_t(off), SEEK_SET) == 0;
#else
    return fseeko(f, off_t(off), SEEK_SET) == 0;
#endif
}

int64_t FileSize(std::FILE* f) {
#ifdef _WIN32
    if (_fseeki64(f, 0, SEEK_END) != 0) return -1;
    int64_t n = _ftelli64(f);
#else
    if (fseeko(f, 0, SEEK_END) != 0) return -1;
    int64_t n = ftello(f);
#endif
    return Seek64(f, 0) ? n : -1;
}

}  // namespace

ByteSource::ByteSource(ByteSource&& o) noexcept { *this = std::move(o); }

ByteSource& ByteSource::operator=(ByteSource&& o) noexcept {
    if (this != &o) {
        if (file_) std::fclose(file_);
        file_ = std::exchange(o.file_, nullptr);
        mem_ = o.mem_;
        memory_ = o.memory_;
        buffer_ = std::move(o.buffer_);
        win_ = o.win_;
        winLen_ = o.winLen_;
        winPos_ = o.winPos_;
        winStart_ = o.winStart_;
        size_ = o.size_;
        failed_ = o.failed_;
        limits_ = o.limits_;
    }
    return *this;
}

ByteSource::~ByteSource() {
    if (file_) std::fclose(file_);
}

ByteSource ByteSource::OpenFile(const std::string& path) {
    ByteSource s;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return s;
    int64_t n = FileSize(f);
    if (n < 0) {
        std::fclose(f);
        return s;
    }
    s.file_ = f;
    s.size_ = uint64_t(n);
    s.buffer_.reset(new uint8_t[kWindow]);
    s.win_ = s.buffer_.get();
    return s;
}

ByteSource ByteSource::FromMemory(const uint8_t* data, size_t size) {
    ByteSource s;
    static const uint8_t kNothing = 0;
    s.memory_ = true;
    s.mem_ = data ? data : &kNothing;
    s.win_ = s.mem_;
    s.winLen_ = data ? size : 0;
    s.size_ = s.winLen_;
    return s;
}

bool ByteSource::Refill() {
    if (!file_) return false;
    winStart_ += winLen_;
    winPos_ = 0;
    winLen_ = 0;
    if (winStart_ >= size_) return false;
    if (!Seek64(file_, winStart_)) return false;
    winLen_ = std::fread(buffer_.get(), 1, kWindow, file_);
    return winLen_ > 0;
}

int ByteSource::SlowByte() {
    if (winPos_ >= winLen_ && !Refill()) {
        failed_ = true;
        return -1;
    }
    return win_[winPos_++];
}

int ByteSource::peek() {
    if (winPos_ >= winLen_ && !Refill()) return -1;
    return win_[winPos_];
}

bool ByteSource::seek(uint64_t offset) {
    bool inRange = offset <= size_;
    if (!inRange) {
        offset = size_;
        failed_ = true;
    }
    if (offset >= winStart_ && offset <= winStart_ + winLen_) {
        winPos_ = size_t(offset - winStart_);
    } else {  // a file seek outside the window: the next read refills there
        winStart_ = offset;
        winLen_ = 0;
        winPos_ = 0;
    }
    return inRange;
}

size_t ByteSource::read(void* dst, size_t n) {
    uint8_t* out = static_cast<uint8_t*>(dst);
    size_t done = 0;
    while (done < n) {
        if (winPos_ >= winLen_) {
            // A big read goes straight to the destination, bypassing the window.
            if (file_ && n - done >= kWindow) {
                uint64_t at = winStart_ + winPos_;
                if (at >= size_ || !Seek64(file_, at)) break;
                size_t got = std::fread(out + done, 1, n - done, file_);
                done += got;
                winStart_ = at + got;
                winLen_ = winPos_ = 0;
                if (got == 0) break;
                continue;
            }
            if (!Refill()) break;
        }
        size_t take = std::min(n - done, winLen_ - winPos_);
        std::memcpy(out + done, win_ + winPos_, take);
        winPos_ += take;
        done += take;
    }
    if (done < n) failed_ = true;
    return done;
}

bool ByteSource::readExact(void* dst, size_t n) {
    size_t got = read(dst, n);
    if (got < n) std::memset(static_cast<uint8_t*>(dst) + got, 0, n - got);
    return got == n;
}

uint16_t ByteSource::le16() {
    uint8_t b[2];
    readExact(b, 2);
    return uint16_t(b[0] | (b[1] << 8));
}

uint32_t ByteSource::le32() {
    uint8_t b[4];
    readExact(b, 4);
    return uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24);
}

uint16_t ByteSource::be16() {
    uint8_t b[2];
    readExact(b, 2);
    return uint16_t((b[0] << 8) | b[1]);
}

uint32_t ByteSource::be32() {
    uint8_t b[4];
    readExact(b, 4);
    return (uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | uint32_t(b[3]);
}

bool ReadWholeFile(const std::string& path, std::string& out) {
    out.clear();
    ByteSource s = ByteSource::OpenFile(path);
    if (!s.ok() || s.size() > kMaxWholeFileBytes) return false;
    out.resize(size_t(s.size()));
    return s.readExact(&out[0], out.size());
}

}  // namespace lg
