// The chooser of one image out of an icon file that holds several: a list of
// sizes and depths, and a preview of the selected image.
#include <windows.h>

#include "core/convert.h"
#include "formats/icon.h"
#include "ops/quantize.h"
#include "shell/app.h"
#include "devices/gdi_image.h"
#include "shell/logic/preview_fit.h"

namespace lg {
namespace {

constexpr int kDialogId = DLG_ICON_CHOOSER;
constexpr int kList = IDC_ICONS_LIST, kPreviewArea = IDC_ICONS_PREVIEW;
constexpr UINT_PTR kSecondPreviewTimer = 1;
constexpr UINT kSecondPreviewMs = 150;  // once more after the dialog has appeared

struct Chooser {
    const IconSet* set = nullptr;
    bool paletteDisplay = false;
    Image preview;  // empty: the area shows "Error"
    int chosen = 0;
};

void MakePreview(HWND dlg, Chooser& c) {
    const LRESULT sel = SendDlgItemMessageA(dlg, kList, LB_GETCURSEL, 0, 0);
    c.preview = Image();
    if (sel >= 0 && size_t(sel) < c.set->images.size()) {
        Status st;
        Image img = IconToPicture(c.set->images[size_t(sel)], st);
        if (img) img = WidenToWorkingDepth(std::move(img));
        if (img && c.paletteDisplay && img.bitCount() == 24) img = ReduceColors(img, 256);
        c.preview = std::move(img);
    }
    InvalidateRect(GetDlgItem(dlg, kPreviewArea), nullptr, TRUE);
}

void DrawPreview(const DRAWITEMSTRUCT* di, const Chooser& c) {
    const RECT& area = di->rcItem;
    FillRect(di->hDC, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    if (!c.preview) {
        TextOutA(di->hDC, area.left + 5, area.top + 5, "Error", 5);
        return;
    }
    const PreviewRect r = FitPreview(c.preview.width(), c.preview.height(), area.right - area.left,
                                     area.bottom - area.top);
    HPALETTE palette = MakeDisplayPalette(c.preview), old = nullptr;
    if (palette) {
        old = SelectPalette(di->hDC, palette, FALSE);
        RealizePalette(di->hDC);
    }
    SetStretchBltMode(di->hDC, COLORONCOLOR);
    StretchDIBits(di->hDC, area.left + r.x, area.top + r.y, r.width, r.height, 0, 0, c.preview.width(),
                  c.preview.height(), c.preview.pixels(), reinterpret_cast<const BITMAPINFO*>(c.preview.header()),
                  DIB_RGB_COLORS, SRCCOPY);
    if (palette) {
        SelectPalette(di->hDC, old, FALSE);
        DeleteObject(palette);
    }
}

INT_PTR CALLBACK ChooserProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    Chooser* c = reinterpret_cast<Chooser*>(GetWindowLongPtrA(dlg, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG:
        c = reinterpret_cast<Chooser*>(lp);
        SetWindowLongPtrA(dlg, DWLP_USER, LONG_PTR(c));
        for (const IconImage& icon : c->set->images)
            SendDlgItemMessageA(dlg, kList, LB_ADDSTRING, 0, LPARAM(IconChoiceText(icon).c_str()));
        SendDlgItemMessageA(dlg, kList, LB_SETCURSEL, WPARAM(c->set->selected), 0);
        MakePreview(dlg, *c);
        SetTimer(dlg, kSecondPreviewTimer, kSecondPreviewMs, nullptr);
        return TRUE;
    case WM_TIMER:
        KillTimer(dlg, kSecondPreviewTimer);
        if (c) MakePreview(dlg, *c);
        return TRUE;
    case WM_DRAWITEM:
        if (c && wp == kPreviewArea) DrawPreview(reinterpret_cast<const DRAWITEMSTRUCT*>(lp), *c);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wp) == kList && HIWORD(wp) == LBN_SELCHANGE && c) {
            MakePreview(dlg, *c);
            return TRUE;
        }
        if ((LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) && c) {
            const LRESULT sel = SendDlgItemMessageA(dlg, kList, LB_GETCURSEL, 0, 0);
            c->chosen = sel >= 0 ? int(sel) : c->set->selected;
            KillTimer(dlg, kSecondPreviewTimer);
            EndDialog(dlg, LOWORD(wp));
            return TRUE;
        }
        return FALSE;
    default: return FALSE;
    }
}

}  // namespace

int ChooseIconImage(App& app, const IconSet& set) {
    Chooser c;
    c.set = &set;
    c.paletteDisplay = app.paletteDisplay;
    c.chosen = set.selected;
    HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    DialogBoxParamA(app.instance, MAKEINTRESOURCEA(kDialogId), app.mainWindow, ChooserProc, LPARAM(&c));
    SetCursor(old);
    return c.chosen;
}

}  // namespace lg
