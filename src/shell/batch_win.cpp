// Batch conversion in the viewer: the Open dialog with its added panel to
// collect the files, then the worker in a modeless progress window.
#include <windows.h>
#include <commdlg.h>
#include <dlgs.h>
#include <shellapi.h>

#include <vector>

#include "core/messages.h"
#include "core/strings.h"
#include "files/batch.h"
#include "files/slide_list.h"
#include "formats/format_table.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "settings/saved_options.h"
#include "settings/settings.h"
#include "shell/edit.h"
#include "shell/files_win.h"
#include "shell/records.h"

namespace lg {
namespace {

enum : int {
    kFileList = IDC_BATCH_FILES, kAdd = IDC_BATCH_ADD, kAddAll = IDC_BATCH_ADD_ALL, kRemove = IDC_BATCH_REMOVE,
    kRemoveAll = IDC_BATCH_REMOVE_ALL, kTypeList = IDC_BATCH_TYPE, kOutputDir = IDC_BATCH_OUTPUT_DIR,
    kBrowse = IDC_BATCH_BROWSE, kOptions = IDC_BATCH_OPTIONS, kStart = IDC_BATCH_START, kCancel = IDC_BATCH_CANCEL
};
constexpr int kProgressList = IDC_BATCH_PROGRESS_LIST, kStop = IDC_BATCH_STOP;

struct BatchDialog {
    std::vector<std::string> files;
    int filterIndex = 1;  // 1-based, as the dialog keeps it
    bool start = false;
};

void AddToList(HWND panel, BatchDialog& d, const std::vector<std::string>& paths) {
    for (const std::string& p : paths) {
        d.files.push_back(p);
        SendDlgItemMessageA(panel, kFileList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(p.c_str()));
    }
}

void AddTyped(HWND panel, BatchDialog& d) { AddToList(panel, d, TakeTypedFiles(GetParent(panel))); }

void RemoveSelected(HWND panel, BatchDialog& d) {
    HWND list = GetDlgItem(panel, kFileList);
    for (int i = int(SendMessageA(list, LB_GETCOUNT, 0, 0)) - 1; i >= 0; --i)
        if (SendMessageA(list, LB_GETSEL, WPARAM(i), 0) > 0) {
            SendMessageA(list, LB_DELETESTRING, WPARAM(i), 0);
            d.files.erase(d.files.begin() + i);
        }
}

std::string PanelText(HWND panel, int id) {
    char buf[platform::kPathBytes] = "";
    GetDlgItemTextA(panel, id, buf, sizeof buf);
    return buf;
}

void Start(HWND panel, BatchDialog& d) {
    WriteSetting(Setting::BatchOutputPath, PanelText(panel, kOutputDir));
    LRESULT type = SendDlgItemMessageA(panel, kTypeList, CB_GETCURSEL, 0, 0);
    WriteSetting(Setting::BatchOutputType, int(type < 0 ? 0 : type));
    d.start = true;
    PostMessageA(GetParent(panel), WM_COMMAND, IDCANCEL, 0);
}

UINT_PTR CALLBACK PanelHook(HWND panel, UINT msg, WPARAM wp, LPARAM lp) {
    auto* d = HookRecord<BatchDialog>(panel, msg, lp);
    switch (msg) {
    case WM_INITDIALOG: {
        for (int i = 0; i < BatchTypeCount(); ++i)
            SendDlgItemMessageA(panel, kTypeList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(BatchTypeText(i).c_str()));
        SendDlgItemMessageA(panel, kTypeList, CB_SETCURSEL, 0, 0);
        SetDlgItemTextA(panel, kOutputDir, ReadSettingText(Setting::BatchOutputPath, "C:\\TEMP").c_str());
        DragAcceptFiles(panel, TRUE);
        return TRUE;
    }
    case WM_NOTIFY:
        return PanelNotify(panel, lp, d->filterIndex, [panel, d] { AddTyped(panel, *d); });
    case WM_DROPFILES:
        AddToList(panel, *d, DroppedFiles(reinterpret_cast<HDROP>(wp)));
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case kAdd: AddTyped(panel, *d); return TRUE;
        case kAddAll:
            AddToList(panel, *d, AddAllFiles(OpenDialogFolder(GetParent(panel)), d->filterIndex - 1));
            return TRUE;
        case kRemove: RemoveSelected(panel, *d); return TRUE;
        case kRemoveAll:
            SendDlgItemMessageA(panel, kFileList, LB_RESETCONTENT, 0, 0);
            d->files.clear();
            return TRUE;
        case kBrowse: {
            std::string dir = BrowseForFolder(panel, PanelText(panel, kOutputDir));
            if (!dir.empty()) {
                SetDlgItemTextA(panel, kOutputDir, dir.c_str());
                WriteSetting(Setting::BatchOutputPath, dir);
            }
            return TRUE;
        }
        case kOptions: ShowSaveOptions(GetParent(panel)); return TRUE;  // the save options sheet, as Save's
        case kStart: Start(panel, *d); return TRUE;
        case kCancel: PostMessageA(GetParent(panel), WM_COMMAND, IDCANCEL, 0); return TRUE;
        default: return FALSE;
        }
    default:
        return FALSE;
    }
}

// --- The worker's progress window -----------------------------------------------

// The progress window outlives the run: its Stop button reaches the flag
// through DWLP_USER only while RunWorker is under way.
INT_PTR CALLBACK ProgressProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    bool* stop = DialogRecord<bool>(dlg, msg, lp);
    if (msg == WM_INITDIALOG) return TRUE;
    if (msg == WM_COMMAND && LOWORD(wp) == kStop) {
        if (stop) *stop = true;
        return TRUE;
    }
    if (msg == WM_COMMAND && (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL)) {
        if (IsWindowEnabled(GetDlgItem(dlg, IDOK))) DestroyWindow(dlg);
        return TRUE;
    }
    return FALSE;
}

