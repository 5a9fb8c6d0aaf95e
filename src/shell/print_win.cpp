// The picture put out: the print commands and the wallpaper commands of the
// main window.
#include <windows.h>

#include <string>

#include "core/messages.h"
#include "devices/print.h"
#include "devices/wallpaper.h"
#include "formats/format_table.h"
#include "formats/pages.h"
#include "formats/status.h"
#include "shell/app.h"
#include "shell/device_commands.h"
#include "shell/pages_win.h"
#include "shell/records.h"
#include "shell/resource_ids.h"

namespace lg {
namespace {

enum : int {
    kIdHorizontal = IDC_PRINT_HORIZONTAL, kIdStretch = IDC_PRINT_STRETCH, kIdScale = IDC_PRINT_SCALE,
    kIdScaleX = IDC_PRINT_X, kIdLabelX = IDC_PRINT_X_LABEL, kIdScaleY = IDC_PRINT_Y, kIdLabelY = IDC_PRINT_Y_LABEL,
    kIdVertical = IDC_PRINT_VERTICAL,
};

void EnableScale(HWND dlg) {
    const bool scale = IsDlgButtonChecked(dlg, kIdScale) == BST_CHECKED;
    for (int id : {int(kIdScaleX), int(kIdLabelX), int(kIdScaleY), int(kIdLabelY)})
        EnableWindow(GetDlgItem(dlg, id), scale);
}

float ReadFactor(HWND dlg, int id) {
    char text[64] = "";
    GetDlgItemTextA(dlg, id, text, sizeof text);
    return ParseScaleFactor(text);
}

INT_PTR CALLBACK PrintOptionsProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    PrintChoice* choice = DialogRecord<PrintChoice>(dlg, msg, lp);  // the caller's
    switch (msg) {
    case WM_INITDIALOG:
        CheckRadioButton(dlg, kIdHorizontal, kIdVertical, kIdHorizontal);
        SetDlgItemTextA(dlg, kIdScaleX, "1.00");
        SetDlgItemTextA(dlg, kIdScaleY, "1.00");
        EnableScale(dlg);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case kIdHorizontal: case kIdVertical: case kIdScale: case kIdStretch:
            EnableScale(dlg);
            return TRUE;
        case IDOK: {
            choice->mode = IsDlgButtonChecked(dlg, kIdVertical) == BST_CHECKED  ? kPrintVerticalFit
                           : IsDlgButtonChecked(dlg, kIdScale) == BST_CHECKED  ? kPrintScale
                           : IsDlgButtonChecked(dlg, kIdStretch) == BST_CHECKED ? kPrintStretch
                                                                                : kPrintHorizontalFit;
            choice->sx = ReadFactor(dlg, kIdScaleX);
            choice->sy = ReadFactor(dlg, kIdScaleY);
            EndDialog(dlg, 1);
            return TRUE;
        }
        case IDCANCEL:
            EndDialog(dlg, 0);
            return TRUE;
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}

// The "Print Options" dialog; false when cancelled.
bool AskPrintChoice(HINSTANCE instance, HWND owner, PrintChoice* choice) {
    return DialogBoxParamA(instance, RESOURCE_NAME(DLG_PRINT), owner, PrintOptionsProc, reinterpret_cast<LPARAM>(choice)) == 1;
}

}  // namespace


void PrintCommand(App& app) {
    if (!app.current) {
        ShowMessage(app.mainWindow, Msg(MsgId::NoPicture), MB_ICONWARNING);
        return;
    }
    PrintChoice c;
    if (AskPrintChoice(app.instance, app.mainWindow, &c)) PrintPicture(app.mainWindow, app.fileName, app.current, c);
}

void PrintAllPagesCommand(App& app) {
    if (!app.facts.multipage || app.facts.pageCount < 1) return;
    PrintChoice c;
    if (!AskPrintChoice(app.instance, app.mainWindow, &c)) return;
    const bool printed = PrintPages(app.mainWindow, app.fileName, app.facts, c);
    ShowMessage(app.mainWindow, Msg(printed ? MsgId::PrintReady : MsgId::PrintError),
                MB_ICONINFORMATION | MB_TASKMODAL);
    ShowPage(app, 0);  // the first page again
}

void SetWallpaper(App& app, bool tiled) {
    if (!app.current) {
        ShowMessage(app.mainWindow, Msg(MsgId::NoPicture), MB_ICONWARNING);
        return;
    }
    HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    std::string error;
    const bool set = InstallWallpaper(app.current, tiled, &error);
    SetCursor(old);
    if (!set)
        ShowMessage(app.mainWindow, Format(Msg(MsgId::WallpaperSaveError), Msg(MsgId::SaveError), error.c_str()),
                    MB_ICONWARNING);
}

void PreviousWallpaper(App&) { RestorePreviousWallpaper(); }

}  // namespace lg
