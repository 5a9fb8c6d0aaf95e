#include "formats/gif.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "core/messages.h"
#include "formats/animation.h"
#include "formats/save.h"
#include "platform/outfile.h"

namespace lg {
namespace {

constexpr int kMaxCodes = 4096;  // 12-bit codes
constexpr int kMaxCodeBits = 12;

// Depth of the picture for a colour table of 2^n entries.
int DepthForTableBits(int n) { return n == 1 ? 1 : n <= 4 ? 4 : 8; }

// ---------------------------------------------------------------- reading

// The data sub-blocks of an image as one run of bytes: a zero count or the
// end of the file ends it.
class SubBlocks {
public:
    explicit SubBlocks(ByteSource& in) : in_(in) {}

    int next() {
        if (pos_ < len_) return buf_[pos_++];
        if (done_) return -1;
        int count = in_.byte();
        if (count <= 0) {
            done_ = true;
            return -1;
        }
        len_ = int(in_.read(buf_, size_t(count)));
        pos_ = 0;
        if (len_ < count) done_ = true;  // truncated: use what is there
        return len_ > 0 ? buf_[pos_++] : -1;
    }

    // Reads past what is left of the data, up to the zero-length block.
    void drain() {
        while (!done_) {
            int count = in_.byte();
            if (count <= 0 || in_.read(buf_, size_t(count)) < size_t(count)) done_ = true;
        }
        pos_ = len_ = 0;
    }

private:
    ByteSource& in_;
    uint8_t buf_[255];
    int len_ = 0, pos_ = 0;
    bool done_ = false;
};

// Collects decoded indices row by row and packs each finished row into the
// picture at its place (interlaced or not). Stops taking pixels once every
// row is filled.
class RowSink {
public:
    RowSink(Image& img, bool interlaced)
        : img_(img), width_(size_t(img.width())), height_(img.height()), line_(width_ + 1, 0) {
        if (interlaced) {
            order_.resize(size_t(height_));
            InterlaceOrder(height_, order_.data());
        }
    }

    bool full() const { return row_ >= height_; }

    // Puts a string that the decoder holds reversed (last pixel first).
    void putReversed(const uint8_t* s, int n) {
        while (n > 0 && !full()) {
            size_t chunk = std::min(size_t(n), width_ - fill_);
            uint8_t* d = line_.data() + fill_;
            for (size_t i = 0; i < chunk; ++i) d[i] = s[n - 1 - int(i)];
            n -= int(chunk);
            fill_ += chunk;
            if (fill_ == width_) flushRow();
        }
    }

    void put(uint8_t v) { putReversed(&v, 1); }

    // A last, partly decoded row keeps index 0 where nothing arrived.
    void finish() {
        if (fill_ > 0 && !full()) {
            std::fill(line_.begin() + std::ptrdiff_t(fill_), line_.end(), 0);
            flushRow();
        }
    }

private:
    void flushRow() {
        int y = order_.empty() ? row_ : order_[size_t(row_)];
        uint8_t* d = img_.topRow(y);
        const uint8_t* s = line_.data();
        switch (img_.bitCount()) {
        case 8:
            std::memcpy(d, s, width_);
            break;
        case 4:
            for (size_t x = 0; x < width_; x += 2) d[x / 2] = uint8_t(((s[x] & 15) << 4) | (s[x + 1] & 15));
            break;
        default:
            std::memset(d, 0, (width_ + 7) / 8);
            for (size_t x = 0; x < width_; ++x)
                if (s[x] & 1) d[x >> 3] |= uint8_t(0x80 >> (x & 7));
            break;
        }
        fill_ = 0;
        ++row_;
    }

