// Video and sound files play in the platform's media window; the frames of
// an AVI file or of an animated GIF can be written out as numbered bitmaps.
#pragma once

#include <windows.h>

#include <string>

namespace lg {

// A media window for `path` inside `parent`; null when the file cannot be
// opened. It reports its size and mode to `parent` (MCIWNDM_NOTIFYSIZE,
// MCIWNDM_NOTIFYMODE), and does so at once when PlayMedia starts it: the
// caller keeps the window before that.
HWND OpenMediaWindow(HWND parent, HINSTANCE instance, const std::string& path);
// Sets the zoom and plays from the start.
void PlayMedia(HWND media, int zoomPercent);
void CloseMediaWindow(HWND media);
void ZoomMediaWindow(HWND media, int percent);
// After the media window reported that it stopped: a stop at the end starts
// it again from the beginning; a stop anywhere before never does.
void RestartAtEnd(HWND media);

// The first video stream of an AVI file.
struct AviSummary {
    int width = 0, height = 0, bits = 0, frames = 0;
};
bool IsAviFile(const std::string& path);
bool AviSummaryOf(const std::string& path, AviSummary* s);
// Every frame of the AVI file as <dir>\<base>_lumagrove_extract_NNN.bmp; a
// frame that cannot be fetched is skipped. False when the file cannot be
// read or a bitmap not written.
bool ExtractAviFrames(const std::string& path, const std::string& dir);
// The same for the images of a GIF file, as the file holds them, and for
// the frames of an animated WebP file, as the player shows them.
void ExtractGifFrames(const std::string& path, const std::string& dir);

}  // namespace lg
