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
#include "shell/records.h"

namespace lg {
namespace {

int ItemInt(HWND dlg, int id) {
    char text[32] = "";
    GetDlgItemTextA(dlg, id, text, sizeof text);
    return std::atoi(text);
}

void CheckOnly(HWND dlg, int first, int last, int checked) { CheckRadioButton(dlg, first, last, checked); }

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
    const App* app = nullptr;
    bool resample = false;
    int width = 0, height = 0;  // of the picture
    AspectRatios ratios;
    bool echo = false;          // the program is writing an edit
    int outWidth = 0, outHeight = 0;
};

constexpr int kWidthEdit = IDC_RESIZE_WIDTH, kHeightEdit = IDC_RESIZE_HEIGHT, kKeepAspect = IDC_RESIZE_KEEP_ASPECT;

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
        for (int id = IDC_RESIZE_HERMITE; id <= IDC_RESIZE_FILTERS; ++id)
            EnableWindow(GetDlgItem(dlg, id), s->resample);
        SetSize(dlg, *s, PixelSize{s->width, s->height});
        SetDlgItemTextA(dlg, IDC_RESIZE_CURRENT,
                        Format("%s:\t%d  x  %d\t", Msg(MsgId::CurrentSize), s->width, s->height).c_str());
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
        } else if (id == IDC_RESIZE_640 || id == IDC_RESIZE_800 || id == IDC_RESIZE_1024) {
            static const int kPresets[3][2] = {{640, 480}, {800, 600}, {1024, 768}};
            const int* preset = kPresets[id - IDC_RESIZE_640];
            SetSize(dlg, *s, PresetSize(preset[0], preset[1], s->width, s->height, keep));
        } else if (id == IDC_RESIZE_HALF) {
            SetSize(dlg, *s, HalfSize(s->width, s->height, keep));
        } else if (id == IDC_RESIZE_DOUBLE) {
            SetSize(dlg, *s, DoubleSize(s->width, s->height, keep));
        } else if (id == IDC_RESIZE_BEST_FIT) {
            const int toolbar = s->app->toolbarHeight;
            PixelSize room = DesktopRoom(GetSystemMetrics(SM_CXFULLSCREEN), GetSystemMetrics(SM_CYFULLSCREEN),
                                         toolbar > 0, toolbar + 1, GetSystemMetrics(SM_CYMENU));
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
    App* app = nullptr;
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
    if (command == CMD_CONTRAST)
        return {RESOURCE_NAME(DLG_CONTRAST), IDC_CONTRAST_BAR, IDC_CONTRAST_VALUE, &kContrastRange};
    if (command == CMD_GAMMA) return {RESOURCE_NAME(DLG_GAMMA), IDC_GAMMA_BAR, IDC_GAMMA_VALUE, &kGammaRange};
    return {RESOURCE_NAME(DLG_BRIGHTNESS), IDC_BRIGHTNESS_BAR, IDC_BRIGHTNESS_VALUE, &kBrightnessRange};
}

void ShowValue(HWND dlg, const AdjustState& s) {
    AdjustKind k = KindOf(s.command);
    std::string text = s.command == CMD_GAMMA ? Format("%.2f", GammaOfPosition(s.position)) : Format("%d", s.position);
    SetDlgItemTextA(dlg, k.text, text.c_str());
}

// The current picture becomes the adjusted copy of the saved one.
void Preview(HWND dlg, AdjustState& s) {
    App& app = *s.app;
    HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    app.current = Image();
    if (s.command == CMD_BRIGHTNESS) app.current = Brighten(s.saved, s.position);
    else if (s.command == CMD_CONTRAST) app.current = Contrast(s.saved, s.position);
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
            AdjustState shown = {s->app, s->command, Image(), StepWithin(short(HIWORD(wp)), 0, *k.range)};
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
            s->app->current = std::move(s->saved);
            InvalidateRect(s->app->mainWindow, nullptr, FALSE);
            EndDialog(dlg, 0);
        }
        return TRUE;
    default: return FALSE;
    }
}

// --- Colour table editor --------------------------------------------------------------

constexpr int kGrid = IDC_PALETTE_GRID;

struct PaletteState {
    App* app = nullptr;
    int selected = -1;
};

PaletteGrid GridOf(HWND dlg) {
    RECT r;
    GetClientRect(GetDlgItem(dlg, kGrid), &r);
    return PaletteGridFor(r.right, r.bottom);
}

