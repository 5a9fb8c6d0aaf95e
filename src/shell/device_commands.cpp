// The handlers of the device commands; dispatch of the private messages and timers.
#include "shell/device_commands.h"

#include <vfw.h>

#include "shell/app.h"
#include "shell/command_handlers.h"
#include "shell/shell_pages.h"

namespace lg {

CommandHandlers DeviceCommandHandlers() {
    return {
        {CMD_COPY, CopyToClipboard},
        {CMD_PASTE, PasteFromClipboard},
        {CMD_CLEAR_CLIPBOARD, ClearClipboard},
        {CMD_CAPTURE, CaptureCommand},
        {CMD_WALLPAPER_CENTERED, [](App& app) { SetWallpaper(app, false); }},
        {CMD_WALLPAPER_TILED, [](App& app) { SetWallpaper(app, true); }},
        {CMD_WALLPAPER_PREVIOUS, PreviousWallpaper},
        {CMD_PRINT, PrintCommand},
        {CMD_PRINT_ALL_PAGES, PrintAllPagesCommand},
        {CMD_EXTRACT_FRAMES, ExtractAllFrames},
        {CMD_VIDEO_NORMAL, [](App& app) { SetVideoSize(app, 100); }},
        {CMD_VIDEO_HALF, [](App& app) { SetVideoSize(app, 50); }},
        {CMD_VIDEO_DOUBLE, [](App& app) { SetVideoSize(app, 200); }},
        {CMD_VIDEO_LOOP, ToggleLoop},
    };
}

bool DeviceMessage(App& app, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
    *result = 0;
    switch (msg) {
    case kMsgPlaceAllFormats: PlaceAllFormats(app); return true;
    case kMsgPlaceFormat: PlaceFormat(app, UINT(wp)); return true;
    case MCIWNDM_NOTIFYMODE: MediaModeChanged(app, LONG(lp)); return true;
    case MCIWNDM_NOTIFYSIZE: MediaSizeChanged(app); return true;
    case WM_TIMER:
        if (wp != kCaptureTimer) return false;
        CaptureTick(app);
        return true;
    default: return false;
    }
}

void AfterPaint(App& app) { RegisterProgramClass(app); }

}  // namespace lg
