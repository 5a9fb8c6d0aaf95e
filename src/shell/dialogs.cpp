// The image information and thanks dialogs.
#include <windows.h>

#include "core/messages.h"
#include "formats/load.h"
#include "shell/app.h"
#include "shell/logic/fire.h"
#include "shell/logic/texts.h"
#include "shell/records.h"

namespace lg {
namespace {

constexpr UINT_PTR kFireTimer = 100;

INT_PTR CALLBACK InfoProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    const App* shown = DialogRecord<const App>(dlg, msg, lp);
    switch (msg) {
    case WM_INITDIALOG:
    case WM_PAINT: {
        if (msg == WM_PAINT && !GetUpdateRect(dlg, nullptr, FALSE)) return FALSE;
        if (!shown) return FALSE;
        const App& app = *shown;
        InfoFacts f;
        f.fileName = app.fileName;
        f.compression = app.facts.infoText;
        f.dpi = app.facts.xResolution;
        f.loadedWidth = app.facts.width;
        f.loadedHeight = app.facts.height;
        f.loadedBits = app.facts.bitCount;
        if (app.current) {
            f.width = app.current.width();
            f.height = app.current.height();
            f.bits = app.current.bitCount();
        } else if (app.animating) {  // the frame on the screen, at the canvas size
            f.width = app.animation.canvasWidth;
            f.height = app.animation.canvasHeight;
            f.bits = app.facts.bitCount;
            f.animation = true;
        }
        f.fileSize = IsPseudoName(app.fileName) ? -1 : FileSize(app.fileName);
        f.viewAll = app.viewAll;
        f.dirIndex = app.dirList.index;
        f.dirCount = app.dirList.count();
        f.loadMilliseconds = long(app.facts.decompressMs);
        f.orientation = app.facts.orientation;
        f.orientationApplied = app.facts.orientationApplied;
        for (const InfoLine& line : ImageInfoLines(f)) SetDlgItemTextA(dlg, line.control, line.text.c_str());
        return msg == WM_INITDIALOG ? TRUE : FALSE;
    }
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) EndDialog(dlg, 0);
        return TRUE;
    default:
        return FALSE;
    }
}

void DrawFire(HWND dlg, const Fire& fire) {
    HWND area = GetDlgItem(dlg, IDC_THANKS_FIRE);
    HDC dc = GetDC(area);
    const Image& p = fire.picture;
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchDIBits(dc, 0, 0, p.width(), p.height(), 0, 0, p.width(), p.height(), p.pixels(),
                  reinterpret_cast<const BITMAPINFO*>(p.header()), DIB_RGB_COLORS, SRCCOPY);
    ReleaseDC(area, dc);
}

INT_PTR CALLBACK FireProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    Fire* fire = DialogRecord<Fire>(dlg, msg, lp);  // on the stack of ShowThanks
    switch (msg) {
    case WM_INITDIALOG: {
        *fire = NewFire(GetTickCount());
        RECT client, top;
        GetClientRect(dlg, &client);
        GetClientRect(GetDlgItem(dlg, IDC_THANKS_TOP), &top);
        MoveWindow(GetDlgItem(dlg, IDC_THANKS_FIRE), client.right / 2 - kFireWidth / 2, top.bottom, kFireWidth + 1,
                   kFireHeight + 2, FALSE);
        SetForegroundWindow(dlg);
        SetTimer(dlg, kFireTimer, 25, nullptr);
        return TRUE;
    }
    case WM_TIMER:
        if (fire && fire->picture) {
            FireTick(*fire);
            DrawFire(dlg, *fire);
        }
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
            KillTimer(dlg, kFireTimer);
            EndDialog(dlg, 0);
        }
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

void ShowImageInfo(App& app) {
    if (!app.current && !app.animating) {
        ShowMessage(app.mainWindow, Msg(MsgId::NoPicture), MB_ICONWARNING);
        return;
    }
    DialogBoxParamA(app.instance, RESOURCE_NAME(DLG_IMAGE_INFO), app.mainWindow, InfoProc, reinterpret_cast<LPARAM>(&app));
}

void ShowThanks(App& app) {
    Fire fire;
    DialogBoxParamA(app.instance, RESOURCE_NAME(DLG_THANKS), app.mainWindow, FireProc, reinterpret_cast<LPARAM>(&fire));
}

}  // namespace lg
