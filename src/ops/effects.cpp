#include "ops/effects.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "core/convert.h"
#include "ops/fine_rotate.h"
#include "ops/quantize.h"
#include "platform/threads.h"

namespace lg {
namespace {

inline uint8_t Clamp255(int v) { return uint8_t(std::min(255, std::max(0, v))); }

// Rows of the rectangle in bands on every processor; `perPixel` is the rough
// cost of one pixel. False when some band found no memory for its work rows.
template <typename F>
bool InBands(const PixelView& v, int perPixel, F rows) {
    std::atomic<bool> ok{true};
    platform::ForEachBand(v.h, int64_t(v.w) * perPixel, [&](int first, int end) {
        if (!rows(first, end)) ok = false;
    });
    return ok;
}

// --- blur ------------------------------------------------------------------

// Box mean over the part of the (2k+1)^2 window inside the rectangle: column
// sums slide up the rows, the row sum slides along the columns.
template <typename Sum>
bool BoxBlur(const PixelView& s, const PixelView& d, int k, int first, int end) {
    const int w = s.w, h = s.h;
    auto col = TryAlloc<uint32_t>(3 * size_t(w));
    if (!col) return false;
    std::fill(col.get(), col.get() + 3 * size_t(w), 0u);
    int bottom = std::max(0, first - k), top = bottom - 1;  // rows summed in `col`
    for (int r = first; r < end; ++r) {
        const int lo = std::max(0, r - k), hi = std::min(h - 1, r + k);
        for (; top < hi; ) {
            const uint8_t* p = s.at(0, ++top);
            for (size_t i = 0; i < 3 * size_t(w); ++i) col[i] += p[i];
        }
        for (; bottom < lo; ++bottom) {
            const uint8_t* p = s.at(0, bottom);
            for (size_t i = 0; i < 3 * size_t(w); ++i) col[i] -= p[i];
        }
        const Sum rows = Sum(hi - lo + 1);
        Sum acc[3] = {0, 0, 0};
        int left = 0, right = -1;
        uint8_t* out = d.at(0, r);
        for (int c = 0; c < w; ++c, out += 3) {
            const int clo = std::max(0, c - k), chi = std::min(w - 1, c + k);
            for (; right < chi; ) {
                ++right;
                for (int ch = 0; ch < 3; ++ch) acc[ch] += col[3 * size_t(right) + size_t(ch)];
            }
            for (; left < clo; ++left)
                for (int ch = 0; ch < 3; ++ch) acc[ch] -= col[3 * size_t(left) + size_t(ch)];
            const Sum n = rows * Sum(chi - clo + 1);
            for (int ch = 0; ch < 3; ++ch) out[ch] = uint8_t(acc[ch] / n);
        }
    }
    return true;
}

bool Blur(const PixelView& s, const PixelView& d, int p1) {
    const int k = std::max(0, p1 / 2);
    const int64_t span = 2 * int64_t(k) + 1;
    const int64_t most = 255 * std::min<int64_t>(span, s.w) * std::min<int64_t>(span, s.h);
    return InBands(s, 4, [&](int first, int end) {
        return most <= int64_t(UINT32_MAX) ? BoxBlur<uint32_t>(s, d, k, first, end)
                                           : BoxBlur<uint64_t>(s, d, k, first, end);
    });
}

// --- median ----------------------------------------------------------------

// By value, so that the row loops below vectorise.
inline uint8_t Lo(uint8_t a, uint8_t b) { return a < b ? a : b; }
inline uint8_t Hi(uint8_t a, uint8_t b) { return a < b ? b : a; }
inline uint8_t Med3(uint8_t a, uint8_t b, uint8_t c) { return Hi(Lo(a, b), Lo(Hi(a, b), c)); }

// Middle of n values, or the mean of the two middle ones for even n.
uint8_t MiddleOf(uint8_t* v, int n) {
    std::nth_element(v, v + n / 2, v + n);
    if (n & 1) return v[n / 2];
    const uint8_t below = *std::max_element(v, v + n / 2);
    return uint8_t((below + v[n / 2]) / 2);
}

// The window of a pixel near the rectangle's edge, gathered and sorted.
void MedianAt(const PixelView& s, uint8_t* out, int c, int r, int k, uint8_t* vals) {
    const int lo = std::max(0, r - k), hi = std::min(s.h - 1, r + k);
    const int clo = std::max(0, c - k), chi = std::min(s.w - 1, c + k);
    const int n = (hi - lo + 1) * (chi - clo + 1);
    for (int ch = 0; ch < 3; ++ch) {
        uint8_t* v = vals;
        for (int rr = lo; rr <= hi; ++rr) {
            const uint8_t* p = s.at(clo, rr) + ch;
            for (int cc = clo; cc <= chi; ++cc, p += 3) *v++ = *p;
        }
        out[ch] = MiddleOf(vals, n);
    }
}

// 3 x 3 windows wholly inside: every column triple is sorted once, and the
// median of nine is the middle of (largest low, middle middle, smallest high).
void Median3Row(const PixelView& s, const PixelView& d, int r, uint8_t* __restrict lo,
                uint8_t* __restrict mid, uint8_t* __restrict hi) {
    const uint8_t* __restrict a = s.at(0, r - 1);
    const uint8_t* __restrict b = s.at(0, r);
    const uint8_t* __restrict c = s.at(0, r + 1);
    const size_t n = 3 * size_t(s.w);
    for (size_t i = 0; i < n; ++i) {
        const uint8_t x = Lo(a[i], b[i]), y = Hi(a[i], b[i]);
        lo[i] = Lo(x, c[i]);
        hi[i] = Hi(y, c[i]);
        mid[i] = Hi(x, Lo(y, c[i]));
    }
    uint8_t* __restrict out = d.at(1, r);
    for (size_t i = 3; i + 3 < n; ++i) {
        const uint8_t l = Hi(Hi(lo[i - 3], lo[i]), lo[i + 3]);
        const uint8_t m = Med3(mid[i - 3], mid[i], mid[i + 3]);
        const uint8_t h = Lo(Lo(hi[i - 3], hi[i]), hi[i + 3]);
        out[i - 3] = Med3(l, m, h);
    }
}

bool Median(const PixelView& s, const PixelView& d, int p1) {
    const int k = std::min(std::max(0, p1 / 2), 4);
    const int side = 2 * k + 1;
    return InBands(s, k == 1 ? 4 : side * side * 4, [&](int first, int end) {
        auto vals = TryAlloc<uint8_t>(size_t(side) * size_t(side));
        auto rows = TryAlloc<uint8_t>(9 * size_t(s.w));
        if (!vals || !rows) return false;
        for (int r = first; r < end; ++r) {
            const bool fast = k == 1 && r >= 1 && r + 1 < s.h && s.w >= 3;
            if (fast) {
                Median3Row(s, d, r, rows.get(), rows.get() + 3 * size_t(s.w), rows.get() + 6 * size_t(s.w));
                MedianAt(s, d.at(0, r), 0, r, k, vals.get());
                MedianAt(s, d.at(s.w - 1, r), s.w - 1, r, k, vals.get());
                continue;
            }
            for (int c = 0; c < s.w; ++c) MedianAt(s, d.at(c, r), c, r, k, vals.get());
        }
        return true;
    });
}

// --- oil paint -------------------------------------------------------------

bool OilPaint(const PixelView& s, const PixelView& d, int p1) {
    int size = p1 >= 10 ? 10 : p1 & 1 ? p1 + 1 : p1;  // the window is even: 3 -> 4
    size = std::max(size, 2);
    const int half = size / 2;
    return InBands(s, size * size * 8, [&](int first, int end) {
        uint32_t keys[100];
        for (int r = first; r < end; ++r) {
            const int lo = std::max(0, r - half), hi = std::min(s.h - 1, r + half - 1);
            for (int c = 0; c < s.w; ++c) {
                const int clo = std::max(0, c - half), chi = std::min(s.w - 1, c + half - 1);
                // Colour above, position of meeting below: sorting groups the
                // colours and puts each colour's first meeting first.
                uint32_t n = 0;
                for (int rr = lo; rr <= hi; ++rr) {
                    const uint8_t* p = s.at(clo, rr);
                    for (int cc = clo; cc <= chi; ++cc, p += 3, ++n)
                        keys[n] = (uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16) << 7 | n;
                }
                std::sort(keys, keys + n);
                uint32_t best = keys[0], bestCount = 0;
                for (uint32_t i = 0; i < n;) {
                    uint32_t j = i + 1;
                    while (j < n && keys[j] >> 7 == keys[i] >> 7) ++j;
                    const uint32_t count = j - i;
                    if (count > bestCount || (count == bestCount && (keys[i] & 127) < (best & 127))) {
                        best = keys[i];
                        bestCount = count;
                    }
                    i = j;
                }
                const uint32_t colour = best >> 7;
                uint8_t* out = d.at(c, r);
                out[0] = uint8_t(colour);
                out[1] = uint8_t(colour >> 8);
                out[2] = uint8_t(colour >> 16);
            }
        }
        return true;
    });
}

// --- emboss and edge detection ---------------------------------------------

void GreyOut(const PixelView& d) {
    InBands(d, 2, [&](int first, int end) {
        for (int r = first; r < end; ++r) {
            uint8_t* p = d.at(0, r);
            for (int c = 0; c < d.w; ++c, p += 3) p[0] = p[1] = p[2] = uint8_t(EffectGrey(p[0], p[1], p[2]));
        }
        return true;
    });
}

void Emboss(const PixelView& s, const PixelView& d) {
    InBands(s, 12, [&](int first, int end) {
        for (int r = first; r < end; ++r) std::memset(d.at(0, r), 128, 3 * size_t(d.w));
        for (int r = std::max(first, 1); r + 1 < s.h && r < end; ++r)
            for (int c = 1; c + 1 < s.w; ++c)
                for (int ch = 0; ch < 3; ++ch) {
                    auto P = [&](int cc, int rr) { return int(s.at(cc, rr)[ch]); };
                    const int v = P(c + 1, r) + 2 * (P(c + 1, r + 1) - P(c - 1, r - 1)) + P(c, r + 1) -
                                  P(c - 1, r) - P(c, r - 1);
                    d.at(c, r)[ch] = Clamp255(128 + v / 8);
                }
        return true;
    });
    GreyOut(d);
}

void Edges(const PixelView& s, const PixelView& d) {
    std::atomic<int> most{0};
    InBands(s, 20, [&](int first, int end) {
        for (int r = std::max(first, 1); r + 1 < s.h && r < end; ++r)
            for (int c = 1; c + 1 < s.w; ++c)
                for (int ch = 0; ch < 3; ++ch) {
                    auto P = [&](int cc, int rr) { return int(s.at(cc, rr)[ch]); };
                    const int gx = (P(c + 1, r - 1) + P(c + 1, r) + P(c + 1, r + 1)) -
                                   (P(c - 1, r - 1) + P(c - 1, r) + P(c - 1, r + 1));
                    const int gy = (P(c - 1, r + 1) + P(c, r + 1) + P(c + 1, r + 1)) -
                                   (P(c - 1, r - 1) + P(c, r - 1) + P(c + 1, r - 1));
                    d.at(c, r)[ch] = uint8_t(std::max(std::abs(gx), std::abs(gy)) / 3);
                }
        // The brightest grey of the band's rows (the border rows keep their pixels).
        int m = 0;
        for (int r = first; r < end; ++r) {
            const uint8_t* p = d.at(0, r);
            for (int c = 0; c < d.w; ++c, p += 3) m = std::max(m, EffectGrey(p[0], p[1], p[2]));
        }
        for (int seen = most.load(); m > seen && !most.compare_exchange_weak(seen, m);) {
        }
        return true;
    });
    const int m = most.load();
    if (m == 0) return;
    uint8_t lut[256];
    for (int v = 0; v < 256; ++v) lut[v] = uint8_t(std::min(255, v * 255 / m));
    InBands(d, 1, [&](int first, int end) {
        for (int r = first; r < end; ++r) {
            uint8_t* p = d.at(0, r);
            for (size_t i = 0; i < 3 * size_t(d.w); ++i) p[i] = lut[p[i]];
        }
        return true;
    });
}

// --- pixelize ----------------------------------------------------------------

bool Pixelize(const PixelView& d, int p1, int p2) {
    // A block of 0 (the dialog accepts it) would make no grid: take 1.
    const int64_t bw = std::max(1, p1), bh = std::max(1, p2);
    const int64_t nx = (d.w + bw - 1) / bw, ny = (d.h + bh - 1) / bh;
    const int64_t x0 = -(bw * nx - d.w) / 2, y0 = -(bh * ny - d.h) / 2;  // grid origin
    // Bands of whole block rows: a block row is read and written by one band.
    std::atomic<bool> ok{true};
    platform::ForEachBand(int(ny), bh * d.w * 2, [&](int firstBlock, int endBlock) {
        auto sums = TryAlloc<uint64_t>(3 * size_t(nx));
        if (!sums) {
            ok = false;
            return;
        }
        for (int64_t by = firstBlock; by < endBlock; ++by) {
            const int rlo = int(std::max<int64_t>(0, y0 + by * bh));
            const int rhi = int(std::min<int64_t>(d.h, y0 + (by + 1) * bh));
            std::fill(sums.get(), sums.get() + 3 * nx, 0);
            for (int r = rlo; r < rhi; ++r)
                for (int64_t bx = 0; bx < nx; ++bx) {
                    const int clo = int(std::max<int64_t>(0, x0 + bx * bw));
                    const int chi = int(std::min<int64_t>(d.w, x0 + (bx + 1) * bw));
                    uint64_t* s = sums.get() + 3 * bx;
                    const uint8_t* p = d.at(clo, r);
                    for (int c = clo; c < chi; ++c, p += 3) {
                        s[0] += p[0];
                        s[1] += p[1];
                        s[2] += p[2];
                    }
                }
            for (int64_t bx = 0; bx < nx; ++bx) {
                const int clo = int(std::max<int64_t>(0, x0 + bx * bw));
                const int chi = int(std::min<int64_t>(d.w, x0 + (bx + 1) * bw));
                const uint64_t n = uint64_t(chi - clo) * uint64_t(rhi - rlo);
                uint8_t mean[3];
                for (int ch = 0; ch < 3; ++ch) mean[ch] = uint8_t(sums[3 * size_t(bx) + size_t(ch)] / n);
                for (int r = rlo; r < rhi; ++r) {
                    uint8_t* p = d.at(clo, r);
                    for (int c = clo; c < chi; ++c, p += 3) std::memcpy(p, mean, 3);
                }
            }
        }
    });
    return ok;
}

// --- sharpen -----------------------------------------------------------------

void ValueRow(const PixelView& s, int r, float* v) {
    const uint8_t* p = s.at(0, r);
    for (int c = 0; c < s.w; ++c, p += 3) v[c] = float(std::max({p[0], p[1], p[2]})) / 255.0f;
}

inline uint8_t FromUnit(float v) {
    const float f = FloorOf(v * 255 + 0.5f);
    return uint8_t(std::min(255.0f, std::max(0.0f, f)));
}

// The pixel with the value of the hexcone HSV model replaced by `value`.
void WithValue(const uint8_t* in, float value, uint8_t* out) {
    const float b = in[0], g = in[1], r = in[2];
    const float hi = std::max({r, g, b}), lo = std::min({r, g, b});
    const float sat = hi > 0 ? (hi - lo) / hi : 0;
    if (sat == 0) {
        out[0] = out[1] = out[2] = FromUnit(value);
        return;
    }
    const float delta = hi - lo;
    float hue = r == hi ? (g - b) / delta : g == hi ? 2 + (b - r) / delta : 4 + (r - g) / delta;
    hue *= 60;
    if (hue < 0) hue += 360;
    if (hue >= 360) hue = 0;
    hue /= 60;
    const float sector = FloorOf(hue);
    const float f = hue - sector;
    const float p = value * (1 - sat), q = value * (1 - sat * f), t = value * (1 - sat * (1 - f));
    float rr, gg, bb;
    switch (int(sector)) {
    case 0: rr = value, gg = t, bb = p; break;
    case 1: rr = q, gg = value, bb = p; break;
    case 2: rr = p, gg = value, bb = t; break;
    case 3: rr = p, gg = q, bb = value; break;
    case 4: rr = t, gg = p, bb = value; break;
    default: rr = value, gg = p, bb = q; break;
    }
    out[0] = FromUnit(bb);
    out[1] = FromUnit(gg);
    out[2] = FromUnit(rr);
}

#ifdef __SSE2__
inline __m128 Pick(__m128 mask, __m128 yes, __m128 no) {
    return _mm_or_ps(_mm_and_ps(mask, yes), _mm_andnot_ps(mask, no));
}

// FromUnit of four values in 0..1, as bytes in the low lanes.
inline __m128i FromUnit4(__m128 v) {
    // v * 255 + 0.5 is positive: truncation is the floor.
    const __m128i i = _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(v, _mm_set1_ps(255.0f)), _mm_set1_ps(0.5f)));
    return _mm_packus_epi16(_mm_packs_epi32(i, i), _mm_setzero_si128());
}

