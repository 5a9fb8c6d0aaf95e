// File associations under the per-user classes root, the icon chooser and
// the desktop link.
#include "platform/platform.h"
#include "shell/shell_pages.h"

#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <map>
#include <string>
#include <vector>

#include "core/messages.h"
#include "core/strings.h"
#include "settings/ini.h"
#include "settings/settings.h"
#include "shell/device_commands.h"
#include "shell/app.h"
#include "shell/logic/associations.h"
#include "devices/logic/device_logic.h"
#include "shell/records.h"

namespace lg {
namespace {

// The per-user classes root: the shell merges it over the machine-wide one,
// and a user may write it without administrator rights.
constexpr const char kClassesRoot[] = "Software\\Classes";
constexpr const char kSection[] = "Extensions";

enum : int {
    kIdOther = IDC_ASSOC_OTHER, kIdSelectAll = IDC_ASSOC_SELECT_ALL, kIdClearAll = IDC_ASSOC_CLEAR_ALL,
    kIdSetIcon = IDC_ASSOC_SET_ICON, kIdOtherText = IDC_ASSOC_OTHER_TEXT, kIdIconFirst = IDC_SELECT_ICON_1,
    kIdCreateLink = IDC_OTHER_CREATE_LINK, kIdBetterReduction = IDC_OTHER_BETTER_REDUCTION,
};

bool SetDefaultValue(const std::string& key, const std::string& value) {
    HKEY k;
    const std::string full = std::string(kClassesRoot) + "\\" + key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, full.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr) !=
        ERROR_SUCCESS)
        return false;
    bool ok = RegSetValueExA(k, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             DWORD(value.size() + 1)) == ERROR_SUCCESS;
    RegCloseKey(k);
    return ok;
}

// Deletes a key with everything below it (a key with subkeys cannot be
// deleted in one call on NT systems); a key that is not there counts as done.
bool DeleteKeyTree(HKEY parent, const std::string& name) {
    HKEY k;
    LONG r = RegOpenKeyExA(parent, name.c_str(), 0, KEY_READ | KEY_WRITE, &k);
    if (r == ERROR_FILE_NOT_FOUND) return true;
    if (r != ERROR_SUCCESS) return false;
    char sub[256];
    for (;;) {
        DWORD n = sizeof sub;
        if (RegEnumKeyExA(k, 0, sub, &n, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        if (!DeleteKeyTree(k, sub)) break;
    }
    RegCloseKey(k);
    return RegDeleteKeyA(parent, name.c_str()) == ERROR_SUCCESS;
}

// Carries out the writes; false when any of them was refused.
bool Apply(const std::vector<RegWrite>& writes) {
    bool ok = true;
    HKEY root;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kClassesRoot, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &root,
                        nullptr) != ERROR_SUCCESS)
        return writes.empty();
    for (const RegWrite& w : writes)
        ok &= w.kind == RegWrite::SetDefault ? SetDefaultValue(w.key, w.value) : DeleteKeyTree(root, w.key);
    RegCloseKey(root);
    return ok;
}

std::string ExecutablePath() {
    char path[platform::kPathBytes] = "";
    if (!SearchPathA(nullptr, "LUMAGR32.EXE", nullptr, sizeof path, path, nullptr))
        GetModuleFileNameA(nullptr, path, sizeof path);  // renamed or not on the search path
    return path;
}

bool IsWindows98() {
    OSVERSIONINFOA v = {};
    v.dwOSVersionInfoSize = sizeof v;
    return GetVersionExA(&v) && v.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS && v.dwMinorVersion > 5;
}

int ReadKey(const char* key, int def) { return ini::ReadInt(SettingsFilePath(), kSection, key, def); }
void WriteKey(const char* key, int value) {
    ini::WriteString(SettingsFilePath(), kSection, key, std::to_string(value));
}
int DefaultOf(const AssocRow& row) { return row.rule == AssocRule::None ? 1 : 0; }

