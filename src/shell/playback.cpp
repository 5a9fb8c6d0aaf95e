// Playing an animated GIF in the main window: the start-animation command
// (posted by the load) starts it, timer 1997 steps the frames, and Stop
// Animation stops it and keeps the shown frame.
#include <windows.h>

#include "core/messages.h"
#include "formats/animation.h"
#include "formats/format_table.h"
#include "formats/load.h"
#include "formats/status.h"
#include "ops/quantize.h"
#include "settings/saved_options.h"
#include "settings/settings.h"
#include "shell/app.h"
#include "shell/files_win.h"
#include "shell/fullscreen.h"
#include "shell/logic/texts.h"
#include "shell/view.h"

namespace lg {
namespace {

constexpr UINT_PTR kAnimationTimer = 1997;

std::string AnimationTitle(const App& app) {
    std::string title =
        Format("%s - %d %s", DisplayNameOf(app.fileName).c_str(), int(app.animation.frames.size()), "frames");
    if (app.zoom.percent != 100) title += Format(" - %d%%", app.zoom.percent);
    return title;
}

// The picture's values the information and the status show, from `img`.
void TakeValues(App& app, const Image& img) {
    app.facts.bitCount = img.bitCount();
    app.facts.width = img.width();
    app.facts.height = img.height();
}

// Runs `f` with the blank picture of the canvas size standing in for the
// current picture (sizing and zooming look at the picture's size).
template <class F>
void WithCanvasAsPicture(App& app, F f) {
    if (!app.canvas) return;
    std::swap(app.current, app.canvas);
    f();
    std::swap(app.current, app.canvas);
}

// The choice "extract every image": each image of the file is written as a
// BMP file into the extraction directory and shown as it is written; the
// last one stays the current picture.
void ExtractEveryImage(App& app) {
    Animation frames;
    Status st;
    HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    if (!LoadGifFrames(app.fileName, frames, st)) {
        SetCursor(old);
        ShowMessage(app.mainWindow, st.error.empty() ? Msg(MsgId::DecodeError) : st.error, MB_ICONINFORMATION);
        return;
    }
    const std::string dir = PrepareExtractDirectory(ReadSettingText(Setting::ExtractGIF));
    ExtractFrames(frames, dir, app.fileName, [&app](Image&& img) {
        TakeValues(app, img);
        ShowPicture(app, std::move(img));
        UpdateWindow(app.mainWindow);
    });
    ReleaseAnimation(frames);
    SyncDirList(app, true);  // the new files may be in the directory shown
    UpdateToolbar(app);
    SetCursor(old);
}

}  // namespace

const Image* AnimationScreen(App& app) {
    if (!app.animating) return nullptr;
    const Image& shown = ComposeFrame(app.animation, app.animationFrame);
    return shown ? &shown : nullptr;
}

void StopAnimation(App& app) {
    KillTimer(app.mainWindow, kAnimationTimer);
    app.animating = false;
    ReleaseAnimation(app.animation);
}

bool PlaysAsAnimation(const App& app) {
    if (DetectFileFormat(app.fileName) == kFormatAni) return true;
    return ReadSetting(Setting::GifNone) != 1 && ReadSetting(Setting::GifAnimate) != 0;
}

bool ShowAnimationStill(App& app) {
    StopAnimation(app);
    Status st;
    Image still = LoadQuiet(app.fileName, SavedReadOptions(), st);
    if (still && app.paletteDisplay && still.bitCount() == 24) still = ReduceColors(still, 256);
    if (!still) {
        ShowMessage(app.fullScreen ? app.fullScreen : app.mainWindow, st.error.empty() ? Msg(MsgId::DecodeError) : st.error,
                    MB_ICONINFORMATION);
        return false;
    }
    TakeValues(app, still);
    app.current = std::move(still);
    return true;
}

void StartAnimation(App& app) {
    StopAnimation(app);
    if (app.fullScreen) {  // full screen shows the first image as a still
        if (ShowAnimationStill(app)) {
            if (PlaysAsAnimation(app)) PlayAnimationAfterFullScreen(app);
            ShowCurrentInFullScreen(app);
        }
        return;
    }
    const bool gif = DetectFileFormat(app.fileName) == kFormatGif;
    if (gif && ReadSetting(Setting::GifNone) == 1) {  // first image only
        if (ShowAnimationStill(app)) ShowPicture(app, std::move(app.current));
        return;
    }
    if (gif && ReadSetting(Setting::GifAnimate) == 0) {
        ExtractEveryImage(app);
        return;
    }
    Status st;
    HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    bool ok = LoadAnimation(app.fileName, app.animation, st);
    SetCursor(old);
    if (!ok || app.animation.frames.empty()) {
        ShowMessage(app.mainWindow, st.error.empty() ? "Decode error !" : st.error, MB_ICONINFORMATION);
        return;
    }
    app.current = Image();
    app.animating = true;
    app.animationFrame = 0;
    if (const Image& first = app.animation.frames[0].image) TakeValues(app, first);
    // The window takes the canvas size; a blank picture of it stands in for
    // sizing and for the commands that look at the picture's size.
    app.canvas = Image::Create(app.animation.canvasWidth, app.animation.canvasHeight, 24, 0);
    app.zoom = Zoom();
    WithCanvasAsPicture(app, [&app] { SizeWindowToPicture(app); });
    app.savedTitle = AnimationTitle(app);
    SetWindowTextA(app.mainWindow, app.savedTitle.c_str());
    InvalidateRect(app.mainWindow, nullptr, FALSE);
    UpdateWindow(app.mainWindow);
    SetTimer(app.mainWindow, kAnimationTimer, FrameDelayMs(app.animation, 0), nullptr);
}

void ZoomAnimation(App& app, bool in) {
    WithCanvasAsPicture(app, [&app, in] { ZoomView(app, in); });
    app.savedTitle = AnimationTitle(app);
    SetWindowTextA(app.mainWindow, app.savedTitle.c_str());
}

void AnimationTick(App& app) {
    KillTimer(app.mainWindow, kAnimationTimer);
    if (!app.animating) {
        ReleaseAnimation(app.animation);
        return;
    }
    app.animationFrame = NextFrame(app.animation, app.animationFrame);
    InvalidateRect(app.mainWindow, nullptr, FALSE);
    UpdateWindow(app.mainWindow);
    SetTimer(app.mainWindow, kAnimationTimer, FrameDelayMs(app.animation, app.animationFrame), nullptr);
}

// Stop Animation: the frame on the screen becomes the current picture.
void KeepShownFrame(App& app) {
    if (!app.animating) return;
    const Image* shown = AnimationScreen(app);
    Image keep = shown ? shown->Duplicate() : Image();
    StopAnimation(app);
    if (keep) ShowPicture(app, std::move(keep));
}

}  // namespace lg
