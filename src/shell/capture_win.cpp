// The capture commands of the main window: the "Capture Setup" dialog, one
// capture into the viewer, or repeated captures on a timer into time-stamped
// files.
#include <windows.h>

#include <algorithm>
#include <ctime>
#include <string>
#include <vector>

#include "core/messages.h"
#include "devices/capture.h"
#include "devices/logic/device_logic.h"
#include "formats/save.h"
#include "core/strings.h"
#include "platform/platform.h"
#include "settings/saved_options.h"
#include "settings/settings.h"
#include "shell/app.h"
#include "shell/device_commands.h"
#include "shell/directory_chooser.h"
#include "shell/edit.h"
#include "shell/records.h"
#include "shell/resource_ids.h"

namespace lg {
namespace {

// The window of the dialog's list at `index`, while it is still there.
HWND TableEntry(const App& app, int index) {
    if (index < 0 || size_t(index) >= app.devices.windows.size()) return nullptr;
    HWND w = app.devices.windows[size_t(index)];
    return IsWindow(w) ? w : nullptr;
}

enum : int {
    kIdDesktop = IDC_CAPTURE_DESKTOP, kIdWindow = IDC_CAPTURE_WINDOW, kIdClient = IDC_CAPTURE_CLIENT,
    kIdList = IDC_CAPTURE_WINDOWS, kIdAutomatic = IDC_CAPTURE_AUTOMATIC, kIdTimer = IDC_CAPTURE_INTERVAL,
    kIdPath = IDC_CAPTURE_DIRECTORY, kIdBrowse = IDC_CAPTURE_BROWSE, kIdType = IDC_CAPTURE_TYPE,
    kIdOptions = IDC_CAPTURE_OPTIONS,
};

void EnableCaptureControls(HWND dlg) {
    const bool automatic = IsDlgButtonChecked(dlg, kIdAutomatic) == BST_CHECKED;
    for (int id : {int(kIdTimer), int(kIdPath), int(kIdBrowse), int(kIdType)})
        EnableWindow(GetDlgItem(dlg, id), automatic);
    EnableWindow(GetDlgItem(dlg, kIdList), IsDlgButtonChecked(dlg, kIdDesktop) != BST_CHECKED);
}

void InitCaptureDialog(HWND dlg, const std::vector<HWND>& windows) {
    SetDlgItemTextA(dlg, kIdTimer, ReadSettingText(Setting::CaptureAutoTimer).c_str());
    SetDlgItemTextA(dlg, kIdPath, ReadSettingText(Setting::CaptureSavePath).c_str());
    CheckDlgButton(dlg, kIdAutomatic, ReadSetting(Setting::CaptureUseAutomatic) ? BST_CHECKED : BST_UNCHECKED);
    HWND list = GetDlgItem(dlg, kIdList);
    for (HWND w : windows) {
        char title[256] = "";
        GetWindowTextA(w, title, sizeof title);
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(title));
    }
    SendMessageA(list, LB_SETCURSEL, 0, 0);
    HWND types = GetDlgItem(dlg, kIdType);
    for (int i = 0; i < CaptureTypeCount(); ++i)
        SendMessageA(types, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(CaptureTypeText(i).c_str()));
    SendMessageA(types, CB_SETCURSEL, 0, 0);
    int mode = ReadSetting(Setting::CaptureWindow);
    CheckRadioButton(dlg, kIdDesktop, kIdClient, mode == 1 ? kIdWindow : mode == 2 ? kIdClient : kIdDesktop);
    EnableCaptureControls(dlg);
}

void StoreCaptureDialog(HWND dlg) {
    int mode = IsDlgButtonChecked(dlg, kIdWindow) == BST_CHECKED   ? kCaptureWindow
               : IsDlgButtonChecked(dlg, kIdClient) == BST_CHECKED ? kCaptureClient
                                                                   : kCaptureDesktop;
    WriteSetting(Setting::CaptureWindow, mode);
    WriteSetting(Setting::CaptureListIndex, int(SendDlgItemMessageA(dlg, kIdList, LB_GETCURSEL, 0, 0)));
    WriteSetting(Setting::CaptureUseAutomatic, IsDlgButtonChecked(dlg, kIdAutomatic) == BST_CHECKED ? 1 : 0);
    char text[platform::kPathBytes] = "";
    GetDlgItemTextA(dlg, kIdTimer, text, sizeof text);
    WriteSetting(Setting::CaptureAutoTimer, text);
    WriteSetting(Setting::CaptureOutputType, int(SendDlgItemMessageA(dlg, kIdType, CB_GETCURSEL, 0, 0)));
}

// The dialog's record is the list of windows it offers.
INT_PTR CALLBACK CaptureDialogProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    const auto* windows = DialogRecord<const std::vector<HWND>>(dlg, msg, lp);
    switch (msg) {
    case WM_INITDIALOG:
        InitCaptureDialog(dlg, *windows);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case kIdAutomatic: case kIdDesktop: case kIdWindow: case kIdClient:
            EnableCaptureControls(dlg);
            return TRUE;
        case kIdBrowse: {
            std::string dir;
            if (ChooseDirectory(dlg, ReadSettingText(Setting::CaptureSavePath), &dir)) {
                WriteSetting(Setting::CaptureSavePath, dir);
                SetDlgItemTextA(dlg, kIdPath, dir.c_str());
            }
            return TRUE;
        }
        case kIdOptions:
            ShowSaveOptions(dlg);
            return TRUE;
        case IDOK:
            StoreCaptureDialog(dlg);
            return CloseDialog(dlg, 1);
        case IDCANCEL: return CloseDialog(dlg, 0);
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}

void ShowCapture(App& app, Image img) {
    if (!img) {
        ShowEmpty(app);
        return;
    }
    app.fileName = "<Clipboard>";
    app.facts = PictureFacts();
    app.facts.bitCount = img.bitCount();
    app.facts.width = img.width();
    app.facts.height = img.height();
    app.zoom = Zoom();
    ShowPicture(app, std::move(img));
    UpdateWindow(app.mainWindow);
}

}  // namespace