    Image& img_;
    size_t width_;
    int height_;
    std::vector<uint8_t> line_;  // one spare byte for 4-bit packing of odd widths
    std::vector<int> order_;
    size_t fill_ = 0;
    int row_ = 0;
};

struct LzwTables {
    uint16_t prefix[kMaxCodes];
    uint8_t suffix[kMaxCodes];
    uint8_t stack[kMaxCodes];
};

// Stops at the end code, the end of the data, a full picture or the first
// code that cannot be right; what was decoded until then stays.
void DecodeLzw(ByteSource& in, RowSink& out) {
    const int minSize = in.byte();
    SubBlocks data(in);
    if (minSize < 1 || minSize > 8) {  // indices are bytes; larger sizes are garbage
        data.drain();
        return;
    }
    auto t = std::make_unique<LzwTables>();
    std::memset(t->prefix, 0, sizeof t->prefix);
    std::memset(t->suffix, 0, sizeof t->suffix);
    const int clear = 1 << minSize, end = clear + 1;
    for (int c = 0; c < clear; ++c) t->suffix[c] = uint8_t(c);
    int width = minSize + 1, mask = (1 << width) - 1, next = clear + 2;
    int prev = -1;  // none
    uint8_t first = 0;
    uint32_t held = 0;
    int bits = 0;

    while (!out.full()) {
        while (bits < width) {
            int b = data.next();
            if (b < 0) return;
            held |= uint32_t(b) << bits;
            bits += 8;
        }
        const int code = int(held & uint32_t(mask));
        held >>= width;
        bits -= width;

        if (code == end) return;
        if (code == clear) {
            width = minSize + 1;
            mask = (1 << width) - 1;
            next = clear + 2;
            prev = -1;
            continue;
        }
        // Beyond the table, or a string that would have to refer to itself.
        if (code > next || (prev < 0 && code > clear)) break;
        if (prev < 0) {
            first = t->suffix[code];
            out.put(first);
            prev = code;
            continue;
        }
        int sp = 0, cur = code;
        if (code == next) {
            t->stack[sp++] = first;
            cur = prev;
        }
        // Entries always point at lower codes, so the chain ends; the bound
        // only guards the stack.
        while (cur > clear && sp < kMaxCodes - 1) {
            t->stack[sp++] = t->suffix[cur];
            cur = t->prefix[cur];
        }
        if (cur > clear) break;
        first = t->suffix[cur];
        t->stack[sp++] = first;
        if (next < kMaxCodes) {
            t->prefix[next] = uint16_t(prev);
            t->suffix[next] = first;
            ++next;
            if ((next & mask) == 0 && next < kMaxCodes) {
                ++width;
                mask = (1 << width) - 1;
            }
        }
        prev = code;
        out.putReversed(t->stack, sp);
    }
    data.drain();
}

Image DecodeImage(ByteSource& in, uint8_t (&palette)[768], int depth, GifFrameInfo& frame, Status& st,
                  int64_t maxPixels) {
    const uint16_t left = in.le16(), top = in.le16(), width = in.le16(), height = in.le16();
    const int packed = in.byte();
    if (packed < 0 || width == 0 || height == 0) return Image();  // "not a valid GIF file"
    if (int64_t(width) * height > maxPixels) {
        st.error = Msg(MsgId::CantAllocate);
        return Image();
    }
    frame.left = left;
    frame.top = top;
    int entries = 1 << depth;
    if (packed & 0x80) {
        const int n = (packed & 7) + 1;
        in.readExact(palette, size_t(3) << n);  // a short table leaves zeros
        entries = 1 << n;
        depth = DepthForTableBits(n);
    }
    if (!ClaimFits(in, width, height, depth, 1u << depth, width, kExpandLzw, st)) return Image();
    Image img = Image::Create(width, height, depth, 1u << depth);
    if (!img) {
        st.error = Msg(MsgId::CantAllocate);
        return img;
    }
    for (int i = 0; i < entries; ++i)
        img.setPaletteEntry(i, palette[3 * i], palette[3 * i + 1], palette[3 * i + 2]);
    st.error.clear();
    RowSink sink(img, (packed & 0x40) != 0);
    DecodeLzw(in, sink);
    sink.finish();
    return img;
}

// ---------------------------------------------------------------- writing

// Buffered output that remembers the first failure.
class GifOutput {
public:
    explicit GifOutput(OutputFile& file) : file_(file) { buf_.reserve(kChunk); }
    void put(uint8_t b) {
        buf_.push_back(b);
        if (buf_.size() >= kChunk) flush();
    }
    void put(const uint8_t* p, size_t n) {
        for (size_t i = 0; i < n; ++i) put(p[i]);
    }
    void le16(unsigned v) {
        put(uint8_t(v));
        put(uint8_t(v >> 8));
    }
    bool flush() {
        if (ok_ && !buf_.empty()) ok_ = file_.write(buf_.data(), buf_.size());
        buf_.clear();
        return ok_;
    }

private:
    static constexpr size_t kChunk = 64 * 1024;
    OutputFile& file_;
    std::vector<uint8_t> buf_;
    bool ok_ = true;
};

// LZW with variable code widths up to 12 bits. A string's extension is found
// through the first 12 children of its prefix; further children live in a
// small hash table, so noisy 256-colour pictures stay fast.
class LzwEncoder {
public:
    LzwEncoder(GifOutput& out, int minSize)
        : out_(out), minSize_(minSize), clear_(1 << minSize), end_(clear_ + 1) {}

