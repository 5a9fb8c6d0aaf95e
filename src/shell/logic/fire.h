// The fire of the thanks dialog: a small heat simulation on an 8-bit picture
// drawn through a black-red-yellow-white palette. Deterministic for a seed;
// the dialog's timer calls FireTick and draws `picture` as it stands.
#pragma once

#include <array>
#include <cstdint>

#include "core/image.h"

namespace lg {

constexpr int kFireWidth = 100, kFireHeight = 100;
constexpr int kFireCold = 16;  // palette index of a pixel without heat

struct FireColor {
    uint8_t r, g, b;
};

// 16 fixed system colours, then a ramp from black (16..63) through red and
// yellow to white (255).
std::array<FireColor, 256> FirePalette();

struct Fire {
    Image picture;  // 8 bits, 100 x 100, 256 colours from FirePalette(); empty when out of memory
    std::array<uint8_t, kFireWidth> source{};  // the hot row fed into the bottom row
    uint32_t drift = 0;   // generator for drift and cooling
    uint32_t random = 0;  // generator for the other choices
};

// A cold fire (every pixel 16). The seed starts both generators.
Fire NewFire(uint32_t seed = 1);

// One step of the simulation (every 25 ms in the dialog). Does nothing
// without a picture.
void FireTick(Fire& f);

}  // namespace lg
