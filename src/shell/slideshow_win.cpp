// The slideshow: its dialog (the Open dialog with template 112), the show
// over the directory list (Ctrl+W) or a list file (/slideshow=), and the
// borderless black window that shows one picture after another.
#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>

#include <cstdlib>
#include <ctime>
#include <vector>

#include "core/messages.h"
#include "core/strings.h"
#include "devices/devices.h"
#include "files/slide_list.h"
#include "formats/format_table.h"
#include "formats/load.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "settings/settings.h"
#include "shell/files_win.h"
#include "shell/logic/texts.h"
#include "shell/logic/view_geometry.h"
#include "shell/view.h"

namespace lg {
namespace {

constexpr const char kSlideshowClass[] = "SlideshowClass";
constexpr UINT_PTR kSlideTimer = 1998;

struct Show {
    std::vector<std::string> list;
    int index = 0;
    int mode = 1;  // 1 timed, 2 on input, 3 random timed, 4 random on input
    int delayMs = 5000;
    bool suppressErrors = true, showName = true, hideCursor = false, loop = true;
    int placement = 1;
    bool smooth = false;
    bool ready = false, paused = false, back = false;
    std::string failed;  // the entry that could not be loaded
};
Show g_show;

bool Timed() { return g_show.mode == 1 || g_show.mode == 3; }
bool Random() { return g_show.mode == 3 || g_show.mode == 4; }
int ScreenW() { return GetSystemMetrics(SM_CXSCREEN); }
int ScreenH() { return GetSystemMetrics(SM_CYSCREEN); }

void LoadEntry(App& app) {
    CloseMedia(app);
    app.current = Image();
    g_show.failed.clear();
    std::string name = g_show.list[size_t(g_show.index)];
    LoadRequest req;
    req.noMultiImage = true;
    req.silent = g_show.suppressErrors;
    req.paletteDisplay = app.paletteDisplay;
    req.renameExtension = false;
    LoadUi ui;
    bool media = false;
    ui.openMedia = [&app, &media](const std::string& path) { return media = OpenMedia(app, path); };
    if (!g_show.suppressErrors)
        ui.inform = [&app](const std::string& text) { ShowMessage(app.slideshow, text, MB_ICONINFORMATION); };
    Image img = LoadPicture(name, req, ui, app.facts);
    app.fileName = name;
    if (!img && !media) g_show.failed = name;
    app.current = std::move(img);
}

void DrawText(HDC dc, int y, const std::string& text) {
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 255, 0));
    TextOutA(dc, 0, y, text.c_str(), int(text.size()));
}

void Paint(App& app, HWND w, HDC dc) {
    KillTimer(w, kSlideTimer);
    g_show.ready = false;
    if (g_show.hideCursor)
        while (ShowCursor(FALSE) >= 0) {}
    if (app.current) {
        const Image& img = app.current;
        FullScreenView view;
        Placement p = FullScreenPaint(view, g_show.placement, img.width(), img.height(), ScreenW(), ScreenH());
        SetStretchBltMode(dc, g_show.smooth ? HALFTONE : COLORONCOLOR);
        SetBrushOrgEx(dc, 0, 0, nullptr);
        StretchDIBits(dc, p.left, p.top, p.width, p.height, 0, 0, img.width(), img.height(), img.pixels(),
                      reinterpret_cast<const BITMAPINFO*>(img.header()), DIB_RGB_COLORS, SRCCOPY);
        if (g_show.showName) DrawText(dc, 0, DisplayNameOf(app.fileName));
    } else if (!g_show.failed.empty()) {
        DrawText(dc, 0, g_show.failed);
        DrawText(dc, 16, Format("%s %s !", Msg(MsgId::ErrorCantLoad), g_show.failed.c_str()));
    }
    if (Timed() && !g_show.paused) SetTimer(w, kSlideTimer, UINT(g_show.delayMs), nullptr);
    g_show.ready = !g_show.paused;
}

void Advance(App& app, HWND w) {
    const int n = int(g_show.list.size());
    int next;
    if (Random()) {
        next = std::rand() % n;
    } else {
        next = NextSlideIndex(g_show.index, n, g_show.back, g_show.loop);
        g_show.back = false;
        if (next < 0) return;  // an end without Loop: the picture stays
    }
    g_show.index = next;
    LoadEntry(app);
    InvalidateRect(w, nullptr, TRUE);
}

