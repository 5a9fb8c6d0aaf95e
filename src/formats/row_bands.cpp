#include "formats/row_bands.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/threads.h"

namespace lg {
namespace {

constexpr int kSlots = 4;                       // bands the decoder may be ahead
constexpr size_t kBandBytes = size_t(256) << 10;
constexpr unsigned kWaitMs = 100;               // a wake-up is never missed; this only bounds a wait

// What the two sides of a run share.
struct Handover {
    std::atomic<int> made{0};    // bands produced so far
    std::atomic<int> taken{0};   // bands consumed (or passed over) so far
    std::atomic<bool> producerDone{false}, consumerDone{false};
    platform::Signal madeOne, tookOne;
};

struct FreeBlock {
    void operator()(uint8_t* p) const { std::free(p); }
};

// Marks a side's end however it ends, so the other never waits for it.
struct EndMark {
    std::atomic<bool>& done;
    platform::Signal& wake;
    ~EndMark() {
        done.store(true);
        wake.Raise();
    }
};

}  // namespace

int RowsPerBand(size_t rowBytes, int unit) {
    unit = std::max(unit, 1);
    const size_t units = kBandBytes / std::max<size_t>(rowBytes * size_t(unit), 1);
    return unit * int(std::max<size_t>(units, 1));
}

bool RunRowBands(int rows, int bandRows, size_t rowBytes, const BandProducer& produce, const BandConsumer& consume,
                 RowBandsResult& result) {
    result = RowBandsResult();
    if (rows <= 0) return true;
    bandRows = std::max(1, std::min(bandRows, rows));
    const int bands = (rows - 1) / bandRows + 1;
    const int slots = std::min(kSlots, bands);
    const size_t bandBytes = size_t(bandRows) * rowBytes;
    // Cleared by the system: the pages of a buffer are only touched (and paid
    // for) once it is used, and one thread uses only the first.
    std::vector<std::unique_ptr<uint8_t, FreeBlock>> buffers;
    for (int i = 0; i < slots; ++i) {
        buffers.emplace_back(static_cast<uint8_t*>(std::calloc(bandBytes, 1)));
        if (!buffers.back()) return false;
    }
    const auto countOf = [&](int band) { return std::min(bandRows, rows - band * bandRows); };

    Handover h;
    const auto producer = [&] {
        EndMark end{h.producerDone, h.madeOne};
        for (int b = 0; b < bands; ++b) {
            // A slot is free once the band that used it before was taken.
            while (b - h.taken.load() >= slots && !h.consumerDone.load()) h.tookOne.Wait(kWaitMs);
            if (!produce(b * bandRows, countOf(b), buffers[size_t(b % slots)].get())) {
                result.produced = false;
                return;
            }
            h.made.store(b + 1);
            h.madeOne.Raise();
        }
    };
    const auto consumer = [&] {
        EndMark end{h.consumerDone, h.tookOne};
        bool writing = true;
        for (int b = 0; b < bands; ++b) {
            while (h.made.load() <= b) {
                if (h.producerDone.load() && h.made.load() <= b) return;
                h.madeOne.Wait(kWaitMs);
            }
            if (writing && !consume(b * bandRows, countOf(b), buffers[size_t(b % slots)].get())) {
                writing = false;
                result.consumed = false;
            }
            h.taken.store(b + 1);
            h.tookOne.Raise();
        }
    };
    if (platform::RunBeside(producer, consumer)) return true;
    // One thread: the two take turns over the first buffer.
    for (int b = 0; b < bands; ++b) {
        if (!produce(b * bandRows, countOf(b), buffers[0].get())) {
            result.produced = false;
            break;
        }
        if (result.consumed) result.consumed = consume(b * bandRows, countOf(b), buffers[0].get());
    }
    return true;
}

}  // namespace lg
