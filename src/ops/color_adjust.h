// Point operations on colours: greyscale, negative, brightness, contrast,
// gamma and channel exchanges. A palette picture (1, 4, 8 bits) has its
// colour table changed and keeps its pixels; a 24-bit picture its pixels.
// Also the arithmetic of the adjustment dialogs and the colour table editor.
#pragma once

#include <cstdint>

#include "core/image.h"

namespace lg {

// grey = 0.11 blue + 0.59 green + 0.3 red, in double precision, truncated.
int GreyOf(int red, int green, int blue);

// A palette picture's table is made grey in place; a 24-bit picture is
// replaced by a new 8-bit picture on the grey ramp. False (the picture kept
// as it was) for an empty picture, another depth, or no memory.
bool ToGreyscale(Image& img);

// In place: every channel becomes 255 - channel.
bool Negative(Image& img);

// Changed copies; the input is not touched. Empty for an empty picture, an
// unsupported depth or no memory. Amounts beyond the dialog ranges
// (brightness -255..255, contrast -128..128, gamma 0.01..6.99) are limited.
Image Brighten(const Image& src, int amount);
Image Contrast(const Image& src, int amount);
Image GammaCorrect(const Image& src, double gamma);

// The gamma table: entry i = (int)(255 * (i / 255)^(1 / gamma) + 0.5).
void GammaTable(double gamma, uint8_t table[256]);

// The five exchanges of the Swap Colors menu, in menu order.
enum class ChannelSwap { RgbToRbg, RgbToBgr, RgbToBrg, RgbToGrb, RgbToGbr };
bool SwapChannels(Image& img, ChannelSwap variant);

// --- adjustment dialogs ------------------------------------------------------

// A scroll bar's range and steps; gamma works in hundredths.
struct AdjustRange {
    int min, max, start, line, page;
};
constexpr AdjustRange kBrightnessRange{-255, 255, 0, 1, 5};
constexpr AdjustRange kContrastRange{-128, 128, 0, 1, 5};
constexpr AdjustRange kGammaRange{1, 699, 100, 1, 5};

// The position after a step of `delta`, not going beyond the range.
int StepWithin(int position, int delta, const AdjustRange& range);
inline double GammaOfPosition(int position) { return position / 100.0; }

// --- colour table editor -------------------------------------------------

// A grid of 16 columns with gaps of 3 pixels inside a control.
struct PaletteGrid {
    int cellWidth = 0, cellHeight = 0;
};
PaletteGrid PaletteGridFor(int controlWidth, int controlHeight);
// Top-left corner of entry i's cell.
void PaletteCellOrigin(const PaletteGrid& g, int entry, int* x, int* y);
// The entry under a click, or -1 when the click hits no entry.
int PaletteEntryAt(const PaletteGrid& g, int x, int y, int entries);
// Entries shown for a depth: 2, 16 or 256 (0 for 24 bits).
int PaletteEntriesShown(const Image& img);
// Overwrites one colour table entry; false when there is no such entry.
bool SetPaletteColour(Image& img, int entry, uint8_t red, uint8_t green, uint8_t blue);

}  // namespace lg
