#include "shell/directory_chooser.h"

#include <commdlg.h>
#include <dlgs.h>

#include "platform/platform.h"
#include "settings/settings.h"
#include "shell/records.h"

namespace lg {
namespace {

// The hook's record, on the stack of ChooseDirectory: the folder the dialog
// showed when OK was pressed.
struct ChosenFolder {
    std::string path;
};

UINT_PTR CALLBACK ChooserHook(HWND child, UINT msg, WPARAM, LPARAM lp) {
    ChosenFolder* chosen = HookRecord<ChosenFolder>(child, msg, lp);
    if (msg != WM_NOTIFY || !chosen) return 0;
    HWND dlg = GetParent(child);
    auto* n = reinterpret_cast<OFNOTIFYA*>(lp);
    switch (n->hdr.code) {
    case CDN_INITDONE:
        for (int id : {edt1, cmb13, cmb1, stc2, stc3}) SendMessageA(dlg, CDM_HIDECONTROL, WPARAM(id), 0);
        SendMessageA(dlg, CDM_SETCONTROLTEXT, IDOK, reinterpret_cast<LPARAM>("Use dir"));
        SendMessageA(dlg, CDM_SETCONTROLTEXT, cmb13, reinterpret_cast<LPARAM>("dummy"));
        SendMessageA(dlg, CDM_SETCONTROLTEXT, edt1, reinterpret_cast<LPARAM>("dummy"));
        return 0;
    case CDN_FILEOK: {
        char folder[platform::kPathBytes] = "";
        if (SendMessageA(dlg, CDM_GETFOLDERPATH, sizeof folder, reinterpret_cast<LPARAM>(folder)) > 0) chosen->path = folder;
        return 0;
    }
    default:
        return 0;
    }
}

}  // namespace

bool ChooseDirectory(HWND owner, const std::string& proposed, std::string* chosen) {
    char here[platform::kPathBytes] = "";
    GetCurrentDirectoryA(sizeof here, here);
    char name[platform::kPathBytes] = "dummy";
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = "*.*\0*.*\0";
    ofn.lpstrFile = name;
    ofn.nMaxFile = sizeof name;
    ofn.lpstrInitialDir = proposed.empty() ? nullptr : proposed.c_str();
    ofn.lpstrTitle = "Select a directory ...";
    ofn.Flags = OFN_EXPLORER | OFN_ENABLEHOOK | OFN_HIDEREADONLY | OFN_NOVALIDATE | OFN_PATHMUSTEXIST;
    ofn.lpfnHook = ChooserHook;
    ChosenFolder folder;
    ofn.lCustData = reinterpret_cast<LPARAM>(&folder);
    const bool ok = GetOpenFileNameA(&ofn) && !folder.path.empty();
    SetCurrentDirectoryA(here);
    if (!ok) return false;
    WriteSetting(Setting::TempPath, folder.path);
    *chosen = folder.path;
    return true;
}

}  // namespace lg
