// What one read may cost: the bounds a caller sets for a load, checked before
// anything large is allocated. Plain data, copied with the read options.
#pragma once

#include <cstdint>

namespace lg {

// Hard ceilings of the picture buffer; a 32-bit process has little room.
constexpr int64_t kMaxDimension = 1 << 18;           // pixels per side
constexpr int64_t kMaxImageBytes = int64_t(1) << 30; // whole block
// Animations: frames, all frames together, and the canvas (held twice, 24-bit).
constexpr int kMaxFrames = 1024;
constexpr int64_t kMaxAnimationPixels = int64_t(1) << 27;
constexpr int64_t kMaxCanvasPixels = int64_t(1) << 25;
// Pages of a multipage file that are indexed.
constexpr int kMaxPages = 1024;

struct ReadLimits {
    int64_t maxSide = kMaxDimension;        // pixels per side of one picture
    int64_t maxBuffer = kMaxImageBytes;     // bytes of one picture's block
    int maxFrames = kMaxFrames;             // frames of an animation
    int64_t maxFramePixels = kMaxAnimationPixels;  // all frames of an animation together
    int64_t maxCanvasPixels = kMaxCanvasPixels;    // an animation's canvas
    int maxPages = kMaxPages;               // pages of a multipage file
};

// The largest expansion of each coding scheme: how many bytes of picture data
// one byte of the file can decode to at most.
constexpr uint64_t kExpandRaw = 1;
constexpr uint64_t kExpandPackBits = 64;    // 2 bytes -> 128 (PSD, IFF ByteRun1)
constexpr uint64_t kExpandPcx = 32;         // 2 bytes -> 63
constexpr uint64_t kExpandSunRle = 86;      // 3 bytes -> 256
constexpr uint64_t kExpandBmpRle8 = 128;    // 2 bytes -> 255 pixels of a byte
constexpr uint64_t kExpandBmpRle4 = 64;     // 2 bytes -> 255 pixels of half a byte
constexpr uint64_t kExpandDeflate = 1032;   // zlib's own bound
constexpr uint64_t kExpandLzw = 2731;       // 12 bits -> a string of at most 4096 bytes
constexpr uint64_t kExpandJpeg = 1536;      // each 8x8 block of each component takes at least a bit

// A file cut short is still read as far as it goes (the rest stays zero):
// this many bytes of claimed data beyond what the file could hold are
// tolerated, so a slightly truncated file still opens while a tiny file
// cannot make a reader allocate more than its own size times its expansion
// and this.
constexpr uint64_t kShortDataSlack = uint64_t(1) << 16;

enum class Claim { Fits, TooLarge, Implausible };

// Checks a reader's picture before it is allocated: TooLarge when a side or
// the block (with `colors` table entries) breaks the limits; Implausible when
// `rowBytes` x height of data, as the format stores it decoded, could not come
// from `remaining` bytes of file at `expansion`.
Claim CheckClaim(const ReadLimits& limits, uint64_t remaining, int64_t width, int64_t height, int bitCount,
                 uint32_t colors, uint64_t rowBytes, uint64_t expansion);

}  // namespace lg