// Sharpen and WithValue for the four pixels from column c on: each lane does
// the scalar code's operations in its order (a lane whose branch the scalar
// code does not take computes a value that is then not picked).
void SharpenFour(float* const v[3], int c, float e, const uint8_t* in, uint8_t* out) {
    const __m128 zero = _mm_setzero_ps(), one = _mm_set1_ps(1.0f);
    __m128 sum = zero;
    for (int k = 0; k < 3; ++k)
        sum = _mm_add_ps(sum, _mm_add_ps(_mm_add_ps(_mm_loadu_ps(v[k] + c - 1), _mm_loadu_ps(v[k] + c)),
                                         _mm_loadu_ps(v[k] + c + 1)));
    __m128 value = _mm_mul_ps(_mm_mul_ps(sum, _mm_set1_ps(e)), _mm_set1_ps(0.11111111f));
    value = _mm_div_ps(_mm_sub_ps(_mm_loadu_ps(v[1] + c), value), _mm_set1_ps(1 - e));
    value = _mm_min_ps(_mm_max_ps(value, zero), one);

    alignas(16) float bl[4], gl[4], rl[4];
    for (int k = 0; k < 4; ++k) {
        bl[k] = in[3 * k];
        gl[k] = in[3 * k + 1];
        rl[k] = in[3 * k + 2];
    }
    const __m128 b = _mm_load_ps(bl), g = _mm_load_ps(gl), r = _mm_load_ps(rl);
    const __m128 hi = _mm_max_ps(_mm_max_ps(r, g), b), lo = _mm_min_ps(_mm_min_ps(r, g), b);
    const __m128 lit = _mm_cmpgt_ps(hi, zero);
    const __m128 sat = _mm_and_ps(lit, _mm_div_ps(_mm_sub_ps(hi, lo), Pick(lit, hi, one)));
    const __m128 grey = _mm_cmpeq_ps(sat, zero);
    const __m128 delta = Pick(grey, one, _mm_sub_ps(hi, lo));
    const __m128 rTop = _mm_cmpeq_ps(r, hi), gTop = _mm_andnot_ps(rTop, _mm_cmpeq_ps(g, hi));
    const __m128 num = Pick(rTop, _mm_sub_ps(g, b), Pick(gTop, _mm_sub_ps(b, r), _mm_sub_ps(r, g)));
    const __m128 q0 = _mm_div_ps(num, delta);
    __m128 hue = Pick(rTop, q0, _mm_add_ps(Pick(gTop, _mm_set1_ps(2.0f), _mm_set1_ps(4.0f)), q0));
    hue = _mm_mul_ps(hue, _mm_set1_ps(60.0f));
    hue = Pick(_mm_cmplt_ps(hue, zero), _mm_add_ps(hue, _mm_set1_ps(360.0f)), hue);
    hue = _mm_andnot_ps(_mm_cmpge_ps(hue, _mm_set1_ps(360.0f)), hue);
    hue = _mm_div_ps(hue, _mm_set1_ps(60.0f));
    const __m128i sector = _mm_cvttps_epi32(hue);  // hue is 0 or more
    const __m128 f = _mm_sub_ps(hue, _mm_cvtepi32_ps(sector));
    const __m128 p = _mm_mul_ps(value, _mm_sub_ps(one, sat));
    const __m128 q = _mm_mul_ps(value, _mm_sub_ps(one, _mm_mul_ps(sat, f)));
    const __m128 t = _mm_mul_ps(value, _mm_sub_ps(one, _mm_mul_ps(sat, _mm_sub_ps(one, f))));
    auto is = [&](int k) { return _mm_castsi128_ps(_mm_cmpeq_epi32(sector, _mm_set1_epi32(k))); };
    const __m128 s0 = is(0), s1 = is(1), s2 = is(2), s3 = is(3), s4 = is(4);
    // Sectors 0 .. 4, anything else as 5.
    __m128 rr = Pick(s0, value, Pick(s1, q, Pick(s2, p, Pick(s3, p, Pick(s4, t, value)))));
    __m128 gg = Pick(s0, t, Pick(s1, value, Pick(s2, value, Pick(s3, q, Pick(s4, p, p)))));
    __m128 bb = Pick(s0, p, Pick(s1, p, Pick(s2, t, Pick(s3, value, Pick(s4, value, q)))));
    rr = Pick(grey, value, rr);
    gg = Pick(grey, value, gg);
    bb = Pick(grey, value, bb);
    const uint32_t ob = uint32_t(_mm_cvtsi128_si32(FromUnit4(bb)));
    const uint32_t og = uint32_t(_mm_cvtsi128_si32(FromUnit4(gg)));
    const uint32_t orr = uint32_t(_mm_cvtsi128_si32(FromUnit4(rr)));
    for (int k = 0; k < 4; ++k) {
        out[3 * k] = uint8_t(ob >> (8 * k));
        out[3 * k + 1] = uint8_t(og >> (8 * k));
        out[3 * k + 2] = uint8_t(orr >> (8 * k));
    }
}
#endif

