#include "dialog_driver.h"

#include <commctrl.h>

namespace e2e {
namespace {

struct Search {
    int id;
    HWND found;
};

BOOL CALLBACK MatchId(HWND w, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    if (GetDlgCtrlID(w) == s->id) {
        s->found = w;
        return FALSE;
    }
    return TRUE;
}

// Ready for input: shown and enabled, with its controls made, and its thread
// answering (it is back in a message loop, its WM_INITDIALOG work done).
bool Ready(HWND w) {
    if (!IsWindowVisible(w) || !IsWindowEnabled(w) || !GetWindow(w, GW_CHILD)) return false;
    DWORD_PTR r;
    return SendMessageTimeoutA(w, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &r) != 0;
}

// Hands `msg` to the window's thread and returns once it has been handled:
// messages sent from another thread are taken in the order they were sent,
// so when a WM_NULL sent behind it is answered, the message is done, or what
// it started is running a message loop of its own (a modal dialog).
// A modal loop (a property sheet's among them) looks at whether it has ended
// only when GetMessage returns, which a sent message never makes it do; a
// posted WM_NULL to the top-level window then lets it notice.
bool Deliver(HWND target, UINT msg, WPARAM wp, LPARAM lp) {
    if (!target) return false;
    HWND top = GetAncestor(target, GA_ROOT);
    if (!SendNotifyMessageA(target, msg, wp, lp)) return false;
    DWORD_PTR r;
    const bool answered = SendMessageTimeoutA(target, WM_NULL, 0, 0, SMTO_NORMAL, kStepMs, &r) != 0;
    if (IsWindow(top)) PostMessageA(top, WM_NULL, 0, 0);
    return answered || !IsWindow(target);  // gone with its dialog: handled
}

}  // namespace

HWND FindDialog(const Viewer& v, const std::string& caption, DWORD timeoutMs) {
    HWND found = nullptr;
    const bool ready = WaitUntil([&] {
        found = nullptr;
        for (HWND w : WindowsOf(v))
            if (ClassOf(w) == "#32770" && IsWindowVisible(w) && Title(w) == caption) {
                found = w;
                break;
            }
        return found && Ready(found);
    }, timeoutMs, 25);
    return ready ? found : nullptr;
}

bool WaitGone(HWND w, DWORD timeoutMs) {
    return WaitUntil([&] { return !IsWindow(w); }, timeoutMs, 25);
}

HWND Control(HWND dlg, int id) {
    HWND direct = GetDlgItem(dlg, id);
    if (direct) return direct;
    Search s = {id, nullptr};
    EnumChildWindows(dlg, MatchId, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

std::string ControlText(HWND dlg, int id) {
    HWND c = Control(dlg, id);
    return c ? Title(c) : std::string();
}

void SetControlText(HWND dlg, int id, const std::string& text) {
    HWND c = Control(dlg, id);
    if (!c) return;
    DWORD_PTR r;
    SendMessageTimeoutA(c, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_BLOCK, 5000, &r);
}

bool IsChecked(HWND dlg, int id) {
    HWND c = Control(dlg, id);
    DWORD_PTR r = 0;
    if (c) SendMessageTimeoutA(c, BM_GETCHECK, 0, 0, SMTO_BLOCK, 5000, &r);
    return r == BST_CHECKED;
}

bool Click(HWND dlg, int id) {
    HWND c = Control(dlg, id);
    if (!c) return false;
    // A push button's click reaches its parent as the button's own
    // notification. BM_CLICK would fake a mouse press and release on the
    // button, and Wine drops that click when the X server moves the focus in
    // between (seen under load), so the notification is delivered directly.
    const LONG type = GetWindowLongA(c, GWL_STYLE) & BS_TYPEMASK;
    if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON)
        return Deliver(GetParent(c), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(c));
    return Deliver(c, BM_CLICK, 0, 0);
}

bool ScrollControl(HWND dlg, int barId, int code, int pos) {
    HWND bar = Control(dlg, barId);
    if (!bar) return false;
    return Deliver(GetParent(bar), WM_HSCROLL, MAKEWPARAM(code, pos), reinterpret_cast<LPARAM>(bar));
}

bool ShowSheetPage(HWND sheet, int index) {
    DWORD_PTR ok = 0;
    if (!SendMessageTimeoutA(sheet, PSM_SETCURSEL, WPARAM(index), 0, SMTO_BLOCK, kStepMs, &ok) || !ok)
        return false;
    return WaitUntil([&] {
        DWORD_PTR page = 0;
        SendMessageTimeoutA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0, SMTO_BLOCK, 5000, &page);
        return page && IsWindowVisible(reinterpret_cast<HWND>(page));
    });
}

}  // namespace e2e
