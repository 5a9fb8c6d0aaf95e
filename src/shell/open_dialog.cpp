// Open: the platform's Open dialog with a preview of the selected file.
// While it is up the current picture stays shown (the preview loads through
// the load dispatcher without touching it) and an animation waits.
#include <windows.h>
#include <commdlg.h>

#include <algorithm>

#include "formats/format_table.h"
#include "formats/load.h"
#include "platform/platform.h"
#include "settings/settings.h"
#include "shell/edit.h"
#include "shell/records.h"

namespace lg {
namespace {

constexpr int kPreviewCheck = IDC_PREVIEW_CHECK, kPreviewArea = IDC_PREVIEW_AREA;
constexpr UINT_PTR kAnimationTimer = 1997;

// The dialog's record, on the stack of OpenWithPreview.
struct OpenPreview {
    const App* app = nullptr;
    Image picture;  // the dialog's own picture, released before the next one
};

bool PreviewOn(HWND hook) { return IsDlgButtonChecked(hook, kPreviewCheck) == BST_CHECKED; }

void LoadPreview(HWND hook, OpenPreview& preview) {
    const App& app = *preview.app;
    preview.picture = Image();
    char path[platform::kPathBytes] = "";
    if (PreviewOn(hook) &&
        SendMessageA(GetParent(hook), CDM_GETFILEPATH, sizeof path, reinterpret_cast<LPARAM>(path)) > 0) {
        DWORD a = GetFileAttributesA(path);
        if (a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY)) {
            RECT area;
            GetClientRect(GetDlgItem(hook, kPreviewArea), &area);
            std::string name = path;
            LoadRequest req;
            req.noMultiImage = true;
            req.silent = true;
            req.previewWidth = std::max(1, int(area.right));
            req.openInProgress = true;
            req.paletteDisplay = app.paletteDisplay;
            req.grayscaleJpeg = app.loadGrayscale;
            req.pcdSize = app.pcdSize;
            req.renameExtension = false;
            req.autoRotate = ReadSetting(Setting::AutoRotate) != 0;
            PictureFacts facts;
            HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
            preview.picture = LoadPicture(name, req, LoadUi(), facts);
            SetCursor(old);
        }
    }
    InvalidateRect(GetDlgItem(hook, kPreviewArea), nullptr, TRUE);
}

// The preview fitted into the area less 2 pixels, never enlarged, centred.
void DrawPreview(const DRAWITEMSTRUCT* d, const Image& picture) {
    RECT r = d->rcItem;
    FillRect(d->hDC, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    if (!picture) return;
    const int aw = r.right - r.left - 2, ah = r.bottom - r.top - 2;
    int w = picture.width(), h = picture.height();
    if (h > ah) {
        w = std::max(1, int(double(w) * ah / h + 0.5));
        h = ah;
    }
    if (w > aw) {
        h = std::max(1, int(double(picture.height()) * aw / picture.width() + 0.5));
        w = aw;
    }
    SetStretchBltMode(d->hDC, COLORONCOLOR);
    StretchDIBits(d->hDC, r.left + 1 + (aw - w) / 2, r.top + 1 + (ah - h) / 2, w, h, 0, 0, picture.width(),
                  picture.height(), picture.pixels(), reinterpret_cast<const BITMAPINFO*>(picture.header()),
                  DIB_RGB_COLORS, SRCCOPY);
}

UINT_PTR CALLBACK OpenHook(HWND hook, UINT msg, WPARAM wp, LPARAM lp) {
    OpenPreview* preview = HookRecord<OpenPreview>(hook, msg, lp);
    if (!preview) return 0;
    switch (msg) {
    case WM_INITDIALOG:
        CheckDlgButton(hook, kPreviewCheck, ReadSetting(Setting::PreviewActive) ? BST_CHECKED : BST_UNCHECKED);
        return TRUE;
    case WM_NOTIFY:
        if (reinterpret_cast<OFNOTIFYA*>(lp)->hdr.code == CDN_SELCHANGE) LoadPreview(hook, *preview);
        return 0;
    case WM_COMMAND:
        if (LOWORD(wp) == kPreviewCheck && HIWORD(wp) == BN_CLICKED) {
            WriteSetting(Setting::PreviewActive, PreviewOn(hook) ? 1 : 0);
            LoadPreview(hook, *preview);
        }
        return 0;
    case WM_DRAWITEM:
        if (wp == kPreviewArea) DrawPreview(reinterpret_cast<DRAWITEMSTRUCT*>(lp), preview->picture);
        return TRUE;
    default: return 0;
    }
}

}  // namespace

void OpenWithPreview(App& app) {
    std::string filters = OpenFilterString();
    char name[platform::kPathBytes] = "";
    std::string dir = ReadSettingText(Setting::OpenDir);
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = app.mainWindow;
    ofn.hInstance = app.instance;
    ofn.lpstrFilter = filters.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = name;
    ofn.nMaxFile = sizeof name;
    ofn.lpstrInitialDir = dir.empty() ? nullptr : dir.c_str();
    ofn.lpTemplateName = RESOURCE_NAME(DLG_OPEN_PREVIEW);
    ofn.lpfnHook = OpenHook;
    OpenPreview preview;
    preview.app = &app;
    ofn.lCustData = reinterpret_cast<LPARAM>(&preview);
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER | OFN_ENABLEHOOK |
                OFN_ENABLETEMPLATE;
    if (app.animating) KillTimer(app.mainWindow, kAnimationTimer);
    const bool chosen = GetOpenFileNameA(&ofn) != 0;
    preview.picture = Image();
    if (!chosen) {
        if (app.animating) SetTimer(app.mainWindow, kAnimationTimer, 50, nullptr);
        return;
    }
    std::string path = name;
    std::string folder = platform::DirectoryOf(path);
    if (!folder.empty()) {
        SetCurrentDirectoryA(folder.c_str());
        WriteSetting(Setting::OpenDir, folder);
    }
    app.fileName = platform::BaseNameOf(path);
    ShowNewPicture(app);
}

}  // namespace lg
