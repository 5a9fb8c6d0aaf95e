#include "shell/logic/fire.h"

#include <algorithm>
#include <cstring>

namespace lg {
namespace {

constexpr int kBurningRows = 75;
constexpr int kSourceWidth = 25;
constexpr int kSpread = 1;
constexpr int kDecay = 5;
constexpr int kMaxHeat = 216;
constexpr int kHeatStepRange = 100, kHeatStepBias = 10;
constexpr int kSparkChance = 300;
constexpr int kSparkValue = 239, kSparkWidth = 5;

// The hot source sits in the middle of the bottom row.
constexpr int kSourceLeft = (kFireWidth - kSourceWidth) / 2;      // 37
constexpr int kSourceEnd = kSourceLeft + kSourceWidth + 1;        // 63

static_assert(kFireWidth % 4 == 0, "rows must be unpadded: drift runs from one row into the next");

uint32_t NextDrift(uint32_t& state) {
    state = state * 1664525u + 1013904223u;
    return state;
}

// A rand()-style generator of 15-bit values, so the fire does not depend on
// the C library's.
int NextRandom(uint32_t& state) {
    state = state * 214013u + 2531011u;
    return int((state >> 16) & 0x7fff);
}

constexpr FireColor kSystemColors[16] = {
    {0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},     {128, 0, 128},
    {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240}, {238, 238, 238}, {221, 221, 221},
    {204, 204, 204}, {187, 187, 187}, {170, 170, 170}, {153, 153, 153},
};

uint8_t Ramp(int v) { return uint8_t(std::max(0, std::min(255, v))); }

// Heat rises one row: row c is filled from row c - 1, drifting sideways and
// cooling. The rows are one run of bytes, so a drift past a row's end lands
// in the neighbouring row.
void RiseRow(Fire& f, uint8_t* px, int c) {
    const bool leftToRight = NextRandom(f.random) % 2 == 0;
    for (int n = 0; n < kFireWidth; ++n) {
        const int j = leftToRight ? n : kFireWidth - 1 - n;
        const uint32_t h = NextDrift(f.drift);
        const uint32_t l = NextDrift(f.drift);
        const uint32_t t = NextDrift(f.drift);
        const int shift = int(h / 32 % (kSpread + 1));
        const int target = c * kFireWidth + ((t & 32) ? j + shift : j - shift);
        int v = px[(c - 1) * kFireWidth + j] - int(l / 32 % (kDecay + 1));
        if (v < kFireCold + 1) v = kFireCold;
        px[target] = uint8_t(v);
    }
}

void Spark(Fire& f) {
    if (NextRandom(f.random) % kSparkChance != 0) return;
    const int d = kSourceLeft + NextRandom(f.random) % (kSourceWidth - kSparkWidth);
    std::fill(f.source.begin() + d, f.source.begin() + d + kSparkWidth, uint8_t(kSparkValue));
}

void Flicker(Fire& f) {
    for (int j = kSourceLeft; j < kSourceEnd; ++j) {
        int v = f.source[j];
        if (v < kMaxHeat) {
            v += NextRandom(f.random) % kHeatStepRange + kHeatStepBias - 50 + 1;
            v = std::max(kFireCold, std::min(kMaxHeat, v));
        } else {
            v = kMaxHeat;
        }
        f.source[j] = uint8_t(v);
    }
}

void Smooth(Fire& f) {
    for (int j = kSourceLeft + 1; j < kSourceEnd - 1; ++j)
        f.source[j] = uint8_t((f.source[j - 1] + f.source[j] + f.source[j + 1]) / 3);
}

}  // namespace

std::array<FireColor, 256> FirePalette() {
    std::array<FireColor, 256> p{};
    std::copy(std::begin(kSystemColors), std::end(kSystemColors), p.begin());
    for (int k = 255; k >= 16; --k) {
        const int t = 255 - k;
        p[k] = {Ramp(767 - 4 * t), Ramp(511 - 4 * t), Ramp(255 - 4 * t)};
    }
    return p;
}

Fire NewFire(uint32_t seed) {
    Fire f;
    f.picture = Image::Create(kFireWidth, kFireHeight, 8, 256);
    if (f.picture) {
        const auto pal = FirePalette();
        for (int i = 0; i < 256; ++i) f.picture.setPaletteEntry(i, pal[i].r, pal[i].g, pal[i].b);
        std::memset(f.picture.pixels(), kFireCold, f.picture.pixelBytes());
    }
    f.source.fill(kFireCold);
    f.drift = seed;
    f.random = seed;
    return f;
}

void FireTick(Fire& f) {
    if (!f.picture) return;
    uint8_t* px = f.picture.pixels();  // stored row 0 is the bottom row
    // The source's ends stay cold so the flame narrows at its foot.
    for (int j = 0; j < kFireWidth; ++j)
        if (j < kSourceLeft + kSpread || j >= kSourceEnd - kSpread) f.source[j] = kFireCold;
    std::memcpy(px, f.source.data(), kFireWidth);
    for (int c = kBurningRows; c >= 1; --c) RiseRow(f, px, c);
    Spark(f);
    Flicker(f);
    Smooth(f);
}

}  // namespace lg
