// Arithmetic and texts of the clipboard, printer, capture, wallpaper and
// media commands, kept apart from Win32 so they are tested natively.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/image.h"
#include "core/packed_dib.h"

namespace lg {

// Where a picture of w x h pixels lands on the printed page, in printer dots.
struct PrintRect {
    int width = 0, height = 0;
};
// Placement modes of the "Print Options" dialog.
enum PrintMode { kPrintHorizontalFit = 0, kPrintVerticalFit = 1, kPrintScale = 2, kPrintStretch = 3 };
// pageW/pageH: printable area in dots; rx/ry: dots per inch; sx/sy: the scale
// factors of kPrintScale.
PrintRect ComputePrintRect(int mode, int pageW, int pageH, int rx, int ry, int w, int h, float sx, float sy);
// A scale factor as typed: a decimal number, 0 for text that is none.
float ParseScaleFactor(const std::string& text);

// Automatic capture: the types it offers (the save types marked for it), the
// three-letter type of OutputType (JPG for unknown values), the type list's
// text, and the file name "<dir>\lumagcapture_date_DD_MM_YYYY_time_hh_mm_ss.<type>".
int CaptureTypeCount();
const char* CaptureTypeName(int outputType);
std::string CaptureTypeText(int outputType);
struct LocalTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
std::string CaptureFileName(const std::string& dir, int outputType, const LocalTime& t);
// `dir` with a backslash at its end.
std::string WithBackslash(const std::string& dir);

// The first bytes of a file: "RIFF" at 0 and "AV" at 8.
bool LooksLikeAvi(const uint8_t* head, size_t n);
// Disk space the extracted frames take, in megabytes.
double ExtractSpaceMB(int bitsPerPixel, int width, int height, int frames);
// The "AVI Information" text shown before extracting.
std::string AviInformationText(int width, int height, int bits, int frames, const std::string& dir);
// "<dir>\<base>_lumagrove_extract_NNN.bmp".
std::string ExtractFrameName(const std::string& dir, const std::string& baseName, int frame);
// The file name without its directory and extension.
std::string BaseNameWithoutExtension(const std::string& path);

}  // namespace lg