    void start() {
        resetTable();
        width_ = minSize_ + 1;
        current_ = kNone;
        emit(clear_);
    }

    void pixels(const uint8_t* p, size_t n) {
        for (size_t i = 0; i < n; ++i) pixel(p[i]);
    }

    void finish() {
        if (current_ != kNone) emit(current_);
        emit(end_);
        if (nbits_ > 0) block(uint8_t(acc_));
        acc_ = 0;
        nbits_ = 0;
        if (len_ > 0) flushBlock();
        out_.put(0);
    }

private:
    static constexpr int kSlots = 12;
    static constexpr int kNone = kMaxCodes;
    static constexpr uint32_t kHashSize = 8192;  // twice the codes: short probes

    void pixel(uint8_t c) {
        if (current_ == kNone) {  // the root code of c
            current_ = c;
            return;
        }
        int found = -1;
        const int count = childCount_[current_];
        const uint16_t* slots = children_[current_];
        for (int s = 0; s < count; ++s) {
            if (suffix_[slots[s]] == c) {
                found = slots[s];
                break;
            }
        }
        if (found < 0 && count == kSlots) found = findOverflow(current_, c);
        if (found >= 0) {
            current_ = found;
            return;
        }
        if (next_ == kMaxCodes) {  // table full: start over
            emit(current_);
            resetTable();
            emit(clear_);
            width_ = minSize_ + 1;
            current_ = c;
            return;
        }
        suffix_[next_] = c;
        if (count < kSlots) {
            children_[current_][count] = uint16_t(next_);
            ++childCount_[current_];
        } else {
            addOverflow(current_, c, next_);
        }
        emit(current_);
        width_ = std::max(minSize_ + 1, BitLength(next_));
        ++next_;
        current_ = c;
    }

    static int BitLength(int v) {
        int n = 0;
        while (v) {
            ++n;
            v >>= 1;
        }
        return std::min(n, kMaxCodeBits);
    }

    void resetTable() {
        next_ = clear_ + 2;
        std::memset(childCount_, 0, sizeof childCount_);
        for (int c = 0; c < clear_; ++c) suffix_[c] = uint8_t(c);
        if (++generation_ == 0) {  // wrapped: really clear the stamps
            std::memset(stamp_, 0, sizeof stamp_);
            generation_ = 1;
        }
    }

    static uint32_t HashOf(uint32_t key) { return (key * 2654435761u) >> 19; }  // 13 bits

    int findOverflow(int prefix, uint8_t c) const {
        const uint32_t key = uint32_t(prefix) << 8 | c;
        for (uint32_t h = HashOf(key);; h = (h + 1) & (kHashSize - 1)) {
            if (stamp_[h] != generation_) return -1;
            if (keys_[h] == key) return codes_[h];
        }
    }

    void addOverflow(int prefix, uint8_t c, int code) {
        const uint32_t key = uint32_t(prefix) << 8 | c;
        uint32_t h = HashOf(key);
        while (stamp_[h] == generation_) h = (h + 1) & (kHashSize - 1);
        stamp_[h] = generation_;
        keys_[h] = key;
        codes_[h] = uint16_t(code);
    }

