#include "shell/fullscreen.h"

#include <memory>
#include <string>

#include "core/messages.h"
#include "devices/gdi_image.h"
#include "ops/resize.h"
#include "settings/settings.h"
#include "shell/logic/texts.h"
#include "shell/logic/view_geometry.h"
#include "shell/records.h"
#include "shell/view.h"

namespace lg {
namespace {

constexpr const char kFullViewClass[] = "FullViewClass";

// The full-screen window's record (GWLP_USERDATA): its own zoom and scroll
// state, and the settings read when it opens.
struct FullScreenState {
    App* app = nullptr;
    FullScreenView view;
    bool showName = true;
    bool hideCursor = false;
    int placement = 1;
    bool resample = false;  // [Viewing] UseResample: smooth copies at every paint
    int filter = 5;
    std::string animatedFile;  // the file whose animation plays again on closing
};

int ScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
int ScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }

void DrawName(HDC dc, const std::string& name) {
    LOGFONTA lf;
    GetObjectA(GetStockObject(ANSI_FIXED_FONT), sizeof lf, &lf);
    lf.lfHeight = 10;
    HFONT font = CreateFontIndirectA(&lf);
    HGDIOBJ old = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 255, 0));
    DrawTextAt(dc, 0, 0, name);
    SelectObject(dc, old);
    DeleteObject(font);
}

void Paint(FullScreenState& s, HDC dc) {
    const App& app = *s.app;
    if (s.hideCursor)
        while (ShowCursor(FALSE) >= 0) {}
    if (!app.current) return;
    const Image& img = app.current;
    Placement p = FullScreenPaint(s.view, s.placement, img.width(), img.height(), ScreenWidth(), ScreenHeight());
    Image smooth;
    if (s.resample && (p.width != img.width() || p.height != img.height())) {
        HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
        smooth = ResamplePicture(img, p.width, p.height, s.filter, img.bitCount() <= 8 && app.paletteDisplay);
        SetCursor(old);
    }
    const Image& shown = smooth ? smooth : img;
    // On a 256-colour screen a picture of up to 8 bits shows through its own
    // colours, realised as the screen's palette.
    HPALETTE palette = app.paletteDisplay && shown.bitCount() <= 8 ? MakeDisplayPalette(shown) : nullptr;
    HPALETTE oldPalette = palette ? SelectPalette(dc, palette, FALSE) : nullptr;
    if (palette) RealizePalette(dc);
    DrawPicture(dc, shown, p, RECT{0, 0, ScreenWidth(), ScreenHeight()});
    if (palette) {
        SelectPalette(dc, oldPalette, FALSE);
        DeleteObject(palette);
    }
    if (s.showName) DrawName(dc, DisplayNameOf(app.fileName));
}

// The window and its record go; an animation shown as a still plays again.
void Close(App& app, HWND w) {
    while (ShowCursor(TRUE) < 0) {}
    app.zoom = Zoom();
    app.fullScreen = nullptr;
    FullScreenState* s = WindowRecordOf<FullScreenState>(w);
    if (s && !s->animatedFile.empty() && s->animatedFile == app.fileName)
        PostMessageA(app.mainWindow, WM_COMMAND, CMD_START_ANIMATION, 0);
    else if (app.current)
        SizeWindowToPicture(app);
    InvalidateRect(app.mainWindow, nullptr, FALSE);
    SetActiveWindow(app.mainWindow);
    DestroyWindow(w);
}

void Step(FullScreenState& s, HWND w, int command) {
    s.view = FullScreenView();
    SendMessageA(s.app->mainWindow, WM_COMMAND, WPARAM(command), 0);
    InvalidateRect(w, nullptr, TRUE);
    SetActiveWindow(w);
}

void Scroll(FullScreenState& s, HWND w, bool horizontal, ScrollMove move) {
    if (FullScreenScroll(s.view, horizontal, move, ScreenWidth(), ScreenHeight()))
        InvalidateRect(w, nullptr, FALSE);
}

