// Printing the picture, or every page of a multipage file, one per sheet,
// placed as the "Print Options" dialog says.
#include <windows.h>
#include <commdlg.h>

#include <string>

#include "core/messages.h"
#include "devices/devices.h"
#include "formats/format_table.h"
#include "formats/pages.h"
#include "shell/app.h"
#include "shell/logic/device_logic.h"
#include "shell/view.h"

namespace lg {
namespace {

enum : int {
    kIdHorizontal = IDC_PRINT_HORIZONTAL, kIdStretch = IDC_PRINT_STRETCH, kIdScale = IDC_PRINT_SCALE,
    kIdScaleX = IDC_PRINT_X, kIdLabelX = IDC_PRINT_X_LABEL, kIdScaleY = IDC_PRINT_Y, kIdLabelY = IDC_PRINT_Y_LABEL,
    kIdVertical = IDC_PRINT_VERTICAL,
};

struct PrintChoice {
    int mode = kPrintHorizontalFit;
    float sx = 1.0f, sy = 1.0f;
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
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dlg, DWLP_USER, lp);
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
            auto* choice = reinterpret_cast<PrintChoice*>(GetWindowLongPtrA(dlg, DWLP_USER));
            choice->mode = IsDlgButtonChecked(dlg, kIdVertical) == BST_CHECKED  ? kPrintVerticalFit
                           : IsDlgButtonChecked(dlg, kIdScale) == BST_CHECKED  ? kPrintScale
                           : IsDlgButtonChecked(dlg, kIdStretch) == BST_CHECKED ? kPrintStretch
                                                                                : kPrintHorizontalFit;
            choice->sx = ReadFactor(dlg, kIdScaleX);
            choice->sy = ReadFactor(dlg, kIdScaleY);
            return CloseDialog(dlg, 1);
        }
        case IDCANCEL: return CloseDialog(dlg, 0);
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}

bool AskPlacement(App& app, PrintChoice* choice) {
    return DialogBoxParamA(app.instance, RESOURCE_NAME(DLG_PRINT), app.mainWindow, PrintOptionsProc,
                           reinterpret_cast<LPARAM>(choice)) == 1;
}

// One picture on one sheet; false when the sheet could not be started or ended.
bool PrintSheet(HDC printer, const Image& img, const PrintChoice& c) {
    SetStretchBltMode(printer, COLORONCOLOR);
    PrintRect r = ComputePrintRect(c.mode, GetDeviceCaps(printer, HORZRES), GetDeviceCaps(printer, VERTRES),
                                   GetDeviceCaps(printer, LOGPIXELSX), GetDeviceCaps(printer, LOGPIXELSY),
                                   img.width(), img.height(), c.sx, c.sy);
    bool ok = StartPage(printer) > 0;
    StretchDIBits(printer, 0, 0, r.width, r.height, 0, 0, img.width(), img.height(), img.pixels(),
                  reinterpret_cast<const BITMAPINFO*>(img.header()), DIB_RGB_COLORS, SRCCOPY);
    ok = EndPage(printer) > 0 && ok;
    return ok;
}

// Prints the picture, or with `allPages` every page of the current file.
// True when the job failed or was not started.
bool PrintImages(App& app, const Image& img, const PrintChoice& c, bool allPages) {
    PRINTDLGA pd = {};
    pd.lStructSize = sizeof pd;
    pd.hwndOwner = app.mainWindow;
    pd.Flags = PD_RETURNDC | PD_NOSELECTION | PD_NOPAGENUMS | PD_USEDEVMODECOPIESANDCOLLATE;
    pd.nFromPage = pd.nToPage = 1;
    pd.nCopies = 1;
    const bool chosen = PrintDlgA(&pd) && pd.hDC;
    if (pd.hDevMode) GlobalFree(pd.hDevMode);
    if (pd.hDevNames) GlobalFree(pd.hDevNames);
    if (!chosen) return true;
    DOCINFOA doc = {};
    doc.cbSize = sizeof doc;
    doc.lpszDocName = app.fileName.c_str();
    if (StartDocA(pd.hDC, &doc) <= 0) {
        DeleteDC(pd.hDC);
        return true;
    }
    bool failed = false;
    if (!allPages) {
        failed = !PrintSheet(pd.hDC, img, c);
    } else {
        HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
        const int format = DetectFileFormat(app.fileName);
        PictureFacts facts = app.facts;
        for (int page = 0; page < app.facts.pageCount; ++page) {
            Status st;
            Image sheet = ReadPage(app.fileName, format, page, facts, st);
            if (sheet && !PrintSheet(pd.hDC, sheet, c)) failed = true;
        }
        SetCursor(old);
    }
    EndDoc(pd.hDC);
    DeleteDC(pd.hDC);
    return failed;
}

}  // namespace

void PrintCommand(App& app) {
    if (!app.current) {
        ShowMessage(app.mainWindow, Msg(MsgId::NoPicture), MB_ICONWARNING);
        return;
    }
    PrintChoice c;
    if (AskPlacement(app, &c)) PrintImages(app, app.current, c, false);
}

void PrintAllPagesCommand(App& app) {
    if (!app.facts.multipage || app.facts.pageCount < 1) return;
    PrintChoice c;
    if (!AskPlacement(app, &c)) return;
    const bool failed = PrintImages(app, app.current, c, true);
    ShowMessage(app.mainWindow, Msg(failed ? MsgId::PrintError : MsgId::PrintReady),
                MB_ICONINFORMATION | MB_TASKMODAL);
    // Back to the page that was shown.
    Status st;
    Image shown = ReadPage(app.fileName, DetectFileFormat(app.fileName), app.facts.currentPage, app.facts, st);
    if (shown) ShowPicture(app, std::move(shown));
}

}  // namespace lg