bool Sharpen(const PixelView& s, const PixelView& d, int p1) {
    const float e = float(std::min(99, std::max(0, p1))) * 0.01f;  // 100 would divide by 0
    if (s.w < 3 || s.h < 3) return true;
    // Bands of the rows 1 .. h - 2 that change.
    return InBands(PixelView{s.base, s.stride, s.w, s.h - 2}, 40, [&](int first, int end) {
        auto rows = TryAlloc<float>(3 * size_t(s.w));
        if (!rows) return false;
        float* v[3] = {rows.get(), rows.get() + s.w, rows.get() + 2 * size_t(s.w)};
        ValueRow(s, first, v[0]);
        ValueRow(s, first + 1, v[1]);
        for (int r = first + 1; r < end + 1; ++r) {
            ValueRow(s, r + 1, v[2]);
            int c = 1;
#ifdef __SSE2__
            for (; c + 4 < s.w; c += 4) SharpenFour(v, c, e, s.at(c, r), d.at(c, r));
#endif
            for (; c + 1 < s.w; ++c) {
                float sum = 0;
                for (int k = 0; k < 3; ++k) sum += v[k][c - 1] + v[k][c] + v[k][c + 1];
                float nv = (v[1][c] - sum * e * 0.11111111f) / (1 - e);
                nv = std::min(1.0f, std::max(0.0f, nv));
                WithValue(s.at(c, r), nv, d.at(c, r));
            }
            std::rotate(v, v + 1, v + 3);
        }
        return true;
    });
}

