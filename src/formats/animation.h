// Multi-image GIF files (and animated cursors, which fill the same frame
// table): finding the images, reading them as frames with their placement and
// timing, composing what the window shows for each frame under the GIF
// disposal and transparency rules, the timer intervals, and writing every
// frame to a BMP file. No window code: the shell draws what ComposeFrame
// returns and runs the timer with the intervals given here.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/bytes.h"
#include "core/image.h"
#include "formats/gif.h"
#include "formats/status.h"

namespace lg {

// Where the images of a GIF file are, in file order (each list at most 1024).
struct GifScan {
    std::vector<uint64_t> imageOffsets;    // the 0x2C of each image descriptor
    std::vector<uint64_t> controlOffsets;  // the 0x21 of each graphic control extension
    int canvasWidth = 0, canvasHeight = 0; // smallest rectangle holding every image
};

// Number of images found (0 for a file cut short in its header).
int ScanGif(ByteSource& in, GifScan& scan);
// The graphic control extension that belongs to image i: the last one between
// the previous image and this one; 0 when there is none.
uint64_t ControlOffsetFor(const GifScan& scan, int i);

struct AnimationFrame {
    Image image;  // empty when the frame could not be read
    uint8_t bgRed = 0, bgGreen = 0, bgBlue = 0;
    uint16_t left = 0, top = 0;  // on the canvas, from its top-left corner
    int disposal = 0;            // GIF disposal 0..7; cursor frames use 3
    bool transparent = false;
    uint32_t delay = 0;          // hundredths of a second (GIF) or sixtieths (cursor)
    uint8_t transparentIndex = 0;
    bool composited = false;     // transparency resolved against the canvas (image is then 24-bit)
};

struct Animation {
    std::vector<AnimationFrame> frames;  // display order, at most kMaxFrames
    bool cursorDelays = false;           // delays in sixtieths of a second
    int canvasWidth = 0, canvasHeight = 0;
    // Composition state, kept by ComposeFrame.
    Image canvas;  // what later frames are restored to (24-bit)
    Image screen;  // what the window shows (24-bit, canvas size)
    int shown = -1;
};

// Reads every image of a GIF file into the frame table as the file holds it
// (depths 1, 4 and 8, own colour tables): what extraction writes. Frames
// beyond the memory bound stay empty. False when the file has no image.
bool LoadGifFrames(const std::string& path, Animation& anim, Status& st);
bool LoadGifFramesFrom(ByteSource& in, Animation& anim, Status& st);
// Readies loaded frames for playback: a transparent colour shows the
// background colour, and every frame becomes 8-bit.
void PrepareGifFrames(Animation& anim);
// Both, for playback. False (and an error text) when there is nothing to
// play or the canvas is too large; the first image can then be shown still.
bool LoadAnimation(const std::string& path, Animation& anim, Status& st);
void ReleaseAnimation(Animation& anim);

// The picture to show while frame i is current (canvas size, 24-bit),
// composed from the previous one. Calling it again for the same frame (a
// repaint) changes nothing; frame 0 starts over. When the canvas cannot be
// had, frame i's own image; empty when there is nothing to draw.
const Image& ComposeFrame(Animation& anim, int i);

// Timer interval for a delay: hundredths (or sixtieths for cursors) in
// milliseconds, kept between 50 and 1000.
uint32_t AnimationIntervalMs(uint32_t delay, bool cursorDelays);
uint32_t FrameDelayMs(const Animation& anim, int i);
int NextFrame(const Animation& anim, int i);

// "<dir><name>_lumagrove_extract_<i>.bmp" with the picture's file name
// without its extension and i in three digits; dir ends with a separator.
std::string ExtractFileName(const std::string& dir, const std::string& picturePath, int i);
// The directory with a separator at its end, created with its parents when
// missing.
std::string PrepareExtractDirectory(const std::string& dir);
// Writes every frame of the loaded (unprepared) table as a BMP file into
// dir; `show` receives a copy of each frame as it is written, so the last
// one can stay the current picture. Returns the number of files written; a
// failed write is skipped.
int ExtractFrames(const Animation& anim, const std::string& dir, const std::string& picturePath,
                  const std::function<void(Image&&)>& show);

}  // namespace lg
