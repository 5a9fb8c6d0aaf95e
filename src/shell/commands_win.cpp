// The command table carried out with Win32: the menu bar, the accelerators,
// the enable and check pass, and dispatch with the shared guards.
#include <windows.h>
#include <commdlg.h>

#include <vector>

#include "core/convert.h"
#include "core/messages.h"
#include "shell/device_commands.h"
#include "formats/format_table.h"
#include "formats/libraries.h"
#include "ops/geometry.h"
#include "platform/platform.h"
#include "settings/settings.h"
#include "shell/app.h"
#include "shell/files_win.h"
#include "shell/edit.h"
#include "shell/fullscreen.h"
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
        case MenuNode::Item: AppendMenuA(menu, MF_STRING, UINT_PTR(n.id), FindCommand(n.id)->menuText); break;
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

// The guards every picture command shares; false when the command stops here.
bool NeedPicture(App& app) {
    if (app.current) return true;
    ShowMessage(app.mainWindow, Msg(MsgId::NoPicture), MB_ICONWARNING);
    return false;
}

bool NeedNoZoom(App& app) {
    if (app.zoom.percent == 100) return true;
    ShowMessage(app.mainWindow, Msg(MsgId::NotAvailableZoom), MB_ICONWARNING);
    return false;
}

void KeepUndo(App& app) {
    if (!app.useUndo) return;
    app.undo = app.current.Duplicate();
}

// An operation that returns a new picture: on success it replaces the current one.
void Replace(App& app, Image result) {
    if (!result) return;
    ShowPicture(app, std::move(result));
}

void IncreaseDepth(App& app, int id) {
    if (!NeedPicture(app)) return;
    const int depth = app.current.bitCount();
    Image result;
    if (id == 40093) result = Expand1To4(app.current);
    else if (id == 40094) result = depth == 1 ? Expand1To8(app.current) : Expand4To8(app.current);
    else result = depth == 1 ? Expand1To24(app.current) : depth == 4 ? Expand4To24(app.current)
                                                                   : Expand8To24(app.current);
    if (!result) return;  // wrong depth or no memory: nothing changes
    HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    KeepUndo(app);
    Replace(app, std::move(result));
    SetCursor(old);
}

// Rotations and flips keep no undo copy. A failed rotation has already let
// go of the picture: the window becomes empty after the message.
void TurnOrFlip(App& app, int id) {
    HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    if (id == cmd::FlipVertical || id == cmd::FlipHorizontal) {
        if (id == cmd::FlipVertical ? FlipVertical(app.current) : FlipHorizontal(app.current))
            InvalidateRect(app.mainWindow, nullptr, FALSE);
    } else {
        Image turned = id == cmd::RotateLeft ? RotateLeft(app.current) : RotateRight(app.current);
        if (turned) {
            ShowPicture(app, std::move(turned));
        } else {
            ShowMessage(app.mainWindow, Msg(MsgId::RotateError), MB_ICONWARNING);
            ShowEmpty(app);
        }
    }
    SetCursor(old);
}

void Crop(App& app) {
    if (!NeedPicture(app) || !app.hasSelection) return;
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

}  // namespace

HMENU BuildMenuBar() {
    HMENU bar = CreateMenu();
    FillMenu(bar, MenuBar(), 0);
    return bar;
}

HACCEL BuildAccelerators() {
    std::vector<ACCEL> table;
    for (const CommandInfo& c : Commands())
        for (const KeyBinding& k : c.keys)
            if (k.key) table.push_back(ACCEL{BYTE(k.flags), WORD(k.key), WORD(c.id)});
    return CreateAcceleratorTableA(table.data(), int(table.size()));
}

