#include "ops/resize.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "core/convert.h"
#include "ops/geometry.h"
#include "ops/quantize.h"
#include "platform/threads.h"

namespace lg {
namespace {

inline int Get1(const uint8_t* row, int x) { return (row[x >> 3] >> (7 - (x & 7))) & 1; }
inline int Get4(const uint8_t* row, int x) { return x & 1 ? row[x >> 1] & 15 : row[x >> 1] >> 4; }

inline uint8_t ClampRound(double v) {
    if (v > 255) return 255;
    if (v < 0) return 0;
    return uint8_t(int(v + 0.5));
}

// Rounds half up (add 0.5, truncate) and keeps the result an int.
int RoundToInt(double v) {
    v += 0.5;
    if (!(v > INT_MIN)) return INT_MIN;
    if (v >= double(INT_MAX)) return INT_MAX;
    return int(v);
}

// --- nearest neighbour -----------------------------------------------------

void ResizeRow(const uint8_t* s, uint8_t* d, int bits, const int* xs, int nw) {
    switch (bits) {
    case 24:
        for (int k = 0; k < nw; ++k, d += 3) std::memcpy(d, s + 3 * size_t(xs[k]), 3);
        break;
    case 8:
        for (int k = 0; k < nw; ++k) d[k] = s[xs[k]];
        break;
    case 4:
        for (int k = 0; k < nw; ++k) d[k >> 1] = uint8_t(d[k >> 1] | Get4(s, xs[k]) << (k & 1 ? 0 : 4));
        break;
    default:
        for (int k = 0; k < nw; ++k)
            if (Get1(s, xs[k])) d[k >> 3] = uint8_t(d[k >> 3] | 0x80 >> (k & 7));
        break;
    }
}

// --- filtered method -------------------------------------------------------

// Per output position a run of (source index, weight) pairs.
struct Contributions {
    std::vector<int> start;   // size positions + 1
    std::vector<int> index;
    std::vector<float> weight;
};

int Mirror(int j, int len) {
    if (j < 0) j = -j;
    if (j >= len) j = 2 * len - 1 - j;
    return std::min(std::max(j, 0), len - 1);  // a very short line mirrors past both ends
}

// Positions of a pass with scale s >= 1. The centre is offset by the
// kernel's whole support, so output i sits on source i / s + S / s.
Contributions EnlargeLists(int newLen, int len, float s, int filter) {
    const float support = ResampleSupport(filter);
    const int S = int(support);
    const int e = int(s * support);
    Contributions c;
    c.start.push_back(0);
    for (int i = 0; i < newLen; ++i) {
        const float centre = float(i + S + e) / s;
        const int lo = int(std::ceil(centre - support)), hi = int(std::floor(centre + support));
        for (int j = lo; j <= hi; ++j) {
            float w = ResampleKernel(filter, centre - float(j));
            if (w == 0) continue;
            c.index.push_back(Mirror(j - S, len));
            c.weight.push_back(w);
        }
        c.start.push_back(int(c.index.size()));
    }
    return c;
}

// Positions of a pass with scale s < 1: the kernel is stretched by 1 / s and
// its weights scaled by s.
Contributions ShrinkLists(int newLen, int len, float s, int filter) {
    const float w = ResampleSupport(filter) / s;
    Contributions c;
    c.start.push_back(0);
    for (int i = 0; i < newLen; ++i) {
        const float centre = float(i) / s;
        const int lo = int(std::ceil(centre - w)), hi = int(std::floor(centre + w));
        for (int j = lo; j <= hi; ++j) {
            float wt = ResampleKernel(filter, (centre - float(j)) * s) * s;
            if (wt == 0) continue;
            c.index.push_back(Mirror(j, len));
            c.weight.push_back(wt);
        }
        c.start.push_back(int(c.index.size()));
    }
    return c;
}

Contributions ListsFor(int newLen, int len, int filter) {
    const float s = float(newLen) / float(len);
    return s >= 1 ? EnlargeLists(newLen, len, s, filter) : ShrinkLists(newLen, len, s, filter);
}

template <int Ch>
void FilterRow(const uint8_t* s, uint8_t* d, int newLen, const Contributions& c) {
    for (int i = 0; i < newLen; ++i, d += Ch) {
        double sum[Ch] = {};
        for (int k = c.start[size_t(i)]; k < c.start[size_t(i) + 1]; ++k) {
            const double w = c.weight[size_t(k)];
            const uint8_t* p = s + size_t(Ch) * size_t(c.index[size_t(k)]);
            for (int ch = 0; ch < Ch; ++ch) sum[ch] += w * p[ch];
        }
        for (int ch = 0; ch < Ch; ++ch) d[ch] = ClampRound(sum[ch]);
    }
}

bool Filtered(const Image& src, Image& out, int filter) {
    const int W = src.width(), H = src.height(), nw = out.width(), nh = out.height();
    const int ch = src.bitCount() / 8;
    const size_t tstride = size_t(nw) * size_t(ch);
    auto temp = TryAlloc<uint8_t>(tstride * size_t(H));
    if (!temp) return false;
    const Contributions cx = ListsFor(nw, W, filter);
    const int64_t perRowX = int64_t(nw) * (cx.index.size() / std::max<size_t>(1, size_t(nw)));
    platform::ForEachBand(H, perRowX, [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            uint8_t* d = temp.get() + size_t(y) * tstride;
            if (ch == 3)
                FilterRow<3>(src.row(y), d, nw, cx);
            else
                FilterRow<1>(src.row(y), d, nw, cx);
        }
    });
    const Contributions cy = ListsFor(nh, H, filter);
    std::atomic<bool> ok{true};
    const int64_t perRowY = int64_t(nw) * (cy.index.size() / std::max<size_t>(1, size_t(nh)));
    platform::ForEachBand(nh, perRowY, [&](int first, int end) {
        auto acc = TryAlloc<double>(tstride);  // one accumulator row per band
        if (!acc) {
            ok = false;
            return;
        }
        for (int y = first; y < end; ++y) {
            std::fill(acc.get(), acc.get() + tstride, 0.0);
            for (int k = cy.start[size_t(y)]; k < cy.start[size_t(y) + 1]; ++k) {
                const double w = cy.weight[size_t(k)];
                const uint8_t* t = temp.get() + size_t(cy.index[size_t(k)]) * tstride;
                double* a = acc.get();
                for (size_t x = 0; x < tstride; ++x) a[x] += w * t[x];
            }
            uint8_t* d = out.row(y);
            for (size_t x = 0; x < tstride; ++x) d[x] = ClampRound(acc[x]);
        }
    });
    return ok;
}

// --- area averaging --------------------------------------------------------

constexpr uint32_t kUnit = 4096;  // weights in 1/4096 of an output pixel
constexpr uint32_t kHalf = 2048;

inline uint8_t Finish(uint32_t v) { return uint8_t(std::min<uint32_t>(255, v >> 12)); }

// Feeds `len` source items of `f` units each into `newLen` outputs of 4096:
// add(i) takes a whole item; cross(i, need, left, out) takes `need` units of
// the item that completes output `out` and carries `left` units into the
// next. When the truncated factor leaves outputs short, the last item makes
// up the difference.
template <typename Add, typename Cross>
void Distribute(int len, uint32_t f, int newLen, Add add, Cross cross) {
    uint32_t need = kUnit;
    int out = 0;
    for (int i = 0; i < len && out < newLen; ++i) {
        if (f < need) {
            add(i);
            need -= f;
            continue;
        }
        const uint32_t left = f - need;
        cross(i, need, left, out++);
        need = kUnit - left;
    }
    for (; out < newLen; ++out, need = kUnit) cross(len - 1, need, 0u, out);
}

// One line of Ch-channel pixels along the row.
template <int Ch>
void AverageLine(const uint8_t* s, int len, uint32_t f, uint8_t* d, int newLen) {
    uint32_t acc[Ch];
    std::fill(acc, acc + Ch, kHalf);
    Distribute(
        len, f, newLen,
        [&](int i) {
            for (int c = 0; c < Ch; ++c) acc[c] += f * s[Ch * i + c];
        },
        [&](int i, uint32_t need, uint32_t left, int out) {
            for (int c = 0; c < Ch; ++c) {
                d[Ch * out + c] = Finish(acc[c] + need * s[Ch * i + c]);
                acc[c] = kHalf + left * s[Ch * i + c];
            }
        });
}

uint32_t AreaFactor(int newLen, int len) {
    return std::max<uint32_t>(1, uint32_t(double(newLen) / double(len) * kUnit));
}

// The source rows and weights that make each output row, as the row-wise
// Distribute hands them out: output y takes parts[start[y]] up to
// parts[start[y + 1]]. The sums are of integers, so adding one output's parts
// on its own gives what the running accumulator gives.
struct RowParts {
    std::vector<int> start;
    std::vector<std::pair<int, uint32_t>> parts;  // source row, weight
};

RowParts PlanRows(int H, uint32_t fy, int nh) {
    RowParts p;
    p.start.push_back(0);
    std::pair<int, uint32_t> carried{0, 0};
    Distribute(
        H, fy, nh, [&](int y) { p.parts.push_back({y, fy}); },
        [&](int y, uint32_t need, uint32_t left, int) {
            p.parts.push_back({y, need});
            p.start.push_back(int(p.parts.size()));
            carried = {y, left};
            if (left) p.parts.push_back(carried);
        });
    return p;
}

// Whole rows are averaged first, then each averaged row along its length.
bool AreaAverage(const Image& src, Image& out) {
    const int W = src.width(), H = src.height(), nw = out.width(), nh = out.height();
    const int ch = src.bitCount() / 8;
    const size_t n = size_t(W) * size_t(ch);
    const uint32_t fx = AreaFactor(nw, W), fy = AreaFactor(nh, H);
    auto emit = [&](const uint8_t* row, int y) {
        if (nw == W)
            std::memcpy(out.row(y), row, n);
        else if (ch == 3)
            AverageLine<3>(row, W, fx, out.row(y), nw);
        else
            AverageLine<1>(row, W, fx, out.row(y), nw);
    };
    if (nh == H) {
        platform::ForEachBand(H, int64_t(W), [&](int first, int end) {
            for (int y = first; y < end; ++y) emit(src.row(y), y);
        });
        return true;
    }
    const RowParts plan = PlanRows(H, fy, nh);
    const int64_t perRow = int64_t(W) * (int64_t(H) / nh + 1);
    std::atomic<bool> ok{true};
    platform::ForEachBand(nh, perRow, [&](int first, int end) {
        auto acc = TryAlloc<uint32_t>(n);
        auto avg = TryAlloc<uint8_t>(n);
        if (!acc || !avg) {
            ok = false;
            return;
        }
        uint32_t* a = acc.get();
        uint8_t* v = avg.get();
        for (int oy = first; oy < end; ++oy) {
            std::fill(a, a + n, kHalf);
            for (int k = plan.start[size_t(oy)]; k < plan.start[size_t(oy) + 1]; ++k) {
                const uint8_t* s = src.row(plan.parts[size_t(k)].first);
                const uint32_t w = plan.parts[size_t(k)].second;
                for (size_t i = 0; i < n; ++i) a[i] += w * s[i];
            }
            for (size_t i = 0; i < n; ++i) v[i] = Finish(a[i]);
            emit(v, oy);
        }
    });
    return ok;
}

}  // namespace

