#include "ops/color_adjust.h"

#include <algorithm>
#include <cmath>

#include "ops/geometry.h"
#include "platform/threads.h"

namespace lg {
namespace {

// The x87 unit keeps intermediate results in extended precision; a store
// rounds them to double as the greyscale formula needs.
#if defined(__i386__) && !defined(__SSE2_MATH__)
inline double Dbl(double v) {
    volatile double s = v;
    return s;
}
#else
inline double Dbl(double v) { return v; }
#endif

bool PaletteDepth(int bits) { return bits == 1 || bits == 4 || bits == 8; }
bool Supported(const Image& img) { return img && (PaletteDepth(img.bitCount()) || img.bitCount() == 24); }

inline uint8_t Clamp255(int v) { return uint8_t(std::min(255, std::max(0, v))); }

// Maps every channel through `lut`: the table entries of a palette picture,
// the pixels of a 24-bit one (row padding left alone).
void ApplyLut(Image& img, const uint8_t lut[256]) {
    if (img.bitCount() != 24) {
        uint8_t* e = img.palette();
        for (uint32_t i = 0; i < img.colorsUsed(); ++i, e += 4)
            for (int c = 0; c < 3; ++c) e[c] = lut[e[c]];
        return;
    }
    const size_t n = 3 * size_t(img.width());
    platform::ForEachBand(img.height(), img.width(), [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            uint8_t* p = img.row(y);
            for (size_t i = 0; i < n; ++i) p[i] = lut[p[i]];
        }
    });
}

Image AdjustedCopy(const Image& src, const uint8_t lut[256]) {
    if (!Supported(src)) return Image();
    Image out = src.Duplicate();
    if (out) ApplyLut(out, lut);
    return out;
}

// Calls f(bgr) for every colour: table entries or 24-bit pixels.
template <typename F>
void ForEachColour(Image& img, F f) {
    if (img.bitCount() != 24) {
        uint8_t* e = img.palette();
        for (uint32_t i = 0; i < img.colorsUsed(); ++i, e += 4) f(e);
        return;
    }
    platform::ForEachBand(img.height(), img.width(), [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            uint8_t* p = img.row(y);
            for (int x = 0; x < img.width(); ++x, p += 3) f(p);
        }
    });
}

}  // namespace

int GreyOf(int red, int green, int blue) {
    const double bg = Dbl(Dbl(0.11 * blue) + Dbl(0.59 * green));
    return int(Dbl(bg + Dbl(0.3 * red)));
}

bool ToGreyscale(Image& img) {
    if (!Supported(img)) return false;
    if (img.bitCount() != 24) {
        ForEachColour(img, [](uint8_t* e) { e[0] = e[1] = e[2] = uint8_t(GreyOf(e[2], e[1], e[0])); });
        return true;
    }
    Image out = Image::Create(img.width(), img.height(), 8, 256);
    if (!out) return false;
    out.setResolution(img.xResolution(), img.yResolution());
    FillGreyRamp(out.palette());
    platform::ForEachBand(img.height(), img.width() * 2, [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            const uint8_t* s = img.row(y);
            uint8_t* d = out.row(y);
            for (int x = 0; x < img.width(); ++x, s += 3) d[x] = uint8_t(GreyOf(s[2], s[1], s[0]));
        }
    });
    img = std::move(out);
    return true;
}

bool Negative(Image& img) {
    if (!Supported(img)) return false;
    uint8_t lut[256];
    for (int i = 0; i < 256; ++i) lut[i] = uint8_t(255 - i);
    ApplyLut(img, lut);
    return true;
}

Image Brighten(const Image& src, int amount) {
    amount = std::min(255, std::max(-255, amount));
    uint8_t lut[256];
    for (int i = 0; i < 256; ++i) lut[i] = Clamp255(i + amount);
    return AdjustedCopy(src, lut);
}

Image Contrast(const Image& src, int amount) {
    amount = std::min(128, std::max(-128, amount));
    uint8_t lut[256];
    for (int i = 0; i < 256; ++i) lut[i] = Clamp255(i < 128 ? i - amount : i + amount);
    return AdjustedCopy(src, lut);
}

void GammaTable(double gamma, uint8_t table[256]) {
    if (!(gamma >= 0.01)) gamma = gamma < 0.01 ? 0.01 : 1.0;  // NaN counts as no change
    gamma = std::min(gamma, 6.99);
    for (int i = 0; i < 256; ++i)
        table[i] = Clamp255(int(255 * std::pow(i * 0.00392156862745098, 1 / gamma) + 0.5));
}

Image GammaCorrect(const Image& src, double gamma) {
    uint8_t lut[256];
    GammaTable(gamma, lut);
    return AdjustedCopy(src, lut);
}

bool SwapChannels(Image& img, ChannelSwap variant) {
    if (!Supported(img)) return false;
    // For each stored channel (blue, green, red) the old channel it takes.
    static const int kFrom[5][3] = {{1, 0, 2}, {2, 1, 0}, {2, 0, 1}, {0, 2, 1}, {1, 2, 0}};
    const int* from = kFrom[int(variant)];
    ForEachColour(img, [from](uint8_t* p) {
        const uint8_t old[3] = {p[0], p[1], p[2]};
        for (int c = 0; c < 3; ++c) p[c] = old[from[c]];
    });
    return true;
}

int StepWithin(int position, int delta, const AdjustRange& range) {
    const int64_t v = int64_t(position) + delta;
    return int(std::min<int64_t>(range.max, std::max<int64_t>(range.min, v)));
}

PaletteGrid PaletteGridFor(int controlWidth, int controlHeight) {
    PaletteGrid g;
    g.cellWidth = std::max(0, (controlWidth - 51) / 16);
    g.cellHeight = std::max(0, (controlHeight - 51) / 16);
    return g;
}

void PaletteCellOrigin(const PaletteGrid& g, int entry, int* x, int* y) {
    *x = 3 + (entry % 16) * (3 + g.cellWidth);
    *y = 3 + (entry / 16) * (3 + g.cellHeight);
}

int PaletteEntryAt(const PaletteGrid& g, int x, int y, int entries) {
    // The inverse of PaletteCellOrigin; a gap counts with the cell before it.
    if (g.cellWidth <= 0 || g.cellHeight <= 0 || x < 3 || y < 3) return -1;
    const int col = (x - 3) / (3 + g.cellWidth);
    const int row = (y - 3) / (3 + g.cellHeight);
    if (col < 0 || col > 15 || row < 0 || row > 15) return -1;
    const int i = row * 16 + col;
    return i < entries ? i : -1;
}

int PaletteEntriesShown(const Image& img) {
    if (!img || !PaletteDepth(img.bitCount())) return 0;
    // Never more than the table actually holds.
    return int(std::min<uint32_t>(1u << img.bitCount(), img.colorsUsed()));
}

bool SetPaletteColour(Image& img, int entry, uint8_t red, uint8_t green, uint8_t blue) {
    if (entry < 0 || entry >= PaletteEntriesShown(img)) return false;
    img.setPaletteEntry(entry, red, green, blue);
    return true;
}

}  // namespace lg
