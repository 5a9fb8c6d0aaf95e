// The dialogs of the Image menu: colour depth, resize, the live adjustment
// dialogs, the colour table editor and the effect parameters.
#include <windows.h>
#include <commdlg.h>

#include <cstdio>
#include <cstdlib>

#include "core/messages.h"
#include "core/strings.h"
#include "ops/color_adjust.h"
#include "ops/effects.h"
#include "ops/resize.h"
#include "settings/settings.h"
#include "shell/edit.h"
#include "shell/logic/edit_logic.h"

namespace lg {
namespace {

int ItemInt(HWND dlg, int id) {
    char text[32] = "";
    GetDlgItemTextA(dlg, id, text, sizeof text);
    return std::atoi(text);
}

void CheckOnly(HWND dlg, int first, int last, int checked) { CheckRadioButton(dlg, first, last, checked); }

// The record a dialog works on: handed over at WM_INITDIALOG, kept with the dialog.
template <typename T>
T* DialogRecord(HWND dlg, UINT msg, LPARAM lp) {
    if (msg == WM_INITDIALOG) SetWindowLongPtrA(dlg, DWLP_USER, lp);
    return reinterpret_cast<T*>(GetWindowLongPtrA(dlg, DWLP_USER));
}

// --- Decrease color depth -----------------------------------------------------

INT_PTR CALLBACK DepthProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_INITDIALOG: {
        DepthChoice c = DepthDialogChoice(int(lp));
        EnableWindow(GetDlgItem(dlg, kDepth256), c.enable256);
        EnableWindow(GetDlgItem(dlg, kDepth16), c.enable16);
        CheckOnly(dlg, kDepth256, kDepth2, c.preselected);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK) {
            int checked = IsDlgButtonChecked(dlg, kDepth16) ? kDepth16 : IsDlgButtonChecked(dlg, kDepth2) ? kDepth2
                                                                                                      : kDepth256;
            EndDialog(dlg, ColorsOfDepthButton(checked));
        } else if (LOWORD(wp) == IDCANCEL) {
            EndDialog(dlg, 0);
        }
        return TRUE;
    default: return FALSE;
    }
}

// --- Resize -----------------------------------------------------------------------

struct ResizeState {
    bool resample = false;
    int width = 0, height = 0;  // of the picture
    AspectRatios ratios;
    bool echo = false;          // the program is writing an edit
    int outWidth = 0, outHeight = 0;
};

constexpr int kWidthEdit = 1050, kHeightEdit = 1052, kKeepAspect = 1168;

void SetSize(HWND dlg, ResizeState& s, PixelSize p) {
    s.echo = true;
    SetDlgItemInt(dlg, kWidthEdit, UINT(p.width), TRUE);
    SetDlgItemInt(dlg, kHeightEdit, UINT(p.height), TRUE);
    s.echo = false;
    SetFocus(GetDlgItem(dlg, kWidthEdit));
}

// With the aspect ratio kept, one edit follows the other.
void Follow(HWND dlg, ResizeState& s, int from) {
    if (s.echo || !IsDlgButtonChecked(dlg, kKeepAspect)) return;
    s.echo = true;
    if (from == kWidthEdit)
        SetDlgItemInt(dlg, kHeightEdit, UINT(ProportionalValue(ItemInt(dlg, kWidthEdit), s.ratios.heightPerWidth)), TRUE);
    else
        SetDlgItemInt(dlg, kWidthEdit, UINT(ProportionalValue(ItemInt(dlg, kHeightEdit), s.ratios.widthPerHeight)), TRUE);
    s.echo = false;
}