int NormalizeResampleFilter(int filter) {
    return filter >= kFilterHermite && filter <= kFilterBSpline ? filter : kFilterBSpline;
}

float ResampleSupport(int filter) {
    switch (NormalizeResampleFilter(filter)) {
    case kFilterHermite:
    case kFilterTriangle: return 1.0f;
    default: return 2.0f;
    }
}

float ResampleKernel(int filter, float x) {
    const float a = std::fabs(x);
    switch (NormalizeResampleFilter(filter)) {
    case kFilterHermite: return a < 1 ? (2 * a - 3) * a * a + 1 : 0;
    case kFilterTriangle: return a < 1 ? 1 - a : 0;
    case kFilterQuadraticBell:
        if (a < 0.5f) return 0.75f - a * a;
        if (a < 1.5f) return 0.5f * (a - 1.5f) * (a - 1.5f);
        return 0;
    case kFilterMitchellCubic: {
        const float a2 = a * a, a3 = a2 * a;
        if (a < 1) return (7 * a3 - 12 * a2 + 16.0f / 3) / 6;
        if (a < 2) return (-(7.0f / 3) * a3 + 12 * a2 - 20 * a + 32.0f / 3) / 6;
        return 0;
    }
    default:
        if (a < 1) return 0.5f * a * a * a - a * a + 2.0f / 3;
        if (a < 2) return (2 - a) * (2 - a) * (2 - a) / 6;
        return 0;
    }
}

