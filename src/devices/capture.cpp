// Screen capture: the whole screen, one window or its client area, once into
// the viewer or repeatedly on a timer into time-stamped files.
#include <windows.h>

#include <algorithm>
#include <ctime>
#include <vector>

#include "core/messages.h"
#include "core/strings.h"
#include "devices/devices.h"
#include "formats/save.h"
#include "platform/platform.h"
#include "settings/saved_options.h"
#include "settings/settings.h"
#include "shell/app.h"
#include "shell/directory_chooser.h"
#include "shell/edit.h"
#include "shell/logic/device_logic.h"

namespace lg {
namespace {

constexpr size_t kMaxWindows = 50;
constexpr int kDesktop = 0, kWholeWindow = 1, kClientArea = 2;

BOOL CALLBACK CollectWindow(HWND w, LPARAM lp) {
    auto* list = reinterpret_cast<std::vector<HWND>*>(lp);
    if (list->size() >= kMaxWindows) return FALSE;
    char title[256] = "";
    if (!IsWindowVisible(w) || GetWindowTextA(w, title, sizeof title) <= 0) return TRUE;
    if (std::string(title) == "Program Manager") return TRUE;
    list->push_back(w);
    return TRUE;
}

void FillWindowTable(App& app) {
    app.devices.windows.clear();
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&app.devices.windows));
}

HWND TableEntry(const App& app, int index) {
    if (index < 0 || size_t(index) >= app.devices.windows.size()) return nullptr;
    HWND w = app.devices.windows[size_t(index)];
    return IsWindow(w) ? w : nullptr;
}

// The screen rectangle copied into a device bitmap; null for an empty one.
HBITMAP GrabRect(RECT r) {
    if (r.right <= r.left || r.bottom <= r.top) return nullptr;
    HDC screen = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    if (!screen) return nullptr;
    r.left = std::max(r.left, LONG(0));
    r.top = std::max(r.top, LONG(0));
    r.right = std::min(r.right, LONG(GetDeviceCaps(screen, HORZRES)));
    r.bottom = std::min(r.bottom, LONG(GetDeviceCaps(screen, VERTRES)));
    HBITMAP bitmap = nullptr;
    if (r.right > r.left && r.bottom > r.top) {
        HDC mem = CreateCompatibleDC(screen);
        bitmap = CreateCompatibleBitmap(screen, r.right - r.left, r.bottom - r.top);
        if (mem && bitmap) {
            HGDIOBJ old = SelectObject(mem, bitmap);
            BitBlt(mem, 0, 0, r.right - r.left, r.bottom - r.top, screen, r.left, r.top, SRCCOPY);
            SelectObject(mem, old);
        }
        if (mem) DeleteDC(mem);
    }
    DeleteDC(screen);
    return bitmap;
}

// The palette the display works with now.
HPALETTE SystemPalette() {
    HDC dc = GetDC(nullptr);
    int n = (GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) ? GetDeviceCaps(dc, SIZEPALETTE) : 0;
    n = std::min(std::max(n, 0), 256);
    std::vector<uint8_t> block(sizeof(LOGPALETTE) + 256 * sizeof(PALETTEENTRY), 0);
    auto* lp = reinterpret_cast<LOGPALETTE*>(block.data());
    lp->palVersion = 0x300;
    lp->palNumEntries = WORD(n);
    if (n) GetSystemPaletteEntries(dc, 0, UINT(n), lp->palPalEntry);
    ReleaseDC(nullptr, dc);
    return n ? CreatePalette(lp) : nullptr;
}

// A device bitmap as a picture of 1, 4, 8 or 24 bits.
Image BitmapToImage(HBITMAP bitmap, HPALETTE palette) {
    BITMAP bm;
    if (!bitmap || !GetObjectA(bitmap, sizeof bm, &bm)) return Image();
    const int planesBits = bm.bmPlanes * bm.bmBitsPixel;
    const int depth = planesBits <= 1 ? 1 : planesBits <= 4 ? 4 : planesBits <= 8 ? 8 : 24;
    Image img = Image::Create(bm.bmWidth, bm.bmHeight, depth, DefaultColorsFor(depth));
    if (!img) return img;
    HDC dc = GetDC(nullptr);
    HPALETTE old = SelectPalette(dc, palette ? palette : HPALETTE(GetStockObject(DEFAULT_PALETTE)), FALSE);
    RealizePalette(dc);
    // GetDIBits fills the header and colour table in place: both are ours.
    auto* info = reinterpret_cast<BITMAPINFO*>(img.header());
    int lines = GetDIBits(dc, bitmap, 0, UINT(bm.bmHeight), img.pixels(), info, DIB_RGB_COLORS);
    SelectPalette(dc, old, FALSE);
    ReleaseDC(nullptr, dc);
    if (lines != bm.bmHeight) return Image();
    img.setResolution(0, 0);
    return img;
}

Image CaptureScreenRect(RECT r) {
    HBITMAP bitmap = GrabRect(r);
    if (!bitmap) return Image();
    HPALETTE palette = SystemPalette();
    Image img = BitmapToImage(bitmap, palette);
    DeleteObject(bitmap);
    if (palette) DeleteObject(palette);
    if (img) PutLE32(img.header() + 32, img.bitCount() < 16 ? 1u << img.bitCount() : 0u);
    return img;
}