void End(App& app, HWND w) {
    CloseMedia(app);
    while (ShowCursor(TRUE) < 0) {}
    KillTimer(w, kSlideTimer);
    g_show = Show();
    app.slideshow = nullptr;
    DestroyWindow(w);
    app.current = Image();
    app.zoom = Zoom();
    ReadDisplayAndSettings(app);
    ShowEmpty(app);
    SetActiveWindow(app.mainWindow);
}

// Any key or click while paused resumes (a left click going back).
void Input(App& app, HWND w, bool escape, bool backward, bool ends) {
    if (g_show.paused) {
        g_show.paused = false;
        g_show.back = backward;
        Advance(app, w);
        return;
    }
    if (escape || (Timed() && ends)) {
        End(app, w);
        return;
    }
    g_show.back = backward;
    Advance(app, w);
}

LRESULT CALLBACK SlideshowProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    App& app = TheApp();
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(w, &ps);
        Paint(app, w, dc);
        EndPaint(w, &ps);
        return 0;
    }
    case WM_TIMER:
        if (wp == kSlideTimer && g_show.ready) Advance(app, w);
        return 0;
    case WM_LBUTTONDBLCLK:
    case WM_MBUTTONDOWN: End(app, w); return 0;
    case WM_LBUTTONDOWN: Input(app, w, false, true, true); return 0;
    case WM_RBUTTONDOWN: Input(app, w, false, false, true); return 0;
    case WM_KEYDOWN:
        if (wp == VK_SHIFT || wp == VK_CONTROL || wp == VK_MENU) return 0;
        if (wp == VK_PAUSE && !g_show.paused) {
            g_show.paused = true;
            g_show.ready = false;
            KillTimer(w, kSlideTimer);
            return 0;
        }
        Input(app, w, wp == VK_ESCAPE && !g_show.paused, wp == VK_BACK, true);
        return 0;
    case WM_CLOSE: End(app, w); return 0;
    default: return DefWindowProcA(w, msg, wp, lp);
    }
}

bool RegisterSlideshowClass(HINSTANCE inst) {
    WNDCLASSA wc = {};
    if (GetClassInfoA(inst, kSlideshowClass, &wc)) return true;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = SlideshowProc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = kSlideshowClass;
    return RegisterClassA(&wc) != 0;
}

}  // namespace

