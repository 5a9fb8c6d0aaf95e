// The main window: paints the current picture, answers its commands and the
// copy-data service, and remembers its position when it goes.
#include <windows.h>

#include <algorithm>

#include "core/convert.h"
#include "core/messages.h"
#include "devices/clipboard.h"
#include "formats/libraries.h"
#include "formats/load.h"
#include "ops/quantize.h"
#include "settings/settings.h"
#include "shell/app.h"
#include "shell/logic/window_logic.h"

namespace lg {
namespace {

// Client area the size of the picture, within the work area.
void SizeWindowToPicture(App& app) {
    if (!app.current) return;
    RECT r = {0, 0, app.current.width(), app.current.height()};
    DWORD style = DWORD(GetWindowLongA(app.mainWindow, GWL_STYLE));
    AdjustWindowRectEx(&r, style, GetMenu(app.mainWindow) != nullptr, 0);
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    int w = std::min<int>(r.right - r.left, work.right - work.left);
    int h = std::min<int>(r.bottom - r.top, work.bottom - work.top);
    SetWindowPos(app.mainWindow, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER);
}

void Paint(App& app, HDC dc) {
    if (!app.current) return;
    const Image& img = app.current;
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchDIBits(dc, 0, 0, img.width(), img.height(), 0, 0, img.width(), img.height(), img.pixels(),
                  reinterpret_cast<const BITMAPINFO*>(img.header()), DIB_RGB_COLORS, SRCCOPY);
}

void ShowEmpty(App& app) {
    app.current = Image();
    SetWindowTextA(app.mainWindow, app.caption.c_str());
    InvalidateRect(app.mainWindow, nullptr, TRUE);
}

void SaveWindowPosition(App& app) {
    if (!ReadSetting(Setting::RememberWinPos)) return;
    RECT r;
    GetWindowRect(app.mainWindow, &r);
    if (IsIconic(app.mainWindow)) r.left = r.top = 0;
    WriteSetting(Setting::XKoord, int(r.left));
    WriteSetting(Setting::YKoord, int(r.top));
}

LoadUi MakeLoadUi(App& app) {
    LoadUi ui;
    ui.inform = [&app](const std::string& text) { ShowMessage(app.mainWindow, text, MB_ICONINFORMATION); };
    ui.askYesNo = [&app](const std::string& text) {
        return ShowMessage(app.mainWindow, text, MB_ICONINFORMATION | MB_YESNO) == IDYES;
    };
    ui.setTitle = [&app](const std::string& text) { SetWindowTextA(app.mainWindow, text.c_str()); };
    ui.clearWindow = [&app] { ShowEmpty(app); };
    return ui;
}

// The clipboard service: loads the path quietly and puts the picture on the
// clipboard; 0 when that was done, 1 when not (the text says why).
LRESULT ServeCopyData(App& app, const COPYDATASTRUCT* cds) {
    std::string path(static_cast<const char*>(cds->lpData), cds->cbData);
    path.resize(std::strlen(path.c_str()));
    if (path.empty()) {
        SendMessageA(app.mainWindow, WM_COMMAND, kCmdExit, 0);
        return 0;
    }
    app.fileName = path;
    if (!OpenClipboard(GetDesktopWindow())) return 1;
    EmptyClipboard();
    app.current = Image();
    Status st;
    Image img = LoadQuiet(path, st);
    std::string failure;
    if (!img) {
        failure = Format(Msg(MsgId::ServiceCantLoad), kProductName, path.c_str());
    } else {
        ReadDisplayAndSettings(app);
        if (app.paletteDisplay && img.bitCount() > 8) {
            Image reduced = ReduceColors(ExpandTo24(std::move(img)), 256);
            if (!reduced) failure = Format(Msg(MsgId::ServiceCantQuantize), kProductName, path.c_str());
            img = std::move(reduced);
        }
    }
    if (failure.empty() && PlacePicture(img)) {
        CloseClipboard();
        return 0;
    }
    if (failure.empty()) failure = Format(Msg(MsgId::ServiceCantLoad), kProductName, path.c_str());
    PlaceText(failure);
    CloseClipboard();
    return 1;
}

}  // namespace

bool OpenPicture(App& app, const std::string& path) {
    app.current = Image();
    HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    std::string name = path;
    LoadRequest req;
    req.paletteDisplay = app.paletteDisplay;
    req.grayscaleJpeg = app.loadGrayscale;
    req.pcdSize = app.pcdSize;
    req.renameExtension = ReadSetting(Setting::RenameExtension) != 0;
    Image img = LoadPicture(name, req, MakeLoadUi(app), app.facts);
    SetCursor(old);
    app.fileName = name;
    if (!img) return false;
    app.current = std::move(img);
    SizeWindowToPicture(app);
    app.savedTitle = PictureTitle(app.fileName, app.current.width(), app.current.height(),
                                  app.current.bitCount(), app.cmd.hasTitle ? app.cmd.title : "");
    SetWindowTextA(app.mainWindow, app.savedTitle.c_str());
    InvalidateRect(app.mainWindow, nullptr, TRUE);
    return true;
}

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    App& app = TheApp();
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        Paint(app, dc);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case kCmdExit: DestroyWindow(hwnd); break;
        case kCmdAbout:
            ShowMessage(hwnd, Format("%s\n\n%s", kProductName, LibraryVersions().c_str()), MB_ICONINFORMATION);
            break;
        }
        return 0;
    case WM_COPYDATA: {
        auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lp);
        if (!cds || cds->dwData != 1) return DefWindowProcA(hwnd, msg, wp, lp);
        return ServeCopyData(app, cds);
    }
    case WM_DISPLAYCHANGE:
        ReadDisplayAndSettings(app);
        ShowEmpty(app);
        return 0;
    case WM_CLOSE:
        SendMessageA(hwnd, WM_COMMAND, kCmdExit, 0);
        return 0;
    case WM_DESTROY:
        app.current = Image();
        SaveWindowPosition(app);
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
}

}  // namespace lg
