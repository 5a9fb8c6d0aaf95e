#include "formats/inflate.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <type_traits>
#include <memory>
#include <new>

#include <libdeflate.h>

#include "platform/threads.h"

namespace lg {
namespace {

// Decoding tables: a first level indexed by the next bits of the stream and
// second-level tables for the longer codes. An entry holds the bits it
// consumes (0-7), a kind (8-11), the extra bits that follow it or a
// second-level table's index bits (12-15) and a value (16-31): a literal, a
// length or distance base, or a second-level table's offset.
constexpr unsigned kLitBits = 11, kDistBits = 8, kCodeBits = 7;
// The most entries any valid code needs with these first levels (288 and 32
// symbols of at most 15 bits); building checks it all the same.
constexpr size_t kLitEntries = 2342, kDistEntries = 402;
constexpr uint32_t kLiteral = 1u << 8, kSub = 1u << 9, kEnd = 1u << 10, kBad = 1u << 11;
constexpr size_t kWindow = 32768;

constexpr uint32_t Entry(uint32_t value, uint32_t extra, uint32_t kind, uint32_t bits) {
    return value << 16 | extra << 12 | kind | bits;
}
constexpr uint32_t kBadEntry = Entry(0, 0, kBad, 0);

const uint16_t kLenBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                               31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const uint8_t kLenExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const uint16_t kDistBase[30] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
                                193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const uint8_t kDistExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

enum class Kind { Codes, Lit, Dist };

uint32_t SymbolEntry(Kind kind, unsigned sym, unsigned bits) {
    if (kind == Kind::Codes) return Entry(sym, 0, 0, bits);
    if (kind == Kind::Dist) return sym < 30 ? Entry(kDistBase[sym], kDistExtra[sym], 0, bits) : kBadEntry;
    if (sym < 256) return Entry(sym, 0, kLiteral, bits);
    if (sym == 256) return Entry(0, 0, kEnd, bits);
    return sym <= 285 ? Entry(kLenBase[sym - 257], kLenExtra[sym - 257], 0, bits) : kBadEntry;
}

uint32_t Reversed(uint32_t code, unsigned bits) {
    uint32_t r = 0;
    for (unsigned i = 0; i < bits; ++i, code >>= 1) r = r << 1 | (code & 1);
    return r;
}

// Builds the table of a canonical code from its code lengths. Refuses what
// zlib refuses: an over-subscribed set, and an incomplete one unless it is a
// single code of one bit (a distance code may also be empty: any use of it
// then fails). The code-length code must be complete.
bool BuildTable(const uint8_t* lens, unsigned n, Kind kind, unsigned rootBits, uint32_t* table, size_t cap) {
    unsigned count[16] = {};
    for (unsigned i = 0; i < n; ++i) ++count[lens[i]];
    count[0] = 0;
    unsigned maxLen = 0;
    int left = 1;
    for (unsigned l = 1; l < 16; ++l) {
        left = left * 2 - int(count[l]);
        if (left < 0) return false;
        if (count[l]) maxLen = l;
    }
    const size_t rootSize = size_t(1) << rootBits;
    std::fill(table, table + rootSize, kBadEntry);
    if (maxLen == 0) return kind == Kind::Dist;
    if (left > 0 && (kind == Kind::Codes || maxLen != 1)) return false;

    unsigned next[16] = {};
    for (unsigned l = 1; l < 15; ++l) next[l + 1] = next[l] + count[l];
    uint16_t sorted[288];
    for (unsigned i = 0; i < n; ++i)
        if (lens[i]) sorted[next[lens[i]]++] = uint16_t(i);

    unsigned remaining[16];
    std::copy(count, count + 16, remaining);
    size_t used = rootSize, subStart = 0;
    unsigned subBits = 0;
    uint32_t subPrefix = UINT32_MAX, code = 0;
    unsigned at = 0;
    for (unsigned l = 1; l <= maxLen; ++l, code <<= 1) {
        for (unsigned k = 0; k < count[l]; ++k, ++at, ++code, --remaining[l]) {
            const uint32_t rev = Reversed(code, l);
            if (l <= rootBits) {
                const uint32_t e = SymbolEntry(kind, sorted[at], l);
                for (size_t i = rev; i < rootSize; i += size_t(1) << l) table[i] = e;
                continue;
            }
            const uint32_t prefix = rev & uint32_t(rootSize - 1);
            if (prefix != subPrefix) {
                // Wide enough for every code left that starts with this prefix.
                unsigned bits = l - rootBits;
                int room = 1 << bits;
                while (bits + rootBits < maxLen) {
                    room -= int(remaining[bits + rootBits]);
                    if (room <= 0) break;
                    ++bits;
                    room <<= 1;
                }
                subStart = used;
                subBits = bits;
                used += size_t(1) << bits;
                if (used > cap) return false;
                std::fill(table + subStart, table + used, kBadEntry);
                table[prefix] = Entry(uint32_t(subStart), bits, kSub, rootBits);
                subPrefix = prefix;
            }
            if (l - rootBits > subBits) return false;
            const uint32_t e = SymbolEntry(kind, sorted[at], l - rootBits);
            for (size_t i = rev >> rootBits; i < (size_t(1) << subBits); i += size_t(1) << (l - rootBits))
                table[subStart + i] = e;
        }
    }
    return true;
}

// Where a literal's code leaves room in the first level for the code of a
// second literal, the entry holds both (extra field 1, both values, both
// lengths): noisy picture data is mostly short literal codes.
void PairLiterals(uint32_t* table) {
    constexpr size_t kSize = size_t(1) << kLitBits;
    uint32_t single[kSize];
    std::copy(table, table + kSize, single);
    for (size_t i = 0; i < kSize; ++i) {
        const uint32_t e = single[i], bits = e & 0xff;
        if (!(e & kLiteral) || bits >= kLitBits) continue;
        const uint32_t next = single[i >> bits];  // its own bits decide it when it fits
        if ((next & kLiteral) && bits + (next & 0xff) <= kLitBits)
            table[i] = Entry((e >> 16) | (next >> 16) << 8, 1, kLiteral, bits + (next & 0xff));
    }
}

// The bit buffer is a machine word: a 64-bit shift takes several
// instructions on a 32-bit processor. A refill leaves at least kFullBits.
using BitWord = std::conditional_t<(sizeof(void*) >= 8), uint64_t, uint32_t>;
constexpr unsigned kWordBits = 8 * sizeof(BitWord), kFullBits = kWordBits - 8;

inline BitWord LoadWord(const uint8_t* p) {
    BitWord v = 0;
    for (int i = int(sizeof v) - 1; i >= 0; --i) v = BitWord(v << 8 | p[i]);  // compilers make one load of this
    return v;
}

constexpr size_t kInputCap = size_t(1) << 16;
constexpr size_t kWorkSpace = size_t(1) << 18;
constexpr size_t kCopySlack = 16;  // match copies write whole words past their end

struct Inflater {
    InflateJob job;
    // Input: the bit buffer holds `bc` bits; bits above them are zeros or
    // the stream's next bits. `phantom` counts zero bytes fed past the end.
    std::unique_ptr<uint8_t[]> inBuf;
    const uint8_t* in = nullptr;
    const uint8_t* inEnd = nullptr;
    bool inputDone = false;
    bool broken = false;  // the input ran out long ago, or the receiver said stop
    unsigned phantom = 0;
    BitWord bb = 0;
    unsigned bc = 0;
    // Output: outBuf[0] is byte `base` of the stream; bytes before `done`
    // have been handed on; `outHard` is where the buffer or the stream ends.
    std::unique_ptr<uint8_t[]> outBuf;
    size_t outCap = 0;
    uint8_t* out = nullptr;
    uint8_t* done = nullptr;
    uint8_t* outHard = nullptr;
    uint64_t base = 0;
    uint32_t adler = 1;
    size_t window = kWindow;
    uint32_t lit[kLitEntries];
    uint32_t dist[kDistEntries];
    // The second thread: it takes one batch of units at a time while this
    // one inflates the next behind it; the buffer is moved only while it
    // is idle.
    struct Helper {
        std::atomic<bool> busy{false}, stop{false}, failed{false};
        const uint8_t* data = nullptr;
        size_t count = 0;
        uint32_t adler = 1;
        platform::Signal work, idle;
    };
    std::unique_ptr<Helper> helper;
};

void WaitIdle(Inflater& z) {
    if (!z.helper) return;
    while (z.helper->busy.load(std::memory_order_acquire)) z.helper->idle.Wait(100);
    z.adler = z.helper->adler;
    if (z.helper->failed.load()) z.broken = true;
}

void HelperLoop(Inflater& z) {
    Inflater::Helper& h = *z.helper;
    for (;;) {
        if (h.busy.load(std::memory_order_acquire)) {
            const size_t n = h.count * z.job.unit;
            h.adler = libdeflate_adler32(h.adler, h.data, n);
            if (!h.failed.load() && !z.job.take(z.job.takeCtx, h.data, h.count)) h.failed.store(true);
            h.busy.store(false, std::memory_order_release);
            h.idle.Raise();
            continue;
        }
        if (h.stop.load(std::memory_order_acquire)) return;
        h.work.Wait(100);
    }
}

void Pull(Inflater& z) {
    if (z.inputDone) return;
    const size_t keep = size_t(z.inEnd - z.in);
    std::memmove(z.inBuf.get(), z.in, keep);
    uint8_t* end = z.inBuf.get() + keep;
    while (end < z.inBuf.get() + kInputCap) {
        const size_t n = z.job.pull(z.job.pullCtx, end, size_t(z.inBuf.get() + kInputCap - end));
        if (n == 0) {
            z.inputDone = true;
            break;
        }
        end += n;
    }
    z.in = z.inBuf.get();
    z.inEnd = end;
}

// At least kFullBits in the buffer; past the end of the data they are zeros.
void Refill(Inflater& z) {
    if (z.in + sizeof(BitWord) > z.inEnd) Pull(z);
    if (z.in + sizeof(BitWord) <= z.inEnd) {
        z.bb |= LoadWord(z.in) << z.bc;
        z.in += (kWordBits - 1 - z.bc) >> 3;
        z.bc |= kFullBits;
        return;
    }
    while (z.bc <= kFullBits) {
        BitWord b = 0;
        if (z.in < z.inEnd) b = *z.in++;
        else if (++z.phantom > 16) z.broken = true;
        z.bb |= b << z.bc;
        z.bc += 8;
    }
}

uint32_t Bits(Inflater& z, unsigned n) {
    if (z.bc < n) Refill(z);
    const uint32_t v = uint32_t(z.bb & BitWord((uint64_t(1) << n) - 1));
    z.bb >>= n;
    z.bc -= n;
    return v;
}

uint64_t Produced(const Inflater& z) { return z.base + uint64_t(z.out - z.outBuf.get()); }

void SetLimit(Inflater& z) {
    z.outHard = z.outBuf.get() + size_t(std::min<uint64_t>(z.outCap, z.job.total - z.base));
}

void Slide(Inflater& z) {
    uint8_t* keep = z.out - std::min<size_t>(size_t(z.out - z.outBuf.get()), kWindow);
    keep = std::min(keep, z.done);
    const size_t shift = size_t(keep - z.outBuf.get());
    if (shift) {
        std::memmove(z.outBuf.get(), keep, size_t(z.out - keep));
        z.out -= shift;
        z.done -= shift;
        z.base += shift;
    }
    SetLimit(z);
}

// Hands on the whole units ready and moves the window to the buffer's front.
// With a second thread, the units go to it after the move (at most half the
// buffer at a time, so that each side has half to work in) and count as
// done once it is idle again.
bool Drain(Inflater& z) {
    WaitIdle(z);
    // Output decoded from the zero bytes fed past the end of the data is no
    // output of the stream: nothing more is handed on once they were used.
    if (z.phantom * 8 > z.bc) z.broken = true;
    if (z.broken) return false;
    size_t count = size_t(z.out - z.done) / z.job.unit;
    if (z.helper) {
        Slide(z);
        count = std::min(count, std::max<size_t>(1, z.outCap / 2 / z.job.unit));
        if (count) {
            Inflater::Helper& h = *z.helper;
            h.data = z.done;
            h.count = count;
            h.busy.store(true, std::memory_order_release);
            h.work.Raise();
            z.done += count * z.job.unit;
        }
        return true;
    }
    if (count) {
        const size_t n = count * z.job.unit;
        z.adler = libdeflate_adler32(z.adler, z.done, n);
        if (!z.job.take(z.job.takeCtx, z.done, count)) {
            z.broken = true;
            return false;
        }
        z.done += n;
    }
    Slide(z);
    return true;
}

uint64_t Handed(const Inflater& z) { return z.base + uint64_t(z.done - z.outBuf.get()); }

// Drains until `n` bytes fit; false when the stream holds more than the
// total or the receiver stopped it.
bool MakeRoom(Inflater& z, size_t n) {
    while (size_t(z.outHard - z.out) < n) {
        const uint64_t before = Handed(z);
        if (!Drain(z)) return false;
        if (Handed(z) == before && size_t(z.outHard - z.out) < n) return false;
    }
    return true;
}

bool Stored(Inflater& z) {
    z.bb >>= z.bc & 7;
    z.bc -= z.bc & 7;
    const uint32_t len = Bits(z, 16), nlen = Bits(z, 16);
    if (len != (~nlen & 0xffff)) return false;
    for (uint32_t left = len; left > 0;) {
        if (!MakeRoom(z, 1)) return false;
        if (z.bc >= 8) {  // bytes already in the bit buffer come first
            *z.out++ = uint8_t(z.bb);
            z.bb >>= 8;
            z.bc -= 8;
            --left;
            continue;
        }
        z.bb = 0;
        if (z.in == z.inEnd) Pull(z);
        if (z.in == z.inEnd) return false;
        const size_t n = std::min({size_t(left), size_t(z.outHard - z.out), size_t(z.inEnd - z.in)});
        std::memcpy(z.out, z.in, n);
        z.out += n;
        z.in += n;
        left -= uint32_t(n);
    }
    return !z.broken;
}

void FixedTables(Inflater& z) {
    uint8_t lens[288 + 32];
    std::fill(lens, lens + 144, 8);
    std::fill(lens + 144, lens + 256, 9);
    std::fill(lens + 256, lens + 280, 7);
    std::fill(lens + 280, lens + 288, 8);
    std::fill(lens + 288, lens + 320, 5);
    BuildTable(lens, 288, Kind::Lit, kLitBits, z.lit, kLitEntries);
    PairLiterals(z.lit);
    BuildTable(lens + 288, 32, Kind::Dist, kDistBits, z.dist, kDistEntries);
}

bool DynamicTables(Inflater& z) {
    const unsigned nlit = Bits(z, 5) + 257, ndist = Bits(z, 5) + 1, ncode = Bits(z, 4) + 4;
    if (nlit > 286 || ndist > 30) return false;
    static const uint8_t kOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    uint8_t codeLens[19] = {};
    for (unsigned i = 0; i < ncode; ++i) codeLens[kOrder[i]] = uint8_t(Bits(z, 3));
    uint32_t codes[1 << kCodeBits];
    if (!BuildTable(codeLens, 19, Kind::Codes, kCodeBits, codes, 1 << kCodeBits)) return false;
    uint8_t lens[286 + 30];
    const unsigned n = nlit + ndist;
    for (unsigned i = 0; i < n;) {
        if (z.bc < 16) Refill(z);
        const uint32_t e = codes[z.bb & ((1u << kCodeBits) - 1)];
        if (e & kBad) return false;
        z.bb >>= e & 0xff;
        z.bc -= e & 0xff;
        const unsigned sym = e >> 16;
        if (sym < 16) {
            lens[i++] = uint8_t(sym);
            continue;
        }
        unsigned rep;
        uint8_t v = 0;
        if (sym == 16) {
            if (i == 0) return false;
            v = lens[i - 1];
            rep = 3 + Bits(z, 2);
        } else {
            rep = sym == 17 ? 3 + Bits(z, 3) : 11 + Bits(z, 7);
        }
        if (rep > n - i) return false;
        std::fill(lens + i, lens + i + rep, v);
        i += rep;
    }
    if (lens[256] == 0) return false;
    if (!BuildTable(lens, nlit, Kind::Lit, kLitBits, z.lit, kLitEntries)) return false;
    PairLiterals(z.lit);
    return BuildTable(lens + nlit, ndist, Kind::Dist, kDistBits, z.dist, kDistEntries) && !z.broken;
}

// One Huffman-coded block. The state lives in locals here: every byte
// written may alias the decoder's fields, which would keep them in memory.
bool Codes(Inflater& z) {
    const uint8_t* in = z.in;
    const uint8_t* inEnd = z.inEnd;
    BitWord bb = z.bb;
    unsigned bc = z.bc;
    uint8_t* out = z.out;
    uint8_t* outHard = z.outHard;
    const uint8_t* outBuf = z.outBuf.get();
    const uint32_t* lit = z.lit;
    const uint32_t* dist = z.dist;
    const size_t window = z.window;
    constexpr BitWord kLitMask = (1u << kLitBits) - 1, kDistMask = (1u << kDistBits) - 1;
    bool ok = false;

#define LG_SAVE() (z.in = in, z.inEnd = inEnd, z.bb = bb, z.bc = bc, z.out = out)
#define LG_LOAD() (in = z.in, inEnd = z.inEnd, bb = z.bb, bc = z.bc, out = z.out, outHard = z.outHard)
#define LG_REFILL()                              \
    if (in + sizeof(BitWord) <= inEnd) {         \
        bb |= LoadWord(in) << bc;                \
        in += (kWordBits - 1 - bc) >> 3;         \
        bc |= kFullBits;                         \
    } else {                                     \
        LG_SAVE();                               \
        Refill(z);                               \
        LG_LOAD();                               \
    }
#define LG_USE(n) (bb >>= (n), bc -= (n))
// One or two literals; the second byte is always stored (the buffer has
// slack behind its end) and counted only for a pair.
#define LG_LITERALS(e)                            \
    {                                             \
        const size_t count = 1 + ((e >> 12) & 1); \
        LG_ROOM(count);                           \
        out[0] = uint8_t(e >> 16);                \
        out[1] = uint8_t(e >> 24);                \
        out += count;                             \
    }
#define LG_ROOM(n)                                           \
    if (size_t(outHard - out) < (n)) {                       \
        LG_SAVE();                                           \
        const bool room = MakeRoom(z, (n));                  \
        LG_LOAD();                                           \
        if (!room) goto end;                                 \
    }

    for (;;) {
        // After a refill there are at least 56 bits (64-bit words): three
        // literal entries (15 bits each at most), or two and a length with
        // its extra bits; or 24 (32-bit words): one entry, a length with
        // its extra bits.
        LG_REFILL();
        uint32_t e = lit[bb & kLitMask];
        if (e & kLiteral) {
            LG_USE(e & 0xff);
            LG_LITERALS(e);
            if (kFullBits < 45) continue;
            e = lit[bb & kLitMask];
            if (e & kLiteral) {
                LG_USE(e & 0xff);
                LG_LITERALS(e);
                e = lit[bb & kLitMask];
                if (e & kLiteral) {
                    LG_USE(e & 0xff);
                    LG_LITERALS(e);
                    continue;
                }
            }
        }
        if (e & kSub) {
            LG_USE(kLitBits);
            e = lit[(e >> 16) + (bb & ((1u << ((e >> 12) & 15)) - 1))];
            if (e & kLiteral) {
                LG_USE(e & 0xff);
                LG_LITERALS(e);
                continue;
            }
        }
        if (e & (kEnd | kBad)) {
            LG_USE(e & 0xff);
            ok = (e & kEnd) != 0;
            break;
        }
        LG_USE(e & 0xff);
        const unsigned lenExtra = (e >> 12) & 15;
        const size_t len = (e >> 16) + size_t(bb & ((1u << lenExtra) - 1));
        LG_USE(lenExtra);

        LG_REFILL();
        uint32_t d = dist[bb & kDistMask];
        if (d & kSub) {
            LG_USE(kDistBits);
            d = dist[(d >> 16) + (bb & ((1u << ((d >> 12) & 15)) - 1))];
        }
        if (d & kBad) break;
        LG_USE(d & 0xff);
        const unsigned distExtra = (d >> 12) & 15;
        if (bc < distExtra) {  // a distance takes up to 28 bits
            LG_REFILL();
        }
        const size_t distance = (d >> 16) + size_t(bb & ((1u << distExtra) - 1));
        LG_USE(distExtra);

        LG_ROOM(len);
        // The buffer keeps the last 32 KB, or all output while there is less.
        if (distance > size_t(out - outBuf) || distance > window) break;
        const uint8_t* src = out - distance;
        uint8_t* const end = out + len;
        if (distance >= 8) {
            do {
                std::memcpy(out, src, 8);
                out += 8;
                src += 8;
            } while (out < end);
        } else if (distance == 1) {
            std::memset(out, *src, len);
        } else {
            for (size_t i = 0; i < len; ++i) out[i] = src[i];
        }
        out = end;
    }
end:
    LG_SAVE();
    return ok && !z.broken;
#undef LG_SAVE
#undef LG_LOAD
#undef LG_REFILL
#undef LG_USE
#undef LG_LITERALS
#undef LG_ROOM
}

bool Run(Inflater& z) {
    const uint32_t cmf = Bits(z, 8), flg = Bits(z, 8);
    if ((cmf * 256 + flg) % 31 != 0 || (cmf & 15) != 8 || (cmf >> 4) > 7 || (flg & 0x20)) return false;
    z.window = size_t(1) << ((cmf >> 4) + 8);
    for (bool last = false; !last;) {
        last = Bits(z, 1) != 0;
        const uint32_t type = Bits(z, 2);
        bool ok = false;
        if (type == 0) {
            ok = Stored(z);
        } else if (type == 1) {
            FixedTables(z);
            ok = Codes(z);
        } else if (type == 2) {
            ok = DynamicTables(z) && Codes(z);
        }
        if (!ok || z.broken) return false;
    }
    z.bb >>= z.bc & 7;
    z.bc -= z.bc & 7;
    uint32_t check = 0;
    for (int i = 0; i < 4; ++i) check = check << 8 | Bits(z, 8);
    if (z.broken || z.phantom * 8 > z.bc) return false;  // the checksum ran past the data
    while (z.done != z.out) {  // a second thread takes half the buffer at most at a time
        const uint64_t before = Handed(z);
        if (!Drain(z)) return false;
        if (Handed(z) == before) break;
    }
    WaitIdle(z);
    if (z.broken || Produced(z) != z.job.total || z.done != z.out || check != z.adler) return false;
    // Nothing may follow the stream.
    if (z.bc / 8 > z.phantom || z.in != z.inEnd) return false;
    Pull(z);
    return z.in == z.inEnd;
}

}  // namespace

bool InflateZlib(const InflateJob& job) {
    if (!job.pull || !job.take || job.unit == 0 || job.total % job.unit != 0) return false;
    if (job.unit > (SIZE_MAX - kWindow - 2 * kWorkSpace - kCopySlack) / 2) return false;
    std::unique_ptr<Inflater> z(new (std::nothrow) Inflater);
    if (!z) return false;
    z->job = job;
    const bool overlap = job.overlap && platform::ThreadCount() >= 2 && !platform::InsideConcurrentJob();
    // Room for the window, a unit and some work (twice as much when two
    // threads share it); a small stream fits whole.
    z->outCap = size_t(std::min<uint64_t>(kWindow + job.unit + (overlap ? 2 : 1) * kWorkSpace, job.total));
    z->inBuf.reset(new (std::nothrow) uint8_t[kInputCap]);
    z->outBuf.reset(new (std::nothrow) uint8_t[z->outCap + kCopySlack]);
    if (!z->inBuf || !z->outBuf) return false;
    z->in = z->inEnd = z->inBuf.get();
    z->out = z->done = z->outBuf.get();
    SetLimit(*z);
    if (!overlap) return Run(*z);
    z->helper.reset(new (std::nothrow) Inflater::Helper);
    if (!z->helper) return Run(*z);
    bool ok = false;
    const auto inflate = [&] {
        ok = Run(*z);
        WaitIdle(*z);
        z->helper->stop.store(true, std::memory_order_release);
        z->helper->work.Raise();
    };
    if (platform::RunBeside(inflate, [&] { HelperLoop(*z); })) return ok;
    z->helper.reset();  // no second thread after all: the units are taken here
    return Run(*z);
}

}  // namespace lg
