// The main window: paints the current picture, answers its commands and the
// copy-data service, and remembers its position when it goes.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>

#include "core/convert.h"
#include "core/messages.h"
#include "devices/clipboard.h"
#include "platform/platform.h"
#include "shell/decode_ahead.h"
#include "shell/device_commands.h"
#include "formats/libraries.h"
#include "formats/load.h"
#include "ops/quantize.h"
#include "settings/saved_options.h"
#include "settings/settings.h"
#include "shell/app.h"
#include "shell/edit.h"
#include "shell/logic/command_line.h"
#include "shell/logic/texts.h"
#include "shell/logic/texts.h"
#include "shell/logic/window_logic.h"
#include "shell/files_win.h"
#include "shell/fullscreen.h"
#include "shell/view.h"

namespace lg {
namespace {

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
    ui.rereadDirectory = [&app] { SyncDirList(app, true); };
    ui.startAnimation = [&app] { PostMessageA(app.mainWindow, WM_COMMAND, CMD_START_ANIMATION, 0); };
    ui.openMedia = [&app](const std::string& path) { return OpenMedia(app, path); };
    ui.chooseIcon = [&app](const IconSet& set) { return ChooseIconImage(app, set); };
    return ui;
}

// The clipboard service: loads the path quietly and puts the picture on the
// clipboard; 0 when that was done, 1 when not (the text says why).
LRESULT ServeCopyData(App& app, const COPYDATASTRUCT* cds) {
    const std::string path = CopyDataPath(cds->lpData, cds->cbData);
    if (path.empty()) {
        SendMessageA(app.mainWindow, WM_COMMAND, CMD_EXIT, 0);
        return 0;
    }
    app.fileName = path;
    if (!OpenClipboard(GetDesktopWindow())) return 1;
    EmptyClipboard();
    app.current = Image();
    Status st;
    Image img = LoadQuiet(path, SavedReadOptions(), st);
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

void ShowEmpty(App& app) {
    StopAnimation(app);
    app.current = Image();
    app.undo = Image();
    app.hasSelection = false;
    app.zoom = Zoom();
    SetWindowTextA(app.mainWindow, app.caption.c_str());
    SizeEmptyWindow(app);
    InvalidateRect(app.mainWindow, nullptr, TRUE);
    UpdateToolbar(app);
}

void ShowPicture(App& app, Image img) {
    app.current = std::move(img);
    app.hasSelection = false;
    SizeWindowToPicture(app);
    app.savedTitle = PictureTitle(app.fileName, app.current.width(), app.current.height(),
                                  app.current.bitCount(), app.cmd.hasTitle ? app.cmd.title : "",
                                  app.zoom.percent);
    SetWindowTextA(app.mainWindow, app.savedTitle.c_str());
    InvalidateRect(app.mainWindow, nullptr, TRUE);
    UpdateToolbar(app);
}

bool ShowNewPicture(App& app) {
    StopAnimation(app);
    CloseMedia(app);
    KeepShownPicture(app);  // stepping back to it then needs no decode
    app.current = Image();
    app.undo = Image();
    app.zoom = Zoom();
    HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    std::string name = app.fileName;
    LoadRequest req = ViewLoadRequest(app);
    req.renameExtension = ReadSetting(Setting::RenameExtension) != 0;
    LoadUi ui = MakeLoadUi(app);
    if (app.ahead)
        ui.takeDecoded = [&app, &req](const std::string& file, int format, DecodedPicture& out) {
            return TakeDecodedAhead(app, file, format, req, out);
        };
    Image img = LoadPicture(name, req, ui, app.facts);
    SetCursor(old);
    app.fileName = name;
    SyncDirList(app, false);
    if (!img) {
        DecodeNeighboursAhead(app, req);
        if (app.devices.media) InvalidateRect(app.mainWindow, nullptr, TRUE);  // a video plays instead
        else ShowEmpty(app);
        return false;
    }
    StartTurnHistory(app.turns, img, app.facts);  // before any fit to the screen changes it
    if (app.fullScreen) {  // stepping from full screen: that window shows it
        NoteShownPicture(app, img);
        app.current = std::move(img);
        app.savedTitle = PictureTitle(app.fileName, app.current.width(), app.current.height(),
                                      app.current.bitCount(), app.cmd.hasTitle ? app.cmd.title : "");
        SetWindowTextA(app.mainWindow, app.savedTitle.c_str());
        RefreshFullScreen(app);
        DecodeNeighboursAhead(app, req);
        return true;
    }
    const uint8_t* loaded = img.data();
    FitLoadedPicture(app, img);
    if (img.data() == loaded) NoteShownPicture(app, img);
    ShowPicture(app, std::move(img));
    // The picture is painted before the neighbours' decoding starts: on two
    // processors the decode would otherwise share them with the paint.
    if (app.ahead) UpdateWindow(app.mainWindow);
    DecodeNeighboursAhead(app, req);
    if (app.fullScreenPending) {  // /fs: once, after the first picture
        app.fullScreenPending = false;
        PostMessageA(app.mainWindow, WM_COMMAND, CMD_FULL_SCREEN, 0);
    }
    return true;
}

namespace {

// Dropped files: the first one is shown, the others are ignored.
void DropFiles(App& app, HDROP drop) {
    char path[platform::kPathBytes] = "";
    UINT n = DragQueryFileA(drop, 0, path, sizeof path);
    DragFinish(drop);
    if (!n) return;
    SetForegroundWindow(app.mainWindow);
    std::string file = path;
    size_t cut = file.find_last_of("\\/");
    if (cut != std::string::npos) {
        SetCurrentDirectoryA(file.substr(0, cut + 1).c_str());
        file = file.substr(cut + 1);
    }
    app.fileName = file;
    if (IsIconic(app.mainWindow)) ShowWindow(app.mainWindow, SW_RESTORE);
    ShowNewPicture(app);
}

}  // namespace

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    App& app = TheApp();
    LRESULT deviceResult = 0;
    if (DeviceMessage(app, msg, wp, lp, &deviceResult)) return deviceResult;
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        PaintView(app, dc);
        EndPaint(hwnd, &ps);
        AfterPaint(app);
        return 0;
    }
    case WM_TIMER:
        if (wp == 1997) AnimationTick(app);
        return 0;
    case kMsgScannedPicture:
        ForgetDecodedAhead(app);  // the shown picture is replaced
        if (lp) ShowScannedPicture(app, *reinterpret_cast<Image*>(lp));
        return 0;
    case WM_INITMENU:
        UpdateRecentDirMenu(app);
        UpdateMenu(app);
        UpdateToolbar(app);
        return 0;
    case WM_NOTIFY: {
        auto* hdr = reinterpret_cast<NMHDR*>(lp);
        if (hdr->code == TTN_NEEDTEXTA) {  // the tooltip is the string resource of the command
            auto* tip = reinterpret_cast<NMTTDISPINFOA*>(lp);
            tip->hinst = app.instance;
            tip->lpszText = MAKEINTRESOURCEA(hdr->idFrom);
            return 0;
        }
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
    case WM_SIZE:
        if (app.toolbar) SendMessageA(app.toolbar, TB_AUTOSIZE, 0, 0);
        return 0;
    case WM_COMMAND:
        // Any command but a step may touch the files or the settings a
        // picture decoded ahead depends on.
        if (!KeepsDecodedAhead(LOWORD(wp))) ForgetDecodedAhead(app);
        if (!RunCommand(app, LOWORD(wp))) return DefWindowProcA(hwnd, msg, wp, lp);
        return 0;
    case WM_HSCROLL:
    case WM_VSCROLL: {
        ScrollMove move;
        switch (LOWORD(wp)) {
        case SB_LINEUP: move = ScrollMove::LineBack; break;
        case SB_LINEDOWN: move = ScrollMove::LineForward; break;
        case SB_PAGEUP: move = ScrollMove::PageBack; break;
        case SB_PAGEDOWN: move = ScrollMove::PageForward; break;
        case SB_THUMBTRACK: case SB_THUMBPOSITION: move = ScrollMove::Thumb; break;
        default: return 0;
        }
        ScrollView(app, msg == WM_HSCROLL, move, short(HIWORD(wp)));
        return 0;
    }
    case WM_KEYDOWN:
        if (app.slideshow) return SendMessageA(app.slideshow, msg, wp, lp);
        if (app.fullScreen) return SendMessageA(app.fullScreen, msg, wp, lp);
        if (!HandleKey(app, wp)) return DefWindowProcA(hwnd, msg, wp, lp);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        MouseDown(app, msg == WM_RBUTTONDOWN, POINT{short(LOWORD(lp)), short(HIWORD(lp))});
        return 0;
    case WM_MOUSEMOVE:
        MouseMove(app, POINT{short(LOWORD(lp)), short(HIWORD(lp))});
        return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
        MouseUp(app);
        return 0;
    case WM_LBUTTONDBLCLK:
        if (app.current) SendMessageA(hwnd, WM_COMMAND, CMD_FULL_SCREEN, 0);
        return 0;
    case WM_DROPFILES:
        DropFiles(app, reinterpret_cast<HDROP>(wp));
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
        SendMessageA(hwnd, WM_COMMAND, CMD_EXIT, 0);
        return 0;
    case WM_DESTROY:
        RemovePropA(hwnd, kQueueMarkProp);
        RemovePropA(hwnd, kDecodedAheadProp);
        RemovePropA(hwnd, kCancelledAheadProp);
        StopDecodeAhead(app);
        StopAnimation(app);
        app.current = Image();
        app.undo = Image();
        SaveWindowPosition(app);
        PostQuitMessage(0);
        return 0;
    default:
        if (msg == DecodedAheadMessage()) {
            CountDecodedAhead(hwnd, wp != 0);
            return 0;
        }
        if (msg == QueueMarkMessage()) {
            // Posted by a driving program behind its own input: once the mark
            // is stored, everything it posted before has been dispatched.
            SetPropA(hwnd, kQueueMarkProp, reinterpret_cast<HANDLE>(lp));
            return 0;
        }
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
}

UINT QueueMarkMessage() {
    static const UINT message = RegisterWindowMessageA(kQueueMarkProp);
    return message;
}

}  // namespace lg
