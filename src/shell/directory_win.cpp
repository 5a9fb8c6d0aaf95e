// The directory walk in the main window: Next, Previous, First and Last with
// their wrap-around questions, the sort orders, Refresh and the most recently
// used directories at the foot of the File menu.
#include <windows.h>

#include "core/messages.h"
#include "core/strings.h"
#include "platform/files.h"
#include "settings/settings.h"
#include "shell/command_handlers.h"
#include "shell/decode_ahead.h"
#include "shell/files_win.h"
#include "shell/view.h"

namespace lg {
namespace {

constexpr Setting kRecentKeys[5] = {Setting::Dir1, Setting::Dir2, Setting::Dir3, Setting::Dir4, Setting::Dir5};

void ShowEntry(App& app, int index) {
    DirList& list = app.dirList;
    list.index = index;
    list.justDeleted = false;
    app.fileName = list.at(index).name;
    ShowNewPicture(app);
}

// Asks before wrapping around; true for OK.
bool AskWrap(App& app, NavAction a) {
    HWND owner = GetFocus();
    if (!owner) owner = app.fullScreen ? app.fullScreen : app.mainWindow;
    MsgId text = a == NavAction::AskToFirst ? MsgId::NextNoMore : MsgId::PrevNoMore;
    return ShowMessage(owner, Msg(text), MB_OKCANCEL | MB_ICONEXCLAMATION) == IDOK;
}

void Navigate(App& app, int id) {
    DirList& list = app.dirList;
    const bool viewAll = app.walkDirectory;
    const bool quiet = app.notNotifyLoopDir;
    NavStep step{NavAction::Nothing, list.index};
    app.travel = id == CMD_PREV_FILE || id == CMD_LAST_FILE ? -1 : 1;
    switch (id) {
    case CMD_NEXT_FILE: step = NavNext(list.index, list.count(), viewAll, quiet); break;
    case CMD_PREV_FILE: step = NavPrevious(list.index, list.count(), viewAll, quiet, list.justDeleted); break;
    case CMD_FIRST_FILE: step = NavFirst(list.count(), viewAll); break;
    default: step = NavLast(list.count(), viewAll); break;
    }
    if (step.action == NavAction::AskToFirst || step.action == NavAction::AskToLast) {
        list.index = step.index;
        if (!AskWrap(app, step.action)) {
            list.index = NavCancelled(step);
            UpdateToolbar(app);
            return;
        }
        step = step.action == NavAction::AskToFirst ? NavFirst(list.count(), viewAll)
                                                    : NavLast(list.count(), viewAll);
    }
    if (!viewAll) return;
    list.index = step.index;
    if (step.action != NavAction::Show) return;
    // First and Last stop at a file that went away since the list was read.
    if ((id == CMD_FIRST_FILE || id == CMD_LAST_FILE) && platform::FileSizeOf(list.at(step.index).name) < 0) {
        list.justDeleted = false;
        app.fileName = list.at(step.index).name;
        return;
    }
    ShowEntry(app, step.index);
}

void ChooseSortOrder(App& app, int id) {
    const int order = FindCommand(id)->sortOrder;
    HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    SortDirList(app.dirList, order);
    app.dirList.index = FindInDirList(app.dirList, app.fileName);
    app.fileSortOrder = order;
    WriteSetting(Setting::FileSortOrder, order);
    UpdateMenu(app);
    UpdateToolbar(app);
    SetCursor(old);
}

RecentDirs ReadRecentDirs() {
    RecentDirs dirs;
    for (int i = 0; i < 5; ++i) dirs[size_t(i)] = ReadSettingText(kRecentKeys[i]);
    return dirs;
}

void ChooseRecentDir(App& app, int slot) {
    const std::string dir = ReadSettingText(kRecentKeys[slot]);
    const std::string here = platform::CurrentDirectory();
    const bool ok = !dir.empty() && platform::ChangeDirectory(dir);
    platform::ChangeDirectory(here);
    if (!ok) {
        ShowMessage(app.mainWindow, Format("%s: '%s'", Msg(MsgId::CantChangeDir), dir.c_str()),
                    MB_ICONWARNING);
        WriteSetting(kRecentKeys[slot], "");
        return;
    }
    WriteSetting(Setting::OpenDir, dir);
    PostMessageA(app.mainWindow, WM_COMMAND, CMD_OPEN, 0);
}

}  // namespace

void SyncDirList(App& app, bool force) {
    DirList& list = app.dirList;
    const std::string dir = platform::CurrentDirectory();
    if (ReadDirList(list, dir, force, app.walkDirectory, app.fileSortOrder)) {
        WriteSetting(Setting::OpenDir, dir);
        ForgetDecodedAhead(app);
    }
    // Stepping already knows the position; anything else looks the file up.
    if (list.index >= 0 && list.index < list.count() && list.at(list.index).name == app.fileName) return;
    list.index = FindInDirList(list, app.fileName);
}

void UpdateRecentDirMenu(App& app) {
    const std::string dir = app.dirList.count() > 0 ? app.dirList.directory : std::string();
    RecentDirs dirs = ReadRecentDirs();
    UpdateRecentDirs(dirs, dir);
    HMENU file = GetSubMenu(app.menu, 0);
    if (!file) return;
    if (app.recentMenu) {  // the separator and the submenu follow Exit
        int n = GetMenuItemCount(file);
        DeleteMenu(file, UINT(n - 1), MF_BYPOSITION);
        DeleteMenu(file, UINT(n - 2), MF_BYPOSITION);
        app.recentMenu = nullptr;
    }
    HMENU sub = CreatePopupMenu();
    for (int i = 0; i < 5; ++i)
        if (!dirs[size_t(i)].empty())
            AppendMenuA(sub, MF_STRING, UINT_PTR(CMD_RECENT_DIR + i), dirs[size_t(i)].c_str());
    AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(file, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(sub), Msg(MsgId::RecentDirsMenu));
    app.recentMenu = sub;
    DrawMenuBar(app.mainWindow);
    for (int i = 0; i < 5; ++i) WriteSetting(kRecentKeys[i], dirs[size_t(i)]);
}

CommandHandlers DirectoryCommandHandlers() {
    return {
        {CMD_NEXT_FILE, [](App& app) { Navigate(app, CMD_NEXT_FILE); }},
        {CMD_PREV_FILE, [](App& app) { Navigate(app, CMD_PREV_FILE); }},
        {CMD_FIRST_FILE, [](App& app) { Navigate(app, CMD_FIRST_FILE); }},
        {CMD_LAST_FILE, [](App& app) { Navigate(app, CMD_LAST_FILE); }},
        {CMD_REFRESH,
         [](App& app) {
             SyncDirList(app, true);
             if (app.current && !app.fullScreen) SizeWindowToPicture(app);
             UpdateToolbar(app);
         }},
        {CMD_SORT_NAME, [](App& app) { ChooseSortOrder(app, CMD_SORT_NAME); }},
        {CMD_SORT_DATE, [](App& app) { ChooseSortOrder(app, CMD_SORT_DATE); }},
        {CMD_SORT_SIZE, [](App& app) { ChooseSortOrder(app, CMD_SORT_SIZE); }},
        {CMD_SORT_EXTENSION, [](App& app) { ChooseSortOrder(app, CMD_SORT_EXTENSION); }},
        {CMD_SORT_NAME_DESC, [](App& app) { ChooseSortOrder(app, CMD_SORT_NAME_DESC); }},
        {CMD_SORT_DATE_DESC, [](App& app) { ChooseSortOrder(app, CMD_SORT_DATE_DESC); }},
        {CMD_SORT_SIZE_DESC, [](App& app) { ChooseSortOrder(app, CMD_SORT_SIZE_DESC); }},
        {CMD_SORT_EXTENSION_DESC, [](App& app) { ChooseSortOrder(app, CMD_SORT_EXTENSION_DESC); }},
        {CMD_SORT_NONE, [](App& app) { ChooseSortOrder(app, CMD_SORT_NONE); }},
        {CMD_SORT_NATURAL, [](App& app) { ChooseSortOrder(app, CMD_SORT_NATURAL); }},
    };
}

bool RunRecentDirCommand(App& app, int id) {
    if (id < CMD_RECENT_DIR || id >= CMD_RECENT_DIR + 5) return false;
    ChooseRecentDir(app, id - CMD_RECENT_DIR);
    return true;
}

}  // namespace lg