// --- explosion ---------------------------------------------------------------

struct Random {
    uint64_t state;
    uint32_t next() {  // splitmix64
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return uint32_t((z ^ (z >> 31)) >> 32);
    }
    // Uniform over lo..hi: products falling into the uneven rest are drawn again.
    int between(int lo, int hi) {
        const uint32_t range = uint32_t(hi - lo) + 1;
        const uint32_t reject = (0u - range) % range;
        for (;;) {
            const uint64_t m = uint64_t(next()) * range;
            if (uint32_t(m) >= reject) return lo + int(m >> 32);
        }
    }
};

int Within(int64_t v, int lo, int hi) { return int(std::min<int64_t>(hi, std::max<int64_t>(lo, v))); }

void ExplodeRect(Image& img, const Rect& r, int reachX, int reachY, uint64_t seed) {
    Random rnd{seed};
    const bool diamond = reachX < 0;
    const int64_t dx = std::abs(int64_t(reachX));
    const int64_t dy = std::max<int64_t>(0, reachY);
    const int right = r.x + r.w - 1, top = r.y + r.h - 1;
    for (int y = r.y; y <= top; ++y)
        for (int x = r.x; x <= right; ++x) {
            const int c = rnd.between(Within(x - dx, r.x, right), Within(x + dx, r.x, right));
            const int64_t reach = diamond ? dx - std::abs(c - x) : dy;
            const int row = rnd.between(Within(y - reach, r.y, top), Within(y + reach, r.y, top));
            uint8_t* a = img.row(y) + 3 * size_t(x);
            uint8_t* b = img.row(row) + 3 * size_t(c);
            std::swap_ranges(a, a + 3, b);
        }
}

