// Save and Save as: the Save dialog with its Options button, the overwrite
// question, and the save itself.
#include <windows.h>
#include <commdlg.h>
#include <dlgs.h>

#include "core/messages.h"
#include "core/strings.h"
#include "formats/jpeg_lossless.h"
#include "formats/save.h"
#include "platform/platform.h"
#include "settings/saved_options.h"
#include "settings/settings.h"
#include "shell/edit.h"
#include "shell/files_win.h"
#include "shell/logic/edit_logic.h"

namespace lg {
namespace {

constexpr int kHelpButton = pshHelp;  // the file dialog's Help button, relabelled "Options"

// The file dialog itself is subclassed so that a click on the Options button
// opens the save options, whatever the dialog would do with its help button.
// Its own procedure is kept as a property of the dialog window.
constexpr const char kOwnProcProp[] = "Lumagrove.FileDialogProc";

LRESULT CALLBACK FileDialogProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    auto own = reinterpret_cast<WNDPROC>(GetPropA(w, kOwnProcProp));
    if (msg == WM_COMMAND && LOWORD(wp) == kHelpButton) {
        ShowSaveOptions(w);
        return 0;
    }
    if (msg == WM_NCDESTROY) RemovePropA(w, kOwnProcProp);
    return CallWindowProcA(own, w, msg, wp, lp);
}

UINT_PTR CALLBACK SaveHook(HWND hook, UINT msg, WPARAM, LPARAM) {
    if (msg == WM_INITDIALOG) {
        HWND dialog = GetParent(hook);
        SetDlgItemTextA(dialog, kHelpButton, Msg(MsgId::Options));
        const LONG_PTR own = GetWindowLongPtrA(dialog, GWLP_WNDPROC);
        SetPropA(dialog, kOwnProcProp, reinterpret_cast<HANDLE>(own));
        SetWindowLongPtrA(dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FileDialogProc));
    }
    return 0;
}

std::string CurrentDirectory() {
    char dir[platform::kPathBytes] = "";
    GetCurrentDirectoryA(sizeof dir, dir);
    return dir;
}

bool Exists(const std::string& name) {
    DWORD a = GetFileAttributesA(name.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// The Save dialog: true with the chosen name, false when cancelled or when
// the user would not replace an existing file.
bool SaveDialog(App& app, bool saveAs, std::string* out) {
    const std::string filters = SaveFilterString();
    char name[platform::kPathBytes] = "";
    char title[platform::kPathBytes] = "";
    lstrcpynA(name, ProposedSaveName(app.fileName).c_str(), sizeof name);
    const std::string before = CurrentDirectory();
    int index = SaveFilterForName(app.fileName);
    if (saveAs) {
        std::string dir = ReadSettingText(Setting::SaveDir);
        if (!dir.empty()) SetCurrentDirectoryA(dir.c_str());
        index = ReadSetting(Setting::SaveIndex);
        if (index < 1 || index > SaveTypeCount()) index = 1;
    }
    const std::string start = CurrentDirectory();
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = app.mainWindow;
    ofn.hInstance = app.instance;
    ofn.lpstrFilter = filters.c_str();
    ofn.nFilterIndex = DWORD(index);
    ofn.lpstrFile = name;
    ofn.nMaxFile = sizeof name;
    ofn.lpstrFileTitle = title;
    ofn.nMaxFileTitle = sizeof title;
    ofn.lpstrInitialDir = start.c_str();
    ofn.lpstrTitle = Msg(saveAs ? MsgId::SaveAsTitle : MsgId::SaveTitle);
    ofn.Flags = OFN_EXPLORER | OFN_ENABLEHOOK | OFN_HIDEREADONLY | OFN_SHOWHELP | OFN_PATHMUSTEXIST;
    ofn.lpfnHook = SaveHook;
    const bool ok = GetSaveFileNameA(&ofn) != 0;
    SetCurrentDirectoryA(before.c_str());
    if (!ok) return false;
    const std::string chosen = AppendExtension(name, int(ofn.nFilterIndex));
    if (Exists(chosen) && ReadSetting(Setting::AskOverwriteSave)) {
        std::string q = Format("%s: %s ?\n", Msg(MsgId::ReplaceFile), chosen.c_str());
        if (ShowMessage(app.mainWindow, q, MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION) != IDYES) return false;
    }
    if (saveAs) {
        WriteSetting(Setting::SaveDir, ChosenDirectory(name));
        WriteSetting(Setting::SaveIndex, int(ofn.nFilterIndex));
    }
    *out = chosen;
    return true;
}

// A JPEG photo only turned and flipped since its load is saved as JPEG by
// moving the file's blocks, without a new generation of loss; when its size
// is no whole number of blocks for that turn the pixels are encoded as for
// any other picture, and the status field says which way it went.
bool SaveTurnedJpeg(App& app, const TurnHistory::State* state, const std::string& name, const SaveOptions& opt,
                    LosslessSave* how) {
    if (!state || !state->byTurning) return false;
    const TurnHistory::State saving = *state;
    *how = SaveJpegTurned(app.facts.jpegOrigin, Then(app.turns.fromFile, saving.turns), name, opt);
    if (*how != LosslessSave::Saved) return false;
    NoteTurnedSave(app.turns, saving, app.facts.jpegOrigin, name, app.current.width(), app.current.height());
    return true;
}

}  // namespace

void SaveCommand(App& app, bool saveAs) {
    std::string name;
    if (!SaveDialog(app, saveAs, &name)) return;
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    std::string message;
    SaveOptions opt = KeepingMetadata(SavedSaveOptions(app.paletteDisplay), app.facts);
    // The orientation tag stays true while the pixels stand as the file stores them.
    const TurnHistory::State* state = FindTurnState(app.turns, app.current);
    if (state) opt.resetOrientation = !IsUnturned(Then(TurnsOfOrientation(app.facts.orientationApplied), state->turns));
    LosslessSave how = LosslessSave::NotSuitable;
    const bool saved = SaveTurnedJpeg(app, state, name, opt, &how) || SaveImage(app.current, name, opt, &message);
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    if (!saved) ShowMessage(app.mainWindow, message, MB_ICONINFORMATION);
    SyncDirList(app, true);  // a new file may have joined the directory
    if (saved && how != LosslessSave::NotSuitable && app.status)
        SetWindowTextA(app.status, Msg(how == LosslessSave::Saved ? MsgId::SavedLossless : MsgId::SavedReencoded));
}

}  // namespace lg
