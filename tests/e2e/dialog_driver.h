// Reading and answering the viewer's own dialogs from the driver: find a
// dialog by its caption, read and set its controls, click its buttons, move
// its scroll bars. Controls are found anywhere below the dialog, so the
// pages of a property sheet and the panels of a file dialog are reached too.
#pragma once

#include <windows.h>

#include <string>

#include "driver.h"

namespace e2e {

// A top-level dialog (class #32770) of the viewer's process with this
// caption, once it is ready for input: visible, enabled, its controls made
// and its thread back in a message loop (so WM_INITDIALOG has returned).
// Null when no such dialog is ready within timeoutMs.
HWND FindDialog(const Viewer& v, const std::string& caption, DWORD timeoutMs);
// Waits until the window is gone; false when it stays.
bool WaitGone(HWND w, DWORD timeoutMs = 10000);

HWND Control(HWND dlg, int id);  // a descendant with this id, or null
std::string ControlText(HWND dlg, int id);
void SetControlText(HWND dlg, int id, const std::string& text);
bool IsChecked(HWND dlg, int id);
// A click as the user makes it: the button's own notification follows.
// Returns once the click has been handled, or once what it started runs its
// own message loop (a dialog it opened); false when the button is missing or
// the dialog's thread does not get to it in time.
bool Click(HWND dlg, int id);
// A scroll bar control's notification to its dialog (WM_HSCROLL); returns
// as Click does.
bool ScrollControl(HWND dlg, int barId, int code, int pos = 0);
// Shows page `index` of a property sheet; true once that page is visible.
bool ShowSheetPage(HWND sheet, int index);

}  // namespace e2e
