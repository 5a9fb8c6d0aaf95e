// The record a window or dialog works on, kept with the window itself rather
// than in a global: a dialog's in DWLP_USER (handed over at WM_INITDIALOG and
// owned by the caller of the dialog), a window's in GWLP_USERDATA (handed
// over at creation and owned by the window).
#pragma once

#include <windows.h>
#include <commdlg.h>
#include <prsht.h>

#include <memory>

namespace lg {

// A dialog's record: `lp` of WM_INITDIALOG points at it. Null for the few
// messages that come before WM_INITDIALOG.
template <typename T>
T* DialogRecord(HWND dlg, UINT msg, LPARAM lp) {
    if (msg == WM_INITDIALOG) SetWindowLongPtrA(dlg, DWLP_USER, lp);
    return reinterpret_cast<T*>(GetWindowLongPtrA(dlg, DWLP_USER));
}

// The record of a file dialog's hook: the OPENFILENAME's custom data.
template <typename T>
T* HookRecord(HWND hook, UINT msg, LPARAM lp) {
    if (msg == WM_INITDIALOG)
        SetWindowLongPtrA(hook, DWLP_USER, reinterpret_cast<const OPENFILENAMEA*>(lp)->lCustData);
    return reinterpret_cast<T*>(GetWindowLongPtrA(hook, DWLP_USER));
}

// The record of a property sheet page: the PROPSHEETPAGE's lParam.
template <typename T>
T* PageRecord(HWND page, UINT msg, LPARAM lp) {
    if (msg == WM_INITDIALOG)
        SetWindowLongPtrA(page, DWLP_USER, reinterpret_cast<const PROPSHEETPAGEA*>(lp)->lParam);
    return reinterpret_cast<T*>(GetWindowLongPtrA(page, DWLP_USER));
}

// A window's record, created with
//   auto record = std::make_unique<T>(...);
//   CreateWindowExA(..., &record);
// The window takes it over at WM_NCCREATE (leaving `record` empty; if the
// window never got that far, `record` still frees it) and frees it at
// WM_NCDESTROY. Called first in the window procedure; null outside the
// window's life, when only DefWindowProc applies.
template <typename T>
T* OwnWindowRecord(HWND w, UINT msg, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* given = static_cast<std::unique_ptr<T>*>(reinterpret_cast<const CREATESTRUCTA*>(lp)->lpCreateParams);
        if (given) SetWindowLongPtrA(w, GWLP_USERDATA, LONG_PTR(given->release()));
    }
    auto* record = reinterpret_cast<T*>(GetWindowLongPtrA(w, GWLP_USERDATA));
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrA(w, GWLP_USERDATA, 0);
        std::unique_ptr<T> gone(record);
        return nullptr;
    }
    return record;
}

// The record of a window made as above; null when `w` is not (or no longer) one.
template <typename T>
T* WindowRecordOf(HWND w) {
    return w ? reinterpret_cast<T*>(GetWindowLongPtrA(w, GWLP_USERDATA)) : nullptr;
}

}  // namespace lg
