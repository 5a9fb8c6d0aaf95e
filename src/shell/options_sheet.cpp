// The options property sheets: "&Properties" and the save options. Most
// pages are tables of controls and keys (shell/logic/edit_logic.h) run by
// one dialog procedure; a page may also bring its own procedure.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "core/messages.h"
#include "core/strings.h"
#include "platform/platform.h"
#include "settings/settings.h"
#include "shell/edit.h"
#include "shell/logic/edit_logic.h"
#include "shell/records.h"
#include "shell/shell_pages.h"
#include "shell/view.h"

namespace lg {
namespace {

// One showing of a table page: what the keys were and what the page holds.
struct TablePage {
    const OptionPage* page = nullptr;
    OptionValues before, now;
    bool* applied = nullptr;
};

std::string Decimal(int v) { return Format("%d", v); }

std::string ItemText(HWND dlg, int id) {
    char text[platform::kPathBytes] = "";
    GetDlgItemTextA(dlg, id, text, sizeof text);
    return text;
}

void ShowFields(HWND dlg, const TablePage& t) {
    for (const OptionField& f : t.page->fields) {
        const std::string& v = t.now.at(f.setting);
        switch (f.kind) {
        case FieldKind::Check: CheckDlgButton(dlg, f.control, v != "0" ? BST_CHECKED : BST_UNCHECKED); break;
        case FieldKind::Radio: CheckDlgButton(dlg, f.control, v == Decimal(f.value) ? BST_CHECKED : BST_UNCHECKED); break;
        case FieldKind::Number: case FieldKind::Text: SetDlgItemTextA(dlg, f.control, v.c_str()); break;
        case FieldKind::Scroll: {
            HWND bar = GetDlgItem(dlg, f.control);
            SetScrollRange(bar, SB_CTL, 1, f.highest, FALSE);
            SetScrollPos(bar, SB_CTL, std::atoi(v.c_str()), TRUE);
            SetDlgItemTextA(dlg, f.value, v.c_str());
            break;
        }
        }
    }
}

void TakeFields(HWND dlg, TablePage& t) {
    for (const OptionField& f : t.page->fields) {
        std::string& v = t.now[f.setting];
        switch (f.kind) {
        case FieldKind::Check: v = IsDlgButtonChecked(dlg, f.control) == BST_CHECKED ? "1" : "0"; break;
        case FieldKind::Radio:
            if (IsDlgButtonChecked(dlg, f.control) == BST_CHECKED) v = Decimal(f.value);
            break;
        case FieldKind::Number: v = NumberFieldText(f, ItemText(dlg, f.control)); break;
        case FieldKind::Text: v = ItemText(dlg, f.control); break;
        case FieldKind::Scroll: v = Decimal(GetScrollPos(GetDlgItem(dlg, f.control), SB_CTL)); break;
        }
    }
}

// A scroll bar field: arrows step by 1, pages by 5, a step that would leave
// the range is ignored, releasing the thumb sets the value.
void ScrollField(HWND dlg, const OptionField& f, WPARAM wp) {
    HWND bar = GetDlgItem(dlg, f.control);
    int pos = GetScrollPos(bar, SB_CTL), next = pos;
    switch (LOWORD(wp)) {
    case SB_LINELEFT: next = pos - 1; break;
    case SB_LINERIGHT: next = pos + 1; break;
    case SB_PAGELEFT: next = pos - 5; break;
    case SB_PAGERIGHT: next = pos + 5; break;
    case SB_THUMBPOSITION: next = short(HIWORD(wp)); break;
    default: return;
    }
    if (next < 1 || next > f.highest) return;
    SetScrollPos(bar, SB_CTL, next, TRUE);
    SetDlgItemTextA(dlg, f.value, Decimal(next).c_str());
}

INT_PTR CALLBACK TablePageProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    auto* t = PageRecord<TablePage>(dlg, msg, lp);
    switch (msg) {
    case WM_INITDIALOG:
        ShowFields(dlg, *t);
        return TRUE;
    case WM_HSCROLL:
        for (const OptionField& f : t->page->fields)
            if (f.kind == FieldKind::Scroll && GetDlgItem(dlg, f.control) == reinterpret_cast<HWND>(lp))
                ScrollField(dlg, f, wp);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wp) == kClearButton)
            for (const OptionField& f : t->page->fields)
                if (f.kind == FieldKind::Text) SetDlgItemTextA(dlg, f.control, "");
        return TRUE;
    case WM_NOTIFY:
        switch (reinterpret_cast<NMHDR*>(lp)->code) {
        case PSN_SETACTIVE: ShowFields(dlg, *t); SetWindowLongPtrA(dlg, DWLP_MSGRESULT, 0); return TRUE;
        case PSN_KILLACTIVE: TakeFields(dlg, *t); SetWindowLongPtrA(dlg, DWLP_MSGRESULT, FALSE); return TRUE;
        case PSN_APPLY:
            TakeFields(dlg, *t);
            for (const auto& w : OptionWrites(t->before, t->now)) WriteSetting(w.first, w.second);
            *t->applied = true;
            SetWindowLongPtrA(dlg, DWLP_MSGRESULT, PSNRET_NOERROR);
            return TRUE;
        default: return FALSE;
        }
    default: return FALSE;
    }
}

