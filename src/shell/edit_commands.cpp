// The Image and Edit menu commands: the shared guards, the undo copy, and
// what each does on success and on failure.
#include <windows.h>

#include <algorithm>

#include "core/convert.h"
#include "core/messages.h"
#include "ops/color_adjust.h"
#include "ops/effects.h"
#include "ops/quantize.h"
#include "ops/resize.h"
#include "settings/settings.h"
#include "shell/command_handlers.h"
#include "shell/edit.h"
#include "shell/logic/texts.h"
#include "shell/view.h"

namespace lg {
namespace {

void TakeUndo(App& app) {
    if (app.useUndo) app.undo = app.current.Duplicate();
}

// Shown again after a change of size or depth: window, title, toolbar.
void Reshow(App& app) { ShowPicture(app, std::move(app.current)); }

void Repaint(App& app) { InvalidateRect(app.mainWindow, nullptr, FALSE); }

struct WaitCursor {
    HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    ~WaitCursor() { SetCursor(old); }
};

void DecreaseDepth(App& app) {
    int colors = DecreaseDepthDialog(app);
    if (!colors) return;
    WaitCursor wait;
    TakeUndo(app);
    Image reduced = Quantize(app.current, colors);
    if (!reduced) {
        ShowMessage(app.mainWindow, Msg(MsgId::QuantizeError), MB_ICONINFORMATION);
        return;
    }
    ShowPicture(app, std::move(reduced));
}

void Greyscale(App& app) {
    WaitCursor wait;
    TakeUndo(app);
    if (ToGreyscale(app.current)) Reshow(app);
}

void MakeNegative(App& app) {
    WaitCursor wait;
    TakeUndo(app);
    if (Negative(app.current)) Repaint(app);
}

void Swap(App& app, ChannelSwap variant) {
    WaitCursor wait;
    if (SwapChannels(app.current, variant)) Repaint(app);
}

// Brightness, contrast or gamma: the undo copy is kept before the dialog opens.
void Adjust(App& app, int command) {
    TakeUndo(app);
    AdjustDialog(app, command);
}

// Resize and resample: the result is made beside the picture, so a failure
// (a size the buffer limits refuse, no memory) leaves the picture and its
// undo copy as they were, after the message.
void Resize(App& app, bool resample) {
    int w = 0, h = 0;
    if (!ResizeDialog(app, resample, &w, &h)) return;
    WaitCursor wait;
    Image result = resample ? ResamplePicture(app.current, w, h, ReadSetting(Setting::ResampleFilter),
                                              app.current.bitCount() <= 8 && app.paletteDisplay)
                            : ResizeImage(app.current, w, h);
    if (!result) {
        ShowMessage(app.mainWindow, Msg(resample ? MsgId::ResampleError : MsgId::ResizeError),
                    MB_ICONINFORMATION);
        return;
    }
    TakeUndo(app);
    app.zoom = Zoom();
    ShowPicture(app, std::move(result));
}

EffectSettings ReadEffectSettings() {
    EffectSettings s;
    s.sharpen = ReadSetting(Setting::EffectSharpen);
    s.blur = ReadSetting(Setting::EffectBlur);
    s.oilPaint = ReadSetting(Setting::EffectOilPaint);
    s.median = ReadSetting(Setting::EffectMedianFilter);
    s.explodeX = ReadSetting(Setting::EffectExplodeX);
    s.explodeY = ReadSetting(Setting::EffectExplodeY);
    s.pixelizeX = ReadSetting(Setting::EffectPixelizeX);
    s.pixelizeY = ReadSetting(Setting::EffectPixelizeY);
    s.fineRotateDegrees = ReadSetting(Setting::FineRotateDegrees);
    s.fineRotateMinus = ReadSetting(Setting::FineRotateDegreesMinus) != 0;
    s.fineRotateClear = ReadSetting(Setting::FineRotateClear) != 0;
    return s;
}

void Effect(App& app, int code) {
    EffectArgs a = EffectArguments(code, ReadEffectSettings());
    WaitCursor wait;
    TakeUndo(app);
    const int depth = app.current.bitCount();
    Rect r = app.hasSelection ? SelectionBufferRect(app) : WholePicture(app.current);
    bool selected = app.hasSelection;
    POINT s0 = app.selStart, s1 = app.selEnd;
    if (!ApplyEffectToPicture(app.current, code, r, a.p1, a.p2)) return;
    if (app.current.bitCount() != depth) Reshow(app);
    // The selection stays for the next effect; its frame is drawn again.
    app.hasSelection = selected;
    app.selStart = s0;
    app.selEnd = s1;
    Repaint(app);
    UpdateWindow(app.mainWindow);
    if (selected) {
        HDC dc = GetDC(app.mainWindow);
        RECT f = {std::min(s0.x, s1.x), std::min(s0.y, s1.y), std::max(s0.x, s1.x), std::max(s0.y, s1.y)};
        DrawFocusRect(dc, &f);
        ReleaseDC(app.mainWindow, dc);
    }
}

// Cut: Copy puts the selection on the clipboard, then it turns black.
void Cut(App& app) {
    if (!app.hasSelection) return;
    TakeUndo(app);
    Rect r = SelectionBufferRect(app);
    SendMessageA(app.mainWindow, WM_COMMAND, CMD_COPY, 0);
    if (!FillRect(app.current, r, 0)) MessageBeep(MB_OK);
    app.hasSelection = false;
    Repaint(app);
}

// Best fit to desktop: the menu item's check mark is the stored setting.
void ToggleBestFit(App& app) {
    const bool on = !app.alwaysFit;
    WriteSetting(Setting::AlwaysFit, on ? 1 : 0);
    app.alwaysFit = on;
    if (!app.current) return;
    if (IsPseudoName(app.fileName)) {
        if (!on)
            ShowMessage(app.mainWindow, Format("%s %s", Msg(MsgId::NotAvailableIf), app.fileName.c_str()),
                        MB_ICONWARNING);
        else {
            Image img = std::move(app.current);
            FitLoadedPicture(app, img);
            ShowPicture(app, std::move(img));
        }
        return;
    }
    ShowNewPicture(app);  // loaded again: fitted, or at its own size
}

}  // namespace

void FitLoadedPicture(App& app, Image& img) {
    if (!img) return;
    FitResult f = FitToDesktop(ReadMetrics(app), img.width(), img.height(), app.alwaysFit, app.fitForBigImages);
    if (!f.fit) return;
    app.hasSelection = false;
    app.zoom = Zoom();
    Image copy;
    {
        WaitCursor wait;
        copy = app.useResample ? ResamplePicture(img, f.width, f.height, ReadSetting(Setting::ResampleFilter),
                                                 img.bitCount() <= 8 && app.paletteDisplay)
                               : ResizeImage(img, f.width, f.height);
    }
    if (!copy) return;
    img = std::move(copy);
    app.windowX = f.window.x;
    app.windowY = f.window.y;
    MoveWindow(app.mainWindow, f.window.x, f.window.y, f.window.width, f.window.height, TRUE);
}

CommandHandlers EditCommandHandlers() {
    return {
        {CMD_SAVE, [](App& app) { SaveCommand(app, false); }},
        {CMD_SAVE_AS, [](App& app) { SaveCommand(app, true); }},
        {CMD_PROPERTIES, ShowPropertySheet},
        {CMD_BEST_FIT, ToggleBestFit},
        {CMD_SELECT_SOURCE, SelectScannerSource},
        {CMD_ACQUIRE, AcquireFromScanner},
        {CMD_EFFECT_SETUP, EffectSetupDialog},
        {CMD_SHARPEN, [](App& app) { Effect(app, kEffectSharpen); }},
        {CMD_BLUR, [](App& app) { Effect(app, kEffectBlur); }},
        {CMD_EMBOSS, [](App& app) { Effect(app, kEffectEmboss); }},
        {CMD_OIL_PAINT, [](App& app) { Effect(app, kEffectOilPaint); }},
        {CMD_EDGE_DETECTION, [](App& app) { Effect(app, kEffectEdges); }},
        {CMD_MEDIAN_FILTER, [](App& app) { Effect(app, kEffectMedian); }},
        {CMD_EXPLOSION, [](App& app) { Effect(app, kEffectExplode); }},
        {CMD_PIXELIZE, [](App& app) { Effect(app, kEffectPixelize); }},
        {CMD_FINE_ROTATION, [](App& app) { Effect(app, kEffectFineRotate); }},
        {CMD_SWAP_RBG, [](App& app) { Swap(app, ChannelSwap::RgbToRbg); }},
        {CMD_SWAP_BGR, [](App& app) { Swap(app, ChannelSwap::RgbToBgr); }},
        {CMD_SWAP_BRG, [](App& app) { Swap(app, ChannelSwap::RgbToBrg); }},
        {CMD_SWAP_GRB, [](App& app) { Swap(app, ChannelSwap::RgbToGrb); }},
        {CMD_SWAP_GBR, [](App& app) { Swap(app, ChannelSwap::RgbToGbr); }},
        {CMD_DECREASE_DEPTH, DecreaseDepth},
        {CMD_GREYSCALE, Greyscale},
        {CMD_NEGATIVE, MakeNegative},
        {CMD_BRIGHTNESS, [](App& app) { Adjust(app, CMD_BRIGHTNESS); }},
        {CMD_CONTRAST, [](App& app) { Adjust(app, CMD_CONTRAST); }},
        {CMD_GAMMA, [](App& app) { Adjust(app, CMD_GAMMA); }},
        {CMD_EDIT_PALETTE, PaletteDialog},
        {CMD_RESIZE, [](App& app) { Resize(app, false); }},
        {CMD_RESAMPLE, [](App& app) { Resize(app, true); }},
        {CMD_CUT, Cut},
    };
}

}  // namespace lg
