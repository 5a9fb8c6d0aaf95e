// Copy, move, rename and delete of the viewed file, with the Copy-Move
// chooser, the rename dialog and the small self-closing progress window.
#include <windows.h>
#include <shlobj.h>

#include "core/messages.h"
#include "core/strings.h"
#include "shell/device_commands.h"
#include "files/file_ops.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "settings/settings.h"
#include "shell/command_handlers.h"
#include "shell/files_win.h"
#include "shell/logic/texts.h"

namespace lg {
namespace {

constexpr int kRenameDialog = DLG_RENAME, kNewNameEdit = IDC_RENAME_NAME, kProgressText = IDC_PROGRESS_TEXT;
constexpr UINT_PTR kProgressTimer = 1;

INT_PTR CALLBACK ProgressProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    if (msg == WM_TIMER && wp == kProgressTimer) {
        KillTimer(dlg, kProgressTimer);
        DestroyWindow(dlg);
        return TRUE;
    }
    return msg == WM_INITDIALOG;
}

// The small window that shows what is being done and closes itself.
HWND OpenProgress(App& app, const char* resource, const std::string& title, const char* text, UINT ms) {
    HWND dlg = CreateDialogParamA(app.instance, resource, app.mainWindow, ProgressProc, 0);
    if (!dlg) return nullptr;
    SetWindowTextA(dlg, title.c_str());
    if (text) SetDlgItemTextA(dlg, kProgressText, text);
    ShowWindow(dlg, SW_SHOW);
    UpdateWindow(dlg);
    SetTimer(dlg, kProgressTimer, ms, nullptr);
    return dlg;
}

void CloseProgress(HWND dlg) {
    if (dlg && IsWindow(dlg)) DestroyWindow(dlg);
}

std::string CurrentPath(const App& app) {
    if (!platform::DirectoryOf(app.fileName).empty()) return app.fileName;
    return platform::JoinPath(platform::CurrentDirectory(), app.fileName);
}

bool NeedFile(App& app) {
    if (app.current || app.animating || app.devices.media) return true;
    ShowMessage(app.mainWindow, Msg(MsgId::NoPicture), MB_ICONWARNING);
    return false;
}

// --- The Copy-Move chooser ---------------------------------------------------

constexpr int kRowEdits[5] = {IDC_COPYMOVE_DIR_1, IDC_COPYMOVE_DIR_2, IDC_COPYMOVE_DIR_3, IDC_COPYMOVE_DIR_4,
                              IDC_COPYMOVE_DIR_5};
// Each of the other row controls is numbered on from its first row.
constexpr int kRowBrowse = IDC_COPYMOVE_BROWSE_1, kRowButton = IDC_COPYMOVE_ROW_1, kRowRadio = IDC_COPYMOVE_DEFAULT_1,
              kRowText = IDC_COPYMOVE_TEXT;
constexpr Setting kCopyDirs[5] = {Setting::CopyDir1, Setting::CopyDir2, Setting::CopyDir3, Setting::CopyDir4,
                                  Setting::CopyDir5};
constexpr Setting kMoveDirs[5] = {Setting::MoveDir1, Setting::MoveDir2, Setting::MoveDir3, Setting::MoveDir4,
                                  Setting::MoveDir5};

struct ChooserState {
    bool move = false;
    std::string source;
    std::string chosen;
};

int DefaultRow() {
    int b = ReadSetting(Setting::DefaultButton);
    return b >= 1 && b <= 5 ? b - 1 : 0;
}

void MarkDefaultRow(HWND dlg) {
    const int row = DefaultRow();
    CheckRadioButton(dlg, kRowRadio, kRowRadio + 4, kRowRadio + row);
    SendMessageA(dlg, DM_SETDEFID, WPARAM(kRowButton + row), 0);
    SetFocus(GetDlgItem(dlg, kRowButton + row));
}

std::string DialogText(HWND dlg, int id) {
    char buf[platform::kPathBytes] = "";
    GetDlgItemTextA(dlg, id, buf, sizeof buf);
    return buf;
}

int CALLBACK StartBrowseAt(HWND w, UINT msg, LPARAM, LPARAM data) {
    if (msg == BFFM_INITIALIZED && data) SendMessageA(w, BFFM_SETSELECTIONA, TRUE, data);
    return 0;
}

}  // namespace

std::string BrowseForFolder(HWND owner, const std::string& start) {
    char path[platform::kPathBytes] = "";
    BROWSEINFOA bi = {};
    bi.hwndOwner = owner;
    bi.pszDisplayName = path;
    bi.lpszTitle = "Select a directory ...";
    bi.ulFlags = BIF_RETURNONLYFSDIRS;
    bi.lParam = reinterpret_cast<LPARAM>(start.c_str());
    bi.lpfn = StartBrowseAt;
    LPITEMIDLIST id = SHBrowseForFolderA(&bi);
    if (!id) return std::string();
    bool ok = SHGetPathFromIDListA(id, path) != 0;
    CoTaskMemFree(id);
    return ok ? std::string(path) : std::string();
}