void CaptureCommand(App& app) {
    app.devices.windows = CaptureCandidates();
    if (DialogBoxParamA(app.instance, MAKEINTRESOURCEA(DLG_CAPTURE), app.mainWindow, CaptureDialogProc,
                        reinterpret_cast<LPARAM>(&app.devices.windows)) != 1)
        return;
    if (ReadSetting(Setting::CaptureUseAutomatic)) {
        ShowEmpty(app);
        UpdateWindow(app.mainWindow);
        ShowWindow(app.mainWindow, SW_MINIMIZE);
        WriteSetting(Setting::OneInstance, "0");
        Sleep(750);
        const int seconds = ReadSetting(Setting::CaptureAutoTimer);
        SetTimer(app.mainWindow, kCaptureTimer, UINT(std::max(seconds, 1)) * 1000u, nullptr);
        return;
    }
    const int mode = ReadSetting(Setting::CaptureWindow);
    if (mode == kCaptureWindow || mode == kCaptureClient) {
        HWND target = TableEntry(app, ReadSetting(Setting::CaptureListIndex));
        if (!target) return;
        ShowEmpty(app);
        if (target != app.mainWindow) ShowWindow(app.mainWindow, SW_HIDE);
        Image img = CaptureWindowInFront(target, mode);
        SetForegroundWindow(app.mainWindow);
        ShowWindow(app.mainWindow, SW_SHOW);
        ShowCapture(app, std::move(img));
        return;
    }
    ShowWindow(app.mainWindow, SW_MINIMIZE);
    Sleep(750);
    ShowEmpty(app);
    Image img = CaptureScreen();
    ShowWindow(app.mainWindow, SW_RESTORE);
    ShowCapture(app, std::move(img));
}

void CaptureTick(App& app) {
    SetWindowTextA(app.mainWindow, Msg(MsgId::Capturing));
    const int mode = ReadSetting(Setting::CaptureWindow);
    const std::string dir = ReadSettingText(Setting::CaptureSavePath);
    platform::MakeDirectories(dir);
    std::time_t now = std::time(nullptr);
    const std::tm* known = std::localtime(&now);  // null when the clock is beyond the C library's range
    const std::tm local = known ? *known : std::tm{};
    LocalTime t{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
    const std::string name = CaptureFileName(dir, ReadSetting(Setting::CaptureOutputType), t);
    Image img;
    if (mode == kCaptureWindow || mode == kCaptureClient) {
        if (HWND target = TableEntry(app, ReadSetting(Setting::CaptureListIndex))) {
            img = CaptureWindowInFront(target, mode);
            UpdateWindow(target);
        }
    } else {
        img = CaptureScreen();
    }
    if (!img) return;
    std::string message;
    if (!SaveImage(img, name, SavedSaveOptions(app.paletteDisplay), &message)) MessageBeep(MB_OK);
}

}  // namespace lg
