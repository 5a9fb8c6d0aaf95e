// The clipboard, printer, capture, wallpaper, media and shell-registration
// commands of the main window, and the messages and timers they use. They
// are the shell's side of src/devices/, which does the device work through
// functions that take what they need (window, picture, paths) and know
// nothing of App.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/image.h"

namespace lg {

struct App;

// What these commands keep between messages; one record inside App.
struct DeviceState {
    Image copySource;              // the cropped selection while a copy is under way
    std::vector<HWND> windows;     // capture: the top-level windows offered in the dialog
    HWND media = nullptr;          // the media window playing a video or sound file
    bool classRegistered = false;  // the program class was written at the first paint
};

// Private messages and timers of the main window.
constexpr UINT kMsgPlaceAllFormats = 1026, kMsgPlaceFormat = 1027;
constexpr UINT_PTR kCaptureTimer = 2000;

// Ends a modal dialog with `result`; TRUE, as a dialog procedure returns.
inline INT_PTR CloseDialog(HWND dlg, INT_PTR result) {
    EndDialog(dlg, result);
    return TRUE;
}

// Handles the private messages, the capture timer and the media window's
// notifications; false when `msg` is none of these.
bool DeviceMessage(App& app, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);
// After every paint of the main window: the first one registers the program class.
void AfterPaint(App& app);

// The commands: clipboard_win.cpp, capture_win.cpp, print_win.cpp (printing
// and wallpaper), media_win.cpp.
void CopyToClipboard(App& app);
void PasteFromClipboard(App& app);
void ClearClipboard(App& app);
void PlaceAllFormats(App& app);
void PlaceFormat(App& app, UINT format);
void CaptureCommand(App& app);
void CaptureTick(App& app);
void SetWallpaper(App& app, bool tiled);
void PreviousWallpaper(App& app);
void PrintCommand(App& app);
void PrintAllPagesCommand(App& app);
// The media window: opened by the load for video and sound files.
bool OpenMedia(App& app, const std::string& path);
void CloseMedia(App& app);
void MediaModeChanged(App& app, LONG mode);
void MediaSizeChanged(App& app);
void SetVideoSize(App& app, int percent);
void ToggleLoop(App& app);
void ExtractAllFrames(App& app);

}  // namespace lg
