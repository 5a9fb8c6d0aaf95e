// What a window shows, checked against references made outside the viewer
// (ImageMagick's raw RGB dumps, colours worked out by hand). A paint follows
// the change that asks for it, so the positive checks poll the client area
// until it holds, within the driver's step limit.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "driver.h"

namespace {

struct Rgb {
    uint8_t r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

std::string Describe(Rgb c) {
    char s[16];
    std::snprintf(s, sizeof s, "#%02x%02x%02x", c.r, c.g, c.b);
    return s;
}

Rgb At(const e2e::Capture& cap, int x, int y) {
    const uint8_t* p = cap.at(x, y);
    return Rgb{p[2], p[1], p[0]};
}

// A picture as 8-bit RGB, rows top down: the form of ImageMagick's RGB: output.
struct RgbPicture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
    Rgb at(int x, int y) const {
        const uint8_t* p = &rgb[(size_t(y) * width + x) * 3];
        return Rgb{p[0], p[1], p[2]};
    }
    explicit operator bool() const { return width > 0 && rgb.size() == size_t(width) * height * 3; }
};

// A picture of w x h whose pixel (x, y) is colourAt(x, y).
template <class ColourAt>
RgbPicture Drawn(int w, int h, ColourAt colourAt) {
    RgbPicture p;
    p.width = w;
    p.height = h;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Rgb c = colourAt(x, y);
            p.rgb.insert(p.rgb.end(), {c.r, c.g, c.b});
        }
    return p;
}

// ImageMagick's dump of a picture whose size the test knows; it tests false
// when the file is missing or of another length.
RgbPicture ReadRgb(const std::string& path, int width, int height) {
    RgbPicture p;
    std::ifstream f(path, std::ios::binary);
    p.rgb.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    p.width = width;
    p.height = height;
    return p;
}

// A packed DIB (header, colour table, rows) of 1, 4, 8 or 24 bits, uncompressed,
// read here so that what the viewer wrote is checked against references,
// not read back by the viewer's own reader.
RgbPicture DecodeDib(const uint8_t* dib, size_t size) {
    RgbPicture out;
    BITMAPINFOHEADER h;
    if (size < sizeof h) return out;
    std::memcpy(&h, dib, sizeof h);
    const int bits = h.biBitCount;
    if (h.biCompression != BI_RGB || (bits != 1 && bits != 4 && bits != 8 && bits != 24) || h.biWidth <= 0 ||
        h.biHeight == 0)
        return out;
    const int w = h.biWidth, ht = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    const size_t colours = bits <= 8 ? (h.biClrUsed ? h.biClrUsed : size_t(1) << bits) : 0;
    const size_t stride = ((size_t(w) * bits + 7) / 8 + 3) & ~size_t(3);
    const size_t start = h.biSize + 4 * colours;
    if (size < start + stride * ht) return out;
    out.width = w;
    out.height = ht;
    for (int y = 0; y < ht; ++y) {
        const uint8_t* row = dib + start + stride * size_t(h.biHeight < 0 ? y : ht - 1 - y);
        for (int x = 0; x < w; ++x) {
            // The colour index of pixel x: the leftmost pixel in the top bits.
            const size_t bit = size_t(x) * bits;
            const size_t index = bits == 24 ? 0 : (row[bit / 8] >> (8 - bits - bit % 8)) & ((1 << bits) - 1);
            if (index >= colours && bits != 24) return RgbPicture();
            const uint8_t* p = bits == 24 ? row + 3 * x : dib + h.biSize + 4 * index;
            out.rgb.insert(out.rgb.end(), {p[2], p[1], p[0]});
        }
    }
    return out;
}

::testing::AssertionResult SamePicture(const RgbPicture& got, const RgbPicture& want) {
    if (!got || !want) return ::testing::AssertionFailure() << "a picture is missing or cut short";
    if (got.width != want.width || got.height != want.height)
        return ::testing::AssertionFailure() << got.width << "x" << got.height << " instead of " << want.width << "x"
                                             << want.height;
    for (int y = 0; y < want.height; ++y)
        for (int x = 0; x < want.width; ++x)
            if (!(got.at(x, y) == want.at(x, y)))
                return ::testing::AssertionFailure() << "(" << x << "," << y << ") is " << Describe(got.at(x, y))
                                                     << ", expected " << Describe(want.at(x, y));
    return ::testing::AssertionSuccess();
}

// A BMP file: its file header, then a packed DIB.
RgbPicture DecodeBmpFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    const std::vector<uint8_t> file((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    if (file.size() < 14 || file[0] != 'B' || file[1] != 'M') return RgbPicture();
    return DecodeDib(file.data() + 14, file.size() - 14);
}

struct Spot {
    int x, y;
    Rgb want;
};

// The first spot that differs in `cap`, described; empty when all match.
std::string FirstMismatch(const e2e::Capture& cap, const std::vector<Spot>& spots) {
    for (const Spot& s : spots) {
        if (s.x < 0 || s.y < 0 || s.x >= cap.width || s.y >= cap.height)
            return "(" + std::to_string(s.x) + "," + std::to_string(s.y) + ") outside the " +
                   std::to_string(cap.width) + "x" + std::to_string(cap.height) + " client area";
        const Rgb got = At(cap, s.x, s.y);
        if (!(got == s.want))
            return "(" + std::to_string(s.x) + "," + std::to_string(s.y) + ") shows " + Describe(got) +
                   ", expected " + Describe(s.want);
    }
    return "";
}

// Waits until the client area of `w` shows every spot's colour.
::testing::AssertionResult ShowsSpots(HWND w, const std::vector<Spot>& spots, DWORD timeoutMs = e2e::kStepMs) {
    std::string last = "no capture of the client area";
    const bool ok = e2e::WaitUntil([&] {
        e2e::Capture cap;
        if (!e2e::CaptureClient(w, cap)) return false;
        last = FirstMismatch(cap, spots);
        return last.empty();
    }, timeoutMs, 30);
    if (ok) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "after " << timeoutMs << " ms the window still shows: " << last;
}

// Waits until every pixel of `pic` shows at (left, top) of the client area.
::testing::AssertionResult ShowsPicture(HWND w, const RgbPicture& pic, int left, int top,
                                        DWORD timeoutMs = e2e::kStepMs) {
    if (!pic) return ::testing::AssertionFailure() << "no reference picture";
    std::vector<Spot> spots;
    for (int y = 0; y < pic.height; ++y)
        for (int x = 0; x < pic.width; ++x) spots.push_back({left + x, top + y, pic.at(x, y)});
    return ShowsSpots(w, spots, timeoutMs);
}

// The viewer's full-screen window once it shows; null when none appears.
HWND FullScreenWindowOf(const e2e::Viewer& v) {
    HWND found = nullptr;
    e2e::WaitUntil([&] {
        for (HWND w : e2e::WindowsOf(v))
            if (e2e::ClassOf(w) == "FullViewClass" && IsWindowVisible(w)) found = w;
        return found != nullptr;
    });
    return found;
}

}  // namespace
