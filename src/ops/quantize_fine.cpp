// The better colour reduction. A picture of no more colours than wanted keeps
// them exactly. Otherwise the colours are counted in a histogram of 6 bits
// per component that keeps the exact sum of the values in each cell; the
// colour space is cut, box by box, where the squared error falls most
// (cumulative moments, so each trial cut costs a few look-ups); a few k-means
// passes over the histogram cells then move every entry to the mean of the
// colours nearest to it. The pixels are dithered as in the median cut,
// through an inverse map of 6 bits per component. Every sum is an integer or
// is computed per cell, so the result does not depend on the thread count.
#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "ops/quantize.h"
#include "ops/quantize_shared.h"
#include "platform/threads.h"

namespace lg::quantize_detail {
namespace {

constexpr int kSide = 64;                  // cells per axis
constexpr int kCells = kSide * kSide * kSide;
constexpr int kMomentSide = kSide + 1;     // with a zero plane in front
constexpr int kMoments = kMomentSide * kMomentSide * kMomentSide;
constexpr int kPasses = 6;                 // k-means passes at most

inline int CellOf(int b, int g, int r) { return (b >> 2) << 12 | (g >> 2) << 6 | (r >> 2); }

// One histogram cell: its pixels and the sums of the two low bits of each
// component (blue, green, red) dropped by the cell. These stay below 2^32
// for the largest picture an Image can hold.
struct Tally {
    uint32_t n, low[3];
};

Image Fail(std::string* why, const char* text) {
    if (why) *why = text;
    return Image();
}

// ---- Few colours ----------------------------------------------------------

inline uint32_t Key(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16; }

// The distinct colours of the picture in ascending key order, when there are
// at most `limit` of them; otherwise (or without memory) an empty list.
std::vector<uint32_t> FewColours(const Image& src, int limit) {
    constexpr uint32_t kEmpty = 0xFFFFFFFF;
    constexpr int kSlots = 1024;  // at least four times 256: short probes
    uint32_t slot[kSlots];
    std::fill(slot, slot + kSlots, kEmpty);
    int found = 0;
    uint32_t last = kEmpty;
    for (int y = 0; y < src.height(); ++y) {
        const uint8_t* p = src.row(y);
        for (int x = 0; x < src.width(); ++x, p += 3) {
            const uint32_t k = Key(p);
            if (k == last) continue;
            last = k;
            uint32_t s = (k * 2654435761u) >> 22;
            while (slot[s] != kEmpty && slot[s] != k) s = (s + 1) & (kSlots - 1);
            if (slot[s] == k) continue;
            if (++found > limit) return {};
            slot[s] = k;
        }
    }
    std::vector<uint32_t> colours;
    for (uint32_t k : slot)
        if (k != kEmpty) colours.push_back(k);
    std::sort(colours.begin(), colours.end());
    return colours;
}

// Every pixel to the index of its own colour in `colours` (sorted), in bands.
void MapExactly(const Image& src, Image& out, const std::vector<uint32_t>& colours, uint8_t flip) {
    const int w = src.width(), bits = out.bitCount();
    platform::ForEachBand(src.height(), w, [&](int first, int end) {
        std::unique_ptr<uint8_t[]> idxRow(bits < 8 ? new uint8_t[size_t(w)] : nullptr);
        for (int y = first; y < end; ++y) {
            uint8_t* idx = bits == 8 ? out.row(y) : idxRow.get();
            const uint8_t* p = src.row(y);
            uint32_t last = Key(p);
            uint8_t at = uint8_t(std::lower_bound(colours.begin(), colours.end(), last) - colours.begin());
            for (int x = 0; x < w; ++x, p += 3) {
                const uint32_t k = Key(p);
                if (k != last) {
                    last = k;
                    at = uint8_t(std::lower_bound(colours.begin(), colours.end(), k) - colours.begin());
                }
                idx[x] = at;
            }
            if (bits < 8) PackRow(idx, w, bits, flip, out.row(y));
        }
    });
}

// ---- Histogram --------------------------------------------------------------

void TallyRows(const Image& src, int first, int end, Tally* hist) {
    const int w = src.width();
    for (int y = first; y < end; ++y) {
        const uint8_t* p = src.row(y);
        for (int x = 0; x < w; ++x, p += 3) {
            Tally& t = hist[CellOf(p[0], p[1], p[2])];
            ++t.n;
            t.low[0] += p[0] & 3u;
            t.low[1] += p[1] & 3u;
            t.low[2] += p[2] & 3u;
        }
    }
}

void TallyColours(const Image& src, Tally* hist) {
    CountInBands(
        src, hist, kCells, [&](int first, int end, Tally* table) { TallyRows(src, first, end, table); },
        [](Tally* sum, const Tally* part) {
            for (int i = 0; i < kCells; ++i) {
                sum[i].n += part[i].n;
                for (int a = 0; a < 3; ++a) sum[i].low[a] += part[i].low[a];
            }
        });
}

// ---- Cutting by variance ----------------------------------------------------

// Cumulative moments over the cells (index 0 of each axis is a zero plane):
// pixels, value sums per component, and the sum of |cell sum|^2 / pixels.
struct Moments {
    std::vector<int64_t> w, s[3];
    std::vector<double> q;
};

inline int MomentAt(int b, int g, int r) { return (b * kMomentSide + g) * kMomentSide + r; }

bool BuildMoments(const Tally* hist, Moments& m) {
    try {
        m.w.assign(kMoments, 0);
        for (auto& s : m.s) s.assign(kMoments, 0);
        m.q.assign(kMoments, 0.0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (int b = 0; b < kSide; ++b)
        for (int g = 0; g < kSide; ++g)
            for (int r = 0; r < kSide; ++r) {
                const Tally& t = hist[b << 12 | g << 6 | r];
                if (!t.n) continue;
                const int at = MomentAt(b + 1, g + 1, r + 1);
                const int coord[3] = {b, g, r};
                double q = 0;
                m.w[size_t(at)] = t.n;
                for (int a = 0; a < 3; ++a) {
                    const int64_t sum = int64_t(4 * coord[a]) * t.n + t.low[a];
                    m.s[a][size_t(at)] = sum;
                    q += double(sum) * double(sum);
                }
                m.q[size_t(at)] = q / t.n;
            }
    // Running sums along red, then green, then blue.
    const int step[3] = {kMomentSide * kMomentSide, kMomentSide, 1};
    for (int axis = 2; axis >= 0; --axis)
        for (int i = 0; i < kMoments; ++i) {
            const int coord = axis == 0 ? i / step[0] : axis == 1 ? (i / step[1]) % kMomentSide : i % kMomentSide;
            if (coord == 0) continue;
            const size_t j = size_t(i), p = size_t(i - step[axis]);
            m.w[j] += m.w[p];
            for (auto& s : m.s) s[j] += s[p];
            m.q[j] += m.q[p];
        }
    return true;
}

// A box of cells: lo (exclusive) .. hi (inclusive) per axis, in moment
// coordinates.
struct Box {
    int lo[3], hi[3];
    double variance;
};

template <typename T>
T Volume(const int lo[3], const int hi[3], const std::vector<T>& m) {
    auto at = [&](int b, int g, int r) { return m[size_t(MomentAt(b, g, r))]; };
    return at(hi[0], hi[1], hi[2]) - at(hi[0], hi[1], lo[2]) - at(hi[0], lo[1], hi[2]) + at(hi[0], lo[1], lo[2]) -
           at(lo[0], hi[1], hi[2]) + at(lo[0], hi[1], lo[2]) + at(lo[0], lo[1], hi[2]) - at(lo[0], lo[1], lo[2]);
}

struct Sums {
    int64_t w, s[3];
};

Sums BoxSums(const Moments& m, const int lo[3], const int hi[3]) {
    return {Volume(lo, hi, m.w), {Volume(lo, hi, m.s[0]), Volume(lo, hi, m.s[1]), Volume(lo, hi, m.s[2])}};
}

inline double SquaredOverWeight(const Sums& s) {
    double d = 0;
    for (int64_t v : s.s) d += double(v) * double(v);
    return d / double(s.w);
}

// The squared error of a box's colours around their mean; 0 when it holds
// one cell or none, since such a box cannot be cut.
double Variance(const Moments& m, const Box& box) {
    bool single = true;
    for (int a = 0; a < 3; ++a) single = single && box.hi[a] - box.lo[a] <= 1;
    const Sums s = BoxSums(m, box.lo, box.hi);
    if (single || s.w == 0) return 0;
    return std::max(0.0, Volume(box.lo, box.hi, m.q) - SquaredOverWeight(s));
}

// Cuts `box` in two where the error falls most (both halves non-empty),
// filling `other`. False when no such cut exists.
bool Cut(const Moments& m, Box& box, Box& other) {
    const Sums whole = BoxSums(m, box.lo, box.hi);
    int bestAxis = -1, bestAt = 0;
    double best = 0;
    for (int a = 0; a < 3; ++a) {
        int hi[3] = {box.hi[0], box.hi[1], box.hi[2]};
        for (int at = box.lo[a] + 1; at < box.hi[a]; ++at) {
            hi[a] = at;
            const Sums half = BoxSums(m, box.lo, hi);
            if (half.w == 0) continue;
            Sums rest{whole.w - half.w, {whole.s[0] - half.s[0], whole.s[1] - half.s[1], whole.s[2] - half.s[2]}};
            if (rest.w == 0) break;
            const double gain = SquaredOverWeight(half) + SquaredOverWeight(rest);
            if (bestAxis < 0 || gain > best) {
                best = gain;
                bestAxis = a;
                bestAt = at;
            }
        }
    }
    if (bestAxis < 0) return false;
    other = box;
    box.hi[bestAxis] = bestAt;
    other.lo[bestAxis] = bestAt;
    box.variance = Variance(m, box);
    other.variance = Variance(m, other);
    return true;
}

// Up to `wanted` entries (blue, green, red, 0) into `table`; the number made.
int CutPalette(const Moments& m, int wanted, uint8_t* table) {
    std::vector<Box> boxes;
    boxes.reserve(size_t(wanted));
    boxes.push_back(Box{{0, 0, 0}, {kSide, kSide, kSide}, 0});
    boxes[0].variance = Variance(m, boxes[0]);
    while (int(boxes.size()) < wanted) {
        int pick = -1;
        for (int i = 0; i < int(boxes.size()); ++i)
            if (boxes[size_t(i)].variance > 0 && (pick < 0 || boxes[size_t(i)].variance > boxes[size_t(pick)].variance))
                pick = i;
        if (pick < 0) break;
        Box other{};
        if (!Cut(m, boxes[size_t(pick)], other)) {
            boxes[size_t(pick)].variance = 0;
            continue;
        }
        boxes.push_back(other);
    }
    int n = 0;
    for (const Box& box : boxes) {
        const Sums s = BoxSums(m, box.lo, box.hi);
        if (s.w == 0) continue;
        for (int a = 0; a < 3; ++a) table[4 * n + a] = uint8_t((s.s[a] + s.w / 2) / s.w);
        table[4 * n + 3] = 0;
        ++n;
    }
    return n;
}

// ---- k-means ------------------------------------------------------------------

// A histogram cell as a point: the mean of its colours and its weight.
struct Point {
    float c[3];
    uint32_t n;
    int64_t s[3];
};

std::vector<Point> PointsOf(const Tally* hist) {
    std::vector<Point> points;
    for (int i = 0; i < kCells; ++i) {
        const Tally& t = hist[i];
        if (!t.n) continue;
        Point p;
        const int coord[3] = {i >> 12, (i >> 6) & 63, i & 63};
        p.n = t.n;
        for (int a = 0; a < 3; ++a) {
            p.s[a] = int64_t(4 * coord[a]) * t.n + t.low[a];
            p.c[a] = float(double(p.s[a]) / t.n);
        }
        points.push_back(p);
    }
    return points;
}

// The palette ordered by green, for a nearest-entry search that stops once
// the green distance alone exceeds the best found.
struct Sorted {
    int count;
    float g[256], b[256], r[256];
    uint8_t index[256];

    Sorted(const uint8_t* table, int n) : count(n) {
        for (int i = 0; i < n; ++i) index[i] = uint8_t(i);
        std::stable_sort(index, index + n, [&](uint8_t x, uint8_t y) { return table[4 * x + 1] < table[4 * y + 1]; });
        for (int i = 0; i < n; ++i) {
            b[i] = table[4 * index[i]];
            g[i] = table[4 * index[i] + 1];
            r[i] = table[4 * index[i] + 2];
        }
    }

    // The nearest entry to a colour (lowest palette index on a tie).
    int Nearest(const float c[3]) const {
        int at = int(std::lower_bound(g, g + count, c[1]) - g);
        float best = 3e5f;
        int who = 256;
        auto consider = [&](int i) {
            const float db = b[i] - c[0], dg = g[i] - c[1], dr = r[i] - c[2];
            const float d = db * db + dg * dg + dr * dr;
            if (d < best || (d == best && index[i] < who)) {
                best = d;
                who = index[i];
            }
        };
        for (int up = at, down = at - 1; up < count || down >= 0;) {
            bool any = false;
            if (up < count) {
                const float dg = g[up] - c[1];
                if (dg * dg <= best) {
                    consider(up++);
                    any = true;
                } else {
                    up = count;
                }
            }
            if (down >= 0) {
                const float dg = g[down] - c[1];
                if (dg * dg <= best) {
                    consider(down--);
                    any = true;
                } else {
                    down = -1;
                }
            }
            if (!any) break;
        }
        return who;
    }
};

// Moves every entry to the mean of the colours nearest to it, up to kPasses
// times or until nothing moves. Sums are integers, so the bands' order does
// not matter.
void Refine(const std::vector<Point>& points, uint8_t* table, int n) {
    struct Acc {
        int64_t w, s[3];
    };
    const int count = int(points.size());
    for (int pass = 0; pass < kPasses; ++pass) {
        const Sorted sorted(table, n);
        const int bands = std::max(platform::BandCount(count, 2 * n), 1);
        std::vector<std::vector<Acc>> acc(size_t(bands), std::vector<Acc>(size_t(n), Acc{0, {0, 0, 0}}));
        platform::ForEachNumberedBand(count, 2 * n, [&](int k, int first, int end) {
            std::vector<Acc>& mine = acc[size_t(k)];
            for (int i = first; i < end; ++i) {
                const Point& p = points[size_t(i)];
                Acc& a = mine[size_t(sorted.Nearest(p.c))];
                a.w += p.n;
                for (int c = 0; c < 3; ++c) a.s[c] += p.s[c];
            }
        });
        bool moved = false;
        for (int e = 0; e < n; ++e) {
            Acc total{0, {0, 0, 0}};
            for (const auto& band : acc) {
                total.w += band[size_t(e)].w;
                for (int c = 0; c < 3; ++c) total.s[c] += band[size_t(e)].s[c];
            }
            if (!total.w) continue;
            for (int c = 0; c < 3; ++c) {
                const uint8_t v = uint8_t((total.s[c] + total.w / 2) / total.w);
                moved = moved || v != table[4 * e + c];
                table[4 * e + c] = v;
            }
        }
        if (!moved) break;
    }
}

// ---- Inverse map ----------------------------------------------------------------

// The palette index + 1 of every cell, 0 while not worked out; filled in
// regions of 4 x 4 x 4 cells, each cell taking the entry nearest its centre.
struct FineMap {
    uint16_t* cells;
    const uint8_t* table;
    int entries;

    int Index(int b, int g, int r) const {
        const int cell = CellOf(b, g, r);
        if (cells[cell] == 0) Fill(cell);
        return cells[cell] - 1;
    }

    // In units of half a value, so that cell centres (4c + 1.5) are whole.
    void Fill(int cell) const {
        const int at[3] = {cell >> 12, (cell >> 6) & 63, cell & 63};
        int base[3], lo[3];
        for (int a = 0; a < 3; ++a) {
            base[a] = at[a] & ~3;
            lo[a] = 8 * base[a] + 3;
        }
        constexpr int kStep[3] = {8, 8, 8}, kScale[3] = {1, 1, 1};
        uint8_t who[64];
        NearestInRegion<4, 4, 4>(table, entries, lo, kStep, kScale, 2, who);
        int c = 0;
        for (int b = 0; b < 4; ++b)
            for (int g = 0; g < 4; ++g)
                for (int r = 0; r < 4; ++r, ++c)
                    cells[(base[0] + b) << 12 | (base[1] + g) << 6 | (base[2] + r)] = uint16_t(who[c] + 1);
    }
};

// The first cell of every region holding a counted colour.
std::vector<int> UsedRegions(const Tally* hist) {
    std::vector<bool> seen(kCells / 64, false);
    std::vector<int> used;
    for (int i = 0; i < kCells; ++i) {
        if (!hist[i].n) continue;
        const int region = (i >> 14) << 8 | ((i >> 8) & 15) << 4 | ((i >> 2) & 15);
        if (seen[size_t(region)]) continue;
        seen[size_t(region)] = true;
        used.push_back(i & ~(3 << 12 | 3 << 6 | 3));
    }
    std::sort(used.begin(), used.end());
    return used;
}

}  // namespace

Image ReduceBetter24(const Image& src, int colors, std::string* why) {
    const int w = src.width(), h = src.height();
    const int bits = colors > 16 ? 8 : colors > 2 ? 4 : 1;
    Image out = Image::Create(w, h, bits, uint32_t(colors), why);
    if (!out) return out;
    out.setResolution(src.xResolution(), src.yResolution());
    uint8_t table[256 * 4] = {};

    // Few enough colours: each keeps its own entry.
    const std::vector<uint32_t> few = FewColours(src, colors);
    if (!few.empty()) {
        const int n = int(few.size());
        for (int i = 0; i < n; ++i)
            for (int a = 0; a < 3; ++a) table[4 * i + a] = uint8_t(few[size_t(i)] >> (8 * a));
        try {
            MapExactly(src, out, few, bits == 1 ? BlackWhiteFlip(table, n) : 0);
        } catch (const std::bad_alloc&) {
            return Fail(why, "out of memory");
        }
        if (bits == 1) {
            out.setPaletteEntry(0, 0, 0, 0);
            out.setPaletteEntry(1, 255, 255, 255);
        } else {
            std::memcpy(out.palette(), table, 4 * size_t(colors));
        }
        return out;
    }

    std::unique_ptr<Tally[]> hist(new (std::nothrow) Tally[kCells]());
    std::unique_ptr<int16_t[]> err(new (std::nothrow) int16_t[3 * (size_t(w) + 2)]());
    std::unique_ptr<uint8_t[]> idxRow(bits < 8 ? new (std::nothrow) uint8_t[size_t(w)] : nullptr);
    if (!hist || !err || (bits < 8 && !idxRow)) return Fail(why, "out of memory");
    TallyColours(src, hist.get());

    int n = 0;
    std::vector<int> used;
    try {
        {
            Moments m;
            if (!BuildMoments(hist.get(), m)) return Fail(why, "out of memory");
            n = CutPalette(m, colors, table);
        }
        Refine(PointsOf(hist.get()), table, n);
        used = UsedRegions(hist.get());
    } catch (const std::bad_alloc&) {
        return Fail(why, "out of memory");
    }
    hist.reset();

    std::unique_ptr<uint16_t[]> cells(new (std::nothrow) uint16_t[kCells]());
    if (!cells) return Fail(why, "out of memory");
    const FineMap map{cells.get(), table, n};
    // On a large picture the regions of its colours are worked out in
    // advance on every processor; the dithering fills any other it reaches.
    if (platform::BandCount(h, w) > 1)
        platform::ForEachBand(int(used.size()), 1 << 16, [&](int first, int end) {
            for (int k = first; k < end; ++k) map.Fill(used[size_t(k)]);
        });
    DitherPicture(src, out, table, n, map, err.get(), idxRow.get());
    return out;
}

}  // namespace lg::quantize_detail