// The keys of the main window keep their meaning here for stepping through
// the directory, scrolling, and moving or copying the file; the zoom keys
// reach the accelerators, and the shift keys alone do nothing. Any other key
// (Esc, Enter, F6 among them) closes the window.
void Key(FullScreenState& s, HWND w, WPARAM key) {
    App& app = *s.app;
    bool horizontal = false;
    ScrollMove move = ScrollMove::LineBack;
    if (ScrollKey(uint16_t(key), &horizontal, &move)) {
        Scroll(s, w, horizontal, move);
        return;
    }
    const int id = CommandOfWindowKey(uint16_t(key));
    if (id == CMD_NEXT_FILE || id == CMD_PREV_FILE) {
        Step(s, w, id);
        return;
    }
    if (id == CMD_MOVE_FILE || id == CMD_COPY_FILE) {
        SendMessageA(app.mainWindow, WM_COMMAND, WPARAM(id), 0);
        return;
    }
    switch (key) {
    case VK_ADD: case VK_SUBTRACT: case VK_OEM_PLUS: case VK_OEM_MINUS:
    case VK_SHIFT: case VK_CONTROL: case VK_MENU: return;
    default: Close(app, w); return;
    }
}

LRESULT CALLBACK FullScreenProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    FullScreenState* s = OwnWindowRecord<FullScreenState>(w, msg, lp);
    if (!s) return DefWindowProcA(w, msg, wp, lp);
    App& app = *s->app;
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(w, &ps);
        Paint(*s, dc);
        EndPaint(w, &ps);
        return 0;
    }
    case WM_LBUTTONDOWN: Step(*s, w, CMD_PREV_FILE); return 0;
    case WM_RBUTTONDOWN: Step(*s, w, CMD_NEXT_FILE); return 0;
    case WM_MBUTTONDOWN: Close(app, w); return 0;
    case WM_CHAR: return 0;
    case WM_KEYDOWN: Key(*s, w, wp); return 0;
    case WM_CLOSE: Close(app, w); return 0;
    default: return DefWindowProcA(w, msg, wp, lp);
    }
}

}  // namespace

bool RegisterFullScreenClass(HINSTANCE inst) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = FullScreenProc;
    wc.hInstance = inst;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = kFullViewClass;
    return RegisterClassA(&wc) != 0;
}

void OpenFullScreen(App& app) {
    if (app.fullScreen || !app.current) return;
    auto state = std::make_unique<FullScreenState>();
    state->app = &app;
    state->showName = ReadSetting(Setting::ShowFullScreenName) != 0;
    state->hideCursor = ReadSetting(Setting::ViewingHideCursor) != 0;
    state->placement = ReadSetting(Setting::ShowFullScreen);
    state->resample = app.useResample;
    state->filter = ReadSetting(Setting::ResampleFilter);
    // The window takes the record over (see OwnWindowRecord).
    app.fullScreen = CreateWindowExA(0, kFullViewClass, kProductName, WS_POPUP | WS_VISIBLE, 0, 0,
                                     ScreenWidth(), ScreenHeight(), app.mainWindow, nullptr, app.instance,
                                     &state);
    if (app.fullScreen) SetFocus(app.fullScreen);
}

void ShowCurrentInFullScreen(App& app) {
    app.savedTitle = PictureTitle(app.fileName, app.current.width(), app.current.height(), app.current.bitCount(),
                                  app.cmd.hasTitle ? app.cmd.title : "");
    SetWindowTextA(app.mainWindow, app.savedTitle.c_str());
    RefreshFullScreen(app);
    UpdateToolbar(app);
}

void PlayAnimationAfterFullScreen(App& app) {
    if (FullScreenState* s = WindowRecordOf<FullScreenState>(app.fullScreen)) s->animatedFile = app.fileName;
}

void ZoomFullScreen(App& app, bool in) {
    FullScreenState* s = WindowRecordOf<FullScreenState>(app.fullScreen);
    if (!s || !app.current) return;
    ZoomOutcome o = FullScreenZoom(s->view, in, app.zoomFactor, app.current.width(), app.current.height(),
                                   ScreenWidth(), ScreenHeight());
    if (o == ZoomOutcome::AtMaximum) ShowMessage(app.fullScreen, Msg(MsgId::ZoomMaximum), MB_ICONINFORMATION);
    else if (o == ZoomOutcome::AtMinimum) ShowMessage(app.fullScreen, Msg(MsgId::ZoomMinimum), MB_ICONINFORMATION);
    else InvalidateRect(app.fullScreen, nullptr, !in);
}

void RefreshFullScreen(App& app) {
    if (!app.fullScreen) return;
    if (FullScreenState* s = WindowRecordOf<FullScreenState>(app.fullScreen)) s->view = FullScreenView();
    InvalidateRect(app.fullScreen, nullptr, TRUE);
}

}  // namespace lg
