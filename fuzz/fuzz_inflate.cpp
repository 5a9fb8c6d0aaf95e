// Fuzz target for the PNG rows' inflater, checked against zlib: the first
// two bytes choose the unit size, the piece size the data comes in, the
// second thread and a wrong total; the rest is the zlib stream. Whatever the
// inflater accepts, zlib accepts too with the same bytes; a stream zlib
// decodes whole with the largest window is accepted; nothing is handed on
// beyond the total.
#include <zlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "formats/inflate.h"

namespace {

constexpr size_t kMaxOutput = size_t(4) << 20;

struct Source {
    const uint8_t* data;
    size_t size, at, piece;
};

size_t Pull(void* ctx, uint8_t* dst, size_t cap) {
    Source& s = *static_cast<Source*>(ctx);
    const size_t n = std::min({cap, s.piece, s.size - s.at});
    std::memcpy(dst, s.data + s.at, n);
    s.at += n;
    return n;
}

struct Sink {
    std::vector<uint8_t> out;
    size_t unit;
    uint64_t total;
};

bool Take(void* ctx, const uint8_t* data, size_t count) {
    Sink& s = *static_cast<Sink*>(ctx);
    s.out.insert(s.out.end(), data, data + count * s.unit);
    if (s.out.size() > s.total) std::abort();  // handed on beyond the total
    return true;
}

// zlib's answer: the output (in one buffer kept for every run: a fresh one
// would cost more than the inflation) and whether the stream ends at the
// data's end, sound.
bool Reference(const uint8_t* data, size_t size, const uint8_t*& out, size_t& outSize) {
    static std::vector<uint8_t> buffer(kMaxOutput);
    z_stream z{};
    out = buffer.data();
    outSize = 0;
    if (inflateInit(&z) != Z_OK) return false;
    z.next_in = const_cast<uint8_t*>(data);
    z.avail_in = uInt(size);
    z.next_out = buffer.data();
    z.avail_out = uInt(buffer.size());
    const int rc = inflate(&z, Z_FINISH);
    const bool whole = rc == Z_STREAM_END && z.avail_in == 0;
    outSize = z.total_out;
    inflateEnd(&z);
    return whole;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const size_t unit = 1 + data[0] % 16;
    const uint8_t how = data[1];
    const size_t pieces[4] = {1, 7, 4096, 65536};
    Source src{data + 2, size - 2, 0, pieces[how & 3]};
    const uint8_t* ref = nullptr;
    size_t refSize = 0;
    const bool zlibWhole = Reference(src.data, src.size, ref, refSize);
    Sink sink{{}, unit, 0};
    // The exact size when zlib knows it and units fit it, else a guess.
    sink.total = zlibWhole && refSize % unit == 0 ? refSize : uint64_t(unit) * (1 + (how >> 4));
    if (how & 8) sink.total += unit;  // one unit too many: must fail
    lg::InflateJob job;
    job.pull = Pull;
    job.pullCtx = &src;
    job.take = Take;
    job.takeCtx = &sink;
    job.total = sink.total;
    job.unit = unit;
    job.overlap = (how & 4) != 0;
    const bool ok = lg::InflateZlib(job);
    if (ok) {
        if (!zlibWhole || sink.out.size() != sink.total || refSize != sink.total ||
            !std::equal(sink.out.begin(), sink.out.end(), ref))
            std::abort();
    } else if (zlibWhole && refSize == sink.total && refSize < kMaxOutput && src.size >= 2 &&
               (src.data[0] >> 4) == 7) {
        std::abort();  // a sound stream with the largest window, refused
    }
    // What was handed on before a failure is zlib's output as far as it goes.
    if (sink.out.size() > refSize ? refSize < kMaxOutput : !std::equal(sink.out.begin(), sink.out.end(), ref))
        std::abort();
    return 0;
}
