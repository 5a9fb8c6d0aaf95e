// The slideshow: its dialog (the Open dialog with template 112), the show
// over the directory list (Ctrl+W) or a list file (/slideshow=), and the
// borderless black window that shows one picture after another.
#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>

#include <cstdlib>
#include <ctime>
#include <memory>
#include <vector>

#include "core/messages.h"
#include "core/strings.h"
#include "shell/device_commands.h"
#include "files/dir_list.h"
#include "files/slide_list.h"
#include "formats/format_table.h"
#include "formats/load.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "settings/settings.h"
#include "shell/files_win.h"
#include "shell/logic/texts.h"
#include "shell/logic/view_geometry.h"
#include "shell/records.h"
#include "shell/view.h"

namespace lg {
namespace {

constexpr const char kSlideshowClass[] = "SlideshowClass";
constexpr UINT_PTR kSlideTimer = 1998;

// The slideshow window's record (GWLP_USERDATA): the list and the settings
// read when the show starts.
struct Show {
    App* app = nullptr;
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

bool Timed(const Show& s) { return s.mode == 1 || s.mode == 3; }
bool Random(const Show& s) { return s.mode == 3 || s.mode == 4; }
int ScreenW() { return GetSystemMetrics(SM_CXSCREEN); }
int ScreenH() { return GetSystemMetrics(SM_CYSCREEN); }

// Loads the entry at the index as the current picture. A message shown on
// the way may outlast the show (the window closed meanwhile): then the
// record is gone and nothing more is touched.
void LoadEntry(Show& s) {
    App& app = *s.app;
    HWND w = app.slideshow;
    CloseMedia(app);
    app.current = Image();
    s.failed.clear();
    std::string name = s.list[size_t(s.index)];
    LoadRequest req;
    req.noMultiImage = true;
    req.silent = s.suppressErrors;
    req.paletteDisplay = app.paletteDisplay;
    req.renameExtension = false;
    req.autoRotate = ReadSetting(Setting::AutoRotate) != 0;
    LoadUi ui;
    bool media = false;
    ui.openMedia = [&app, &media](const std::string& path) { return media = OpenMedia(app, path); };
    if (!s.suppressErrors)
        ui.inform = [&app](const std::string& text) { ShowMessage(app.slideshow, text, MB_ICONINFORMATION); };
    Image img = LoadPicture(name, req, ui, app.facts);
    if (WindowRecordOf<Show>(w) != &s || app.slideshow != w) return;
    app.fileName = name;
    if (!img && !media) s.failed = name;
    app.current = std::move(img);
}

void DrawText(HDC dc, int y, const std::string& text) {
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 255, 0));
    DrawTextAt(dc, 0, y, text);
}

void Paint(Show& s, HWND w, HDC dc) {
    const App& app = *s.app;
    KillTimer(w, kSlideTimer);
    s.ready = false;
    if (s.hideCursor)
        while (ShowCursor(FALSE) >= 0) {}
    if (app.current) {
        const Image& img = app.current;
        FullScreenView view;
        Placement p = FullScreenPaint(view, s.placement, img.width(), img.height(), ScreenW(), ScreenH());
        SetStretchBltMode(dc, s.smooth ? HALFTONE : COLORONCOLOR);
        SetBrushOrgEx(dc, 0, 0, nullptr);
        StretchDIBits(dc, p.left, p.top, p.width, p.height, 0, 0, img.width(), img.height(), img.pixels(),
                      reinterpret_cast<const BITMAPINFO*>(img.header()), DIB_RGB_COLORS, SRCCOPY);
        if (s.showName) DrawText(dc, 0, DisplayNameOf(app.fileName));
    } else if (!s.failed.empty()) {
        DrawText(dc, 0, s.failed);
        DrawText(dc, 16, Format("%s %s !", Msg(MsgId::ErrorCantLoad), s.failed.c_str()));
    }
    if (Timed(s) && !s.paused) SetTimer(w, kSlideTimer, UINT(s.delayMs), nullptr);
    s.ready = !s.paused;
}

void Advance(Show& s, HWND w) {
    const int n = int(s.list.size());
    int next;
    if (Random(s)) {
        next = std::rand() % n;
    } else {
        next = NextSlideIndex(s.index, n, s.back, s.loop);
        s.back = false;
        if (next < 0) return;  // an end without Loop: the picture stays
    }
    s.index = next;
    LoadEntry(s);
    InvalidateRect(w, nullptr, TRUE);
}

// Ends the show; the window and its record go.
void End(Show& s, HWND w) {
    App& app = *s.app;
    CloseMedia(app);
    while (ShowCursor(TRUE) < 0) {}
    KillTimer(w, kSlideTimer);
    app.slideshow = nullptr;
    DestroyWindow(w);
    app.current = Image();
    app.zoom = Zoom();
    ReadDisplayAndSettings(app);
    ShowEmpty(app);
    SetActiveWindow(app.mainWindow);
}

// Any key or click while paused resumes (a left click going back).
void Input(Show& s, HWND w, bool escape, bool backward, bool ends) {
    if (s.paused) {
        s.paused = false;
        s.back = backward;
        Advance(s, w);
        return;
    }
    if (escape || (Timed(s) && ends)) {
        End(s, w);
        return;
    }
    s.back = backward;
    Advance(s, w);
}

LRESULT CALLBACK SlideshowProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    Show* s = OwnWindowRecord<Show>(w, msg, lp);
    if (!s) return DefWindowProcA(w, msg, wp, lp);
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(w, &ps);
        Paint(*s, w, dc);
        EndPaint(w, &ps);
        return 0;
    }
    case WM_TIMER:
        if (wp == kSlideTimer && s->ready) Advance(*s, w);
        return 0;
    case WM_LBUTTONDBLCLK:
    case WM_MBUTTONDOWN: End(*s, w); return 0;
    case WM_LBUTTONDOWN: Input(*s, w, false, true, true); return 0;
    case WM_RBUTTONDOWN: Input(*s, w, false, false, true); return 0;
    case WM_KEYDOWN:
        if (wp == VK_SHIFT || wp == VK_CONTROL || wp == VK_MENU) return 0;
        if (wp == VK_PAUSE && !s->paused) {
            s->paused = true;
            s->ready = false;
            KillTimer(w, kSlideTimer);
            return 0;
        }
        Input(*s, w, wp == VK_ESCAPE && !s->paused, wp == VK_BACK, true);
        return 0;
    case WM_CLOSE: End(*s, w); return 0;
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
    auto show = std::make_unique<Show>();
    Show& s = *show;
    s.app = &app;
    s.list = std::move(list);
    s.placement = ReadSetting(Setting::ShowFullScreen);
    s.mode = ReadSetting(Setting::SlideAdvancement);
    if (s.mode < 1 || s.mode > 4) s.mode = 1;
    if (s.mode == 1) s.delayMs = SlideDelayMs(ReadSettingText(Setting::SlideAutoDelay));
    if (s.mode == 3) s.delayMs = SlideDelayMs(ReadSettingText(Setting::SlideRandomDelay));
    s.suppressErrors = ReadSetting(Setting::SlideSuppressErrors) != 0;
    s.showName = ReadSetting(Setting::SlideShowFilename) != 0;
    s.hideCursor = ReadSetting(Setting::SlideHideCursor) != 0;
    s.loop = ReadSetting(Setting::SlideLoop) != 0;
    s.smooth = app.useResample;
    if (Random(s)) {
        std::srand(unsigned(std::time(nullptr)));
        s.index = std::rand() % int(s.list.size());
    }
    // The window takes the record over (see OwnWindowRecord).
    app.slideshow = CreateWindowExA(WS_EX_TOPMOST, kSlideshowClass, Msg(MsgId::Slideshow), WS_POPUP, 0, 0,
                                    ScreenW(), ScreenH(), app.mainWindow, nullptr, app.instance, &show);
    if (!app.slideshow) return;
    LoadEntry(s);
    if (!app.slideshow) return;
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
    kList = IDC_SLIDE_LIST, kAdd = IDC_SLIDE_ADD, kRemove = IDC_SLIDE_REMOVE, kRemoveAll = IDC_SLIDE_REMOVE_ALL,
    kAutoDelay = IDC_SLIDE_AUTO_DELAY, kSuppress = IDC_SLIDE_SUPPRESS, kLoop = IDC_SLIDE_LOOP,
    kRandomDelay = IDC_SLIDE_RANDOM_DELAY, kAddAll = IDC_SLIDE_ADD_ALL, kSort = IDC_SLIDE_SORT,
    kShowName = IDC_SLIDE_SHOW_NAME, kHideCursor = IDC_SLIDE_HIDE_CURSOR, kLoadText = IDC_SLIDE_LOAD_TEXT,
    kSaveText = IDC_SLIDE_SAVE_TEXT,
    kSortFirst = IDC_SORT_BY_NAME,  // the nine sort orders follow in order
};
constexpr int kModeButtons[4] = {IDC_SLIDE_AUTO, IDC_SLIDE_AUTO_BY_INPUT, IDC_SLIDE_RANDOM, IDC_SLIDE_RANDOM_BY_INPUT};