UiState Snapshot(const App& app) {
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
    int id = 0;
    switch (key) {
    case VK_BACK: id = cmd::PrevFile; break;
    case VK_RETURN: id = cmd::FullScreen; break;
    case VK_ESCAPE: id = cmd::Exit; break;
    case VK_SPACE: id = cmd::NextFile; break;
    case VK_F6: id = 40079; break;
    case VK_F7: id = 40046; break;
    case VK_F8: id = 40045; break;
    case VK_PRIOR: ScrollView(app, false, ScrollMove::PageBack); return true;
    case VK_NEXT: ScrollView(app, false, ScrollMove::PageForward); return true;
    case VK_HOME: ScrollView(app, true, ScrollMove::PageBack); return true;
    case VK_END: ScrollView(app, true, ScrollMove::PageForward); return true;
    case VK_LEFT: ScrollView(app, true, ScrollMove::LineBack); return true;
    case VK_RIGHT: ScrollView(app, true, ScrollMove::LineForward); return true;
    case VK_UP: ScrollView(app, false, ScrollMove::LineBack); return true;
    case VK_DOWN: ScrollView(app, false, ScrollMove::LineForward); return true;
    default: return false;
    }
    SendMessageA(app.mainWindow, WM_COMMAND, WPARAM(id), 0);
    return true;
}

bool RunCommand(App& app, int id) {
    const CommandInfo* info = FindCommand(id);
    if (app.fullScreen && info) {
        // The full-screen window has the picture: zoom goes there, stepping
        // through the directory is allowed, other picture commands wait.
        if (id == cmd::ZoomIn || id == cmd::ZoomOut) {
            ZoomFullScreen(app, id == cmd::ZoomIn);
            return true;
        }
        bool stepping = id == cmd::NextFile || id == cmd::PrevFile || id == cmd::FirstFile ||
                        id == cmd::LastFile || id == 40045 || id == 40046;
        if (!stepping && id != cmd::Exit) return true;
    }
    if (RunFileCommand(app, id)) return true;
    switch (id) {
    case cmd::Exit: DestroyWindow(app.mainWindow); return true;
    case cmd::About:
        ShowMessage(app.mainWindow, Format("%s\n\n%s", kProductName, LibraryVersions().c_str()),
                    MB_ICONINFORMATION);
        return true;
    case cmd::Info:
        ShowMessage(app.mainWindow,
                    Format("%s\nA lightweight picture viewer and converter.\n\n%s", kProductName,
                           LibraryVersions().c_str()),
                    MB_ICONINFORMATION);
        return true;
    case cmd::Open: OpenWithPreview(app); return true;
    case cmd::Reopen: ShowNewPicture(app); return true;
    case cmd::Delete:
        if (NeedPicture(app)) ShowEmpty(app);
        return true;
    case cmd::Undo: Undo(app); return true;
    case cmd::Minimize: CloseWindow(app.mainWindow); return true;
    case cmd::AlwaysOnTop: ToggleAlwaysOnTop(app); return true;
    case 40093: case 40094: case 40095: IncreaseDepth(app, id); return true;
    case cmd::Information:
        if (NeedPicture(app)) ShowImageInfo(app);
        return true;
    case cmd::Thanks: ShowThanks(app); return true;
    case cmd::StartAnimation: StartAnimation(app); return true;
    case cmd::PcdNextGroup: NextPhotoCdSheet(app); return true;
    case 40072: KeepShownFrame(app); return true;
    case cmd::Toolbar:
        ToggleToolbar(app);
        if (app.current) SizeWindowToPicture(app);
        InvalidateRect(app.mainWindow, nullptr, TRUE);
        return true;
    case cmd::FullScreen:
        if (NeedPicture(app)) OpenFullScreen(app);
        return true;
    case cmd::ZoomIn: case cmd::ZoomOut:
        if (NeedPicture(app)) ZoomView(app, id == cmd::ZoomIn);
        return true;
    case cmd::RotateLeft: case cmd::RotateRight: case cmd::FlipVertical: case cmd::FlipHorizontal:
        if (NeedPicture(app) && NeedNoZoom(app)) TurnOrFlip(app, id);
        return true;
    case cmd::Crop: Crop(app); return true;
    default: break;
    }
    if (RunDeviceCommand(app, id)) return true;
    if (RunEditCommand(app, id)) return true;
    const CommandInfo* c = FindCommand(id);
    if (!c) return false;
    // Picture commands keep their guard even before their work is built.
    if (c->enable == Enable::Image && !NeedPicture(app)) return true;
    ShowMessage(app.mainWindow, Msg(MsgId::NotAvailableYet), MB_ICONINFORMATION);
    return true;
}

}  // namespace lg
