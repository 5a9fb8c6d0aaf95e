#include "ops/fine_rotate.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "platform/threads.h"

namespace lg {
namespace {

// Rotation about the rectangle's centre in single precision, buffer rows
// counting upward; a positive angle turns clockwise on screen.
struct Turn {
    float cx, cy, c, s;
    Turn(const Rect& r, int degrees) {
        const float alpha = float(degrees * 0.017453292519943295);
        cx = float(r.x) + float(r.w - 1) * 0.5f;
        cy = float(r.y) + float(r.h - 1) * 0.5f;
        c = std::cos(alpha);
        s = std::sin(alpha);
    }
    // sign +1 turns by the angle, -1 back.
    void apply(float px, float py, float sign, float* ox, float* oy) const {
        const float dx = px - cx, dy = py - cy;
        *ox = cx + dx * c + sign * dy * s;
        *oy = cy + dy * c - sign * dx * s;
    }
};

// Rounding noise of the sine and cosine (cos 90 degrees is not 0 in single
// precision) must not move a whole-number point into the pixel before it.
// Only a whole number within 1e-3 counts, and for those FloorOf(v + 0.5)
// is the nearest one.
inline float Settle(float v) {
    const float whole = FloorOf(v + 0.5f);
    if (std::fabs(v - whole) < 1e-3f) v = whole;
    return v > -0.5f && v < 0 ? 0 : v;
}

#ifdef __SSE2__
// The three channels of a pixel as floats, side by side.
inline __m128 Lanes(const uint8_t* p) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i b = _mm_cvtsi32_si128(int(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16));
    return _mm_cvtepi32_ps(_mm_unpacklo_epi16(_mm_unpacklo_epi8(b, zero), zero));
}
#endif

// The weighted pixel, each channel rounded and limited to 0..255; the same
// sums in the same order on each channel with or without vector lanes.
inline void Blend(uint8_t* out, float wc, const uint8_t* pc, float wh, const uint8_t* ph, float wv,
                  const uint8_t* pv, float wd, const uint8_t* pd) {
#ifdef __SSE2__
    __m128 v = _mm_mul_ps(_mm_set1_ps(wc), Lanes(pc));
    v = _mm_add_ps(v, _mm_mul_ps(_mm_set1_ps(wh), Lanes(ph)));
    v = _mm_add_ps(v, _mm_mul_ps(_mm_set1_ps(wv), Lanes(pv)));
    v = _mm_add_ps(v, _mm_mul_ps(_mm_set1_ps(wd), Lanes(pd)));
    // Truncated as int() does, then limited by the saturating packs.
    __m128i i = _mm_cvttps_epi32(_mm_add_ps(v, _mm_set1_ps(0.5f)));
    i = _mm_packus_epi16(_mm_packs_epi32(i, i), _mm_setzero_si128());
    const uint32_t bytes = uint32_t(_mm_cvtsi128_si32(i));
    out[0] = uint8_t(bytes);
    out[1] = uint8_t(bytes >> 8);
    out[2] = uint8_t(bytes >> 16);
#else
    for (int c = 0; c < 3; ++c) {
        const int i = int(wc * pc[c] + wh * ph[c] + wv * pv[c] + wd * pd[c] + 0.5f);
        out[c] = uint8_t(std::min(255, std::max(0, i)));
    }
#endif
}

}  // namespace

Rect FineRotateTargetBox(const Rect& rect, int degrees, int width, int height) {
    const Rect r = ClampRect(rect, width, height);
    if (r.w <= 0 || r.h <= 0) return r;
    const Turn t(r, degrees);
    const float xs[2] = {float(r.x), float(r.x) + float(r.w)};
    const float ys[2] = {float(r.y), float(r.y) + float(r.h)};
    long long minX = 0, maxX = 0, minY = 0, maxY = 0;
    for (int k = 0; k < 4; ++k) {
        float ox, oy;
        t.apply(xs[k >> 1], ys[k & 1], 1, &ox, &oy);
        const long long rx = std::llround(ox), ry = std::llround(oy);  // half away from zero
        if (k == 0 || rx < minX) minX = rx;
        if (k == 0 || rx > maxX) maxX = rx;
        if (k == 0 || ry < minY) minY = ry;
        if (k == 0 || ry > maxY) maxY = ry;
    }
    // The corners of a rectangle on the picture stay within a few picture
    // sizes of it, so the box fits an int before the clamp.
    Rect box{int(minX - 1), int(minY - 1), int(maxX - minX + 2), int(maxY - minY + 2)};
    return ClampRect(box, width, height);
}

bool FineRotate(Image& img, const Rect& r, int degrees, bool clear) {
    if (!img || img.bitCount() != 24) return false;
    const Rect rect = ClampRect(r, img.width(), img.height());
    if (rect.w < 1 || rect.h < 1) return false;
    const RectCopy src = CopyOfRect(img, rect);
    if (!src.data) return false;
    if (clear) {
        const PixelView d = ViewOf(img, rect);
        for (int j = 0; j < d.h; ++j) std::memset(d.at(0, j), 0, 3 * size_t(d.w));
    }
    const Rect box = FineRotateTargetBox(rect, degrees, img.width(), img.height());
    const Turn t(rect, degrees);
    const PixelView& s = src.view;
    platform::ForEachBand(box.h, int64_t(box.w) * 4, [&](int first, int end) {
        for (int j = box.y + first; j < box.y + end; ++j) {
            uint8_t* out = img.row(j) + 3 * size_t(box.x);
            // Turn::apply backwards, its row terms taken out of the loop:
            // the same operations in the same order.
            const float dy = float(j) - t.cy;
            const float xRow = -dy * t.s, yRow = t.cy + dy * t.c;
            for (int i = box.x; i < box.x + box.w; ++i, out += 3) {
                const float dx = float(i) - t.cx;
                float sx = t.cx + dx * t.c + xRow;
                float sy = yRow - -dx * t.s;
                sx = Settle(sx);
                sy = Settle(sy);
                const float fu = FloorOf(sx), fv = FloorOf(sy);
                // Compared as floats: a far-away point never reaches an int cast.
                if (fu < float(rect.x) || fu >= float(rect.x + rect.w) || fv < float(rect.y) ||
                    fv >= float(rect.y + rect.h))
                    continue;
                const int U = int(fu) - rect.x, V = int(fv) - rect.y;  // inside the copy
                const float fx = sx - fu, fy = sy - fv;
                const float N = std::fabs(fx - 0.5f), M = std::fabs(fy - 0.5f);
                const int hu = fx >= 0.5f ? U + 1 : U - 1, vv = fy >= 0.5f ? V + 1 : V - 1;
                const bool hIn = hu >= 0 && hu < rect.w, vIn = vv >= 0 && vv < rect.h;
                const float wh = hIn ? (1 - M) * N * 0.7f : 0;
                const float wv = vIn ? (1 - N) * M * 0.7f : 0;
                const float wd = hIn && vIn ? M * N * 0.7f : 0;
                const float wc = 1 - (wh + wv + wd);
                const uint8_t* pc = s.at(U, V);
                const uint8_t* ph = hIn ? s.at(hu, V) : pc;
                const uint8_t* pv = vIn ? s.at(U, vv) : pc;
                const uint8_t* pd = hIn && vIn ? s.at(hu, vv) : pc;
                Blend(out, wc, pc, wh, ph, wv, pv, wd, pd);
            }
        }
    });
    return true;
}

}  // namespace lg