INT_PTR CALLBACK ResizeProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    auto* s = DialogRecord<ResizeState>(dlg, msg, lp);
    switch (msg) {
    case WM_INITDIALOG: {
        SetWindowTextA(dlg, Msg(s->resample ? MsgId::ResampleImageTitle : MsgId::ResizeImageTitle));
        for (int id = 1261; id <= 1266; ++id) EnableWindow(GetDlgItem(dlg, id), s->resample);
        SetSize(dlg, *s, PixelSize{s->width, s->height});
        SetDlgItemTextA(dlg, 1169, Format("%s:\t%d  x  %d\t", Msg(MsgId::CurrentSize), s->width, s->height).c_str());
        CheckOnly(dlg, kFirstFilterRadio, kLastFilterRadio, FilterRadio(ReadSetting(Setting::ResampleFilter)));
        CheckDlgButton(dlg, kKeepAspect, ReadSetting(Setting::ResizeAspectRatio) ? BST_CHECKED : BST_UNCHECKED);
        s->ratios = RatiosOf(s->width, s->height);
        return FALSE;  // the focus is in the width edit already
    }
    case WM_COMMAND: {
        const int id = LOWORD(wp), code = HIWORD(wp);
        const bool keep = IsDlgButtonChecked(dlg, kKeepAspect) == BST_CHECKED;
        if ((id == kWidthEdit || id == kHeightEdit) && code == EN_CHANGE) {
            Follow(dlg, *s, id);
        } else if ((id == kWidthEdit || id == kHeightEdit) && code == EN_SETFOCUS) {
            Follow(dlg, *s, id == kWidthEdit ? kHeightEdit : kWidthEdit);
            SendDlgItemMessageA(dlg, id, EM_SETSEL, 0, -1);
        } else if (id == 1199 || id == 1200 || id == 1201) {
            static const int kPresets[3][2] = {{640, 480}, {800, 600}, {1024, 768}};
            SetSize(dlg, *s, PresetSize(kPresets[id - 1199][0], kPresets[id - 1199][1], s->width, s->height, keep));
        } else if (id == 1203) {
            SetSize(dlg, *s, HalfSize(s->width, s->height, keep));
        } else if (id == 1204) {
            SetSize(dlg, *s, DoubleSize(s->width, s->height, keep));
        } else if (id == 1210) {
            App& app = TheApp();
            PixelSize room = DesktopRoom(GetSystemMetrics(SM_CXFULLSCREEN), GetSystemMetrics(SM_CYFULLSCREEN),
                                         app.toolbarHeight > 0, app.toolbarHeight + 1, GetSystemMetrics(SM_CYMENU));
            SetSize(dlg, *s, BestFitSize(s->width, s->height, room));
        } else if (id == IDOK) {
            s->outWidth = ItemInt(dlg, kWidthEdit);
            s->outHeight = ItemInt(dlg, kHeightEdit);
            int radio = 0;
            for (int r = kFirstFilterRadio; r <= kLastFilterRadio; ++r)
                if (IsDlgButtonChecked(dlg, r)) radio = r;
            if (s->resample) WriteSetting(Setting::ResampleFilter, FilterOfRadio(radio));
            WriteSetting(Setting::ResizeAspectRatio, keep ? 1 : 0);
            EndDialog(dlg, 1);
        } else if (id == IDCANCEL) {
            EndDialog(dlg, 0);
        }
        return TRUE;
    }
    default: return FALSE;
    }
}

// --- Brightness, contrast, gamma ----------------------------------------------------

struct AdjustState {
    int command = 0;
    Image saved;  // the picture as it was on opening
    int position = 0;
};

struct AdjustKind {
    const char* dialog;
    int bar, text;
    const AdjustRange* range;
};

AdjustKind KindOf(int command) {
    if (command == 40090) return {"ContrastDlg", 1095, 1096, &kContrastRange};
    if (command == 40091) return {"GammaCorrectionDlg", 1173, 1172, &kGammaRange};
    return {"BrightnessDlg", 1093, 1094, &kBrightnessRange};
}

void ShowValue(HWND dlg, const AdjustState& s) {
    AdjustKind k = KindOf(s.command);
    std::string text = s.command == 40091 ? Format("%.2f", GammaOfPosition(s.position)) : Format("%d", s.position);
    SetDlgItemTextA(dlg, k.text, text.c_str());
}

// The current picture becomes the adjusted copy of the saved one.
void Preview(HWND dlg, AdjustState& s) {
    App& app = TheApp();
    HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    app.current = Image();
    if (s.command == 40069) app.current = Brighten(s.saved, s.position);
    else if (s.command == 40090) app.current = Contrast(s.saved, s.position);
    else app.current = GammaCorrect(s.saved, GammaOfPosition(s.position));
    InvalidateRect(app.mainWindow, nullptr, FALSE);
    UpdateWindow(app.mainWindow);
    SetCursor(old);
    SetFocus(dlg);
}

INT_PTR CALLBACK AdjustProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    auto* s = DialogRecord<AdjustState>(dlg, msg, lp);
    switch (msg) {
    case WM_INITDIALOG: {
        AdjustKind k = KindOf(s->command);
        s->position = k.range->start;
        HWND bar = GetDlgItem(dlg, k.bar);
        SetScrollRange(bar, SB_CTL, k.range->min, k.range->max, FALSE);
        SetScrollPos(bar, SB_CTL, s->position, TRUE);
        ShowValue(dlg, *s);
        return TRUE;
    }
    case WM_HSCROLL: {
        AdjustKind k = KindOf(s->command);
        int pos = s->position;
        switch (LOWORD(wp)) {
        case SB_LINELEFT: pos = StepWithin(pos, -k.range->line, *k.range); break;
        case SB_LINERIGHT: pos = StepWithin(pos, k.range->line, *k.range); break;
        case SB_PAGELEFT: pos = StepWithin(pos, -k.range->page, *k.range); break;
        case SB_PAGERIGHT: pos = StepWithin(pos, k.range->page, *k.range); break;
        case SB_THUMBTRACK: {  // only the text follows the thumb
            AdjustState shown = {s->command, Image(), StepWithin(short(HIWORD(wp)), 0, *k.range)};
            ShowValue(dlg, shown);
            return TRUE;
        }
        case SB_THUMBPOSITION: pos = StepWithin(short(HIWORD(wp)), 0, *k.range); break;
        default: return TRUE;
        }
        s->position = pos;
        SetScrollPos(GetDlgItem(dlg, k.bar), SB_CTL, pos, TRUE);
        ShowValue(dlg, *s);
        Preview(dlg, *s);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK) {
            EndDialog(dlg, 1);
        } else if (LOWORD(wp) == IDCANCEL) {
            TheApp().current = std::move(s->saved);
            InvalidateRect(TheApp().mainWindow, nullptr, FALSE);
            EndDialog(dlg, 0);
        }
        return TRUE;
    default: return FALSE;
    }
}