Image ResizeImage(const Image& src, int newWidth, int newHeight) {
    const int bits = src ? src.bitCount() : 0;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return Image();
    const int nw = std::max(newWidth, 1), nh = std::max(newHeight, 1);
    Image out = CreateLike(src, nw, nh);
    if (!out) return out;
    const int W = src.width(), H = src.height();
    auto xs = TryAlloc<int>(size_t(nw));
    if (!xs) return Image();
    for (int k = 0; k < nw; ++k) xs[size_t(k)] = int(int64_t(k) * W / nw);
    const size_t whole = PixelRowBytes(W, bits);
    platform::ForEachBand(nh, nw, [&](int first, int end) {
        for (int i = first; i < end; ++i) {
            const uint8_t* s = src.row(int(int64_t(i) * H / nh));
            if (nw == W)
                std::memcpy(out.row(i), s, whole);
            else
                ResizeRow(s, out.row(i), bits, xs.get(), nw);
        }
    });
    return out;
}

Image ResampleImage(const Image& src, int newWidth, int newHeight, int filter) {
    if (!src || (src.bitCount() != 8 && src.bitCount() != 24)) return Image();
    const int nw = std::max(newWidth, 1), nh = std::max(newHeight, 1);
    Image out = CreateLike(src, nw, nh);
    if (!out) return out;
    try {
        const bool grows = src.width() < nw || src.height() < nh;
        if (grows ? Filtered(src, out, filter) : AreaAverage(src, out)) return out;
        return Image();
    } catch (const std::bad_alloc&) {
        return Image();
    }
}

