// Entry of LUMAGR32.EXE: command line, conversion mode, the main window and
// the message loop.
#include <windows.h>

#include "formats/convert_file.h"
#include "settings/settings.h"
#include "shell/app.h"
#include "shell/logic/window_logic.h"

namespace lg {

App& TheApp() {
    static App app;
    return app;
}

void ShowMessage(HWND owner, const std::string& text, UINT icon) {
    MessageBoxA(owner, text.c_str(), kProductName, icon | MB_TASKMODAL);
}

namespace {

void MeasureDisplay(App& app) {
    HDC dc = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    int bits = GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
    app.screenWidth = GetDeviceCaps(dc, HORZRES);
    app.screenHeight = GetDeviceCaps(dc, VERTRES);
    DeleteDC(dc);
    app.displayColors = bits >= 31 ? 0x7fffffff : 1 << bits;
    app.paletteDisplay = app.displayColors == 256;
}

bool RegisterMainClass(HINSTANCE inst) {
    WNDCLASSA wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = inst;
    wc.hIcon = LoadIconA(inst, MAKEINTRESOURCEA(1000));
    if (!wc.hIcon) wc.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    wc.lpszClassName = kMainClass;
    return RegisterClassA(&wc) != 0;
}

// Conversion mode: no window; the process ends with code 0 either way.
int RunConversion(const CommandLine& cl) {
    std::string message;
    if (!ConvertFile(cl.fileArg, cl.convertOutput, &message)) {
        if (!GetEnvironmentVariableA("LUMAGROVE_QUIET", nullptr, 0))
            ShowMessage(nullptr, Format("%s: %s", "Error! Can't load", cl.fileArg.c_str()),
                        MB_ICONINFORMATION);
        return 0;
    }
    return 0;
}

}  // namespace
}  // namespace lg

int WINAPI WinMain(HINSTANCE inst, HINSTANCE prev, LPSTR cmdLine, int) {
    using namespace lg;
    App& app = TheApp();
    app.instance = inst;
    app.cmd = ParseCommandLine(cmdLine ? cmdLine : "");
    if (app.cmd.convert && !app.cmd.hidden) return RunConversion(app.cmd);
    if (app.cmd.bestFit) WriteSetting(Setting::AlwaysFit, "1");

    if (!prev && !RegisterMainClass(inst)) return 1;
    MeasureDisplay(app);

    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    int x = ReadSetting(Setting::XKoord), y = ReadSetting(Setting::YKoord);
    if (app.cmd.hasPosition) {
        x = app.cmd.posX;
        y = app.cmd.posY;
    }
    WindowPlacement place = StartPlacement(x, y, Rect{work.left, work.top, work.right, work.bottom},
                                           app.screenWidth, app.screenHeight);
    app.mainWindow = CreateWindowExA(0, kMainClass, kProductName,
                                     WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, place.x, place.y,
                                     place.width, place.height, nullptr, nullptr, inst, nullptr);
    if (!app.mainWindow) return 1;

    HACCEL accel = LoadAcceleratorsA(inst, kMainClass);
    if (!accel) ShowMessage(app.mainWindow, "Can't load Accelerators !\nHotkeys are not available !",
                            MB_ICONINFORMATION);

    if (app.cmd.hidden) {
        ShowWindow(app.mainWindow, SW_HIDE);
    } else {
        ShowWindow(app.mainWindow, SW_SHOWNORMAL);
        UpdateWindow(app.mainWindow);
        if (!app.cmd.fileArg.empty()) OpenPicture(app, app.cmd.fileArg);
    }

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (accel && TranslateAcceleratorA(app.mainWindow, accel, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return int(msg.wParam);
}
