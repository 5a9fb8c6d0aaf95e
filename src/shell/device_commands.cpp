// Dispatch of the device commands, private messages and timers.
#include "shell/device_commands.h"

#include <vfw.h>

#include "shell/app.h"
#include "shell/shell_pages.h"

namespace lg {

bool RunDeviceCommand(App& app, int id) {
    switch (id) {
    case cmd::Copy: CopyToClipboard(app); return true;
    case cmd::Paste: PasteFromClipboard(app); return true;
    case 40056: ClearClipboard(app); return true;
    case 40147: CaptureCommand(app); return true;
    case 40080: case 40081: SetWallpaper(app, id == 40081); return true;
    case 40083: PreviousWallpaper(app); return true;
    case 40065: PrintCommand(app); return true;
    case 40104: PrintAllPagesCommand(app); return true;
    case 40140: ExtractAllFrames(app); return true;
    case 40141: SetVideoSize(app, 100); return true;
    case 40142: SetVideoSize(app, 50); return true;
    case 40143: SetVideoSize(app, 200); return true;
    case 40158: ToggleLoop(app); return true;
    default: return false;
    }
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
