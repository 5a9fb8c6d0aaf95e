#include "ops/quantize.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <vector>
#include <climits>
#include <cstring>
#include <memory>
#include <new>

#include "core/convert.h"
#include "platform/threads.h"

namespace lg {
namespace {

// The histogram keeps 5 bits of blue, 6 of green and 5 of red: 32 x 64 x 32
// cells of 16-bit counts, blue-major, 128 KB. The second pass reuses it as the
// inverse colour map (0 = not mapped yet, else palette index + 1).
constexpr int kCells = 32 * 64 * 32;
constexpr int kAxes = 3;                       // blue, green, red, as stored
constexpr int kCellLimit[kAxes] = {31, 63, 31};
constexpr int kCellShift[kAxes] = {3, 2, 3};   // value bits dropped per axis
// Green counts most and red least: the weights 2, 3, 1 of the colour distance
// times the cell widths 8, 4, 8.
constexpr int kAxisWeight[kAxes] = {16, 12, 8};

inline int Cell(int b, int g, int r) { return b << 11 | g << 5 | r; }
inline int CellOf(int blue, int green, int red) { return Cell(blue >> 3, green >> 2, red >> 3); }

// Inclusive cell bounds per axis, with the measures the cutting chooses by.
struct Box {
    int lo[kAxes];
    int hi[kAxes];
    int size;   // sum of the squared weighted extents
    int cells;  // non-empty cells inside
};

// Calls f(cell index) for every cell of the bounds, red varying fastest.
template <typename F>
bool AnyCell(const int lo[kAxes], const int hi[kAxes], F f) {
    for (int b = lo[0]; b <= hi[0]; ++b)
        for (int g = lo[1]; g <= hi[1]; ++g)
            for (int r = lo[2], i = Cell(b, g, lo[2]); r <= hi[2]; ++r, ++i)
                if (f(i)) return true;
    return false;
}

bool PlaneHasColour(const uint16_t* hist, const Box& box, int axis, int plane) {
    int lo[kAxes], hi[kAxes];
    std::copy(box.lo, box.lo + kAxes, lo);
    std::copy(box.hi, box.hi + kAxes, hi);
    lo[axis] = hi[axis] = plane;
    return AnyCell(lo, hi, [hist](int i) { return hist[i] != 0; });
}

// Moves every bound inward to the first plane holding a colour, then
// recomputes the measures.
void Shrink(const uint16_t* hist, Box& box) {
    for (int a = 0; a < kAxes; ++a) {
        for (int p = box.lo[a]; p <= box.hi[a]; ++p)
            if (PlaneHasColour(hist, box, a, p)) {
                box.lo[a] = p;
                break;
            }
        for (int p = box.hi[a]; p >= box.lo[a]; --p)
            if (PlaneHasColour(hist, box, a, p)) {
                box.hi[a] = p;
                break;
            }
    }
    box.size = 0;
    for (int a = 0; a < kAxes; ++a) {
        int d = kAxisWeight[a] * (box.hi[a] - box.lo[a]);
        box.size += d * d;
    }
    box.cells = 0;
    AnyCell(box.lo, box.hi, [&](int i) {
        box.cells += hist[i] != 0;
        return false;
    });
}

// The box to cut next: while the boxes are few, the one with the most
// colours; later the largest. Only boxes spanning more than one cell can be
// cut; the first wins a tie. -1 when none is left.
int PickBox(const Box* boxes, int count, int wanted) {
    const bool byColours = 2 * count <= wanted;
    int best = -1, bestMeasure = 0;
    for (int i = 0; i < count; ++i) {
        if (boxes[i].size <= 0) continue;
        int measure = byColours ? boxes[i].cells : boxes[i].size;
        if (best < 0 || measure > bestMeasure) {
            best = i;
            bestMeasure = measure;
        }
    }
    return best;
}

// Median cut of the filled histogram into at most `wanted` boxes.
int CutBoxes(const uint16_t* hist, int wanted, Box* boxes) {
    boxes[0] = Box{{0, 0, 0}, {kCellLimit[0], kCellLimit[1], kCellLimit[2]}, 0, 0};
    Shrink(hist, boxes[0]);
    int count = 1;
    while (count < wanted) {
        int pick = PickBox(boxes, count, wanted);
        if (pick < 0) break;
        Box& old = boxes[pick];
        int side[kAxes];
        for (int a = 0; a < kAxes; ++a) side[a] = kAxisWeight[a] * (old.hi[a] - old.lo[a]);
        // Red only when strictly longest; green before blue on a tie.
        int axis = (side[2] > side[1] && side[2] > side[0]) ? 2 : side[1] >= side[0] ? 1 : 0;
        Box& fresh = boxes[count++];
        fresh = old;
        int mid = (old.lo[axis] + old.hi[axis]) / 2;
        old.hi[axis] = mid;
        fresh.lo[axis] = mid + 1;
        Shrink(hist, old);
        Shrink(hist, fresh);
    }
    return count;
}

// Palette entry of a box: the count-weighted mean of its cell centres.
void BoxMean(const uint16_t* hist, const Box& box, uint8_t* entry) {
    uint64_t total = 0, sum[kAxes] = {0, 0, 0};
    for (int b = box.lo[0]; b <= box.hi[0]; ++b)
        for (int g = box.lo[1]; g <= box.hi[1]; ++g)
            for (int r = box.lo[2]; r <= box.hi[2]; ++r) {
                uint64_t n = hist[Cell(b, g, r)];
                if (!n) continue;
                total += n;
                sum[0] += n * uint64_t(8 * b + 4);
                sum[1] += n * uint64_t(4 * g + 2);
                sum[2] += n * uint64_t(8 * r + 4);
            }
    for (int a = 0; a < kAxes; ++a) entry[a] = total ? uint8_t((sum[a] + total / 2) / total) : 0;
    entry[3] = 0;
}

void CountRows(const Image& src, int first, int end, uint16_t* hist) {
    const int w = src.width();
    for (int y = first; y < end; ++y) {
        const uint8_t* p = src.row(y);
        for (int x = 0; x < w; ++x, p += 3) {
            uint16_t& c = hist[CellOf(p[0], p[1], p[2])];
            c = uint16_t(c + (c != 0xFFFF));
        }
    }
}

// Pass 1: one count per pixel, stopping at 65535. Bands count into tables of
// their own; the sum, stopped at 65535 again, is the count of one pass. A band
// without memory for a table is counted afterwards into `hist`.
void CountColours(const Image& src, uint16_t* hist) {
    const int64_t work = src.width();
    const int n = platform::BandCount(src.height(), work);
    std::vector<std::unique_ptr<uint16_t[]>> parts(size_t(std::max(n, 1)));
    std::vector<std::pair<int, int>> left(size_t(std::max(n, 1)), {0, 0});
    platform::ForEachNumberedBand(src.height(), work, [&](int k, int first, int end) {
        if (k == 0) return CountRows(src, first, end, hist);
        parts[size_t(k)].reset(new (std::nothrow) uint16_t[kCells]());
        if (parts[size_t(k)]) CountRows(src, first, end, parts[size_t(k)].get());
        else left[size_t(k)] = {first, end};
    });
    for (auto& part : parts)
        if (part)
            for (int i = 0; i < kCells; ++i) hist[i] = uint16_t(std::min(0xFFFF, hist[i] + part[size_t(i)]));
    for (const auto& rows : left) CountRows(src, rows.first, rows.second, hist);
}

// Histogram, cut and palette; the histogram stays filled for the caller.
int BuildPalette(const Image& src24, int colors, uint16_t* hist, uint8_t* table) {
    CountColours(src24, hist);
    Box boxes[256];
    int n = CutBoxes(hist, colors, boxes);
    for (int k = 0; k < n; ++k) BoxMean(hist, boxes[k], table + 4 * k);
    return n;
}

// Dithering errors are limited before they are added: small ones pass, middle
// ones grow at half the rate, large ones stop at 32, so a wrong-coloured
// neighbourhood cannot smear far. Takes errors of -255..255.
int LimitError(int e) {
    int m = e < 0 ? -e : e;
    int v = m < 16 ? m : m < 48 ? 16 + (m - 16) / 2 : 32;
    return e < 0 ? -v : v;
}

// The limit applied straight to a sum of sixteenths, rounding included:
// entry s is LimitError((s + 8) >> 4). The weights 7 + 3 + 5 + 1 of errors up
// to 255 keep every sum within +-16 * 255.
constexpr int kMaxSum = 16 * 255;
const int8_t* SumLimit() {
    static const std::array<int8_t, 2 * kMaxSum + 1> table = [] {
        std::array<int8_t, 2 * kMaxSum + 1> t{};
        for (int s = -kMaxSum; s <= kMaxSum; ++s) t[size_t(s + kMaxSum)] = int8_t(LimitError((s + 8) >> 4));
        return t;
    }();
    return table.data() + kMaxSum;
}

// The inverse colour map over the histogram array, filled one region of
// 4 x 8 x 4 cells at a time.
struct InverseMap {
    uint16_t* cells;
    const uint8_t* table;  // blue, green, red, 0 per entry
    int entries;
};

constexpr int kRegionCells[kAxes] = {4, 8, 4};
constexpr int kDistScale[kAxes] = {2, 3, 1};

// Maps every cell of the region holding `cell` to its nearest palette entry
// (lowest index on a tie). Entries that cannot beat the best worst-case
// distance over the region are left out first.
__attribute__((noinline)) void FillRegion(const InverseMap& m, int cell) {
    const int at[kAxes] = {cell >> 11, (cell >> 5) & 63, cell & 31};
    int base[kAxes], lo[kAxes], hi[kAxes];  // first cell; centre values of first and last cell
    for (int a = 0; a < kAxes; ++a) {
        base[a] = at[a] & ~(kRegionCells[a] - 1);
        int width = 1 << kCellShift[a];
        lo[a] = base[a] * width + width / 2;
        hi[a] = lo[a] + (kRegionCells[a] - 1) * width;
    }

    int minDist[256];
    int limit = INT_MAX;
    for (int i = 0; i < m.entries; ++i) {
        int mn = 0, mx = 0;
        for (int a = 0; a < kAxes; ++a) {
            int x = m.table[4 * i + a];
            int toLo = kDistScale[a] * (x - lo[a]), toHi = kDistScale[a] * (x - hi[a]);
            mn += x < lo[a] ? toLo * toLo : x > hi[a] ? toHi * toHi : 0;
            mx += std::max(toLo * toLo, toHi * toHi);
        }
        minDist[i] = mn;
        limit = std::min(limit, mx);
    }

    int best[4 * 8 * 4];
    uint8_t who[4 * 8 * 4] = {};
    std::fill(best, best + 128, INT_MAX);
    for (int i = 0; i < m.entries; ++i) {
        if (minDist[i] > limit) continue;
        // Squared weighted distance per axis to each cell centre of the region.
        int term[kAxes][8];
        for (int a = 0; a < kAxes; ++a)
            for (int k = 0; k < kRegionCells[a]; ++k) {
                int d = kDistScale[a] * (lo[a] + (k << kCellShift[a]) - m.table[4 * i + a]);
                term[a][k] = d * d;
            }
        int c = 0;
        for (int b = 0; b < 4; ++b)
            for (int g = 0; g < 8; ++g) {
                int bg = term[0][b] + term[1][g];
                for (int r = 0; r < 4; ++r, ++c) {
                    int d = bg + term[2][r];
                    if (d < best[c]) {
                        best[c] = d;
                        who[c] = uint8_t(i);
                    }
                }
            }
    }
    int c = 0;
    for (int b = 0; b < 4; ++b)
        for (int g = 0; g < 8; ++g)
            for (int r = 0; r < 4; ++r, ++c)
                m.cells[Cell(base[0] + b, base[1] + g, base[2] + r)] = uint16_t(who[c] + 1);
}

// The first cell of every region of the inverse map that holds a counted colour.
std::vector<int> UsedRegions(const uint16_t* hist) {
    std::vector<int> used;
    for (int b = 0; b < 32; b += kRegionCells[0])
        for (int g = 0; g < 64; g += kRegionCells[1])
            for (int r = 0; r < 32; r += kRegionCells[2]) {
                const int lo[kAxes] = {b, g, r};
                const int hi[kAxes] = {b + kRegionCells[0] - 1, g + kRegionCells[1] - 1, r + kRegionCells[2] - 1};
                if (AnyCell(lo, hi, [hist](int i) { return hist[i] != 0; })) used.push_back(Cell(b, g, r));
            }
    return used;
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

// Pass 2 for one row, in scan direction Dir. `err` holds width + 2 triples of
// error sums in sixteenths; the entry of column x is triple x + 1, and the two
// outer triples only ever receive spill. The three components are written
// out rather than looped over, so that their state stays in registers.
template <int Dir>
void DitherRow(const uint8_t* in, int w, int16_t* err, const InverseMap& m, uint8_t* idx) {
    constexpr int kStep = 3 * Dir;
    const int8_t* limit = SumLimit();
    uint16_t* const cells = m.cells;
    const uint8_t* const table = m.table;
    int x = Dir > 0 ? 0 : w - 1;
    const uint8_t* p = in + 3 * x;
    int16_t* e = Dir > 0 ? err : err + 3 * (w + 1);  // the entry behind the first column
    Spread blue, green, red;
    for (int n = w; n > 0; --n, x += Dir, p += kStep, e += kStep) {
        const int b = blue.Correct(limit, e[kStep], p[0]);
        const int g = green.Correct(limit, e[kStep + 1], p[1]);
        const int r = red.Correct(limit, e[kStep + 2], p[2]);
        uint16_t* cell = cells + CellOf(b, g, r);
        if (*cell == 0) FillRegion(m, int(cell - cells));
        const int k = *cell - 1;
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
void PackRow(const uint8_t* idx, int w, int bits, uint8_t flip, uint8_t* out) {
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

int Luma1000(const uint8_t* e) { return 114 * e[0] + 587 * e[1] + 299 * e[2]; }

Image Fail(std::string* why, const std::string& text) {
    if (why) *why = text;
    return Image();
}

Image Reduce24(const Image& src, int colors, std::string* why) {
    const int w = src.width(), h = src.height();
    const int bits = colors > 16 ? 8 : colors > 2 ? 4 : 1;
    Image out = Image::Create(w, h, bits, uint32_t(colors), why);
    if (!out) return out;
    out.setResolution(src.xResolution(), src.yResolution());

    std::unique_ptr<uint16_t[]> hist(new (std::nothrow) uint16_t[kCells]());
    std::unique_ptr<int16_t[]> err(new (std::nothrow) int16_t[3 * (size_t(w) + 2)]());
    std::unique_ptr<uint8_t[]> idxRow(bits < 8 ? new (std::nothrow) uint8_t[size_t(w)] : nullptr);
    if (!hist || !err || (bits < 8 && !idxRow)) return Fail(why, "out of memory");

    uint8_t table[256 * 4] = {};
    const int n = BuildPalette(src, colors, hist.get(), table);
    const std::vector<int> used = UsedRegions(hist.get());
    std::fill(hist.get(), hist.get() + kCells, uint16_t(0));

    // Black and white: the dithering works against the two computed colours;
    // whichever of them is darker (or the only one, when dark) shows black.
    uint8_t flip = 0;
    if (bits == 1)
        flip = n > 1 ? Luma1000(table) > Luma1000(table + 4) : Luma1000(table) >= 128 * 1000;

    const InverseMap map{hist.get(), table, n};
    // On a large picture the regions of the colours it holds are mapped in
    // advance, on every processor (each region is its own set of cells); the
    // dithering fills any other region it reaches, as on a small picture.
    if (platform::BandCount(h, w) > 1)
        platform::ForEachBand(int(used.size()), 1 << 16, [&](int first, int end) {
            for (int k = first; k < end; ++k) FillRegion(map, used[size_t(k)]);
        });
    for (int y = 0; y < h; ++y) {
        uint8_t* idx = bits == 8 ? out.row(y) : idxRow.get();
        if (y & 1)
            DitherRow<-1>(src.row(y), w, err.get(), map, idx);
        else
            DitherRow<1>(src.row(y), w, err.get(), map, idx);
        if (bits < 8) PackRow(idx, w, bits, flip, out.row(y));
    }

    if (bits == 1) {
        out.setPaletteEntry(0, 0, 0, 0);
        out.setPaletteEntry(1, 255, 255, 255);
    } else {
        std::memcpy(out.palette(), table, 4 * size_t(colors));
    }
    return out;
}

}  // namespace

int MedianCutPalette(const Image& src24, int colors, uint8_t* table) {
    if (!src24 || src24.bitCount() != 24 || colors < 1 || colors > 256 || !table) return 0;
    std::unique_ptr<uint16_t[]> hist(new (std::nothrow) uint16_t[kCells]());
    if (!hist) return 0;
    uint8_t all[256 * 4] = {};
    int n = BuildPalette(src24, colors, hist.get(), all);
    std::memcpy(table, all, 4 * size_t(colors));
    return n;
}

Image Quantize(const Image& src, int colors, std::string* why) {
    if (!src) return Fail(why, "no picture");
    if (colors < 2 || colors > 256) return Fail(why, "colour count must be 2 to 256");
    switch (src.bitCount()) {
    case 24:
        return Reduce24(src, colors, why);
    case 8:
    case 4: {
        Image wide = src.bitCount() == 8 ? Expand8To24(src) : Expand4To24(src);
        if (!wide) return Fail(why, "out of memory");
        return Reduce24(wide, colors, why);
    }
    default:
        return Fail(why, "a picture of " + std::to_string(src.bitCount()) +
                             " bits per pixel cannot be reduced");
    }
}

}  // namespace lg
