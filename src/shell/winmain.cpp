// Entry of LUMAGR32.EXE: command line, conversion mode, closing other copies,
// the main window and the message loop.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include "core/messages.h"
#include "formats/convert_file.h"
#include "settings/saved_options.h"
#include "settings/settings.h"
#include "shell/app.h"
#include "shell/decode_ahead.h"
#include "shell/files_win.h"
#include "shell/fullscreen.h"
#include "shell/logic/window_logic.h"

namespace lg {

App& TheApp() {
    static App app;
    return app;
}

int ShowMessage(HWND owner, const std::string& text, UINT flags) {
    return MessageBoxA(owner, text.c_str(), TheApp().caption.c_str(), flags | MB_TASKMODAL);
}

void ReadDisplayAndSettings(App& app) {
    HDC dc = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    int bits = GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
    app.screenWidth = GetDeviceCaps(dc, HORZRES);
    app.screenHeight = GetDeviceCaps(dc, VERTRES);
    DeleteDC(dc);
    app.displayColors = bits >= 31 ? 0x7fffffff : 1 << bits;
    app.paletteDisplay = app.displayColors == 256;

    ApplySavedReduction();
    // The view settings group, in its order.
    app.loadGrayscale = ReadSetting(Setting::JpegLoadGrayscale) != 0;
    app.pcdSize = ReadSetting(Setting::PhotoCdLoadingSize);
    app.fitForBigImages = ReadSetting(Setting::FitForBigImages) != 0;
    app.alwaysFit = ReadSetting(Setting::AlwaysFit) != 0;
    app.useResample = ReadSetting(Setting::UseResample) == 1;
    app.useUndo = ReadSetting(Setting::UseUndo) != 0;
    app.fileSortOrder = ReadSetting(Setting::FileSortOrder);
    app.zoomFactor = ReadSetting(Setting::ZoomFactor);
    const int viewAll = ReadSetting(Setting::ViewAll);
    app.viewAll = viewAll == 1;
    app.walkDirectory = viewAll != 0;
    app.notNotifyLoopDir = ReadSetting(Setting::NotNotifyLoopDir) == 1;
    app.preload = ReadSetting(Setting::Preload) != 0;
    ConfigureDecodeAhead(app);
    int x = ReadSetting(Setting::XKoord), y = ReadSetting(Setting::YKoord);

    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    WindowPlacement p = StartPlacement(x, y, WorkArea{work.left, work.top, work.right, work.bottom},
                                       app.screenWidth, app.screenHeight);
    app.windowX = p.x;
    app.windowY = p.y;
}

namespace {

bool RegisterMainClass(HINSTANCE inst) {
    WNDCLASSA wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = inst;
    wc.hIcon = LoadIconA(inst, MAKEINTRESOURCEA(IDI_LUMAGROVE));
    if (!wc.hIcon) wc.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    wc.lpszClassName = kMainClass;
    return RegisterClassA(&wc) != 0;
}

// Makes the file argument's drive and directory current, and returns the
// bare name the shell displays for it (its own extension kept).
std::string NormaliseFileArgument(const std::string& arg) {
    if (arg.empty()) return arg;
    char drive[_MAX_DRIVE], dir[_MAX_DIR], base[_MAX_FNAME], ext[_MAX_EXT];
    _splitpath(arg.c_str(), drive, dir, base, ext);
    std::string folder = std::string(drive) + dir;
    if (!folder.empty()) SetCurrentDirectoryA(folder.c_str());
    SHFILEINFOA info = {};
    if (!SHGetFileInfoA(arg.c_str(), 0, &info, sizeof info, SHGFI_DISPLAYNAME) || !info.szDisplayName[0])
        return std::string(base) + ext;
    char dBase[_MAX_FNAME], dExt[_MAX_EXT];
    _splitpath(info.szDisplayName, nullptr, nullptr, dBase, dExt);
    return std::string(dBase) + ext;
}

// Conversion mode: no window. A failed conversion ends with status 1, so
// that scripts can tell.
int RunConversion(const CommandLine& cl) {
    std::string message;
    ApplySavedReduction();
    ConvertResult r = ConvertFile(cl.fileArg, cl.convertOutput, SavedConvertOptions(), &message);
    if (r == ConvertResult::LoadFailed)
        ShowMessage(nullptr, Format("%s: %s", Msg(MsgId::ErrorCantLoad), cl.fileArg.c_str()),
                    MB_ICONINFORMATION);
    return r == ConvertResult::Ok ? 0 : 1;
}

// Every other running viewer is asked to end; each one saves its position.
void CloseOtherCopies() {
    for (int guard = 0; guard < 64; ++guard) {
        HWND other = FindWindowA(kMainClass, nullptr);
        if (!other) return;
        DWORD pid = 0;
        GetWindowThreadProcessId(other, &pid);
        HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
        SendMessageTimeoutA(other, WM_DESTROY, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
        // Wait for the copy to go, so that the search does not find it again.
        if (process) {
            WaitForSingleObject(process, 5000);
            CloseHandle(process);
        }
    }
}

}  // namespace
}  // namespace lg

int WINAPI WinMain(HINSTANCE inst, HINSTANCE prev, LPSTR cmdLine, int) {
    using namespace lg;
    App& app = TheApp();
    app.instance = inst;
    app.cmd = ParseCommandLine(cmdLine ? cmdLine : "");
    if (app.cmd.hasTitle) app.caption = Format("%s - %s", kProductName, app.cmd.title.c_str());
    if (!app.cmd.hidden) app.fileName = NormaliseFileArgument(app.cmd.fileArg);
    if (app.cmd.convert && !app.cmd.hidden) return RunConversion(app.cmd);
    if (app.cmd.bestFit) WriteSetting(Setting::AlwaysFit, "1");
    app.fullScreenPending = app.cmd.fullScreen;

    if (app.cmd.closeOthers || ReadSetting(Setting::OneInstance) == 1) CloseOtherCopies();
    if (!prev && !RegisterMainClass(inst)) return 1;
    ReadDisplayAndSettings(app);
    if (!app.cmd.hidden && !app.cmd.slideshow) DecodeFirstAhead(app);  // read while the window is built
    int x = app.windowX, y = app.windowY;
    if (app.cmd.hasPosition) {
        x = app.cmd.posX;
        y = app.cmd.posY;
    }
    WindowPlacement place = StartPlacement(x, y, WorkArea{-0x7fff, -0x7fff, 0, 0}, app.screenWidth,
                                           app.screenHeight);
    if (app.cmd.hasPosition) {  // given on the command line: taken as it is, for this run
        place.x = x;
        place.y = y;
    }
    app.menu = BuildMenuBar();
    app.mainWindow = CreateWindowExA(0, kMainClass, kProductName, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                     place.x, place.y, place.width, place.height, nullptr, app.menu, inst,
                                     nullptr);
    if (!app.mainWindow) return 1;
    DragAcceptFiles(app.mainWindow, TRUE);

    // The accelerators come from the command table, like the menu.
    HACCEL accel = BuildAccelerators();
    if (!accel) ShowMessage(app.mainWindow, Msg(MsgId::CantLoadAccelerators), MB_ICONINFORMATION);
    RegisterWindowMessageA("commdlg_FileNameOK");

    if (app.cmd.hidden) {
        app.fileName.clear();
        ShowWindow(app.mainWindow, SW_HIDE);
    } else {
        ShowWindow(app.mainWindow, SW_SHOWNORMAL);
        UpdateWindow(app.mainWindow);
    }
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    RegisterFullScreenClass(inst);
    CreateToolbar(app);

    if (app.cmd.slideshow && !app.cmd.hidden) StartListFileSlideshow(app, app.cmd.slideshowList);
    else if (!app.cmd.hidden && !app.fileName.empty()) ShowNewPicture(app);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (accel && TranslateAcceleratorA(app.mainWindow, accel, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return int(msg.wParam);
}