namespace {

INT_PTR CALLBACK ChooserProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    auto* st = reinterpret_cast<ChooserState*>(GetWindowLongPtrA(dlg, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG: {
        st = reinterpret_cast<ChooserState*>(lp);
        SetWindowLongPtrA(dlg, DWLP_USER, lp);
        const char* verb = Msg(st->move ? MsgId::MoveWord : MsgId::CopyWord);
        SetWindowTextA(dlg, Format("%s %s", verb, Msg(MsgId::ImageWord)).c_str());
        SetDlgItemTextA(dlg, kRowText, Format("%s: %s", verb, st->source.c_str()).c_str());
        for (int i = 0; i < 5; ++i)
            SetDlgItemTextA(dlg, kRowEdits[i], ReadSettingText(st->move ? kMoveDirs[i] : kCopyDirs[i]).c_str());
        MarkDefaultRow(dlg);
        return FALSE;  // the focus is set
    }
    case WM_SIZE:
    case WM_SHOWWINDOW:
        MarkDefaultRow(dlg);
        return FALSE;
    case WM_COMMAND: {
        const int id = LOWORD(wp);
        if (id == IDCANCEL) {
            EndDialog(dlg, 0);
        } else if (id >= kRowBrowse && id < kRowBrowse + 5) {
            const int edit = kRowEdits[id - kRowBrowse];
            std::string chosen = BrowseForFolder(dlg, DialogText(dlg, edit));
            if (!chosen.empty()) SetDlgItemTextA(dlg, edit, chosen.c_str());
        } else if (id >= kRowRadio && id < kRowRadio + 5 && HIWORD(wp) == BN_CLICKED) {
            WriteSetting(Setting::DefaultButton, id - kRowRadio + 1);
            MarkDefaultRow(dlg);
        } else if (id >= kRowButton && id < kRowButton + 5) {
            st->chosen = DialogText(dlg, kRowEdits[id - kRowButton]);
            for (int i = 0; i < 5; ++i)
                WriteSetting(st->move ? kMoveDirs[i] : kCopyDirs[i], DialogText(dlg, kRowEdits[i]));
            for (int i = 0; i < 5; ++i)
                if (IsDlgButtonChecked(dlg, kRowRadio + i) == BST_CHECKED) WriteSetting(Setting::DefaultButton, i + 1);
            EndDialog(dlg, 1);
        }
        return TRUE;
    }
    default:
        return FALSE;
    }
}

// --- Copy and move ----------------------------------------------------------------

std::string ReplaceQuestion(const std::string& target, const std::string& source) {
    return ReplaceQuestionText(target, platform::FileSizeOf(target), source, platform::FileSizeOf(source));
}

// 1 when done, 0 when cancelled, refused or failed.
int CopyOrMoveFile(App& app, bool move) {
    const std::string source = CurrentPath(app);
    std::string dest;
    if (ReadSetting(move ? Setting::AskMove : Setting::AskCopy)) {
        ChooserState st{move, source, {}};
        if (DialogBoxParamA(app.instance, RESOURCE_NAME(DLG_COPY_MOVE), app.mainWindow, ChooserProc,
                            reinterpret_cast<LPARAM>(&st)) != 1)
            return 0;
        dest = st.chosen;
    } else {
        dest = ReadSettingText(move ? Setting::MoveDir : Setting::CopyDir);
    }
    const std::string target = CopyMoveTarget(CreateDirectoryPath(dest), source);
    if (platform::FileExists(target) &&
        ShowMessage(app.mainWindow, ReplaceQuestion(target, source), MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION) !=
            IDYES)
        return 0;
    if (move) CloseMedia(app);  // a playing file cannot be removed; a cancelled move keeps it playing
    HWND progress =
        OpenProgress(app, RESOURCE_NAME(DLG_COPYING), source, Msg(move ? MsgId::Moving : MsgId::Copying), 700);
    const MoveOutcome done = move ? MoveFileSafely(source, target)
                                  : (CopyFileSafely(source, target) ? MoveOutcome::Moved : MoveOutcome::CopyFailed);
    if (done == MoveOutcome::CopyFailed) {
        CloseProgress(progress);
        ShowMessage(app.mainWindow, Format("%s: %s", Msg(MsgId::ErrorCopying), target.c_str()), MB_ICONWARNING);
        return 0;
    }
    if (done == MoveOutcome::SourceKept) {
        CloseProgress(progress);
        ShowMessage(app.mainWindow, Msg(MsgId::CantDelete), MB_ICONWARNING);
        return 0;
    }
    return 1;
}

void MoveShownFile(App& app) {
    if (!NeedFile(app)) return;
    const int former = app.dirList.index;
    if (CopyOrMoveFile(app, true) != 1) return;
    SyncDirList(app, true);
    const int count = app.dirList.count();
    app.dirList.index = count == 1 ? -1 : PositionAfterRemoval(former, count);
    UpdateToolbar(app);
}

void CopyShownFile(App& app) {
    if (!NeedFile(app)) return;
    HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    CopyOrMoveFile(app, false);
    SetCursor(old);
}

// --- Rename -------------------------------------------------------------------------

INT_PTR CALLBACK RenameProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    auto* name = reinterpret_cast<std::string*>(GetWindowLongPtrA(dlg, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dlg, DWLP_USER, lp);
        name = reinterpret_cast<std::string*>(lp);
        SetDlgItemTextA(dlg, kNewNameEdit, name->c_str());
        SendDlgItemMessageA(dlg, kNewNameEdit, EM_LIMITTEXT, MAX_PATH, 0);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK) {
            *name = DialogText(dlg, kNewNameEdit);
            EndDialog(dlg, 1);
        } else if (LOWORD(wp) == IDCANCEL) {
            EndDialog(dlg, 0);
        }
        return TRUE;
    default:
        return FALSE;
    }
}