uint64_t ClockSeed() {
    return uint64_t(std::time(nullptr)) ^
           uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
}

}  // namespace

bool Explode(Image& img, const Rect& r, int reachX, int reachY, uint64_t seed) {
    if (!img || img.bitCount() != 24) return false;
    const Rect c = ClampRect(r, img.width(), img.height());
    if (c.w <= 0 || c.h <= 0) return false;
    ExplodeRect(img, c, reachX, reachY, seed);
    return true;
}

bool ApplyEffect(Image& img, int code, const Rect& r, int p1, int p2) {
    if (!img || img.bitCount() != 24) return false;
    const Rect rect = ClampRect(r, img.width(), img.height());
    if (rect.w <= 0 || rect.h <= 0) return false;
    switch (code) {
    case kEffectExplode: return Explode(img, rect, p1, p2, ClockSeed());
    case kEffectPixelize: return Pixelize(ViewOf(img, rect), p1, p2);
    case kEffectFineRotate: return FineRotate(img, rect, p1, p2 != 0);
    case kEffectBlur:
    case kEffectEmboss:
    case kEffectOilPaint:
    case kEffectEdges:
    case kEffectMedian:
    case kEffectSharpen: break;
    default: return false;
    }
    // The rest read the unchanged pixels from a copy and write in place.
    const RectCopy src = CopyOfRect(img, rect);
    if (!src.data) return false;
    const PixelView d = ViewOf(img, rect);
    switch (code) {
    case kEffectBlur: return Blur(src.view, d, p1);
    case kEffectEmboss: Emboss(src.view, d); return true;
    case kEffectOilPaint: return OilPaint(src.view, d, p1);
    case kEffectEdges: Edges(src.view, d); return true;
    case kEffectMedian: return Median(src.view, d, p1);
    default: return Sharpen(src.view, d, p1);
    }
}