// --- Colour table editor --------------------------------------------------------------

constexpr int kGrid = 1121;
COLORREF g_customColors[16];  // the colour chooser's custom colours, for the program's life

struct PaletteState {
    int selected = -1;
};

PaletteGrid GridOf(HWND dlg) {
    RECT r;
    GetClientRect(GetDlgItem(dlg, kGrid), &r);
    return PaletteGridFor(r.right, r.bottom);
}

void DrawGrid(HWND dlg, HDC dc, const PaletteState& s) {
    const Image& img = TheApp().current;
    PaletteGrid g = GridOf(dlg);
    RECT all;
    GetClientRect(GetDlgItem(dlg, kGrid), &all);
    FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
    const int n = PaletteEntriesShown(img);
    for (int i = 0; i < n; ++i) {
        const uint8_t* e = img.palette() + 4 * i;
        int x, y;
        PaletteCellOrigin(g, i, &x, &y);
        RECT cell = {x, y, x + g.cellWidth, y + g.cellHeight};
        HBRUSH b = CreateSolidBrush(RGB(e[2], e[1], e[0]));
        FillRect(dc, &cell, b);
        DeleteObject(b);
        if (i == s.selected) {
            RECT frame = {x - 2, y - 2, x + g.cellWidth + 2, y + g.cellHeight + 2};
            HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
            FrameRect(dc, &frame, red);
            DeleteObject(red);
        }
    }
}

int EntryUnderCursor(HWND dlg) {
    POINT p;
    GetCursorPos(&p);
    ScreenToClient(GetDlgItem(dlg, kGrid), &p);
    return PaletteEntryAt(GridOf(dlg), p.x, p.y, PaletteEntriesShown(TheApp().current));
}

void SelectEntry(HWND dlg, PaletteState& s, int i) {
    if (i < 0) return;
    s.selected = i;
    const uint8_t* e = TheApp().current.palette() + 4 * i;
    SetDlgItemTextA(dlg, 1119, Format("Index: %d", i).c_str());
    SetDlgItemTextA(dlg, 1120, Format("%s: RGB (%3d,%3d,%3d)", Msg(MsgId::Value), e[2], e[1], e[0]).c_str());
    InvalidateRect(GetDlgItem(dlg, kGrid), nullptr, FALSE);
}

void ChooseEntryColour(HWND dlg, PaletteState& s) {
    App& app = TheApp();
    const uint8_t* e = app.current.palette() + 4 * s.selected;
    CHOOSECOLORA cc = {};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = dlg;
    cc.rgbResult = RGB(e[2], e[1], e[0]);
    cc.lpCustColors = g_customColors;
    cc.Flags = CC_RGBINIT | CC_FULLOPEN;
    if (!ChooseColorA(&cc)) return;
    SetPaletteColour(app.current, s.selected, GetRValue(cc.rgbResult), GetGValue(cc.rgbResult),
                     GetBValue(cc.rgbResult));
    SelectEntry(dlg, s, s.selected);
    InvalidateRect(app.mainWindow, nullptr, FALSE);
}

INT_PTR CALLBACK PaletteProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    auto* s = DialogRecord<PaletteState>(dlg, msg, lp);
    switch (msg) {
    case WM_INITDIALOG: return TRUE;
    case WM_DRAWITEM:
        if (wp == kGrid) DrawGrid(dlg, reinterpret_cast<DRAWITEMSTRUCT*>(lp)->hDC, *s);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wp) == kGrid && HIWORD(wp) == STN_CLICKED) {
            SelectEntry(dlg, *s, EntryUnderCursor(dlg));
        } else if (LOWORD(wp) == kGrid && HIWORD(wp) == STN_DBLCLK) {
            SelectEntry(dlg, *s, EntryUnderCursor(dlg));
            if (s->selected >= 0) ChooseEntryColour(dlg, *s);
        } else if (LOWORD(wp) == IDCANCEL || LOWORD(wp) == IDOK) {
            EndDialog(dlg, 0);
        }
        return TRUE;
    default: return FALSE;
    }
}