void DrawGrid(HWND dlg, HDC dc, const PaletteState& s) {
    const Image& img = s.app->current;
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

int EntryUnderCursor(HWND dlg, const PaletteState& s) {
    POINT p;
    GetCursorPos(&p);
    ScreenToClient(GetDlgItem(dlg, kGrid), &p);
    return PaletteEntryAt(GridOf(dlg), p.x, p.y, PaletteEntriesShown(s.app->current));
}

void SelectEntry(HWND dlg, PaletteState& s, int i) {
    if (i < 0) return;
    s.selected = i;
    const uint8_t* e = s.app->current.palette() + 4 * i;
    SetDlgItemTextA(dlg, IDC_PALETTE_INDEX, Format("Index: %d", i).c_str());
    SetDlgItemTextA(dlg, IDC_PALETTE_VALUE,
                    Format("%s: RGB (%3d,%3d,%3d)", Msg(MsgId::Value), e[2], e[1], e[0]).c_str());
    InvalidateRect(GetDlgItem(dlg, kGrid), nullptr, FALSE);
}

void ChooseEntryColour(HWND dlg, PaletteState& s) {
    App& app = *s.app;
    const uint8_t* e = app.current.palette() + 4 * s.selected;
    CHOOSECOLORA cc = {};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = dlg;
    cc.rgbResult = RGB(e[2], e[1], e[0]);
    cc.lpCustColors = app.customColors;
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
            SelectEntry(dlg, *s, EntryUnderCursor(dlg, *s));
        } else if (LOWORD(wp) == kGrid && HIWORD(wp) == STN_DBLCLK) {
            SelectEntry(dlg, *s, EntryUnderCursor(dlg, *s));
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
    {IDC_EFFECT_SHARPEN, &EffectSettings::sharpen, Setting::EffectSharpen},
    {IDC_EFFECT_BLUR, &EffectSettings::blur, Setting::EffectBlur},
    {IDC_EFFECT_OIL_PAINT, &EffectSettings::oilPaint, Setting::EffectOilPaint},
    {IDC_EFFECT_MEDIAN, &EffectSettings::median, Setting::EffectMedianFilter},
    {IDC_EFFECT_EXPLODE_X, &EffectSettings::explodeX, Setting::EffectExplodeX},
    {IDC_EFFECT_EXPLODE_Y, &EffectSettings::explodeY, Setting::EffectExplodeY},
    {IDC_EFFECT_PIXELIZE_X, &EffectSettings::pixelizeX, Setting::EffectPixelizeX},
    {IDC_EFFECT_PIXELIZE_Y, &EffectSettings::pixelizeY, Setting::EffectPixelizeY},
};

void ShowEffectFields(HWND dlg, const EffectSettings& s) {
    for (const EffectField& f : kEffectFields) SetDlgItemInt(dlg, f.control, UINT(s.*f.member), FALSE);
    SetDlgItemInt(dlg, IDC_EFFECT_FINE_ROTATION, UINT(FineRotateField(s)), TRUE);
    CheckDlgButton(dlg, IDC_EFFECT_CLEAR, s.fineRotateClear ? BST_CHECKED : BST_UNCHECKED);
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
    typed.fineRotateClear = IsDlgButtonChecked(dlg, IDC_EFFECT_CLEAR) == BST_CHECKED;
    EffectSettings s = AcceptEffectFields(typed, int(GetDlgItemInt(dlg, IDC_EFFECT_FINE_ROTATION, nullptr, TRUE)));
    for (const EffectField& f : kEffectFields) WriteSetting(f.key, s.*f.member);
    WriteSetting(Setting::FineRotateDegrees, s.fineRotateDegrees);
    WriteSetting(Setting::FineRotateDegreesMinus, s.fineRotateMinus ? 1 : 0);
    WriteSetting(Setting::FineRotateClear, s.fineRotateClear ? 1 : 0);
}

INT_PTR CALLBACK EffectSetupProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG: ShowEffectFields(dlg, StoredEffectSettings()); return TRUE;
    case WM_COMMAND:
        if (LOWORD(wp) == IDC_EFFECT_DEFAULTS) {
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
    return int(DialogBoxParamA(app.instance, MAKEINTRESOURCEA(DLG_DECREASE_DEPTH), app.mainWindow, DepthProc,
                               LPARAM(app.current.bitCount())));
}

bool ResizeDialog(App& app, bool resample, int* width, int* height) {
    ResizeState s;
    s.app = &app;
    s.resample = resample;
    s.width = app.current.width();
    s.height = app.current.height();
    if (DialogBoxParamA(app.instance, MAKEINTRESOURCEA(DLG_RESIZE), app.mainWindow, ResizeProc, LPARAM(&s)) != 1)
        return false;
    *width = s.outWidth;
    *height = s.outHeight;
    return true;
}

void AdjustDialog(App& app, int command) {
    AdjustState s;
    s.app = &app;
    s.command = command;
    s.saved = app.current.Duplicate();
    if (!s.saved) return;
    DialogBoxParamA(app.instance, KindOf(command).dialog, app.mainWindow, AdjustProc, LPARAM(&s));
}

void PaletteDialog(App& app) {
    if (PaletteEntriesShown(app.current) == 0) return;
    PaletteState s;
    s.app = &app;
    DialogBoxParamA(app.instance, RESOURCE_NAME(DLG_PALETTE), app.mainWindow, PaletteProc, LPARAM(&s));
}

void EffectSetupDialog(App& app) {
    DialogBoxParamA(app.instance, MAKEINTRESOURCEA(DLG_EFFECT_SETUP), app.mainWindow, EffectSetupProc, 0);
}

}  // namespace lg
