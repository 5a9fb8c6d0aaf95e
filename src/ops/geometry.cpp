#include "ops/geometry.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>

#include "platform/platform.h"
#include "platform/threads.h"

namespace lg {
namespace {

bool WorkingDepth(int bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 24; }

inline int Get1(const uint8_t* row, int x) { return (row[x >> 3] >> (7 - (x & 7))) & 1; }
inline void Set1(uint8_t* row, int x, int v) {
    uint8_t mask = uint8_t(0x80 >> (x & 7));
    row[x >> 3] = uint8_t(v ? row[x >> 3] | mask : row[x >> 3] & ~mask);
}
inline int Get4(const uint8_t* row, int x) { return x & 1 ? row[x >> 1] & 15 : row[x >> 1] >> 4; }
inline void Set4(uint8_t* row, int x, int v) {
    uint8_t& b = row[x >> 1];
    b = uint8_t(x & 1 ? (b & 0xF0) | (v & 15) : (b & 0x0F) | (v & 15) << 4);
}

constexpr std::array<uint8_t, 256> MakeBitReversal() {
    std::array<uint8_t, 256> t{};
    for (int i = 0; i < 256; ++i) {
        int r = 0;
        for (int b = 0; b < 8; ++b)
            if (i & (1 << b)) r |= 0x80 >> b;
        t[size_t(i)] = uint8_t(r);
    }
    return t;
}
constexpr std::array<uint8_t, 256> kBitReversal = MakeBitReversal();

// Reverses the pixel order of one row; `tmp` holds at least the row's bytes.
void ReverseRow1(uint8_t* row, uint8_t* tmp, int width) {
    const int n = (width + 7) / 8;
    const int pad = n * 8 - width;  // unused low bits of the last byte
    for (int k = 0; k < n; ++k) tmp[k] = kBitReversal[row[n - 1 - k]];
    if (pad == 0) {
        std::memcpy(row, tmp, size_t(n));
        return;
    }
    // The reversed padding now leads the row: shift it out, zeros come in.
    for (int k = 0; k < n; ++k)
        row[k] = uint8_t(tmp[k] << pad | (k + 1 < n ? tmp[k + 1] >> (8 - pad) : 0));
}

void ReverseRow4(uint8_t* row, uint8_t* tmp, int width) {
    const int half = width / 2;
    if ((width & 1) == 0) {
        for (int k = 0; k < half; ++k) {
            uint8_t b = row[half - 1 - k];
            tmp[k] = uint8_t(b << 4 | b >> 4);
        }
    } else {
        // Byte k pairs the high nibble of byte half-k with the low nibble of
        // the byte before it; the last byte holds pixel 0 alone.
        for (int k = 0; k < half; ++k)
            tmp[k] = uint8_t((row[half - k] & 0xF0) | (row[half - k - 1] & 0x0F));
        tmp[half] = uint8_t(row[0] & 0xF0);
    }
    std::memcpy(row, tmp, PixelRowBytes(width, 4));
}

void ReverseRow8(uint8_t* row, int width) { std::reverse(row, row + width); }

void ReverseRow24(uint8_t* row, int width) {
    for (int a = 0, b = width - 1; a < b; ++a, --b)
        for (int c = 0; c < 3; ++c) std::swap(row[3 * a + c], row[3 * b + c]);
}

// Quarter turn of 8- or 24-bit pixels in tiles, so that both the rows read
// and the rows written stay in cache. Target row t, column s comes from
// source row s, column W-1-t (right) or row H-1-s, column t (left).
template <int Bpp>
void TurnBytes(const Image& src, Image& out, bool right, int tFirst, int tEnd) {
    const int W = src.width(), H = src.height();
    const ptrdiff_t sstride = ptrdiff_t(src.stride());
    const uint8_t* sbase = src.pixels();
    uint8_t* dbase = out.pixels();
    const size_t dstride = out.stride();
    constexpr int kTile = 64;
    for (int t0 = tFirst; t0 < tEnd; t0 += kTile) {
        const int t1 = std::min(tEnd, t0 + kTile);
        for (int s0 = 0; s0 < H; s0 += kTile) {
            const int s1 = std::min(H, s0 + kTile);
            for (int t = t0; t < t1; ++t) {
                uint8_t* d = dbase + size_t(t) * dstride + size_t(Bpp) * size_t(s0);
                const int col = right ? W - 1 - t : t;
                const int row0 = right ? s0 : H - 1 - s0;
                const ptrdiff_t step = right ? sstride : -sstride;
                const uint8_t* p = sbase + ptrdiff_t(row0) * sstride + ptrdiff_t(Bpp) * col;
                int s = s0;
                // Three-byte pixels move as four bytes where the fourth is
                // still the source row's and its target byte is written next.
                if (Bpp == 3 && col + 1 < W)
                    for (; s + 1 < s1; ++s, d += 3, p += step) {
                        uint32_t v;
                        std::memcpy(&v, p, 4);
                        std::memcpy(d, &v, 4);
                    }
                for (; s < s1; ++s, d += Bpp, p += step) {
                    d[0] = p[0];
                    if (Bpp == 3) {
                        d[1] = p[1];
                        d[2] = p[2];
                    }
                }
            }
        }
    }
}

// Sub-byte pixels, for the target rows tFirst .. tEnd - 1 only: target row
// t takes source column W-1-t (right) or t (left).
template <typename Get, typename Set>
void TurnPixels(const Image& src, Image& out, bool right, Get get, Set set, int tFirst, int tEnd) {
    const int W = src.width(), H = src.height();
    const int c0 = right ? W - tEnd : tFirst, c1 = right ? W - tFirst : tEnd;
    for (int r = 0; r < H; ++r) {
        const uint8_t* s = src.row(r);
        const int col = right ? r : H - 1 - r;
        for (int c = c0; c < c1; ++c) set(out.row(right ? W - 1 - c : c), col, get(s, c));
    }
}

Image Turn(const Image& src, bool right) {
    if (!src || !WorkingDepth(src.bitCount())) return Image();
    const int bits = src.bitCount();
    // Whole bytes are all written; sub-byte rows are built bit by bit.
    Image out = CreateLike(src, src.height(), src.width(), bits < 8);
    if (!out) return out;
    platform::ForEachBand(src.width(), src.height(), [&](int first, int end) {
        switch (bits) {
        case 24: TurnBytes<3>(src, out, right, first, end); break;
        case 8: TurnBytes<1>(src, out, right, first, end); break;
        case 4: TurnPixels(src, out, right, Get4, Set4, first, end); break;
        default: TurnPixels(src, out, right, Get1, Set1, first, end); break;
        }
    });
    return out;
}

// Copies w pixels starting at pixel x of a sub-byte row into the start of
// `dst`, leaving the bits after the last pixel zero.
void CopyBits1(const uint8_t* row, size_t rowBytes, int x, int w, uint8_t* dst) {
    const size_t first = size_t(x) / 8;
    const int shift = x & 7;
    const size_t n = (size_t(w) + 7) / 8;
    for (size_t k = 0; k < n; ++k) {
        unsigned hi = row[first + k];
        unsigned lo = first + k + 1 < rowBytes ? row[first + k + 1] : 0;
        dst[k] = uint8_t(((hi << 8 | lo) << shift) >> 8);
    }
    if (w & 7) dst[n - 1] = uint8_t(dst[n - 1] & (0xFF00 >> (w & 7)));
}

void CopyNibbles(const uint8_t* row, size_t rowBytes, int x, int w, uint8_t* dst) {
    const size_t first = size_t(x) / 2;
    const size_t n = (size_t(w) + 1) / 2;
    if ((x & 1) == 0) {
        std::memcpy(dst, row + first, n);
    } else {
        for (size_t k = 0; k < n; ++k) {
            unsigned next = first + k + 1 < rowBytes ? row[first + k + 1] : 0;
            dst[k] = uint8_t((row[first + k] & 0x0F) << 4 | next >> 4);
        }
    }
    if (w & 1) dst[n - 1] &= 0xF0;
}

}  // namespace

Rect ClampRect(const Rect& r, int width, int height) {
    int64_t x0 = std::max<int64_t>(r.x, 0), y0 = std::max<int64_t>(r.y, 0);
    int64_t x1 = std::min<int64_t>(int64_t(r.x) + r.w, width);
    int64_t y1 = std::min<int64_t>(int64_t(r.y) + r.h, height);
    Rect out;
    if (x1 <= x0 || y1 <= y0) return out;
    out.x = int(x0);
    out.y = int(y0);
    out.w = int(x1 - x0);
    out.h = int(y1 - y0);
    return out;
}

Rect SelectionToBufferRect(const SelectionInView& s) {
    const int left = std::min(s.x0, s.x1) + (s.scrolledH ? s.scrollX : 0);
    const int top = std::min(s.y0, s.y1) + (s.scrolledV ? s.scrollY : 0);
    Rect r;
    r.x = left;
    r.w = std::abs(s.x1 - s.x0);
    r.h = std::abs(s.y1 - s.y0);
    const int tool = s.toolbarVisible ? s.toolbarHeight - 1 : 0;
    r.y = tool + s.imageHeight - top - r.h;
    return r;
}

Image CreateLike(const Image& src, int64_t width, int64_t height, bool clear) {
    Image out = clear ? Image::Create(width, height, src.bitCount(), src.colorsUsed())
                      : Image::CreateForRows(width, height, src.bitCount(), src.colorsUsed());
    if (!out) return out;
    PutLE32(out.header() + 32, src.colorsUsedField());
    out.setResolution(src.xResolution(), src.yResolution());
    const uint32_t n = src.colorsUsed();
    for (uint32_t i = 0; i < n; ++i) {
        std::memcpy(out.palette() + 4 * i, src.palette() + 4 * i, 3);
        out.palette()[4 * i + 3] = 0;
    }
    return out;
}

PixelView ViewOf(Image& img, const Rect& r) {
    PixelView v;
    v.base = img.row(r.y) + 3 * size_t(r.x);
    v.stride = ptrdiff_t(img.stride());
    v.w = r.w;
    v.h = r.h;
    return v;
}

RectCopy CopyOfRect(const Image& img, const Rect& r) {
    RectCopy c;
    const size_t rowBytes = 3 * size_t(r.w);
    // Every byte is copied: no zero-fill first.
    c.data.reset(new (std::nothrow) uint8_t[rowBytes * size_t(r.h)]);
    if (!c.data) return c;
    platform::AdviseLargeBlock(c.data.get(), rowBytes * size_t(r.h));
    platform::ForEachBand(r.h, r.w, [&](int first, int end) {
        for (int i = first; i < end; ++i)
            std::memcpy(c.data.get() + size_t(i) * rowBytes, img.row(r.y + i) + 3 * size_t(r.x), rowBytes);
    });
    c.view.base = c.data.get();
    c.view.stride = ptrdiff_t(rowBytes);
    c.view.w = r.w;
    c.view.h = r.h;
    return c;
}

bool FlipVertical(Image& img) {
    if (!img || !WorkingDepth(img.bitCount())) return false;
    const size_t stride = img.stride();
    const int h = img.height();
    platform::ForEachBand(h / 2, img.width(), [&](int first, int end) {
        for (int i = first; i < end; ++i) std::swap_ranges(img.row(i), img.row(i) + stride, img.row(h - 1 - i));
    });
    return true;
}

bool FlipHorizontal(Image& img) {
    if (!img || !WorkingDepth(img.bitCount())) return false;
    const int bits = img.bitCount(), w = img.width();
    const size_t tmpBytes = bits < 8 ? img.stride() : 0;
    std::atomic<bool> ok{true};
    platform::ForEachBand(img.height(), w, [&](int first, int end) {
        std::unique_ptr<uint8_t[]> tmp;  // one row of sub-byte pixels per band
        if (tmpBytes && !(tmp = TryAlloc<uint8_t>(tmpBytes))) {
            ok = false;
            return;
        }
        for (int y = first; y < end; ++y) {
            uint8_t* row = img.row(y);
            switch (bits) {
            case 24: ReverseRow24(row, w); break;
            case 8: ReverseRow8(row, w); break;
            case 4: ReverseRow4(row, tmp.get(), w); break;
            default: ReverseRow1(row, tmp.get(), w); break;
            }
        }
    });
    return ok;
}

Image RotateRight(const Image& src) { return Turn(src, true); }
Image RotateLeft(const Image& src) { return Turn(src, false); }

Image CropRect(const Image& src, const Rect& r) {
    if (!src || !WorkingDepth(src.bitCount())) return Image();
    const Rect c = ClampRect(r, src.width(), src.height());
    if (c.w <= 0 || c.h <= 0) return Image();
    Image out = Image::Create(c.w, c.h, src.bitCount(), src.colorsUsed());
    if (!out) return out;
    uint8_t* h = out.header();
    PutLE32(h + 16, GetLE32(src.header() + 16));  // compression
    PutLE32(h + 32, src.colorsUsedField());
    std::memcpy(out.palette(), src.palette(), src.paletteBytes());
    const int bits = src.bitCount();
    const size_t rowBytes = src.stride();
    for (int i = 0; i < c.h; ++i) {
        const uint8_t* s = src.row(c.y + i);
        uint8_t* d = out.row(i);
        switch (bits) {
        case 24: std::memcpy(d, s + 3 * size_t(c.x), 3 * size_t(c.w)); break;
        case 8: std::memcpy(d, s + c.x, size_t(c.w)); break;
        case 4: CopyNibbles(s, rowBytes, c.x, c.w, d); break;
        default: CopyBits1(s, rowBytes, c.x, c.w, d); break;
        }
    }
    return out;
}

bool FillRect(Image& img, const Rect& r, int value) {
    if (!img || !WorkingDepth(img.bitCount())) return false;
    const Rect c = ClampRect(r, img.width(), img.height());
    if (c.w <= 0 || c.h <= 0) return false;
    const int bits = img.bitCount();
    for (int y = c.y; y < c.y + c.h; ++y) {
        uint8_t* row = img.row(y);
        switch (bits) {
        case 24: std::memset(row + 3 * size_t(c.x), value & 0xFF, 3 * size_t(c.w)); break;
        case 8: std::memset(row + c.x, value & 0xFF, size_t(c.w)); break;
        case 4:
            for (int x = c.x; x < c.x + c.w; ++x) Set4(row, x, value);
            break;
        default:
            for (int x = c.x; x < c.x + c.w; ++x) Set1(row, x, value & 1);
            break;
        }
    }
    return true;
}

}  // namespace lg
