// A zlib stream inflated in one pass with little memory: the compressed data
// is pulled in pieces as it is needed and the output is handed on in whole
// units (picture rows) while a small window of it is kept for back
// references. Nothing is ever written outside the decoder's own buffers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lg {

// Supplies up to `cap` bytes of compressed data at `dst`; 0 means the data
// has ended (or could not be read).
using InflatePull = size_t (*)(void* ctx, uint8_t* dst, size_t cap);
// Receives `count` whole units of output, `unit` bytes each, at `data`;
// false stops the inflation.
using InflateTake = bool (*)(void* ctx, const uint8_t* data, size_t count);

struct InflateJob {
    InflatePull pull = nullptr;
    void* pullCtx = nullptr;
    InflateTake take = nullptr;
    void* takeCtx = nullptr;
    uint64_t total = 0;  // exact output size, a whole number of units
    size_t unit = 1;
    // Hand the units on from a second thread, while the next ones are
    // inflated, when the platform gives one (`take` is then called there).
    bool overlap = false;
};

// Inflates one zlib stream. True only when the stream is sound from its
// header to its checksum, decodes to exactly `total` bytes and is followed by
// no more data; anything else (a fault, a short or long stream, trailing
// bytes, a preset dictionary, a reference before the start or beyond the
// declared window) gives false. The units handed on before a failure stay
// with the caller.
bool InflateZlib(const InflateJob& job);

}  // namespace lg