// The stored text of every key of a page; absent keys are left out.
std::map<Setting, const char*> StoredKeys(const OptionPage& page, std::vector<std::string>& texts) {
    static const char kAbsent[] = "\x7f";
    std::map<Setting, const char*> stored;
    texts.reserve(page.fields.size());
    for (const OptionField& f : page.fields) {
        std::string v = ReadSettingText(f.setting, kAbsent);
        if (v == kAbsent) continue;
        texts.push_back(v);
        stored[f.setting] = texts.back().c_str();
    }
    return stored;
}

// A page of a sheet: its template and procedure; `data` reaches the
// procedure as the PROPSHEETPAGE's lParam at WM_INITDIALOG.
struct SheetPage {
    const char* templateName;
    DLGPROC proc;
    LPARAM data;
};

// Shows a modal sheet of the table pages followed by `extra` pages. True
// when the sheet was closed with OK; -1 from the platform counts as false
// with `failed` set.
bool RunSheet(HWND owner, const std::string& title, const std::vector<OptionPage>& pages,
              const std::vector<SheetPage>& extra, bool* failed) {
    bool applied = false;
    std::vector<std::unique_ptr<TablePage>> tables;
    std::vector<SheetPage> all;
    for (const OptionPage& p : pages) {
        auto t = std::make_unique<TablePage>();
        t->page = &p;
        std::vector<std::string> texts;
        auto stored = StoredKeys(p, texts);
        t->before = EffectiveValues(p, stored);
        t->now = ShownValues(p, stored);
        t->applied = &applied;
        all.push_back(SheetPage{p.templateName, TablePageProc, LPARAM(t.get())});
        tables.push_back(std::move(t));
    }
    all.insert(all.end(), extra.begin(), extra.end());
    std::vector<PROPSHEETPAGEA> psp(all.size());
    for (size_t i = 0; i < all.size(); ++i) {
        psp[i] = PROPSHEETPAGEA();
        psp[i].dwSize = sizeof(PROPSHEETPAGEA);
        psp[i].dwFlags = PSP_DEFAULT;
        psp[i].hInstance = TheApp().instance;
        psp[i].pszTemplate = all[i].templateName;
        psp[i].pfnDlgProc = all[i].proc;
        psp[i].lParam = all[i].data;
    }
    PROPSHEETHEADERA h = {};
    h.dwSize = sizeof h;
    h.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW;
    h.hwndParent = owner;
    h.hInstance = TheApp().instance;
    h.pszCaption = title.c_str();
    h.nPages = UINT(psp.size());
    h.ppsp = psp.data();
    INT_PTR r = PropertySheetA(&h);
    if (failed) *failed = r < 0;
    return applied;
}

}  // namespace

void ShowSaveOptions(HWND owner) {
    RunSheet(owner, Format("%s %s", kProductName, Msg(MsgId::SaveProperties)), SaveOptionPages(), {}, nullptr);
}

void ShowPropertySheet(App& app) {
    // Pages with procedures of their own follow the table pages; their
    // PSN_APPLY writes their keys, the view settings are read again below.
    // To add one: {template, procedure, lParam for its WM_INITDIALOG}.
    AssociationsPage associations;
    associations.app = &app;
    const std::vector<SheetPage> extra = {
        {MAKEINTRESOURCEA(kAssociationsTemplate), AssociationsPageProc, reinterpret_cast<LPARAM>(&associations)},
        {MAKEINTRESOURCEA(kOtherOptionsTemplate), OtherOptionsPageProc, 0},
    };
    bool failed = false;
    const bool toolbarBefore = ReadSetting(Setting::ToolBarActive) != 0;
    if (!RunSheet(app.mainWindow, Format("%s %s", app.caption.c_str(), Msg(MsgId::Properties)), PropertyPages(),
                  extra, &failed)) {
        if (failed) MessageBeep(MB_OK);
        return;
    }
    ReadDisplayAndSettings(app);
    const bool toolbarNow = ReadSetting(Setting::ToolBarActive) != 0;
    if (toolbarNow != toolbarBefore && app.toolbar) {
        ShowToolbar(app, toolbarNow);
        if (app.current) SizeWindowToPicture(app);
        InvalidateRect(app.mainWindow, nullptr, TRUE);
    }
}

}  // namespace lg
