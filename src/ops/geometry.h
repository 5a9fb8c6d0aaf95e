// Lossless geometric edits of a picture at every working depth (1, 4, 8 and
// 24 bits), bit-exact for widths that are not a multiple of a byte: flips in
// place, quarter turns and crop into a new picture, fill of a rectangle.
// Also the rectangle type and helpers the other operations share.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

#include "core/image.h"

namespace lg {

// A rectangle in buffer coordinates: x from the left, y the first row counted
// from the bottom (stored row order), w and h in pixels.
struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
};

inline bool operator==(const Rect& a, const Rect& b) {
    return a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h;
}

// The part of `r` that lies on a width x height picture. Negative corners are
// clamped to 0; w or h is 0 when nothing is left. No arithmetic overflows.
Rect ClampRect(const Rect& r, int width, int height);

// The whole picture as a rectangle.
inline Rect WholePicture(const Image& img) { return Rect{0, 0, img.width(), img.height()}; }

// The dragged selection in window coordinates and the view state needed to
// turn it into a buffer rectangle.
struct SelectionInView {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;   // the two corners, client coordinates
    bool scrolledH = false, scrolledV = false;
    int scrollX = 0, scrollY = 0;         // scroll positions, used when scrolled
    bool toolbarVisible = false;
    int toolbarHeight = 0;
    int imageHeight = 0;
};
Rect SelectionToBufferRect(const SelectionInView& s);

// Flips in place. False (picture unchanged) for an empty picture, a depth
// other than 1, 4, 8, 24, or no memory for the row buffer.
bool FlipVertical(Image& img);
bool FlipHorizontal(Image& img);

// Quarter turns, clockwise (right) and counter-clockwise (left) on screen,
// into a new picture; the source is not changed. Empty on an unsupported
// depth or no memory. Resolutions are copied as they are, not exchanged.
Image RotateRight(const Image& src);
Image RotateLeft(const Image& src);

// A new picture holding the rectangle clamped to the source; empty when the
// clamped rectangle is empty, the depth is unsupported or memory runs out.
Image CropRect(const Image& src, const Rect& r);

// Sets every pixel of the clamped rectangle to `value` (an index at 1, 4 and
// 8 bits; the byte of all three channels at 24 bits). False when the clamped
// rectangle is empty or the depth unsupported.
bool FillRect(Image& img, const Rect& r, int value);

// --- shared by the operations -------------------------------------------

// Bytes of a row that hold pixels (without the padding to 32 bits).
inline size_t PixelRowBytes(int width, int bits) { return (size_t(width) * size_t(bits) + 7) / 8; }

// A zero-filled array, or null when memory runs out.
template <typename T>
std::unique_ptr<T[]> TryAlloc(size_t n) {
    return std::unique_ptr<T[]>(new (std::nothrow) T[n]());
}

// floor() without a library call in a pixel loop (compares equal to it;
// only the sign of a zero may differ).
inline float FloorOf(float v) {
    if (!(v < 1e9f && v > -1e9f)) return std::floor(v);
    const float t = float(int(v));  // exact: beyond 2^23 every float is whole
    return t > v ? t - 1 : t;
}

// A new picture of the source's depth with its colours-used field and
// colour table (reserved bytes set to 0) and its resolutions. Its pixels are
// zero unless `clear` is false: then only the padding at each row's end is,
// for callers that write every pixel.
Image CreateLike(const Image& src, int64_t width, int64_t height, bool clear = true);

// The 24-bit pixels of a rectangle: column c and row r (upward) inside it.
struct PixelView {
    uint8_t* base = nullptr;
    ptrdiff_t stride = 0;
    int w = 0, h = 0;
    uint8_t* at(int c, int r) const { return base + r * stride + 3 * ptrdiff_t(c); }
};
// The rectangle (already clamped) of a 24-bit picture, in place.
PixelView ViewOf(Image& img, const Rect& r);
// A packed copy of such a rectangle; `data` is null when memory runs out.
struct RectCopy {
    std::unique_ptr<uint8_t[]> data;
    PixelView view;
};
RectCopy CopyOfRect(const Image& img, const Rect& r);

}  // namespace lg