void RenameShownFile(App& app) {
    if (!NeedFile(app)) return;
    std::string typed = platform::BaseNameOf(app.fileName);
    if (DialogBoxParamA(app.instance, MAKEINTRESOURCEA(kRenameDialog), app.mainWindow, RenameProc,
                        reinterpret_cast<LPARAM>(&typed)) != 1 ||
        typed.empty())
        return;
    CloseMedia(app);  // only once the user has chosen: a cancelled rename keeps the video playing
    if (!platform::RenameNoReplace(app.fileName, typed)) {
        ShowMessage(app.mainWindow, Msg(MsgId::CantRename), MB_ICONINFORMATION);
        return;
    }
    const int kept = app.dirList.index;
    app.fileName = typed;
    SyncDirList(app, true);
    ShowNewPicture(app);  // Reopen
    // Moved away: Next goes on with the file that took its place.
    if (app.dirList.index < 0 && kept >= 0) {
        app.dirList.index = kept - 1 < app.dirList.count() ? kept - 1 : app.dirList.count() - 1;
        UpdateToolbar(app);
    }
}

// --- Delete -------------------------------------------------------------------------

void DeleteShownFile(App& app) {
    const std::string path = CurrentPath(app);
    if (platform::FileSizeOf(app.fileName) < 0) return;
    if (ReadSetting(Setting::AskDelete) &&
        ShowMessage(app.mainWindow, Format("%s: %s ?\n", Msg(MsgId::DeleteFileAsk), path.c_str()),
                    MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
        return;
    HWND progress = OpenProgress(app, RESOURCE_NAME(DLG_DELETING), path, Msg(MsgId::Deleting), 200);
    CloseMedia(app);
    platform::MakeWritable(path);
    const bool gone = ReadSetting(Setting::DelToRecycle) ? platform::MoveToRecycleBin(path)
                                                         : platform::RemoveFile(path);
    if (!gone) {
        CloseProgress(progress);
        ShowMessage(app.mainWindow, Msg(MsgId::CantDelete), MB_ICONWARNING);
        return;
    }
    if (app.animating) ShowEmpty(app);
    const int former = app.dirList.index;
    SyncDirList(app, true);
    DirList& list = app.dirList;
    const int count = list.count();
    if (count == 0) {
        UpdateToolbar(app);
        return;
    }
    if (ReadSetting(Setting::JumpAfterDelete)) {
        list.index = former - 1 < count ? former - 1 : count - 1;
        SendMessageA(app.mainWindow, WM_COMMAND, CMD_NEXT_FILE, 0);
        return;
    }
    list.index = PositionAfterRemoval(former, count);
    list.justDeleted = true;
    UpdateToolbar(app);
}

}  // namespace

CommandHandlers FileOperationHandlers() {
    return {
        {CMD_DELETE_FILE, DeleteShownFile},
        {CMD_RENAME_FILE, RenameShownFile},
        {CMD_COPY_FILE, CopyShownFile},
        {CMD_MOVE_FILE, MoveShownFile},
        {CMD_BATCH_CONVERSION, RunBatchDialog},
        {CMD_SLIDESHOW, RunSlideshowDialog},
        {CMD_DIRECTORY_SLIDESHOW, StartDirectorySlideshow},
    };
}

}  // namespace lg
