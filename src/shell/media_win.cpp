// The media commands of the main window: the video or sound file the load
// opens, its size and loop settings, and writing out the frames of an AVI
// file or of a playing animation.
#include <windows.h>
#include <vfw.h>

#include <string>

#include "core/messages.h"
#include "devices/logic/device_logic.h"
#include "devices/media.h"
#include "platform/platform.h"
#include "settings/settings.h"
#include "shell/app.h"
#include "shell/device_commands.h"
#include "shell/directory_chooser.h"
#include "shell/logic/texts.h"
#include "shell/view.h"

namespace lg {
namespace {

// Asks for the directory to write frames to, proposing the last one used.
bool ChooseExtractDirectory(App& app, std::string* dir) {
    if (!ChooseDirectory(app.mainWindow, ReadSettingText(Setting::ExtractGIF), dir)) return false;
    platform::MakeDirectories(*dir);
    return true;
}

void ExtractAnimationFrames(App& app) {
    std::string dir;
    if (!ChooseExtractDirectory(app, &dir)) return;
    HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    ExtractGifFrames(app.fileName, dir);
    SetCursor(old);
}

void ExtractAvi(App& app) {
    std::string dir;
    if (!ChooseExtractDirectory(app, &dir)) return;
    AviSummary s;
    if (AviSummaryOf(app.fileName, &s)) {
        const std::string text = AviInformationText(s.width, s.height, s.bits, s.frames, WithBackslash(dir));
        if (MessageBoxA(app.mainWindow, text.c_str(), Msg(MsgId::AviInformation), MB_OKCANCEL | MB_ICONINFORMATION) !=
            IDOK)
            return;
    } else {
        MessageBeep(MB_OK);
    }
    HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    const bool ok = ExtractAviFrames(app.fileName, dir);
    SetCursor(old);
    if (!ok) ShowMessage(app.mainWindow, Msg(MsgId::SaveError), MB_ICONINFORMATION);
}

}  // namespace

void CloseMedia(App& app) {
    if (!app.devices.media) return;
    CloseMediaWindow(app.devices.media);
    app.devices.media = nullptr;
}

bool OpenMedia(App& app, const std::string& path) {
    CloseMedia(app);
    HWND parent = app.fullScreen ? app.fullScreen : app.slideshow ? app.slideshow : app.mainWindow;
    app.devices.media = OpenMediaWindow(parent, app.instance, path);
    if (!app.devices.media) return false;
    PlayMedia(app.devices.media, ReadSetting(Setting::AVISize));
    const std::string title = Format("%s - %s", app.caption.c_str(), DisplayNameOf(path).c_str());
    SetWindowTextA(app.mainWindow, title.c_str());
    return true;
}

void MediaModeChanged(App& app, LONG mode) {
    HWND media = app.devices.media;
    if (!media || mode != MCI_MODE_STOP || !ReadSetting(Setting::AVILoop)) return;
    RestartAtEnd(media);
}

// The main window takes the media window's new size, with scroll bars where
// it does not fit, and the media window sits below the toolbar.
void MediaSizeChanged(App& app) {
    HWND media = app.devices.media;
    if (!media) return;
    RECT r;
    GetWindowRect(media, &r);
    SizeWindowFor(app, r.right - r.left, r.bottom - r.top);
    SetWindowPos(media, nullptr, 0, app.toolbarHeight, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void SetVideoSize(App& app, int percent) {
    WriteSetting(Setting::AVISize, percent);
    if (app.devices.media) ZoomMediaWindow(app.devices.media, percent);
}

void ToggleLoop(App&) { WriteSetting(Setting::AVILoop, ReadSetting(Setting::AVILoop) ? 0 : 1); }

void ExtractAllFrames(App& app) {
    if (app.animating) ExtractAnimationFrames(app);
    else if (IsAviFile(app.fileName)) ExtractAvi(app);
    else ShowMessage(app.mainWindow, Msg(MsgId::OnlyAviExtract), MB_ICONINFORMATION);
}

}  // namespace lg