struct SlideDialog {
    HINSTANCE instance = nullptr;
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

// The radio button of a sort order: the first nine in a row, then the
// natural name order.
int SortButton(int order) { return order == kNaturalNameOrder ? IDC_SORT_NATURAL : kSortFirst + order; }

INT_PTR CALLBACK SortProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    if (msg == WM_INITDIALOG) {
        int order = ReadSetting(Setting::SlideSortOrder);
        if (order < 0 || order > kNaturalNameOrder) order = kNoSort;
        CheckDlgButton(dlg, SortButton(order), BST_CHECKED);
        return TRUE;
    }
    if (msg != WM_COMMAND) return FALSE;
    if (LOWORD(wp) == IDOK) {
        for (int i = 0; i <= kNaturalNameOrder; ++i)
            if (IsDlgButtonChecked(dlg, SortButton(i)) == BST_CHECKED) WriteSetting(Setting::SlideSortOrder, i);
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
    char name[platform::kPathBytes] = "";
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.lpstrFile = name;
    ofn.nMaxFile = sizeof name;
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
        if (DialogBoxParamA(d.instance, RESOURCE_NAME(DLG_SORT_SLIDESHOW), panel, SortProc, 0) == 1) ShowList(panel, d);
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
    auto* d = HookRecord<SlideDialog>(panel, msg, lp);
    switch (msg) {
    case WM_INITDIALOG: {
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
    d.instance = app.instance;
    ShowOpenWithPanel(app, Msg(MsgId::Slideshow), SlideHook, MAKEINTRESOURCEA(DLG_SLIDESHOW_PANEL), &d);
    if (d.play) StartSlideshow(app, d.list);
}

}  // namespace lg
