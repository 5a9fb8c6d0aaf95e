// Editing and saving from the viewer: the Image and Edit menu commands, their
// dialogs, Open with preview, Save and Save as, the options sheets, best fit
// and the scanner commands.
#pragma once

#include <windows.h>

#include "ops/geometry.h"
#include "shell/app.h"

namespace lg {

// Fits a newly loaded picture to the desktop when [Others] AlwaysFit or
// [Viewing] FitForBigImages asks for it: the picture becomes the fitted copy
// and the window moves to the work area's corner.
void FitLoadedPicture(App& app, Image& img);

// --- dialogs (edit_dialogs.cpp) ------------------------------------------------
// The colour count chosen in the depth dialog, 0 when cancelled.
int DecreaseDepthDialog(App& app);
// The Resize dialog; false when cancelled.
bool ResizeDialog(App& app, bool resample, int* width, int* height);
// Brightness, contrast or gamma (the command) with live preview.
void AdjustDialog(App& app, int command);
void PaletteDialog(App& app);
void EffectSetupDialog(App& app);

// --- files (save_dialogs.cpp, open_dialog.cpp) ---------------------------------
void SaveCommand(App& app, bool saveAs);
// The save options sheet, modal on `owner`.
void ShowSaveOptions(HWND owner);
void OpenWithPreview(App& app);

// --- options sheet (options_sheet.cpp) -----------------------------------------
void ShowPropertySheet(App& app);

// --- scanner (scanner.cpp) -------------------------------------------------------
void SelectScannerSource(App& app);
// Acquires one picture and delivers it to the main window by message
// kMsgScannedPicture (lParam: the Image, taken by the window).
void AcquireFromScanner(App& app);
constexpr UINT kMsgScannedPicture = WM_USER + 100;
// The window's answer: a copy becomes the current picture "<ScanImage>".
void ShowScannedPicture(App& app, Image& delivered);

}  // namespace lg
