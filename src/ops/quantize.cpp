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
#include "ops/quantize_shared.h"
#include "platform/threads.h"

namespace lg {
namespace {

using namespace quantize_detail;

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
    CountInBands(
        src, hist, kCells, [&](int first, int end, uint16_t* table) { CountRows(src, first, end, table); },
        [](uint16_t* sum, const uint16_t* part) {
            for (int i = 0; i < kCells; ++i) sum[i] = uint16_t(std::min(0xFFFF, sum[i] + part[i]));
        });
}

// Histogram, cut and palette; the histogram stays filled for the caller.
int BuildPalette(const Image& src24, int colors, uint16_t* hist, uint8_t* table) {
    CountColours(src24, hist);
    Box boxes[256];
    int n = CutBoxes(hist, colors, boxes);
    for (int k = 0; k < n; ++k) BoxMean(hist, boxes[k], table + 4 * k);
    return n;
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
// (lowest index on a tie).
__attribute__((noinline)) void FillRegion(const InverseMap& m, int cell) {
    const int at[kAxes] = {cell >> 11, (cell >> 5) & 63, cell & 31};
    int base[kAxes], lo[kAxes], width[kAxes];  // first cell, its centre value, the cell widths
    for (int a = 0; a < kAxes; ++a) {
        base[a] = at[a] & ~(kRegionCells[a] - 1);
        width[a] = 1 << kCellShift[a];
        lo[a] = base[a] * width[a] + width[a] / 2;
    }
    uint8_t who[4 * 8 * 4];
    NearestInRegion<4, 8, 4>(m.table, m.entries, lo, width, kDistScale, 1, who);
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

// The map as the dithering asks it: regions are filled when first reached.
struct CoarseMap {
    InverseMap m;
    int Index(int b, int g, int r) const {
        uint16_t* cell = m.cells + CellOf(b, g, r);
        if (*cell == 0) FillRegion(m, int(cell - m.cells));
        return *cell - 1;
    }
};

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

    const InverseMap map{hist.get(), table, n};
    // On a large picture the regions of the colours it holds are mapped in
    // advance, on every processor (each region is its own set of cells); the
    // dithering fills any other region it reaches, as on a small picture.
    if (platform::BandCount(h, w) > 1)
        platform::ForEachBand(int(used.size()), 1 << 16, [&](int first, int end) {
            for (int k = first; k < end; ++k) FillRegion(map, used[size_t(k)]);
        });
    DitherPicture(src, out, table, n, CoarseMap{map}, err.get(), idxRow.get());
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

namespace {
std::atomic<int> g_reduction{int(Reduction::MedianCut)};
}  // namespace

void SetReduction(Reduction method) { g_reduction.store(int(method), std::memory_order_relaxed); }
Reduction CurrentReduction() { return Reduction(g_reduction.load(std::memory_order_relaxed)); }

Image Quantize(const Image& src, int colors, std::string* why) {
    return Quantize(src, colors, CurrentReduction(), why);
}

Image Quantize(const Image& src, int colors, Reduction method, std::string* why) {
    if (!src) return Fail(why, "no picture");
    if (colors < 2 || colors > 256) return Fail(why, "colour count must be 2 to 256");
    switch (src.bitCount()) {
    case 24:
        return method == Reduction::Better ? quantize_detail::ReduceBetter24(src, colors, why) : Reduce24(src, colors, why);
    case 8:
    case 4: {
        Image wide = src.bitCount() == 8 ? Expand8To24(src) : Expand4To24(src);
        if (!wide) return Fail(why, "out of memory");
        return method == Reduction::Better ? quantize_detail::ReduceBetter24(wide, colors, why) : Reduce24(wide, colors, why);
    }
    default:
        return Fail(why, "a picture of " + std::to_string(src.bitCount()) +
                             " bits per pixel cannot be reduced");
    }
}

}  // namespace lg
