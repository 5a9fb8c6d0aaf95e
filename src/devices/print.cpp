#include "devices/print.h"

#include <commdlg.h>

#include <functional>

#include "formats/format_table.h"
#include "formats/pages.h"
#include "formats/status.h"

namespace lg {
namespace {

enum : int {
    kIdHorizontal = 1009, kIdStretch = 1010, kIdScale = 1011, kIdScaleX = 1012, kIdLabelX = 1013,
    kIdScaleY = 1014, kIdLabelY = 1015, kIdVertical = 1165,
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

// The dialog's record is the caller's PrintChoice, kept in DWLP_USER.
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

// The printer dialog, then one document whose sheets `sheets` prints; false
// when the job was not started or `sheets` failed.
bool PrintDocument(HWND owner, const std::string& docName, const std::function<bool(HDC)>& sheets) {
    PRINTDLGA pd = {};
    pd.lStructSize = sizeof pd;
    pd.hwndOwner = owner;
    pd.Flags = PD_RETURNDC | PD_NOSELECTION | PD_NOPAGENUMS | PD_USEDEVMODECOPIESANDCOLLATE;
    pd.nFromPage = pd.nToPage = 1;
    pd.nCopies = 1;
    const bool chosen = PrintDlgA(&pd) && pd.hDC;
    if (pd.hDevMode) GlobalFree(pd.hDevMode);
    if (pd.hDevNames) GlobalFree(pd.hDevNames);
    if (!chosen) return false;
    DOCINFOA doc = {};
    doc.cbSize = sizeof doc;
    doc.lpszDocName = docName.c_str();
    if (StartDocA(pd.hDC, &doc) <= 0) {
        DeleteDC(pd.hDC);
        return false;
    }
    const bool ok = sheets(pd.hDC);
    EndDoc(pd.hDC);
    DeleteDC(pd.hDC);
    return ok;
}

}  // namespace

bool AskPrintChoice(HINSTANCE instance, HWND owner, PrintChoice* choice) {
    return DialogBoxParamA(instance, "PRINT", owner, PrintOptionsProc, reinterpret_cast<LPARAM>(choice)) == 1;
}

bool PrintPicture(HWND owner, const std::string& docName, const Image& img, const PrintChoice& c) {
    return PrintDocument(owner, docName, [&](HDC printer) { return PrintSheet(printer, img, c); });
}

bool PrintPages(HWND owner, const std::string& path, const PictureFacts& facts, const PrintChoice& c) {
    return PrintDocument(owner, path, [&](HDC printer) {
        HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
        const int format = DetectFileFormat(path);
        PictureFacts pageFacts = facts;
        bool ok = true;
        for (int page = 0; page < facts.pageCount; ++page) {
            Status st;
            Image sheet = ReadPage(path, format, page, pageFacts, st);
            if (sheet && !PrintSheet(printer, sheet, c)) ok = false;
        }
        SetCursor(old);
        return ok;
    });
}

}  // namespace lg