    // Codes go out least-significant bit first, packed into sub-blocks of at
    // most 255 bytes.
    void emit(int code) {
        acc_ |= uint32_t(code) << nbits_;
        nbits_ += width_;
        while (nbits_ >= 8) {
            block(uint8_t(acc_));
            acc_ >>= 8;
            nbits_ -= 8;
        }
    }

    void block(uint8_t b) {
        data_[len_++] = b;
        if (len_ == 255) flushBlock();
    }

    void flushBlock() {
        out_.put(uint8_t(len_));
        out_.put(data_, size_t(len_));
        len_ = 0;
    }

    GifOutput& out_;
    const int minSize_, clear_, end_;
    int width_ = 0, next_ = 0, current_ = kNone;
    uint8_t suffix_[kMaxCodes] = {};
    uint16_t children_[kMaxCodes][kSlots] = {};
    uint8_t childCount_[kMaxCodes] = {};
    uint32_t stamp_[kHashSize] = {};
    uint32_t keys_[kHashSize] = {};
    uint16_t codes_[kHashSize] = {};
    uint32_t generation_ = 0;
    uint32_t acc_ = 0;
    int nbits_ = 0;
    uint8_t data_[255] = {};
    int len_ = 0;
};

void PutColorTable(GifOutput& out, const Image& img) {
    const uint32_t entries = 1u << img.bitCount();
    const uint32_t have = std::min(img.colorsUsed(), entries);
    const uint8_t* p = img.palette();
    for (uint32_t i = 0; i < entries; ++i) {
        if (i < have) {
            out.put(p[4 * i + 2]);
            out.put(p[4 * i + 1]);
            out.put(p[4 * i]);
        } else {
            out.put(0);
            out.put(0);
            out.put(0);
        }
    }
}

}  // namespace

void UnpackIndices(const uint8_t* s, int bitCount, size_t width, uint8_t* d) {
    switch (bitCount) {
    case 8:
        std::memcpy(d, s, width);
        break;
    case 4:
        for (size_t x = 0; x < width; ++x) d[x] = (x & 1) ? s[x >> 1] & 15 : s[x >> 1] >> 4;
        break;
    default:
        for (size_t x = 0; x < width; ++x) d[x] = (s[x >> 3] >> (7 - (x & 7))) & 1;
        break;
    }
}

void SkipGifSubBlocks(ByteSource& in) {
    for (;;) {
        int count = in.byte();
        if (count <= 0 || !in.skip(uint64_t(count))) return;
    }
}

void InterlaceOrder(int height, int* rows) {
    static const int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
    int n = 0;
    for (int pass = 0; pass < 4; ++pass)
        for (int y = kStart[pass]; y < height; y += kStep[pass]) rows[n++] = y;
}

Image ReadGifFrom(ByteSource& in, uint64_t controlPos, uint64_t imagePos, GifFrameInfo& frame, Status& st,
                  int64_t maxPixels) {
    st.error = Msg(MsgId::GifNotValid);
    // Signature and logical screen; the screen size is not used, every image
    // carries its own.
    uint8_t head[13];
    if (!in.readExact(head, sizeof head) || std::memcmp(head, "GIF8", 4) != 0) return Image();
    const int packed = head[10], background = head[11];

    const int n = (packed & 7) + 1;
    const int depth = DepthForTableBits(n);
    uint8_t palette[768] = {};
    if (packed & 0x80) {
        in.readExact(palette, size_t(3) << n);
    } else {
        const int step = depth == 1 ? 255 : depth == 4 ? 16 : 1;
        for (int i = 0; i < (1 << depth); ++i) std::memset(palette + 3 * i, i * step, 3);
    }
    frame.bgRed = palette[3 * background];
    frame.bgGreen = palette[3 * background + 1];
    frame.bgBlue = palette[3 * background + 2];

    if (controlPos > 0) in.seek(controlPos);
    else if (imagePos > 0) in.seek(imagePos);
    for (;;) {
        const int b = in.byte();
        if (b < 0 || b == 0x3B) break;
        if (b == 0x2C) return DecodeImage(in, palette, depth, frame, st, maxPixels);
        if (b != 0x21) continue;  // stray bytes between blocks
        const int label = in.byte();
        if (label == 0xF9) {
            in.u8();  // block size
            const int flags = in.u8();
            frame.delay = in.le16();
            frame.transparentIndex = in.u8();
            frame.disposal = (flags >> 2) & 7;
            frame.transparent = (flags & 1) != 0;
            // the terminator is passed over by the next turn
        } else if (label >= 0) {
            SkipGifSubBlocks(in);
        }
    }
    return Image();
}

Image LoadGif(ByteSource& in, const std::string&, const ReadOptions& opt, Status& st, PictureFacts& facts) {
    if (opt.multiImage && !opt.quiet) {
        GifScan scan;
        const int count = ScanGif(in, scan);
        if (count > 1) {
            facts.frameCount = count;
            facts.startAnimation = true;
            st.info = Format("%s - %d %s", Msg(MsgId::AnimatedGif), count, Msg(MsgId::Images));
            return Image();
        }
        in.rewind();
    }
    GifFrameInfo frame;
    return ReadGifFrom(in, 0, 0, frame, st, opt.maxPixels);
}

bool WriteGif(const std::string& path, const Image& img, bool globalTable, bool interlaced,
              int transparentIndex) {
    if (!img) return false;
    const int bits = img.bitCount();
    if (bits != 1 && bits != 4 && bits != 8) return false;
    if (img.width() > 0xFFFF || img.height() > 0xFFFF) return false;  // no room in the header
    const size_t width = size_t(img.width());
    const int height = img.height();
    std::unique_ptr<LzwEncoder> enc;
    std::vector<uint8_t> line;
    std::vector<int> order;
    try {
        line.resize(width);
        order.resize(size_t(height));
    } catch (const std::bad_alloc&) {
        return false;
    }
    OutputFile file;
    if (!file.open(path)) return false;
    GifOutput out(file);

    out.put(reinterpret_cast<const uint8_t*>("GIF89a"), 6);
    out.le16(unsigned(width));
    out.le16(unsigned(height));
    out.put(uint8_t((globalTable ? 0x80 : 0) + (bits - 1) * 0x11));
    out.put(0);  // background index
    out.put(0);  // aspect
    if (globalTable) PutColorTable(out, img);

    const bool transparent = transparentIndex >= 0;
    const uint8_t control[8] = {0x21, 0xF9, 0x04, uint8_t(transparent ? 1 : 0), 0, 0,
                                uint8_t(transparent ? std::min(transparentIndex, 255) : 0), 0};
    out.put(control, sizeof control);
    if (!out.flush()) return false;

    out.put(0x2C);
    out.le16(0);
    out.le16(0);
    out.le16(unsigned(width));
    out.le16(unsigned(height));
    out.put(uint8_t((globalTable ? 0 : 0x80) + (interlaced ? 0x40 : 0) + (bits - 1)));
    if (!globalTable) PutColorTable(out, img);
    const int minSize = bits == 1 ? 2 : bits;
    out.put(uint8_t(minSize));

    enc.reset(new (std::nothrow) LzwEncoder(out, minSize));
    if (!enc) return false;
    if (interlaced) InterlaceOrder(height, order.data());
    else
        for (int y = 0; y < height; ++y) order[size_t(y)] = y;
    enc->start();
    for (int y : order) {
        UnpackIndices(img.topRow(y), bits, width, line.data());
        enc->pixels(line.data(), width);
    }
    enc->finish();
    out.put(0x3B);
    return out.flush() && file.commit();
}

bool SaveGif(const std::string& path, const Image& img, const SaveOptions& opt, Status&) {
    // A transparent index beyond a small palette marks its last entry.
    int transparent = opt.gifTransparent;
    if (transparent >= 0 && img.bitCount() == 4) transparent = std::min(transparent, 15);
    if (transparent >= 0 && img.bitCount() == 1) transparent = std::min(transparent, 1);
    return WriteGif(path, img, true, opt.gifInterlaced, transparent);
}

Image GifSaveCopy(const Image& img, const SaveOptions&, std::string& failure) {
    return img.bitCount() == 24 ? ReduceForPalette(img, failure) : Image();
}

}  // namespace lg
