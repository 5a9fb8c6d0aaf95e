// The read and save options as the settings file keeps them, for the callers
// of the quiet loader, the save dispatcher and conversions.
#pragma once

#include "formats/codec.h"
#include "formats/convert_file.h"

namespace lg {

// [JPEG] Save Quality, Save Grayscale, Save Progressive; [MultiGIF]
// SaveInterlaced, SaveTransparent with Transparency; [TIFF] Save Compression.
// `paletteDisplay`: the screen shows 256 colours.
SaveOptions SavedSaveOptions(bool paletteDisplay = false);
// [JPEG] Load Grayscale and [PhotoCD] Loading Size.
ReadOptions SavedReadOptions();
ConvertOptions SavedConvertOptions(bool paletteDisplay = false);
// [Others] BetterReduction made the method of every colour reduction of this
// process (see SetReduction).
void ApplySavedReduction();

}  // namespace lg
