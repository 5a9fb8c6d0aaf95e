#include "formats/fax_g3.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/messages.h"

namespace lg {
namespace {

constexpr uint8_t kWhiteTerm = 23, kWhiteMakeup = 24, kBlackTerm = 25, kBlackMakeup = 26, kExtMakeup = 27;
constexpr int kMaxCodeBits = 13;
constexpr int kEolZeros = 11;

#define W(run, bits, code) {kWhiteTerm, code, bits, run}
#define WM(run, bits, code) {kWhiteMakeup, code, bits, run}
#define B(run, bits, code) {kBlackTerm, code, bits, run}
#define BM(run, bits, code) {kBlackMakeup, code, bits, run}
#define X(run, bits, code) {kExtMakeup, code, bits, run}

// ITU-T T.4, tables 1 and 2 (codes written as binary literals).
const FaxCode kCodes[] = {
    W(0, 8, 0b00110101), W(1, 6, 0b000111), W(2, 4, 0b0111), W(3, 4, 0b1000), W(4, 4, 0b1011),
    W(5, 4, 0b1100), W(6, 4, 0b1110), W(7, 4, 0b1111), W(8, 5, 0b10011), W(9, 5, 0b10100),
    W(10, 5, 0b00111), W(11, 5, 0b01000), W(12, 6, 0b001000), W(13, 6, 0b000011), W(14, 6, 0b110100),
    W(15, 6, 0b110101), W(16, 6, 0b101010), W(17, 6, 0b101011), W(18, 7, 0b0100111), W(19, 7, 0b0001100),
    W(20, 7, 0b0001000), W(21, 7, 0b0010111), W(22, 7, 0b0000011), W(23, 7, 0b0000100), W(24, 7, 0b0101000),
    W(25, 7, 0b0101011), W(26, 7, 0b0010011), W(27, 7, 0b0100100), W(28, 7, 0b0011000), W(29, 8, 0b00000010),
    W(30, 8, 0b00000011), W(31, 8, 0b00011010), W(32, 8, 0b00011011), W(33, 8, 0b00010010),
    W(34, 8, 0b00010011), W(35, 8, 0b00010100), W(36, 8, 0b00010101), W(37, 8, 0b00010110),
    W(38, 8, 0b00010111), W(39, 8, 0b00101000), W(40, 8, 0b00101001), W(41, 8, 0b00101010),
    W(42, 8, 0b00101011), W(43, 8, 0b00101100), W(44, 8, 0b00101101), W(45, 8, 0b00000100),
    W(46, 8, 0b00000101), W(47, 8, 0b00001010), W(48, 8, 0b00001011), W(49, 8, 0b01010010),
    W(50, 8, 0b01010011), W(51, 8, 0b01010100), W(52, 8, 0b01010101), W(53, 8, 0b00100100),
    W(54, 8, 0b00100101), W(55, 8, 0b01011000), W(56, 8, 0b01011001), W(57, 8, 0b01011010),
    W(58, 8, 0b01011011), W(59, 8, 0b01001010), W(60, 8, 0b01001011), W(61, 8, 0b00110010),
    W(62, 8, 0b00110011), W(63, 8, 0b00110100),
    WM(64, 5, 0b11011), WM(128, 5, 0b10010), WM(192, 6, 0b010111), WM(256, 7, 0b0110111),
    WM(320, 8, 0b00110110), WM(384, 8, 0b00110111), WM(448, 8, 0b01100100), WM(512, 8, 0b01100101),
    WM(576, 8, 0b01101000), WM(640, 8, 0b01100111), WM(704, 9, 0b011001100), WM(768, 9, 0b011001101),
    WM(832, 9, 0b011010010), WM(896, 9, 0b011010011), WM(960, 9, 0b011010100), WM(1024, 9, 0b011010101),
    WM(1088, 9, 0b011010110), WM(1152, 9, 0b011010111), WM(1216, 9, 0b011011000), WM(1280, 9, 0b011011001),
    WM(1344, 9, 0b011011010), WM(1408, 9, 0b011011011), WM(1472, 9, 0b010011000), WM(1536, 9, 0b010011001),
    WM(1600, 9, 0b010011010), WM(1664, 6, 0b011000), WM(1728, 9, 0b010011011),
    B(0, 10, 0b0000110111), B(1, 3, 0b010), B(2, 2, 0b11), B(3, 2, 0b10), B(4, 3, 0b011), B(5, 4, 0b0011),
    B(6, 4, 0b0010), B(7, 5, 0b00011), B(8, 6, 0b000101), B(9, 6, 0b000100), B(10, 7, 0b0000100),
    B(11, 7, 0b0000101), B(12, 7, 0b0000111), B(13, 8, 0b00000100), B(14, 8, 0b00000111),
    B(15, 9, 0b000011000), B(16, 10, 0b0000010111), B(17, 10, 0b0000011000), B(18, 10, 0b0000001000),
    B(19, 11, 0b00001100111), B(20, 11, 0b00001101000), B(21, 11, 0b00001101100), B(22, 11, 0b00000110111),
    B(23, 11, 0b00000101000), B(24, 11, 0b00000010111), B(25, 11, 0b00000011000),
    B(26, 12, 0b000011001010), B(27, 12, 0b000011001011), B(28, 12, 0b000011001100),
    B(29, 12, 0b000011001101), B(30, 12, 0b000001101000), B(31, 12, 0b000001101001),
    B(32, 12, 0b000001101010), B(33, 12, 0b000001101011), B(34, 12, 0b000011010010),
    B(35, 12, 0b000011010011), B(36, 12, 0b000011010100), B(37, 12, 0b000011010101),
    B(38, 12, 0b000011010110), B(39, 12, 0b000011010111), B(40, 12, 0b000001101100),
    B(41, 12, 0b000001101101), B(42, 12, 0b000011011010), B(43, 12, 0b000011011011),
    B(44, 12, 0b000001010100), B(45, 12, 0b000001010101), B(46, 12, 0b000001010110),
    B(47, 12, 0b000001010111), B(48, 12, 0b000001100100), B(49, 12, 0b000001100101),
    B(50, 12, 0b000001010010), B(51, 12, 0b000001010011), B(52, 12, 0b000000100100),
    B(53, 12, 0b000000110111), B(54, 12, 0b000000111000), B(55, 12, 0b000000100111),
    B(56, 12, 0b000000101000), B(57, 12, 0b000001011000), B(58, 12, 0b000001011001),
    B(59, 12, 0b000000101011), B(60, 12, 0b000000101100), B(61, 12, 0b000001011010),
    B(62, 12, 0b000001100110), B(63, 12, 0b000001100111),
    BM(64, 10, 0b0000001111), BM(128, 12, 0b000011001000), BM(192, 12, 0b000011001001),
    BM(256, 12, 0b000001011011), BM(320, 12, 0b000000110011), BM(384, 12, 0b000000110100),
    BM(448, 12, 0b000000110101), BM(512, 13, 0b0000001101100), BM(576, 13, 0b0000001101101),
    BM(640, 13, 0b0000001001010), BM(704, 13, 0b0000001001011), BM(768, 13, 0b0000001001100),
    BM(832, 13, 0b0000001001101), BM(896, 13, 0b0000001110010), BM(960, 13, 0b0000001110011),
    BM(1024, 13, 0b0000001110100), BM(1088, 13, 0b0000001110101), BM(1152, 13, 0b0000001110110),
    BM(1216, 13, 0b0000001110111), BM(1280, 13, 0b0000001010010), BM(1344, 13, 0b0000001010011),
    BM(1408, 13, 0b0000001010100), BM(1472, 13, 0b0000001010101), BM(1536, 13, 0b0000001011010),
    BM(1600, 13, 0b0000001011011), BM(1664, 13, 0b0000001100100), BM(1728, 13, 0b0000001100101),
    X(1792, 11, 0b00000001000), X(1856, 11, 0b00000001100), X(1920, 11, 0b00000001101),
    X(1984, 12, 0b000000010010), X(2048, 12, 0b000000010011), X(2112, 12, 0b000000010100),
    X(2176, 12, 0b000000010101), X(2240, 12, 0b000000010110), X(2304, 12, 0b000000010111),
    X(2368, 12, 0b000000011100), X(2432, 12, 0b000000011101), X(2496, 12, 0b000000011110),
    X(2560, 12, 0b000000011111),
};

#undef W
#undef WM
#undef B
#undef BM
#undef X

// Lookup by exact (length, value): one slot per possible code of each
// length, so no two codes can share a slot. Slot 0 of an entry means none;
// otherwise it holds 1 + the index of the code.
struct CodeTable {
    std::vector<uint16_t> slots;
    size_t start[kMaxCodeBits + 1] = {};
    const FaxCode* find(int bits, uint32_t value) const {
        if (bits < 1 || bits > kMaxCodeBits) return nullptr;
        const uint16_t s = slots[start[bits] + value];
        return s ? &kCodes[s - 1] : nullptr;
    }
};

CodeTable BuildTable(bool black) {
    CodeTable t;
    size_t total = 0;
    for (int L = 1; L <= kMaxCodeBits; ++L) {
        t.start[L] = total;
        total += size_t(1) << L;
    }
    t.slots.assign(total, 0);
    for (size_t i = 0; i < sizeof kCodes / sizeof kCodes[0]; ++i) {
        const FaxCode& c = kCodes[i];
        const bool mine = c.kind == kExtMakeup || (black ? c.kind >= kBlackTerm : c.kind <= kWhiteMakeup);
        if (mine) t.slots[t.start[c.bits] + c.code] = uint16_t(i + 1);
    }
    return t;
}

class BitReader {
public:
    explicit BitReader(ByteSource& in) : in_(in) {}
    // The next bit, or -1 at the end of the data.
    int bit() {
        if (left_ == 0) {
            const int b = in_.byte();
            if (b < 0) return -1;
            byte_ = b;
            left_ = 8;
        }
        --left_;
        return (byte_ >> left_) & 1;
    }

private:
    ByteSource& in_;
    int byte_ = 0, left_ = 0;
};

// Reads up to and including the next end-of-line code; false at the end of the data.
bool SkipToEol(BitReader& bits) {
    int zeros = 0;
    for (;;) {
        const int b = bits.bit();
        if (b < 0) return false;
        if (b == 0) {
            ++zeros;
        } else {
            if (zeros >= kEolZeros) return true;
            zeros = 0;
        }
    }
}

enum class RowEnd { Eol, EndOfData };

// Decodes one row into `row` (0 white, 1 black); `count` receives the pixels decoded.
RowEnd DecodeRow(BitReader& bits, const CodeTable& white, const CodeTable& black, uint8_t* row, int& count) {
    count = 0;
    bool isBlack = false;
    uint32_t reg = 0;
    int held = 0, zeros = 0, pending = 0;
    for (;;) {
        const int b = bits.bit();
        if (b < 0) return RowEnd::EndOfData;
        if (b == 0) {
            ++zeros;
        } else {
            if (zeros >= kEolZeros) return RowEnd::Eol;
            zeros = 0;
        }
        if (zeros >= kEolZeros) continue;  // fill before an end-of-line code
        reg = reg * 2 + uint32_t(b);
        ++held;
        if (held < (isBlack ? 2 : 4)) continue;
        const FaxCode* c = (isBlack ? black : white).find(held, reg);
        if (!c) {
            if (held > kMaxCodeBits) return SkipToEol(bits) ? RowEnd::Eol : RowEnd::EndOfData;
            continue;
        }
        pending += c->run;
        reg = 0;
        held = 0;
        if (c->kind == kWhiteTerm || c->kind == kBlackTerm) {
            const int end = std::min(count + pending, kFaxRowPixels);
            if (isBlack) std::memset(row + count, 1, size_t(end - count));
            count = end;
            pending = 0;
            isBlack = !isBlack;
            if (count >= kFaxRowPixels) return SkipToEol(bits) ? RowEnd::Eol : RowEnd::EndOfData;
        }
    }
}

}  // namespace

const FaxCode* FaxCodes(size_t* count) {
    *count = sizeof kCodes / sizeof kCodes[0];
    return kCodes;
}

Image ReadFaxG3From(ByteSource& in, Status& st) {
    st.error = Msg(MsgId::FaxNotValid);
    static const CodeTable white = BuildTable(false), black = BuildTable(true);
    BitReader bits(in);
    const size_t packed = kFaxRowPixels / 8;
    std::vector<uint8_t> rows;  // packed, first row first
    std::vector<uint8_t> row(kFaxRowPixels);
    int width = 0, height = 0, empties = 0;
    bool more = SkipToEol(bits);
    while (more && height < kFaxMaxRows) {
        std::fill(row.begin(), row.end(), uint8_t(0));
        int count = 0;
        more = DecodeRow(bits, white, black, row.data(), count) == RowEnd::Eol;
        if (count == 0) {
            if (++empties == 3) break;  // end of page
            continue;
        }
        empties = 0;
        width = std::max(width, count);
        const size_t at = rows.size();
        rows.resize(at + packed, 0);
        for (int x = 0; x < count; ++x)
            if (row[size_t(x)]) rows[at + size_t(x >> 3)] |= uint8_t(0x80 >> (x & 7));
        ++height;
    }
    if (height == 0) return Image();
    Image img = Image::Create(width, height, 1, 2);
    if (!img) {
        st.error = Msg(MsgId::CantAllocate);
        return img;
    }
    img.setPaletteEntry(0, 255, 255, 255);
    img.setPaletteEntry(1, 0, 0, 0);
    const size_t n = std::min(img.stride(), packed);
    for (int y = 0; y < height; ++y) std::memcpy(img.topRow(y), rows.data() + size_t(y) * packed, n);
    return img;
}

}  // namespace lg