bool ApplyEffectToPicture(Image& pic, int code, const Rect& r, int p1, int p2) {
    if (!pic) return false;
    const int bits = pic.bitCount();
    if (bits == 24) return ApplyEffect(pic, code, r, p1, p2);
    Image wide;
    switch (bits) {
    case 1: wide = Expand1To24(pic); break;
    case 4: wide = Expand4To24(pic); break;
    case 8: wide = Expand8To24(pic); break;
    default: return false;
    }
    if (!wide || !ApplyEffect(wide, code, r, p1, p2)) return false;
    Image reduced = Quantize(wide, 256);
    pic = reduced ? std::move(reduced) : std::move(wide);
    return true;
}

EffectArgs EffectArguments(int code, const EffectSettings& s) {
    switch (code) {
    case kEffectSharpen: return {s.sharpen, 0};
    case kEffectBlur: return {s.blur, 0};
    case kEffectOilPaint: return {s.oilPaint, 0};
    case kEffectMedian: return {s.median, 0};
    case kEffectExplode: return {s.explodeX, s.explodeY};
    case kEffectPixelize: return {s.pixelizeX, s.pixelizeY};
    case kEffectFineRotate:
        return {FineRotateField(s), s.fineRotateClear ? 1 : 0};
    default: return {};
    }
}

int AcceptSharpen(int v) { return std::min(99, std::max(1, v)); }

int AcceptOddWindow(int v, int lo, int hi) {
    if (v % 2 == 0) ++v;
    return std::min(hi, std::max(lo, v));
}

int FineRotateField(const EffectSettings& s) {
    return s.fineRotateMinus ? -s.fineRotateDegrees : s.fineRotateDegrees;
}

EffectSettings AcceptEffectFields(EffectSettings typed, int rotationField) {
    EffectSettings s = typed;
    s.sharpen = AcceptSharpen(typed.sharpen);
    s.blur = AcceptOddWindow(typed.blur, 3, 33);
    s.oilPaint = AcceptOddWindow(typed.oilPaint, 3, 9);
    s.median = AcceptOddWindow(typed.median, 3, 9);
    s.fineRotateDegrees = rotationField == INT_MIN ? INT_MAX : std::abs(rotationField);
    s.fineRotateMinus = rotationField < 0;
    return s;
}

}  // namespace lg
