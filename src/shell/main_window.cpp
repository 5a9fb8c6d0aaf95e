// The main window: paints the current picture and answers its commands.
#include <windows.h>

#include <algorithm>

#include "formats/convert_file.h"
#include "formats/libraries.h"
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
    StretchDIBits(dc, 0, 0, img.width(), img.height(), 0, 0, img.width(), img.height(),
                  img.pixels(), reinterpret_cast<const BITMAPINFO*>(img.header()), DIB_RGB_COLORS,
                  SRCCOPY);
}

void SaveWindowPosition(App& app) {
    if (!ReadSetting(Setting::RememberWinPos)) return;
    RECT r;
    GetWindowRect(app.mainWindow, &r);
    if (IsIconic(app.mainWindow)) r.left = r.top = 0;
    WriteSetting(Setting::XKoord, int(r.left));
    WriteSetting(Setting::YKoord, int(r.top));
}

}  // namespace

bool OpenPicture(App& app, const std::string& path) {
    Status st;
    HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    Image img = LoadQuiet(path, st);
    SetCursor(old);
    if (!img) {
        ShowMessage(app.mainWindow, Format("%s\n%s", "Decode error !", st.error.c_str()),
                    MB_ICONWARNING);
        return false;
    }
    app.current = std::move(img);
    app.fileName = path;
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
            ShowMessage(hwnd, Format("%s\n\n%s", kProductName, LibraryVersions().c_str()),
                        MB_ICONINFORMATION);
            break;
        }
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
