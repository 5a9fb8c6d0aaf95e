// Playing an animated GIF in the main window: the start-animation command
// (posted by the load) starts it, timer 1997 steps the frames, and Stop
// Animation stops it and keeps the shown frame.
#include <windows.h>

#include "formats/animation.h"
#include "formats/status.h"
#include "shell/app.h"
#include "shell/logic/texts.h"
#include "shell/view.h"

namespace lg {
namespace {

constexpr UINT_PTR kAnimationTimer = 1997;

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

void StartAnimation(App& app) {
    StopAnimation(app);
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
    // The window takes the canvas size; a blank picture of it stands in for
    // sizing and for the commands that look at the picture's size.
    app.canvas = Image::Create(app.animation.canvasWidth, app.animation.canvasHeight, 24, 0);
    app.zoom = Zoom();
    if (app.canvas) {
        std::swap(app.current, app.canvas);
        SizeWindowToPicture(app);
        std::swap(app.current, app.canvas);
    }
    app.savedTitle =
        Format("%s - %d %s", DisplayNameOf(app.fileName).c_str(), int(app.animation.frames.size()), "frames");
    SetWindowTextA(app.mainWindow, app.savedTitle.c_str());
    InvalidateRect(app.mainWindow, nullptr, FALSE);
    UpdateWindow(app.mainWindow);
    SetTimer(app.mainWindow, kAnimationTimer, FrameDelayMs(app.animation, 0), nullptr);
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
