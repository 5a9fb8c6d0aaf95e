// The command table carried out with Win32: the menu bar, the accelerators,
// the enable and check pass, the keys of the main window, and dispatch: the
// command's scope and guard, then its handler. The handlers of the window,
// view and help commands are here too.
#include <windows.h>
#include <commdlg.h>

#include <vector>

#include "core/convert.h"
#include "core/messages.h"
#include "formats/format_table.h"
#include "formats/libraries.h"
#include "ops/geometry.h"
#include "settings/settings.h"
#include "shell/app.h"
#include "shell/device_commands.h"
#include "shell/command_handlers.h"
#include "shell/edit.h"
#include "shell/files_win.h"
#include "shell/fullscreen.h"
#include "shell/pages_win.h"
#include "shell/view.h"

namespace lg {
namespace {

// Appends the nodes from `i` up to the matching End to `menu`.
size_t FillMenu(HMENU menu, const std::vector<MenuNode>& nodes, size_t i) {
    while (i < nodes.size()) {
        const MenuNode& n = nodes[i++];
        switch (n.kind) {
        case MenuNode::End: return i;
        case MenuNode::Separator: AppendMenuA(menu, MF_SEPARATOR, 0, nullptr); break;
        case MenuNode::Item:
            AppendMenuA(menu, MF_STRING, UINT_PTR(n.id), MenuItemText(*FindCommand(n.id)).c_str());
            break;
        case MenuNode::Popup: {
            HMENU sub = CreatePopupMenu();
            i = FillMenu(sub, nodes, i);
            AppendMenuA(menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(sub), n.text);
            break;
        }
        }
    }
    return i;
}

bool FileExists(const std::string& name) {
    DWORD a = GetFileAttributesA(name.c_str());
    return !name.empty() && a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// The guard of the table; false when the command stops here.
bool PassesGuard(App& app, Guard guard) {
    if (guard == Guard::None) return true;
    if (!app.current) {
        ShowMessage(app.mainWindow, Msg(MsgId::NoPicture), MB_ICONWARNING);
        return false;
    }
    if (guard == Guard::PictureAtFullSize && app.zoom.percent != 100) {
        ShowMessage(app.mainWindow, Msg(MsgId::NotAvailableZoom), MB_ICONWARNING);
        return false;
    }
    return true;
}

void KeepUndo(App& app) {
    if (!app.useUndo) return;
    app.undo = app.current.Duplicate();
}

void IncreaseDepth(App& app, int bits) {
    const int depth = app.current.bitCount();
    Image result;
    if (bits == 4) result = Expand1To4(app.current);
    else if (bits == 8) result = depth == 1 ? Expand1To8(app.current) : Expand4To8(app.current);
    else result = depth == 1 ? Expand1To24(app.current) : depth == 4 ? Expand4To24(app.current)
                                                                   : Expand8To24(app.current);
    if (!result) return;  // wrong depth or no memory: nothing changes
    HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    KeepUndo(app);
    ShowPicture(app, std::move(result));
    SetCursor(old);
}

// The fingerprint a turn starts from, when the picture may be one of a
// JPEG's turns (it costs a pass over the pixels).
uint64_t TurnStart(const App& app) { return app.turns.states.empty() ? 0 : PictureFingerprint(app.current); }

// Rotations and flips keep no undo copy.
void Flip(App& app, bool vertical) {
    HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    const uint64_t before = TurnStart(app);
    if (vertical ? FlipVertical(app.current) : FlipHorizontal(app.current)) {
        app.facts.turned = true;
        NoteTurn(app.turns, before, vertical ? TurnStep::FlipVertical : TurnStep::FlipHorizontal, app.current);
        InvalidateRect(app.mainWindow, nullptr, FALSE);
        UpdateToolbar(app);  // the status field leaves any note of the last save
    }
    SetCursor(old);
}

// A failed rotation leaves the picture as it was, after the message.
void Turn(App& app, bool left) {
    HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    const uint64_t before = TurnStart(app);
    Image turned = left ? RotateLeft(app.current) : RotateRight(app.current);
    if (turned) {
        app.facts.turned = true;
        NoteTurn(app.turns, before, left ? TurnStep::Left : TurnStep::Right, turned);
        ShowPicture(app, std::move(turned));
    } else {
        ShowMessage(app.mainWindow, Msg(MsgId::RotateError), MB_ICONWARNING);
    }
    SetCursor(old);
}

void Crop(App& app) {
    if (!app.hasSelection) return;
    Image cropped = CropRect(app.current, SelectionBufferRect(app));
    if (!cropped) return;
    KeepUndo(app);
    ShowPicture(app, std::move(cropped));
}

void ToggleAlwaysOnTop(App& app) {
    app.alwaysOnTop = !app.alwaysOnTop;
    SetWindowPos(app.mainWindow, app.alwaysOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE);
}

void Undo(App& app) {
    if (!app.undo) return;
    app.zoom = Zoom();
    Image back = std::move(app.undo);
    ShowPicture(app, std::move(back));
}

// In full screen the zoom goes to that window, which checks for a picture itself.
void ZoomCommand(App& app, bool in) {
    if (app.fullScreen) {
        ZoomFullScreen(app, in);
        return;
    }
    if (app.animating) {  // the frames are drawn at the zoom too
        ZoomAnimation(app, in);
        return;
    }
    if (!PassesGuard(app, Guard::Picture)) return;
    ZoomView(app, in);
}

void ToggleToolbarCommand(App& app) {
    ToggleToolbar(app);
    if (app.current) SizeWindowToPicture(app);
    InvalidateRect(app.mainWindow, nullptr, TRUE);
}

void ShowAbout(App& app) {
    ShowMessage(app.mainWindow, Format("%s\n\n%s", kProductName, LibraryVersions().c_str()), MB_ICONINFORMATION);
}

void ShowInfo(App& app) {
    ShowMessage(app.mainWindow,
                Format("%s\nA lightweight picture viewer and converter.\n\n%s", kProductName,
                       LibraryVersions().c_str()),
                MB_ICONINFORMATION);
}

// Every handler, joined once from the lists of the files doing the work.
const CommandHandlers& AllHandlers() {
    static const CommandHandlers all = [] {
        CommandHandlers joined;
        for (const CommandHandlers& part : {ViewCommandHandlers(), DirectoryCommandHandlers(),
                                            FileOperationHandlers(), EditCommandHandlers(),
                                            DeviceCommandHandlers()})
            joined.insert(joined.end(), part.begin(), part.end());
        return joined;
    }();
    return all;
}

RunCommandFn HandlerOf(int id) {
    for (const CommandHandler& h : AllHandlers())
        if (h.id == id) return h.run;
    return nullptr;
}

}  // namespace

CommandHandlers ViewCommandHandlers() {
    return {
        {CMD_OPEN, OpenWithPreview},
        {CMD_REOPEN, [](App& app) { ShowNewPicture(app); }},
        {CMD_EXIT, [](App& app) { DestroyWindow(app.mainWindow); }},
        {CMD_UNDO, Undo},
        {CMD_CROP, Crop},
        {CMD_DELETE, ShowEmpty},
        {CMD_INFORMATION, ShowImageInfo},
        {CMD_ROTATE_LEFT, [](App& app) { Turn(app, true); }},
        {CMD_ROTATE_RIGHT, [](App& app) { Turn(app, false); }},
        {CMD_FLIP_VERTICAL, [](App& app) { Flip(app, true); }},
        {CMD_FLIP_HORIZONTAL, [](App& app) { Flip(app, false); }},
        {CMD_DEPTH_4, [](App& app) { IncreaseDepth(app, 4); }},
        {CMD_DEPTH_8, [](App& app) { IncreaseDepth(app, 8); }},
        {CMD_DEPTH_24, [](App& app) { IncreaseDepth(app, 24); }},
        {CMD_STOP_ANIMATION, KeepShownFrame},
        {CMD_MINIMIZE, [](App& app) { CloseWindow(app.mainWindow); }},
        {CMD_ALWAYS_ON_TOP, ToggleAlwaysOnTop},
        {CMD_TOOLBAR, ToggleToolbarCommand},
        {CMD_FULL_SCREEN, OpenFullScreen},
        {CMD_ZOOM_IN, [](App& app) { ZoomCommand(app, true); }},
        {CMD_ZOOM_OUT, [](App& app) { ZoomCommand(app, false); }},
        {CMD_NEXT_PAGE, [](App& app) { PageCommandRun(app, PageCommand::Next); }},
        {CMD_PREV_PAGE, [](App& app) { PageCommandRun(app, PageCommand::Previous); }},
        {CMD_FIRST_PAGE, [](App& app) { PageCommandRun(app, PageCommand::First); }},
        {CMD_LAST_PAGE, [](App& app) { PageCommandRun(app, PageCommand::Last); }},
        {CMD_EXTRACT_PAGES, ExtractPagesCommand},
        {CMD_THANKS, ShowThanks},
        {CMD_INFO, ShowInfo},
        {CMD_ABOUT, ShowAbout},
        {CMD_PCD_NEXT_GROUP, NextPhotoCdSheet},
        {CMD_START_ANIMATION, StartAnimation},
    };
}

HMENU BuildMenuBar() {
    HMENU bar = CreateMenu();
    FillMenu(bar, MenuBar(), 0);
    return bar;
}

HACCEL BuildAccelerators() {
    std::vector<ACCEL> table;
    for (const CommandInfo& c : Commands())
        for (const KeyBinding& k : c.keys)
            if (k.key && !(k.flags & kKeyByWindow)) table.push_back(ACCEL{BYTE(k.flags), WORD(k.key), WORD(c.id)});
    return CreateAcceleratorTableA(table.data(), int(table.size()));
}

UiState EnableState(const App& app) {
    UiState s;
    s.hasImage = bool(app.current);
    s.hasAnimation = s.animationPlaying = app.animating;
    s.hasUndo = bool(app.undo);
    s.videoOpen = app.devices.media != nullptr;
    s.hasSelection = app.hasSelection;
    s.clipboardHasDib = IsClipboardFormatAvailable(CF_DIB) != 0;
    s.fileExists = FileExists(app.fileName);
    s.multipage = app.facts.multipage;
    s.page = app.facts.currentPage;
    s.pageCount = app.facts.pageCount;
    s.bitCount = app.current ? app.current.bitCount() : 0;
    s.dirCount = app.dirList.count();
    return s;
}

UiState Snapshot(const App& app) {
    UiState s = EnableState(app);
    s.toolbarVisible = app.toolbar && IsWindowVisible(app.toolbar);
    s.alwaysFit = app.alwaysFit;
    s.alwaysOnTop = app.alwaysOnTop;
    s.aviSize = ReadSetting(Setting::AVISize);
    s.aviLoop = ReadSetting(Setting::AVILoop) != 0;
    s.sortOrder = app.fileSortOrder;
    return s;
}

void UpdateMenu(App& app) {
    UiState s = Snapshot(app);
    for (const CommandInfo& c : Commands()) {
        if (!c.menuText) continue;
        EnableMenuItem(app.menu, UINT(c.id), MF_BYCOMMAND | (IsEnabled(c, s) ? MF_ENABLED : MF_GRAYED));
        CheckMenuItem(app.menu, UINT(c.id), MF_BYCOMMAND | (IsChecked(c, s) ? MF_CHECKED : MF_UNCHECKED));
    }
}

bool HandleKey(App& app, WPARAM key) {
    bool horizontal = false;
    ScrollMove move = ScrollMove::LineBack;
    if (ScrollKey(uint16_t(key), &horizontal, &move)) {
        ScrollView(app, horizontal, move);
        return true;
    }
    const int id = CommandOfWindowKey(uint16_t(key));
    if (!id) return false;
    SendMessageA(app.mainWindow, WM_COMMAND, WPARAM(id), 0);
    return true;
}

bool RunCommand(App& app, int id) {
    const CommandInfo* c = FindCommand(id);
    if (!c) return !app.slideshow && RunRecentDirCommand(app, id);
    if (!RunsNow(*c, app.fullScreen != nullptr, app.slideshow != nullptr)) return true;
    if (!PassesGuard(app, c->guard)) return true;
    const RunCommandFn run = HandlerOf(id);
    if (!run) return false;
    run(app);
    return true;
}

}  // namespace lg
