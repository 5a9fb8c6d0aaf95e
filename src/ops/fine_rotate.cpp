#include "ops/fine_rotate.h"

#include <algorithm>
#include <cmath>
#include <cstring>

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
inline float Settle(float v) {
    const float whole = std::round(v);
    if (std::fabs(v - whole) < 1e-3f) v = whole;
    return v > -0.5f && v < 0 ? 0 : v;
}

inline uint8_t Channel(float v) {
    const int i = int(v + 0.5f);
    return uint8_t(std::min(255, std::max(0, i)));
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
            for (int i = box.x; i < box.x + box.w; ++i, out += 3) {
                float sx, sy;
                t.apply(float(i), float(j), -1, &sx, &sy);
                sx = Settle(sx);
                sy = Settle(sy);
                const float fu = std::floor(sx), fv = std::floor(sy);
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
                for (int c = 0; c < 3; ++c) out[c] = Channel(wc * pc[c] + wh * ph[c] + wv * pv[c] + wd * pd[c]);
            }
        }
    });
    return true;
}

}  // namespace lg
