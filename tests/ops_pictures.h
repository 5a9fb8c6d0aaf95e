// Helpers of the image-operation tests: hand-made pictures at every depth,
// pixel access counted from the top, and comparison with reference PPMs.
#pragma once

#include "support.h"

#include <array>
#include <cstdint>
#include <string>

#include "formats/bmp.h"
#include "formats/status.h"

namespace opstest {

using lg::Image;
using Rgb = std::array<int, 3>;

inline int IndexAt(const Image& img, int x, int y) {
    const uint8_t* row = img.topRow(y);
    switch (img.bitCount()) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return x & 1 ? row[x >> 1] & 15 : row[x >> 1] >> 4;
    default: return row[x];
    }
}

inline void SetIndex(Image& img, int x, int y, int v) {
    uint8_t* row = img.topRow(y);
    switch (img.bitCount()) {
    case 1:
        if (v & 1) row[x >> 3] = uint8_t(row[x >> 3] | 0x80 >> (x & 7));
        else row[x >> 3] = uint8_t(row[x >> 3] & ~(0x80 >> (x & 7)));
        break;
    case 4:
        row[x >> 1] = uint8_t(x & 1 ? (row[x >> 1] & 0xF0) | (v & 15) : (row[x >> 1] & 0x0F) | (v & 15) << 4);
        break;
    default: row[x] = uint8_t(v); break;
    }
}

// What pixel (x, y from the top) shows: red, green, blue.
inline Rgb Shown(const Image& img, int x, int y) {
    if (img.bitCount() == 24) return lgtest::Rgb24(img, x, y);
    const uint8_t* e = img.palette() + 4 * IndexAt(img, x, y);
    return {e[2], e[1], e[0]};
}

inline void SetRgb(Image& img, int x, int y, Rgb c) {
    uint8_t* p = img.topRow(y) + 3 * size_t(x);
    p[0] = uint8_t(c[2]);
    p[1] = uint8_t(c[1]);
    p[2] = uint8_t(c[0]);
}

inline uint32_t NextRandom(uint32_t& seed) { return (seed = seed * 1664525u + 1013904223u) >> 8; }

// Random pixels (and a random colour table) at any working depth; the row
// padding stays zero.
inline Image Pattern(int w, int h, int bits, uint32_t seed) {
    Image img = Image::Create(w, h, bits, 0);
    for (uint32_t i = 0; i < img.colorsUsed(); ++i)
        img.setPaletteEntry(int(i), uint8_t(NextRandom(seed)), uint8_t(NextRandom(seed)), uint8_t(NextRandom(seed)));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (bits == 24)
                SetRgb(img, x, y, {int(NextRandom(seed) & 255), int(NextRandom(seed) & 255), int(NextRandom(seed) & 255)});
            else
                SetIndex(img, x, y, int(NextRandom(seed) & ((1u << bits) - 1)));
        }
    return img;
}

inline Image Flat24(int w, int h, Rgb c) {
    Image img = Image::Create(w, h, 24, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) SetRgb(img, x, y, c);
    return img;
}

// Whole blocks equal: header, colour table, pixels and padding.
inline ::testing::AssertionResult SameBlock(const Image& a, const Image& b) {
    if (!a || !b) return ::testing::AssertionFailure() << "empty picture";
    if (a.size() != b.size()) return ::testing::AssertionFailure() << "sizes " << a.size() << " and " << b.size();
    for (size_t i = 0; i < a.size(); ++i)
        if (a.data()[i] != b.data()[i])
            return ::testing::AssertionFailure() << "first difference at byte " << i;
    return ::testing::AssertionSuccess();
}

// Every pixel shows the reference PPM's colour within `tolerance`.
inline ::testing::AssertionResult ShowsPpm(const Image& img, const std::string& name, int tolerance = 0) {
    lgtest::Ppm ref;
    if (!lgtest::ReadPpm(lgtest::DataPath(name), ref)) return ::testing::AssertionFailure() << "no " << name;
    if (!img) return ::testing::AssertionFailure() << "empty picture";
    if (img.width() != ref.width || img.height() != ref.height)
        return ::testing::AssertionFailure() << "size " << img.width() << "x" << img.height() << ", expected "
                                             << ref.width << "x" << ref.height;
    for (int y = 0; y < ref.height; ++y)
        for (int x = 0; x < ref.width; ++x) {
            Rgb got = Shown(img, x, y);
            for (int c = 0; c < 3; ++c)
                if (std::abs(got[size_t(c)] - ref.at(x, y)[c]) > tolerance)
                    return ::testing::AssertionFailure() << name << ": pixel " << x << "," << y << " channel " << c
                                                         << " is " << got[size_t(c)] << ", expected "
                                                         << int(ref.at(x, y)[c]);
        }
    return ::testing::AssertionSuccess();
}

inline Image LoadBmp(const std::string& name) {
    lg::Status st;
    return lg::ReadBmp(lgtest::DataPath(name), st);
}

}  // namespace opstest