void StartSlideshow(App& app, std::vector<std::string> list) {
    if (list.empty() || app.slideshow || !RegisterSlideshowClass(app.instance)) return;
    StopAnimation(app);
    g_show = Show();
    g_show.list = std::move(list);
    g_show.placement = ReadSetting(Setting::ShowFullScreen);
    g_show.mode = ReadSetting(Setting::SlideAdvancement);
    if (g_show.mode < 1 || g_show.mode > 4) g_show.mode = 1;
    if (g_show.mode == 1) g_show.delayMs = SlideDelayMs(ReadSettingText(Setting::SlideAutoDelay));
    if (g_show.mode == 3) g_show.delayMs = SlideDelayMs(ReadSettingText(Setting::SlideRandomDelay));
    g_show.suppressErrors = ReadSetting(Setting::SlideSuppressErrors) != 0;
    g_show.showName = ReadSetting(Setting::SlideShowFilename) != 0;
    g_show.hideCursor = ReadSetting(Setting::SlideHideCursor) != 0;
    g_show.loop = ReadSetting(Setting::SlideLoop) != 0;
    g_show.smooth = ReadSetting(Setting::UseResample) == 1;
    if (Random()) {
        std::srand(unsigned(std::time(nullptr)));
        g_show.index = std::rand() % int(g_show.list.size());
    }
    app.slideshow = CreateWindowExA(WS_EX_TOPMOST, kSlideshowClass, Msg(MsgId::Slideshow), WS_POPUP, 0, 0,
                                    ScreenW(), ScreenH(), app.mainWindow, nullptr, app.instance, nullptr);
    if (!app.slideshow) return;
    LoadEntry(app);
    ShowWindow(app.slideshow, SW_SHOW);
    SetWindowPos(app.slideshow, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetFocus(app.slideshow);
}

void StartDirectorySlideshow(App& app) {
    if (!app.current || app.dirList.count() == 0) return;
    std::vector<std::string> list;
    for (int i = 0; i < app.dirList.count(); ++i)
        list.push_back(platform::JoinPath(app.dirList.directory, app.dirList.at(i).name));
    StartSlideshow(app, std::move(list));
}

std::string SlideshowListPath() { return platform::JoinPath(platform::SettingsDirectory(), kSlideshowListName); }

void StartListFileSlideshow(App& app, const std::string& listFile) {
    std::vector<std::string> list;
    if (!ReadSlideList(listFile, list)) {
        ShowMessage(app.mainWindow, Msg(MsgId::CantOpenFile), MB_ICONWARNING);
        return;
    }
    StartSlideshow(app, std::move(list));
}

// --- The slideshow dialog -----------------------------------------------------

namespace {

enum : int {
    kList = 1097, kAdd = 1098, kRemove = 1099, kRemoveAll = 1100, kAutoDelay = 1101, kSuppress = 1102,
    kLoop = 1103, kRandomDelay = 1104, kAddAll = 1105, kSort = 1106, kShowName = 1109, kHideCursor = 1112,
    kLoadText = 1113, kSaveText = 1114, kSortFirst = 1222,
};
constexpr int kModeButtons[4] = {1107, 1108, 1110, 1111};

struct SlideDialog {
    std::vector<std::string> list;
    int filterIndex = 1;
    bool play = false;
};

std::string ItemText(HWND panel, int id) {
    char buf[64] = "";
    GetDlgItemTextA(panel, id, buf, sizeof buf);
    return buf;
}

void ShowList(HWND panel, SlideDialog& d) {
    SortSlideList(d.list, ReadSetting(Setting::SlideSortOrder));
    SendDlgItemMessageA(panel, kList, LB_RESETCONTENT, 0, 0);
    for (const std::string& p : d.list)
        SendDlgItemMessageA(panel, kList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(p.c_str()));
}

void AddFiles(HWND panel, SlideDialog& d, const std::vector<std::string>& files) {
    d.list.insert(d.list.end(), files.begin(), files.end());
    ShowList(panel, d);
}

INT_PTR CALLBACK SortProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    if (msg == WM_INITDIALOG) {
        int order = ReadSetting(Setting::SlideSortOrder);
        CheckRadioButton(dlg, kSortFirst, kSortFirst + 8, kSortFirst + (order >= 0 && order <= 8 ? order : 8));
        return TRUE;
    }
    if (msg != WM_COMMAND) return FALSE;
    if (LOWORD(wp) == IDOK) {
        for (int i = 0; i <= 8; ++i)
            if (IsDlgButtonChecked(dlg, kSortFirst + i) == BST_CHECKED) WriteSetting(Setting::SlideSortOrder, i);
        EndDialog(dlg, 1);
    } else if (LOWORD(wp) == IDCANCEL) {
        EndDialog(dlg, 0);
    }
    return TRUE;
}

std::string TextFileDialog(HWND owner, bool save) {
    std::string filter = Format("(*.TXT) Text %s", Msg(MsgId::Files));
    filter += '\0';
    filter += "*.txt";
    filter += '\0';
    char name[MAX_PATH] = "";
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.lpstrFile = name;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrTitle = save ? "Save slideshow as ..." : "Load slideshow from ...";
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    if (!(save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn))) return std::string();
    std::string chosen = name;
    if (save && chosen.find(".TXT") == std::string::npos && chosen.find(".txt") == std::string::npos)
        chosen += ".txt";
    return chosen;
}

void WriteDialogOptions(HWND panel) {
    WriteSetting(Setting::SlideAutoDelay, SlideDelayText(ItemText(panel, kAutoDelay)));
    WriteSetting(Setting::SlideRandomDelay, SlideDelayText(ItemText(panel, kRandomDelay)));
    WriteSetting(Setting::SlideSuppressErrors, IsDlgButtonChecked(panel, kSuppress) == BST_CHECKED ? 1 : 0);
    WriteSetting(Setting::SlideLoop, IsDlgButtonChecked(panel, kLoop) == BST_CHECKED ? 1 : 0);
    WriteSetting(Setting::SlideShowFilename, IsDlgButtonChecked(panel, kShowName) == BST_CHECKED ? 1 : 0);
    WriteSetting(Setting::SlideHideCursor, IsDlgButtonChecked(panel, kHideCursor) == BST_CHECKED ? 1 : 0);
    for (int i = 0; i < 4; ++i)
        if (IsDlgButtonChecked(panel, kModeButtons[i]) == BST_CHECKED) WriteSetting(Setting::SlideAdvancement, i + 1);
}