Image CaptureWindow(HWND w, int mode) {
    RECT r;
    if (!w) return Image();
    if (mode == kWholeWindow) {
        GetWindowRect(w, &r);
    } else if (mode == kClientArea) {
        GetClientRect(w, &r);
        POINT a{r.left, r.top}, b{r.right, r.bottom};
        ClientToScreen(w, &a);
        ClientToScreen(w, &b);
        r = RECT{a.x, a.y, b.x, b.y};
    } else {
        return Image();
    }
    return CaptureScreenRect(r);
}

RECT WholeScreen() {
    return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

// Puts `target` on top of everything and lets it paint.
void BringForward(HWND target) {
    if (IsIconic(target)) ShowWindow(target, SW_RESTORE);
    SetWindowPos(target, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetActiveWindow(target);
    SetForegroundWindow(target);
    SetFocus(target);
    // The window may belong to another program that has not yet noticed what
    // was uncovered: have it paint everything now, and wait until it has.
    RedrawWindow(target, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    GdiFlush();
}

void PutBack(HWND target) {
    SetWindowPos(target, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

// ---- the "Capture Setup" dialog

enum : int {
    kIdDesktop = 1231, kIdWindow = 1232, kIdClient = 1233, kIdList = 1234, kIdAutomatic = 1236,
    kIdTimer = 1237, kIdPath = 1238, kIdBrowse = 1239, kIdType = 1240, kIdOptions = 1241,
};

void EnableCaptureControls(HWND dlg) {
    const bool automatic = IsDlgButtonChecked(dlg, kIdAutomatic) == BST_CHECKED;
    for (int id : {int(kIdTimer), int(kIdPath), int(kIdBrowse), int(kIdType)})
        EnableWindow(GetDlgItem(dlg, id), automatic);
    EnableWindow(GetDlgItem(dlg, kIdList), IsDlgButtonChecked(dlg, kIdDesktop) != BST_CHECKED);
}

void InitCaptureDialog(HWND dlg, const App& app) {
    SetDlgItemTextA(dlg, kIdTimer, ReadSettingText(Setting::CaptureAutoTimer).c_str());
    SetDlgItemTextA(dlg, kIdPath, ReadSettingText(Setting::CaptureSavePath).c_str());
    CheckDlgButton(dlg, kIdAutomatic, ReadSetting(Setting::CaptureUseAutomatic) ? BST_CHECKED : BST_UNCHECKED);
    HWND list = GetDlgItem(dlg, kIdList);
    for (HWND w : app.devices.windows) {
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
    int mode = IsDlgButtonChecked(dlg, kIdWindow) == BST_CHECKED   ? kWholeWindow
               : IsDlgButtonChecked(dlg, kIdClient) == BST_CHECKED ? kClientArea
                                                                   : kDesktop;
    WriteSetting(Setting::CaptureWindow, mode);
    WriteSetting(Setting::CaptureListIndex, int(SendDlgItemMessageA(dlg, kIdList, LB_GETCURSEL, 0, 0)));
    WriteSetting(Setting::CaptureUseAutomatic, IsDlgButtonChecked(dlg, kIdAutomatic) == BST_CHECKED ? 1 : 0);
    char text[MAX_PATH] = "";
    GetDlgItemTextA(dlg, kIdTimer, text, sizeof text);
    WriteSetting(Setting::CaptureAutoTimer, text);
    WriteSetting(Setting::CaptureOutputType, int(SendDlgItemMessageA(dlg, kIdType, CB_GETCURSEL, 0, 0)));
}

INT_PTR CALLBACK CaptureDialogProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        InitCaptureDialog(dlg, TheApp());
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
    FillWindowTable(app);
    if (DialogBoxParamA(app.instance, MAKEINTRESOURCEA(222), app.mainWindow, CaptureDialogProc, 0) != 1) return;
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
    if (mode == kWholeWindow || mode == kClientArea) {
        HWND target = TableEntry(app, ReadSetting(Setting::CaptureListIndex));
        if (!target) return;
        ShowEmpty(app);
        if (target != app.mainWindow) ShowWindow(app.mainWindow, SW_HIDE);
        BringForward(target);
        Image img = CaptureWindow(target, mode);
        PutBack(target);
        SetForegroundWindow(app.mainWindow);
        ShowWindow(app.mainWindow, SW_SHOW);
        ShowCapture(app, std::move(img));
        return;
    }
    ShowWindow(app.mainWindow, SW_MINIMIZE);
    Sleep(750);
    ShowEmpty(app);
    Image img = CaptureScreenRect(WholeScreen());
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
    if (mode == kWholeWindow || mode == kClientArea) {
        if (HWND target = TableEntry(app, ReadSetting(Setting::CaptureListIndex))) {
            BringForward(target);
            img = CaptureWindow(target, mode);
            PutBack(target);
            UpdateWindow(target);
        }
    } else {
        img = CaptureScreenRect(WholeScreen());
    }
    if (!img) return;
    std::string message;
    if (!SaveImage(img, name, SavedSaveOptions(app.paletteDisplay), &message)) MessageBeep(MB_OK);
}

}  // namespace lg