Image ResamplePicture(const Image& src, int newWidth, int newHeight, int filter,
                      bool reduceTo256) {
    if (!src) return Image();
    const int bits = src.bitCount();
    Image wide;
    switch (bits) {
    case 1: wide = Expand1To8(src); break;
    case 4: wide = Expand4To24(src); break;
    case 8: wide = Expand8To24(src); break;
    default: break;
    }
    if (bits <= 8 && !wide) return Image();
    Image out = ResampleImage(bits <= 8 ? wide : src, newWidth, newHeight, filter);
    if (out && reduceTo256 && bits <= 8) {
        Image reduced = Quantize(out, 256);
        if (reduced) return reduced;
    }
    return out;
}

AspectRatios RatiosOf(int width, int height) {
    AspectRatios r;
    if (width > 0 && height > 0) {
        r.widthPerHeight = float(width) / float(height);
        r.heightPerWidth = float(height) / float(width);
    }
    return r;
}

int ProportionalValue(int typed, float ratio) { return RoundToInt(double(typed) * double(ratio)); }

PixelSize PresetSize(int presetWidth, int presetHeight, int width, int height, bool keepAspect) {
    PixelSize s{presetWidth, presetHeight};
    if (keepAspect && width > 0) s.height = RoundToInt(double(presetWidth) * height / width);
    return s;
}

PixelSize HalfSize(int width, int height, bool keepAspect) {
    return PresetSize(width / 2, height / 2, width, height, keepAspect);
}

PixelSize DoubleSize(int width, int height, bool keepAspect) {
    const int w2 = width > INT_MAX / 2 ? INT_MAX : 2 * width;
    const int h2 = height > INT_MAX / 2 ? INT_MAX : 2 * height;
    return PresetSize(w2, h2, width, height, keepAspect);
}

PixelSize DesktopRoom(int fullScreenWidth, int fullScreenHeight, bool toolbarVisible,
                      int toolbarHeight, int menuHeight) {
    PixelSize room;
    room.width = fullScreenWidth - 6;
    room.height = fullScreenHeight - (toolbarVisible ? toolbarHeight - 1 : 0) - menuHeight - 6;
    return room;
}

PixelSize BestFitSize(int width, int height, const PixelSize& room) {
    const int A = room.width, B = room.height;
    PixelSize s;
    if (width <= 0 || height <= 0) return s;
    if (height < width) {
        const double r = double(width) / height;
        s.height = RoundToInt(A / r);
        if (s.height > B) {
            s.height = B;
            s.width = RoundToInt(r * B);
        } else {
            s.width = A;
        }
    } else if (width < height) {
        const double r = double(height) / width;
        const int w = RoundToInt(B / r);
        if (A < w) {
            s.width = A;
            s.height = RoundToInt(r * A);
        } else {
            s.width = w;
            s.height = B;
        }
    } else {
        // A square fills the shorter side of the room.
        s.width = s.height = std::min(A, B);
    }
    return s;
}

}  // namespace lg