void ShowStates(HWND page, AssociationsPage& p) {
    for (const AssocRow& row : AssociationRows()) {
        bool on = p.captured ? p.ticked[row.control] : ReadKey(row.key, DefaultOf(row)) != 0;
        CheckDlgButton(page, row.control, on ? BST_CHECKED : BST_UNCHECKED);
    }
    bool other = p.captured ? p.ticked[kIdOther] : ReadSetting(Setting::ExtUseOtherExt) != 0;
    CheckDlgButton(page, kIdOther, other ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(GetDlgItem(page, kIdOtherText), other);
    if (!p.captured) SetDlgItemTextA(page, kIdOtherText, ReadSettingText(Setting::ExtOtherExtensions).c_str());
}

void CaptureStates(HWND page, AssociationsPage& p) {
    for (const AssocRow& row : AssociationRows())
        p.ticked[row.control] = IsDlgButtonChecked(page, row.control) == BST_CHECKED;
    p.ticked[kIdOther] = IsDlgButtonChecked(page, kIdOther) == BST_CHECKED;
    p.captured = true;
}

void ApplyPage(HWND page, AssociationsPage& p) {
    CaptureStates(page, p);
    AssocContext& c = p.context;
    c.thumbnailBmp = IsDlgButtonChecked(page, IDC_ASSOC_THUMBNAIL) == BST_CHECKED;
    bool ok = true;
    for (const AssocRow& row : AssociationRows()) {
        const bool on = p.ticked[row.control];
        if (on) ok &= Apply(TickedWrites(row, c));
        else if (ReadKey(row.key, DefaultOf(row)) != 0) ok &= Apply(RestoreWrites(row, c));
        WriteKey(row.key, on ? 1 : 0);
    }
    const bool other = p.ticked[kIdOther];
    char text[401] = "";
    GetDlgItemTextA(page, kIdOtherText, text, sizeof text);
    WriteSetting(Setting::ExtUseOtherExt, other ? 1 : 0);
    WriteSetting(Setting::ExtOtherExtensions, text);
    if (other) {
        std::vector<RegWrite> writes;
        for (const std::string& e : SplitOtherExtensions(text))
            writes.push_back(RegWrite{RegWrite::SetDefault, "." + e, kProgramClass});
        ok &= Apply(writes);
    }
    const std::string icon = IconReference(c.exePath, ReadSetting(Setting::ExtIcon));
    ok &= Apply({RegWrite{RegWrite::SetDefault, std::string(kProgramClass) + "\\DefaultIcon", icon}});
    if (!ok) ShowMessage(p.app->mainWindow, Msg(MsgId::NoRegistryAccess), MB_ICONWARNING);
}

void SetAllExtensions(HWND page, AssociationsPage& p, bool on) {
    for (const AssocRow& row : AssociationRows()) {
        if (row.rule == AssocRule::None) continue;
        CheckDlgButton(page, row.control, on ? BST_CHECKED : BST_UNCHECKED);
        p.ticked[row.control] = on;
    }
}

INT_PTR CALLBACK IconChooserProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG: {
        int icon = ReadSetting(Setting::ExtIcon);
        CheckRadioButton(dlg, kIdIconFirst, kIdIconFirst + 4, kIdIconFirst + (icon >= 1 && icon <= 4 ? icon : 0));
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK) {
            int icon = 0;
            for (int i = 0; i < 5; ++i)
                if (IsDlgButtonChecked(dlg, kIdIconFirst + i) == BST_CHECKED) icon = i;
            WriteSetting(Setting::ExtIcon, icon);
            Apply({RegWrite{RegWrite::SetDefault, std::string(kProgramClass) + "\\DefaultIcon",
                            IconReference(ExecutablePath(), icon)}});
            return CloseDialog(dlg, 1);
        }
        return LOWORD(wp) == IDCANCEL ? CloseDialog(dlg, 0) : FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK AssociationsPageProc(HWND page, UINT msg, WPARAM wp, LPARAM lp) {
    AssociationsPage* p = PageRecord<AssociationsPage>(page, msg, lp);
    if (!p) return FALSE;
    switch (msg) {
    case WM_INITDIALOG: {
        p->context.windows98 = IsWindows98();
        p->context.exePath = ExecutablePath();
        char dir[platform::kPathBytes] = "", paint[platform::kPathBytes] = "";
        GetWindowsDirectoryA(dir, sizeof dir);
        p->context.windowsDir = dir;
        if (SearchPathA(nullptr, "PBRUSH.EXE", nullptr, sizeof paint, paint, nullptr)) p->context.pbrushPath = paint;
        SendDlgItemMessageA(page, kIdOtherText, EM_LIMITTEXT, 400, 0);
        return TRUE;
    }
    case WM_NOTIFY: {
        const NMHDR* n = reinterpret_cast<const NMHDR*>(lp);
        switch (n->code) {
        case PSN_SETACTIVE: ShowStates(page, *p); break;
        case PSN_KILLACTIVE: CaptureStates(page, *p); break;
        case PSN_RESET: p->captured = false; break;
        case PSN_APPLY: ApplyPage(page, *p); break;
        default: return FALSE;
        }
        SetWindowLongPtrA(page, DWLP_MSGRESULT, 0);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case kIdOther:
            EnableWindow(GetDlgItem(page, kIdOtherText), IsDlgButtonChecked(page, kIdOther) == BST_CHECKED);
            return TRUE;
        case kIdSelectAll: case kIdClearAll:
            SetAllExtensions(page, *p, LOWORD(wp) == kIdSelectAll);
            return TRUE;
        case kIdSetIcon:
            DialogBoxParamA(p->app->instance, RESOURCE_NAME(DLG_SELECT_ICON), page, IconChooserProc, 0);
            return TRUE;
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}

// [Others] BetterReduction is written when the sheet is applied; the sheet
// then reads the settings again, which makes it the reduction method.
INT_PTR CALLBACK OtherOptionsPageProc(HWND page, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) {
        CheckDlgButton(page, kIdBetterReduction,
                       ReadSetting(Setting::BetterReduction) != 0 ? BST_CHECKED : BST_UNCHECKED);
        return TRUE;
    }
    if (msg == WM_NOTIFY && reinterpret_cast<NMHDR*>(lp)->code == PSN_APPLY) {
        WriteSetting(Setting::BetterReduction, IsDlgButtonChecked(page, kIdBetterReduction) == BST_CHECKED ? 1 : 0);
        SetWindowLongPtrA(page, DWLP_MSGRESULT, PSNRET_NOERROR);
        return TRUE;
    }
    if (msg == WM_COMMAND && LOWORD(wp) == kIdCreateLink) {
        if (!CreateDesktopLink()) MessageBoxA(page, Msg(MsgId::CantSaveLink), kProductName, MB_ICONINFORMATION);
        return TRUE;
    }
    return FALSE;
}

void RegisterProgramClass(App& app) {
    if (app.devices.classRegistered) return;
    app.devices.classRegistered = true;
    Apply(ProgramClassWrites(app.caption, ExecutablePath()));
}

bool CreateDesktopLink() {
    const bool com = SUCCEEDED(CoInitialize(nullptr));
    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
    bool saved = false;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link))) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        // The user's own desktop folder: the old fixed places under the
        // Windows directory do not exist on NT systems of today.
        char desktop[platform::kPathBytes] = "";
        std::string path;
        if (SHGetSpecialFolderPathA(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, TRUE)) {
            path = WithBackslash(desktop) + "Lumagrove.lnk";
        } else {
            char dir[platform::kPathBytes] = "";
            GetWindowsDirectoryA(dir, sizeof dir);
            path = WithBackslash(dir) + "Profiles\\All Users\\Desktop\\Lumagrove.lnk";
        }
        wchar_t wide[MAX_PATH] = L"";
        MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
        link->SetPath(ExecutablePath().c_str());
        saved = SUCCEEDED(file->Save(wide, TRUE));
    }
    if (file) file->Release();
    if (link) link->Release();
    if (com) CoUninitialize();
    return saved;
}

}  // namespace lg
