// Rows handed from a decoder to a writer a band at a time, so that a
// conversion needs neither the whole picture in memory nor one processor
// for both: while the writer takes one band, the decoder fills the next.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace lg {

// Fills or takes the band of picture rows top .. top + count - 1 in `band`
// (count * rowBytes bytes); false: see RunRowBands.
using BandProducer = std::function<bool(int top, int count, uint8_t* band)>;
using BandConsumer = std::function<bool(int top, int count, const uint8_t* band)>;

struct RowBandsResult {
    bool produced = true;  // every band was produced
    bool consumed = true;  // every band was consumed
};

// Produces the bands of `rows` rows, `bandRows` each (the last one may be
// shorter), top band first, and consumes each after it was produced, in the
// same order. Consuming runs on a second thread where there is one, a few
// bands behind; otherwise the two take turns on the calling thread. A false
// from `produce` ends the run after the bands before it were consumed; after
// a false from `consume` the rest is still produced but no longer consumed.
// Band buffers are zeroed once, so bytes the producer never writes (row
// padding) stay zero. False when there is no memory for the buffers: then
// nothing was produced.
bool RunRowBands(int rows, int bandRows, size_t rowBytes, const BandProducer& produce, const BandConsumer& consume,
                 RowBandsResult& result);

// Rows per band for rows of `rowBytes` bytes: a multiple of `unit` near a
// size that stays in the processor's cache between the two threads.
int RowsPerBand(size_t rowBytes, int unit);

}  // namespace lg