void Command(HWND panel, SlideDialog& d, int id) {
    HWND open = GetParent(panel);
    switch (id) {
    case kAdd: AddFiles(panel, d, TakeTypedFiles(open)); break;
    case kAddAll: AddFiles(panel, d, AddAllFiles(OpenDialogFolder(open), d.filterIndex - 1)); break;
    case kRemove: {
        HWND list = GetDlgItem(panel, kList);
        for (int i = int(SendMessageA(list, LB_GETCOUNT, 0, 0)) - 1; i >= 0; --i)
            if (SendMessageA(list, LB_GETSEL, WPARAM(i), 0) > 0) {
                SendMessageA(list, LB_DELETESTRING, WPARAM(i), 0);
                d.list.erase(d.list.begin() + i);
            }
        break;
    }
    case kRemoveAll:
        d.list.clear();
        SendDlgItemMessageA(panel, kList, LB_RESETCONTENT, 0, 0);
        platform::RemoveFile(SlideshowListPath());
        break;
    case kSort:
        if (DialogBoxParamA(TheApp().instance, "SortSlideshowDlg", panel, SortProc, 0) == 1) ShowList(panel, d);
        break;
    case kLoadText: {
        std::string file = TextFileDialog(panel, false);
        if (file.empty()) break;
        d.list.clear();
        if (!ReadSlideList(file, d.list)) ShowMessage(panel, Msg(MsgId::CantOpenFile), MB_ICONWARNING);
        ShowList(panel, d);
        break;
    }
    case kSaveText: {
        if (d.list.empty()) break;
        std::string file = TextFileDialog(panel, true);
        if (!file.empty() && !WriteSlideList(file, d.list))
            ShowMessage(panel, Msg(MsgId::CantOpenFile), MB_ICONWARNING);
        break;
    }
    case IDOK:  // Play
        if (!WriteSlideList(SlideshowListPath(), d.list)) {
            ShowMessage(panel, Format("%s: '%s' %s !", Msg(MsgId::CantOpenFile), SlideshowListPath().c_str(),
                                      Msg(MsgId::ForWriting)),
                        MB_ICONWARNING);
            break;
        }
        d.play = !d.list.empty();
        WriteDialogOptions(panel);
        PostMessageA(open, WM_COMMAND, IDCANCEL, 0);
        break;
    case IDCANCEL:  // Close
        WriteDialogOptions(panel);
        PostMessageA(open, WM_COMMAND, IDCANCEL, 0);
        break;
    default: break;
    }
}

UINT_PTR CALLBACK SlideHook(HWND panel, UINT msg, WPARAM wp, LPARAM lp) {
    auto* d = reinterpret_cast<SlideDialog*>(GetWindowLongPtrA(panel, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG: {
        d = reinterpret_cast<SlideDialog*>(reinterpret_cast<OPENFILENAMEA*>(lp)->lCustData);
        SetWindowLongPtrA(panel, DWLP_USER, LONG_PTR(d));
        SetDlgItemTextA(panel, kAutoDelay, ReadSettingText(Setting::SlideAutoDelay, "5.0").c_str());
        SetDlgItemTextA(panel, kRandomDelay, ReadSettingText(Setting::SlideRandomDelay, "5.0").c_str());
        CheckDlgButton(panel, kSuppress, ReadSetting(Setting::SlideSuppressErrors) ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(panel, kLoop, ReadSetting(Setting::SlideLoop) ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(panel, kShowName, ReadSetting(Setting::SlideShowFilename) ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(panel, kHideCursor, ReadSetting(Setting::SlideHideCursor) ? BST_CHECKED : BST_UNCHECKED);
        int mode = ReadSetting(Setting::SlideAdvancement);
        if (mode >= 1 && mode <= 4) CheckDlgButton(panel, kModeButtons[mode - 1], BST_CHECKED);
        ReadSlideList(SlideshowListPath(), d->list);
        ShowList(panel, *d);
        DragAcceptFiles(panel, TRUE);
        return TRUE;
    }
    case WM_NOTIFY:
        return PanelNotify(panel, lp, d->filterIndex,
                           [panel, d] { AddFiles(panel, *d, TakeTypedFiles(GetParent(panel))); });
    case WM_DROPFILES:
        AddFiles(panel, *d, DroppedFiles(reinterpret_cast<HDROP>(wp)));
        return TRUE;
    case WM_COMMAND:
        if (HIWORD(wp) != BN_CLICKED) return FALSE;
        Command(panel, *d, LOWORD(wp));
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

void RunSlideshowDialog(App& app) {
    SlideDialog d;
    ShowOpenWithPanel(app, Msg(MsgId::Slideshow), SlideHook, MAKEINTRESOURCEA(112), &d);
    if (d.play) StartSlideshow(app, d.list);
}

}  // namespace lg