void AddLine(HWND dlg, const std::string& text) {
    HWND list = GetDlgItem(dlg, kProgressList);
    LRESULT at = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageA(list, LB_SETCURSEL, WPARAM(at), 0);
    UpdateWindow(dlg);
}

void RunWorker(App& app, const std::vector<std::string>& files) {
    if (files.empty()) return;
    const int type = ReadSetting(Setting::BatchOutputType);
    const std::string dir = ReadSettingText(Setting::BatchOutputPath);
    bool stop = false;
    HWND dlg = CreateDialogParamA(app.instance, RESOURCE_NAME(DLG_BATCH_PROGRESS), app.mainWindow, ProgressProc,
                                  reinterpret_cast<LPARAM>(&stop));
    if (!dlg) return;
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    BatchUi ui;
    ui.starting = [dlg](int i, int n) {
        SetWindowTextA(dlg, Format("%s %d %s %d", Msg(MsgId::ConvertingImage), i, Msg(MsgId::From), n).c_str());
    };
    ui.stopRequested = [dlg, &stop] {
        MSG m;
        while (PeekMessageA(&m, dlg, 0, 0, PM_REMOVE))
            if (!IsDialogMessageA(dlg, &m)) {
                TranslateMessage(&m);
                DispatchMessageA(&m);
            }
        return stop;
    };
    ui.line = [dlg](const std::string& text) { AddLine(dlg, text); };
    BatchSummary s = RunBatch(files, dir, type, ui, SavedConvertOptions(app.paletteDisplay));
    SetWindowLongPtrA(dlg, DWLP_USER, 0);  // `stop` goes with this call; the window stays
    AddLine(dlg, BatchSummaryLine(s));
    SetWindowTextA(dlg, Msg(MsgId::BatchDone));
    SetActiveWindow(dlg);
    EnableWindow(GetDlgItem(dlg, IDOK), TRUE);
    EnableWindow(GetDlgItem(dlg, kStop), FALSE);
}

}  // namespace

std::string OpenDialogFolder(HWND open) {
    char buf[platform::kPathBytes] = "";
    SendMessageA(open, CDM_GETFOLDERPATH, sizeof buf, reinterpret_cast<LPARAM>(buf));
    return buf;
}

std::vector<std::string> TakeTypedFiles(HWND open) {
    std::vector<char> buf(32768, '\0');
    if (SendMessageA(open, CDM_GETSPEC, WPARAM(buf.size()), reinterpret_cast<LPARAM>(buf.data())) <= 0) buf[0] = 0;
    std::vector<std::string> files = NamesFromField(OpenDialogFolder(open), buf.data());
    SendMessageA(open, CDM_SETCONTROLTEXT, cmb13, reinterpret_cast<LPARAM>(""));
    SendMessageA(open, CDM_SETCONTROLTEXT, edt1, reinterpret_cast<LPARAM>(""));
    return files;
}

std::vector<std::string> DroppedFiles(HDROP drop) {
    std::vector<std::string> paths;
    char path[platform::kPathBytes];
    for (UINT i = 0, n = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0); i < n; ++i)
        if (DragQueryFileA(drop, i, path, sizeof path) && platform::FileSizeOf(path) >= 0) paths.push_back(path);
    DragFinish(drop);
    return paths;
}

UINT_PTR PanelNotify(HWND panel, LPARAM lp, int& filterIndex, const std::function<void()>& add) {
    auto* n = reinterpret_cast<OFNOTIFYA*>(lp);
    if (n->hdr.code == CDN_INITDONE) {  // the panel's own buttons stand in for Open and Cancel
        SendMessageA(GetParent(panel), CDM_HIDECONTROL, IDOK, 0);
        SendMessageA(GetParent(panel), CDM_HIDECONTROL, IDCANCEL, 0);
    } else if (n->hdr.code == CDN_TYPECHANGE) {
        filterIndex = int(n->lpOFN->nFilterIndex);
    } else if (n->hdr.code == CDN_FILEOK) {  // a double click or Enter on a file: add it, stay open
        add();
        SetWindowLongPtrA(panel, DWLP_MSGRESULT, 1);
        return TRUE;
    }
    return FALSE;
}

void ShowOpenWithPanel(App& app, const char* title, LPOFNHOOKPROC hook, const char* templateName, void* data) {
    std::string filters = OpenFilterString();
    std::string dir = ReadSettingText(Setting::OpenDir);
    std::vector<char> name(32768, '\0');
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = app.mainWindow;
    ofn.hInstance = app.instance;
    ofn.lpstrFilter = filters.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = name.data();
    ofn.nMaxFile = DWORD(name.size());
    ofn.lpstrInitialDir = dir.empty() ? nullptr : dir.c_str();
    ofn.lpstrTitle = title;
    ofn.Flags = OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_ENABLEHOOK | OFN_ENABLETEMPLATE | OFN_HIDEREADONLY;
    ofn.lpfnHook = hook;
    ofn.lpTemplateName = templateName;
    ofn.lCustData = reinterpret_cast<LPARAM>(data);
    const std::string here = platform::CurrentDirectory();
    GetOpenFileNameA(&ofn);
    platform::ChangeDirectory(here);
}

void RunBatchDialog(App& app) {
    BatchDialog d;
    ShowOpenWithPanel(app, Msg(MsgId::BatchConversion), PanelHook, RESOURCE_NAME(DLG_BATCH_PANEL), &d);
    if (d.start) RunWorker(app, d.files);
}

}  // namespace lg