// --- Effect parameters ------------------------------------------------------------------

struct EffectField {
    int control;
    int EffectSettings::*member;
    Setting key;
};
const EffectField kEffectFields[] = {
    {1269, &EffectSettings::sharpen, Setting::EffectSharpen},
    {1271, &EffectSettings::blur, Setting::EffectBlur},
    {1272, &EffectSettings::oilPaint, Setting::EffectOilPaint},
    {1273, &EffectSettings::median, Setting::EffectMedianFilter},
    {1274, &EffectSettings::explodeX, Setting::EffectExplodeX},
    {1275, &EffectSettings::explodeY, Setting::EffectExplodeY},
    {1276, &EffectSettings::pixelizeX, Setting::EffectPixelizeX},
    {1277, &EffectSettings::pixelizeY, Setting::EffectPixelizeY},
};

void ShowEffectFields(HWND dlg, const EffectSettings& s) {
    for (const EffectField& f : kEffectFields) SetDlgItemInt(dlg, f.control, UINT(s.*f.member), FALSE);
    SetDlgItemInt(dlg, 1278, UINT(FineRotateField(s)), TRUE);
    CheckDlgButton(dlg, 1279, s.fineRotateClear ? BST_CHECKED : BST_UNCHECKED);
}

EffectSettings StoredEffectSettings() {
    EffectSettings s;
    for (const EffectField& f : kEffectFields) s.*f.member = ReadSetting(f.key);
    s.fineRotateDegrees = ReadSetting(Setting::FineRotateDegrees);
    s.fineRotateMinus = ReadSetting(Setting::FineRotateDegreesMinus) != 0;
    s.fineRotateClear = ReadSetting(Setting::FineRotateClear) != 0;
    return s;
}

void StoreEffectFields(HWND dlg) {
    EffectSettings typed;
    for (const EffectField& f : kEffectFields) typed.*f.member = int(GetDlgItemInt(dlg, f.control, nullptr, FALSE));
    typed.fineRotateClear = IsDlgButtonChecked(dlg, 1279) == BST_CHECKED;
    EffectSettings s = AcceptEffectFields(typed, int(GetDlgItemInt(dlg, 1278, nullptr, TRUE)));
    for (const EffectField& f : kEffectFields) WriteSetting(f.key, s.*f.member);
    WriteSetting(Setting::FineRotateDegrees, s.fineRotateDegrees);
    WriteSetting(Setting::FineRotateDegreesMinus, s.fineRotateMinus ? 1 : 0);
    WriteSetting(Setting::FineRotateClear, s.fineRotateClear ? 1 : 0);
}

INT_PTR CALLBACK EffectSetupProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG: ShowEffectFields(dlg, StoredEffectSettings()); return TRUE;
    case WM_COMMAND:
        if (LOWORD(wp) == 1270) {
            ShowEffectFields(dlg, EffectSettings());
        } else if (LOWORD(wp) == IDOK) {
            StoreEffectFields(dlg);
            EndDialog(dlg, 1);
        } else if (LOWORD(wp) == IDCANCEL) {
            EndDialog(dlg, 0);
        }
        return TRUE;
    default: return FALSE;
    }
}

}  // namespace

int DecreaseDepthDialog(App& app) {
    return int(DialogBoxParamA(app.instance, MAKEINTRESOURCEA(200), app.mainWindow, DepthProc,
                               LPARAM(app.current.bitCount())));
}

bool ResizeDialog(App& app, bool resample, int* width, int* height) {
    ResizeState s;
    s.resample = resample;
    s.width = app.current.width();
    s.height = app.current.height();
    if (DialogBoxParamA(app.instance, MAKEINTRESOURCEA(111), app.mainWindow, ResizeProc, LPARAM(&s)) != 1)
        return false;
    *width = s.outWidth;
    *height = s.outHeight;
    return true;
}

void AdjustDialog(App& app, int command) {
    AdjustState s;
    s.command = command;
    s.saved = app.current.Duplicate();
    if (!s.saved) return;
    DialogBoxParamA(app.instance, KindOf(command).dialog, app.mainWindow, AdjustProc, LPARAM(&s));
}

void PaletteDialog(App& app) {
    if (PaletteEntriesShown(app.current) == 0) return;
    PaletteState s;
    DialogBoxParamA(app.instance, "PALETTEENTRYDLG", app.mainWindow, PaletteProc, LPARAM(&s));
}

void EffectSetupDialog(App& app) {
    DialogBoxParamA(app.instance, MAKEINTRESOURCEA(235), app.mainWindow, EffectSetupProc, 0);
}

}  // namespace lg
