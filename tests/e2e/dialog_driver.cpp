#include "dialog_driver.h"

#include <commctrl.h>

namespace e2e {
namespace {

struct Search {
    DWORD pid;
    const std::string* caption;
    int id;
    HWND found;
};

BOOL CALLBACK MatchDialog(HWND w, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    char cls[64] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (pid == s->pid && lstrcmpA(cls, "#32770") == 0 && IsWindowVisible(w) && Title(w) == *s->caption) {
        s->found = w;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK MatchId(HWND w, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    if (GetDlgCtrlID(w) == s->id) {
        s->found = w;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND FindDialog(const Viewer& v, const std::string& caption, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        Search s = {v.process.dwProcessId, &caption, 0, nullptr};
        EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&s));
        if (s.found) {
            Sleep(100);  // let it finish its WM_INITDIALOG work
            return s.found;
        }
        if (GetTickCount() - start > timeoutMs) return nullptr;
        Sleep(50);
    }
}

bool WaitGone(HWND w, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (IsWindow(w)) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(25);
    }
    return true;
}

HWND Control(HWND dlg, int id) {
    HWND direct = GetDlgItem(dlg, id);
    if (direct) return direct;
    Search s = {0, nullptr, id, nullptr};
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

void Click(HWND dlg, int id) {
    HWND c = Control(dlg, id);
    if (c) PostMessageA(c, BM_CLICK, 0, 0);
    Sleep(100);
}

void ScrollControl(HWND dlg, int barId, int code, int pos) {
    HWND bar = Control(dlg, barId);
    HWND parent = bar ? GetParent(bar) : dlg;
    PostMessageA(parent, WM_HSCROLL, MAKEWPARAM(code, pos), reinterpret_cast<LPARAM>(bar));
}

void ShowSheetPage(HWND sheet, int index) {
    DWORD_PTR r;
    SendMessageTimeoutA(sheet, PSM_SETCURSEL, WPARAM(index), 0, SMTO_BLOCK, 5000, &r);
    Sleep(100);
}

}  // namespace e2e
