// The one-pass inflater: zlib's streams at every level and strategy, fed in
// pieces of any size, give back the original, also with a second thread
// taking the output; whatever zlib refuses (every damaged variant of a
// stream is tried) is refused, and so are short and long streams and
// trailing bytes.
#include "support.h"

#include <zlib.h>

#include "formats/inflate.h"
#include "platform/threads.h"

using namespace lgtest;

namespace {

struct Feed {
    const Bytes* data = nullptr;
    size_t at = 0;
    size_t piece = 1;
};

size_t PullPieces(void* ctx, uint8_t* dst, size_t cap) {
    Feed& f = *static_cast<Feed*>(ctx);
    const size_t n = std::min({cap, f.piece, f.data->size() - f.at});
    std::copy(f.data->begin() + std::ptrdiff_t(f.at), f.data->begin() + std::ptrdiff_t(f.at + n), dst);
    f.at += n;
    return n;
}

struct Sink {
    Bytes out;
    size_t unit = 1;
    size_t stopAfter = SIZE_MAX;  // units
};

bool Take(void* ctx, const uint8_t* data, size_t count) {
    Sink& s = *static_cast<Sink*>(ctx);
    if (s.out.size() / s.unit + count > s.stopAfter) return false;
    s.out.insert(s.out.end(), data, data + count * s.unit);
    return true;
}

bool Inflate(const Bytes& z, uint64_t total, Bytes* out, size_t piece = 65536, size_t unit = 1,
             size_t stopAfter = SIZE_MAX, bool overlap = false) {
    Feed f{&z, 0, piece};
    Sink s{{}, unit, stopAfter};
    lg::InflateJob job;
    job.pull = PullPieces;
    job.pullCtx = &f;
    job.take = Take;
    job.takeCtx = &s;
    job.total = total;
    job.unit = unit;
    job.overlap = overlap;
    const bool ok = lg::InflateZlib(job);
    if (out) *out = s.out;
    return ok;
}

Bytes Deflate(const Bytes& raw, int level, int strategy = Z_DEFAULT_STRATEGY, int windowBits = 15) {
    z_stream zs{};
    EXPECT_EQ(deflateInit2(&zs, level, Z_DEFLATED, windowBits, 8, strategy), Z_OK);
    Bytes out(deflateBound(&zs, uLong(raw.size())) + 16);
    zs.next_in = const_cast<Bytef*>(raw.data());
    zs.avail_in = uInt(raw.size());
    zs.next_out = out.data();
    zs.avail_out = uInt(out.size());
    EXPECT_EQ(deflate(&zs, Z_FINISH), Z_STREAM_END);
    out.resize(zs.total_out);
    deflateEnd(&zs);
    return out;
}

// Runs of one byte, noise, text-like repeats near and far: literals, every
// match length and distances from 1 to the whole window.
Bytes Sample(size_t n) {
    Bytes b;
    uint32_t seed = 99;
    auto rnd = [&] { return seed = seed * 1103515245u + 12345u, seed >> 16; };
    while (b.size() < n) {
        const uint32_t kind = rnd() % 4, len = 1 + rnd() % 300;
        for (uint32_t i = 0; i < len && b.size() < n; ++i) {
            if (kind == 0) b.push_back(uint8_t(len));
            else if (kind == 1) b.push_back(uint8_t(rnd()));
            else if (b.size() > 40000) b.push_back(b[b.size() - (kind == 2 ? 3 + len % 7 : 32768 - len)]);
            else b.push_back(uint8_t('a' + rnd() % 5));
        }
    }
    return b;
}

TEST(InflateZlib, EveryLevelAndStrategyInPiecesOfAnySize) {
    const Bytes raw = Sample(300000);  // larger than the decoder's buffer, so its window moves
    for (int strategy : {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED})
        for (int level : {0, 1, 6, 9}) {
            const Bytes z = Deflate(raw, level, strategy);
            for (size_t piece : {size_t(1), size_t(7), size_t(1) << 20}) {
                if (piece == 1 && level != 6) continue;  // byte by byte is slow under the sanitizers
                Bytes out;
                EXPECT_TRUE(Inflate(z, raw.size(), &out, piece, 1000)) << strategy << " " << level << " " << piece;
                EXPECT_TRUE(out == raw) << strategy << " " << level << " " << piece;
            }
        }
    // Empty and one-byte streams; a small window that the stream keeps to.
    Bytes out;
    EXPECT_TRUE(Inflate(Deflate(Bytes(), 6), 0, &out));
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(Inflate(Deflate(Bytes{7}, 6), 1, &out));
    EXPECT_EQ(out, Bytes{7});
    EXPECT_TRUE(Inflate(Deflate(raw, 9, Z_DEFAULT_STRATEGY, 9), raw.size(), &out));
    EXPECT_TRUE(out == raw);
}

TEST(InflateZlib, RefusesWrongSizesTrailingBytesAndAStopFromTheReceiver) {
    const Bytes raw = Sample(5000), z = Deflate(raw, 6);
    EXPECT_TRUE(Inflate(z, raw.size(), nullptr, 65536, 1000));
    EXPECT_FALSE(Inflate(z, raw.size() - 1, nullptr));
    EXPECT_FALSE(Inflate(z, raw.size() + 1, nullptr));
    EXPECT_FALSE(Inflate(z, raw.size(), nullptr, 65536, 3)) << "not a whole number of units";
    Bytes longer = z;
    longer.push_back(0);
    EXPECT_FALSE(Inflate(longer, raw.size(), nullptr));
    Bytes out;
    EXPECT_FALSE(Inflate(Deflate(Sample(400000), 6), 400000, &out, 65536, 1000, 2));
    EXPECT_LE(out.size(), 2000u);
    // A header that declares a 256-byte window while the data reaches further.
    Bytes narrow = z;
    narrow[0] = 0x08;
    narrow[1] = uint8_t(31 - (0x08 * 256 + (narrow[1] & 0xe0)) % 31) | (narrow[1] & 0xe0);
    ASSERT_EQ((narrow[0] * 256 + narrow[1]) % 31, 0);
    EXPECT_FALSE(Inflate(narrow, raw.size(), nullptr));
    Bytes dict = z;  // a preset dictionary is never part of a picture
    dict[1] = uint8_t(dict[1] | 0x20);
    dict[1] = uint8_t((dict[1] & 0xe0) | (31 - (dict[0] * 256 + (dict[1] & 0xe0)) % 31) % 31);
    EXPECT_FALSE(Inflate(dict, raw.size(), nullptr));
}

TEST(InflateZlib, ASecondThreadTakingTheUnitsChangesNothing) {
    const Bytes raw = Sample(1200000), z = Deflate(raw, 6);  // several times the buffer
    Bytes cut(z.begin(), z.end() - 100);
    for (int threads : {1, 2, 7}) {
        lg::platform::SetThreadCount(threads);
        Bytes out;
        EXPECT_TRUE(Inflate(z, raw.size(), &out, 65536, 1200, SIZE_MAX, true)) << threads;
        EXPECT_TRUE(out == raw) << threads;
        EXPECT_FALSE(Inflate(z, raw.size(), &out, 65536, 1200, 300, true)) << threads << ": a stop";
        EXPECT_LE(out.size(), 300u * 1200) << threads;
        EXPECT_FALSE(Inflate(cut, raw.size(), nullptr, 65536, 1200, SIZE_MAX, true)) << threads << ": cut";
        EXPECT_FALSE(Inflate(z, raw.size() - 1200, nullptr, 65536, 1200, SIZE_MAX, true)) << threads << ": long";
        // Inside a job of its own the units are taken on the same thread.
        bool same[2] = {false, false};
        lg::platform::RunConcurrently(2, [&](int i) {
            Bytes mine;
            same[i] = Inflate(z, raw.size(), &mine, 65536, 1200, SIZE_MAX, true) && mine == raw;
        });
        EXPECT_TRUE(same[0] && same[1]) << threads;
    }
    lg::platform::SetThreadCount(0);
}

// zlib's own verdict on a stream that should inflate to `total` bytes.
bool ZlibInflates(const Bytes& z, size_t total, Bytes* out) {
    out->assign(total + 1, 0);
    uLongf n = uLongf(out->size());
    const int rc = uncompress(out->data(), &n, z.data(), uLong(z.size()));
    out->resize(n);
    return rc == Z_OK && n == total;
}

TEST(InflateZlib, NeverAcceptsWhatZlibRefusesNorDiffersFromIt) {
    // Dynamic, fixed and stored blocks.
    const Bytes raw = Sample(300);
    for (const Bytes& z : {Deflate(raw, 9), Deflate(raw, 6, Z_FIXED), Deflate(raw, 0)}) {
        int accepted = 0;
        for (size_t bit = 0; bit < z.size() * 8; ++bit) {
            Bytes bad = z;
            bad[bit / 8] = uint8_t(bad[bit / 8] ^ (1 << (bit % 8)));
            Bytes mine, theirs;
            if (!Inflate(bad, raw.size(), &mine, 1 + bit % 13)) continue;
            ++accepted;
            ASSERT_TRUE(ZlibInflates(bad, raw.size(), &theirs)) << "bit " << bit;
            EXPECT_TRUE(mine == theirs) << "bit " << bit;
        }
        EXPECT_LT(accepted, 8) << "the checksum catches nearly every change";
        for (size_t n = 0; n < z.size(); ++n)
            EXPECT_FALSE(Inflate(Bytes(z.begin(), z.begin() + std::ptrdiff_t(n)), raw.size(), nullptr)) << n;
    }
}

}  // namespace
