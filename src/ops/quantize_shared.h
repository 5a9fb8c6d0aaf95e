// The parts both colour reductions share: counting a picture into a histogram
// on every processor, the nearest entries over a region of an inverse colour
// map, and the second pass, serpentine Floyd-Steinberg dithering of a 24-bit
// picture into palette indices. Internal to src/ops/quantize*.
#pragma once

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>
#include <string>

#include "core/image.h"
#include "platform/threads.h"

namespace lg::quantize_detail {

// Dithering errors are limited before they are added: small ones pass, middle
// ones grow at half the rate, large ones stop at 32, so a wrong-coloured
// neighbourhood cannot smear far. Takes errors of -255..255.
inline int LimitError(int e) {
    int m = e < 0 ? -e : e;
    int v = m < 16 ? m : m < 48 ? 16 + (m - 16) / 2 : 32;
    return e < 0 ? -v : v;
}

// The limit applied straight to a sum of sixteenths, rounding included:
// entry s is LimitError((s + 8) >> 4). The weights 7 + 3 + 5 + 1 of errors up
// to 255 keep every sum within +-16 * 255.
constexpr int kMaxSum = 16 * 255;
inline const int8_t* SumLimit() {
    static const std::array<int8_t, 2 * kMaxSum + 1> table = [] {
        std::array<int8_t, 2 * kMaxSum + 1> t{};
        for (int s = -kMaxSum; s <= kMaxSum; ++s) t[size_t(s + kMaxSum)] = int8_t(LimitError((s + 8) >> 4));
        return t;
    }();
    return table.data() + kMaxSum;
}

inline int Clamp255(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

// The Floyd-Steinberg state of one colour component along a row.
struct Spread {
    int ahead = 0;   // 7/16 of the last error, for the next pixel in the row
    int behind = 0;  // sum waiting for the column just behind
    int held = 0;    // the last error, 1/16 of it goes two columns on

    // The pixel's component with the errors of its neighbours added.
    int Correct(const int8_t* limit, int fromRowAbove, int value) const {
        return Clamp255(limit[ahead + fromRowAbove] + value);
    }
    // Hands on the error of a pixel; returns the sum for the column behind.
    int16_t Pass(int err) {
        int16_t done = int16_t(behind + 3 * err);
        behind = held + 5 * err;
        held = err;
        ahead = 7 * err;
        return done;
    }
};

// One row in scan direction Dir. `err` holds width + 2 triples of error sums
// in sixteenths; the entry of column x is triple x + 1, and the two outer
// triples only ever receive spill. The three components are written out
// rather than looped over, so that their state stays in registers. `map`
// gives the palette index of a (blue, green, red) colour.
template <int Dir, typename Map>
void DitherRow(const uint8_t* in, int w, int16_t* err, const Map& map, const uint8_t* table, uint8_t* idx) {
    constexpr int kStep = 3 * Dir;
    const int8_t* limit = SumLimit();
    int x = Dir > 0 ? 0 : w - 1;
    const uint8_t* p = in + 3 * x;
    int16_t* e = Dir > 0 ? err : err + 3 * (w + 1);  // the entry behind the first column
    Spread blue, green, red;
    for (int n = w; n > 0; --n, x += Dir, p += kStep, e += kStep) {
        const int b = blue.Correct(limit, e[kStep], p[0]);
        const int g = green.Correct(limit, e[kStep + 1], p[1]);
        const int r = red.Correct(limit, e[kStep + 2], p[2]);
        const int k = map.Index(b, g, r);
        const uint8_t* c = table + 4 * k;
        e[0] = blue.Pass(b - c[0]);
        e[1] = green.Pass(g - c[1]);
        e[2] = red.Pass(r - c[2]);
        idx[x] = uint8_t(k);
    }
    e[0] = int16_t(blue.behind);
    e[1] = int16_t(green.behind);
    e[2] = int16_t(red.behind);
}

// Indices into a row of 4 or 1 bits per pixel, first pixel in the high bits;
// `flip` is XORed into 1-bit indices.
inline void PackRow(const uint8_t* idx, int w, int bits, uint8_t flip, uint8_t* out) {
    if (bits == 4) {
        int x = 0;
        for (; x + 1 < w; x += 2) *out++ = uint8_t(idx[x] << 4 | idx[x + 1]);
        if (x < w) *out = uint8_t(idx[x] << 4);
        return;
    }
    for (int x = 0; x < w; x += 8) {
        unsigned byte = 0;
        int n = std::min(8, w - x);
        for (int k = 0; k < n; ++k) byte |= unsigned((idx[x + k] ^ flip) & 1) << (7 - k);
        *out++ = uint8_t(byte);
    }
}

// Counts the rows of `src` into the histogram `hist` of `cells` entries,
// band by band on every processor: `count(first, end, table)` counts rows
// into a table, `merge(hist, part)` adds a band's own table into `hist`.
// Band 0 counts into `hist` itself; a band without memory for a table of its
// own is counted into `hist` at the end.
template <typename T, typename Count, typename Merge>
void CountInBands(const Image& src, T* hist, int cells, Count count, Merge merge) {
    const int64_t work = src.width();
    const size_t n = size_t(std::max(platform::BandCount(src.height(), work), 1));
    std::vector<std::unique_ptr<T[]>> parts(n);
    std::vector<std::pair<int, int>> left(n, {0, 0});
    platform::ForEachNumberedBand(src.height(), work, [&](int k, int first, int end) {
        if (k == 0) return count(first, end, hist);
        parts[size_t(k)].reset(new (std::nothrow) T[size_t(cells)]());
        if (parts[size_t(k)]) count(first, end, parts[size_t(k)].get());
        else left[size_t(k)] = {first, end};
    });
    for (const auto& part : parts)
        if (part) merge(hist, part.get());
    for (const auto& rows : left) count(rows.first, rows.second, hist);
}

// The nearest palette entry (lowest index on a tie) to each cell centre of a
// region of NB x NG x NR inverse-map cells, red varying fastest, into `who`.
// Per axis (blue, green, red): `lo` the first centre, `step` the distance
// between centres, `scale` the axis's weight, all in the units of the table
// values times `tableScale`. Entries that cannot beat the best worst-case
// distance over the region are left out first.
template <int NB, int NG, int NR>
void NearestInRegion(const uint8_t* table, int entries, const int lo[3], const int step[3], const int scale[3],
                     int tableScale, uint8_t* who) {
    constexpr int kCount[3] = {NB, NG, NR};
    int minDist[256];
    int limit = INT_MAX;
    for (int i = 0; i < entries; ++i) {
        int mn = 0, mx = 0;
        for (int a = 0; a < 3; ++a) {
            const int x = tableScale * table[4 * i + a], hi = lo[a] + (kCount[a] - 1) * step[a];
            const int toLo = scale[a] * (x - lo[a]), toHi = scale[a] * (x - hi);
            mn += x < lo[a] ? toLo * toLo : x > hi ? toHi * toHi : 0;
            mx += std::max(toLo * toLo, toHi * toHi);
        }
        minDist[i] = mn;
        limit = std::min(limit, mx);
    }
    int best[NB * NG * NR];
    std::fill(best, best + NB * NG * NR, INT_MAX);
    std::fill(who, who + NB * NG * NR, uint8_t(0));
    for (int i = 0; i < entries; ++i) {
        if (minDist[i] > limit) continue;
        // Squared weighted distance per axis to each cell centre of the region.
        int term[3][8];
        for (int a = 0; a < 3; ++a)
            for (int k = 0; k < kCount[a]; ++k) {
                const int d = scale[a] * (lo[a] + k * step[a] - tableScale * table[4 * i + a]);
                term[a][k] = d * d;
            }
        int c = 0;
        for (int b = 0; b < NB; ++b)
            for (int g = 0; g < NG; ++g) {
                const int bg = term[0][b] + term[1][g];
                for (int r = 0; r < NR; ++r, ++c) {
                    const int d = bg + term[2][r];
                    if (d < best[c]) {
                        best[c] = d;
                        who[c] = uint8_t(i);
                    }
                }
            }
    }
}

inline int Luma1000(const uint8_t* e) { return 114 * e[0] + 587 * e[1] + 299 * e[2]; }

// For 2 colours: the value XORed into the indices so that the darker of the
// computed colours (or the only one, when dark) shows black.
inline uint8_t BlackWhiteFlip(const uint8_t* table, int n) {
    return n > 1 ? Luma1000(table) > Luma1000(table + 4) : Luma1000(table) >= 128 * 1000;
}

// Fills a palette picture `out` (depth 8, 4 or 1, the source's size) from the
// 24-bit `src` against the `n` entries of `table`; `err` holds 3 * (width + 2)
// zeroed sums, `idxRow` a row of indices (needed below depth 8). The table
// goes into the picture's palette; with 2 colours it is black and white.
template <typename Map>
void DitherPicture(const Image& src, Image& out, const uint8_t* table, int n, const Map& map, int16_t* err,
                   uint8_t* idxRow) {
    const int w = src.width(), h = src.height(), bits = out.bitCount();
    const uint8_t flip = bits == 1 ? BlackWhiteFlip(table, n) : 0;
    for (int y = 0; y < h; ++y) {
        uint8_t* idx = bits == 8 ? out.row(y) : idxRow;
        if (y & 1)
            DitherRow<-1>(src.row(y), w, err, map, table, idx);
        else
            DitherRow<1>(src.row(y), w, err, map, table, idx);
        if (bits < 8) PackRow(idx, w, bits, flip, out.row(y));
    }
    if (bits == 1) {
        out.setPaletteEntry(0, 0, 0, 0);
        out.setPaletteEntry(1, 255, 255, 255);
    } else {
        std::memcpy(out.palette(), table, 4 * size_t(out.colorsUsed()));
    }
}

// The better reduction of a 24-bit picture to 2..256 colours (quantize_fine.cpp),
// with the result and failures of Quantize.
Image ReduceBetter24(const Image& src24, int colors, std::string* why);

}  // namespace lg::quantize_detail
