// The command set of the main window: one table from which the menu bar, the
// shortcut texts, the accelerator table, the keys of the view, the enable and
// check pass of the menu and the toolbar, and the guards of dispatch are
// derived. What each command does is the Win32 side's handler table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "shell/logic/view_geometry.h"
#include "shell/resource_ids.h"

namespace lg {

// A snapshot of everything the enable and check rules look at.
struct UiState {
    bool hasImage = false;
    bool hasAnimation = false;
    bool animationPlaying = false;
    bool videoOpen = false;
    bool hasUndo = false;
    bool hasSelection = false;
    bool clipboardHasDib = false;
    bool fileExists = false;       // the current file name names an existing file
    bool multipage = false;
    int page = 0, pageCount = 0;
    int bitCount = 0;
    int dirCount = 0;              // files in the directory list
    bool toolbarVisible = true;
    bool alwaysFit = false;
    bool alwaysOnTop = false;
    int aviSize = 100;
    bool aviLoop = false;
    int sortOrder = 0;
};

enum class Enable : uint8_t {
    Always, FileExists, Image, ImageOrAnimation, ImageOrVideo, Undo, Selection, ClipboardDib,
    AnimationPlaying, AnimationOrVideo, Depth1, DepthBelow8, DepthBelow24, DepthAbove1, DepthAtMost8,
    TwoFiles, NotLastPage, NotFirstPage, Multipage,
};

enum class Check : uint8_t { None, Toolbar, AlwaysFit, AlwaysOnTop, AviHalf, AviNormal, AviDouble, AviLoop, Sort };

// What dispatch checks before a command's handler runs; a refusal is a
// message to the user. Picture: "No picture !" without a current image.
// PictureAtFullSize: that, and "Not available if ZOOM active !" while zoomed.
enum class Guard : uint8_t { None, Picture, PictureAtFullSize };

// Where a command runs. The full-screen and the slideshow windows own the
// picture while they are open: the main window's commands wait, except
// stepping through the directory (and the zoom, which goes to the full-screen
// window) while the picture fills the screen, and Exit, which always runs.
enum class Scope : uint8_t { Window, FullScreenToo, Always };

// Accelerator flags, as the platform's accelerator table takes them, and
// kKeyByWindow: a key the view window passes on itself (in any shift state)
// instead of the accelerator table, because the full-screen and slideshow
// windows give it a meaning of their own.
enum : uint8_t { kKeyVirt = 0x01, kKeyShift = 0x04, kKeyCtrl = 0x08, kKeyByWindow = 0x80 };

// Virtual keys the table and the view windows name.
enum : uint16_t {
    kVkBack = 0x08, kVkReturn = 0x0D, kVkEscape = 0x1B, kVkSpace = 0x20, kVkPageUp = 0x21, kVkPageDown = 0x22,
    kVkEnd = 0x23, kVkHome = 0x24, kVkLeft = 0x25, kVkUp = 0x26, kVkRight = 0x27, kVkDown = 0x28,
    kVkInsert = 0x2D, kVkDelete = 0x2E, kVkF1 = 0x70, kVkF6 = 0x75, kVkF7 = 0x76, kVkF8 = 0x77, kVkF12 = 0x7B,
};

struct KeyBinding {
    uint8_t flags;   // kKeyVirt for virtual keys; 0 for a character
    uint16_t key;    // virtual-key code or character; 0: none
};

struct CommandInfo {
    int id;
    const char* menuText;  // without the shortcut; null for commands reached only by key or message
    KeyBinding keys[2];    // the first one is shown in the menu
    Enable enable;
    Check check = Check::None;
    Guard guard = Guard::None;
    Scope scope = Scope::Window;
    int sortOrder = 0;     // for Check::Sort: the order this item stands for
};

const std::vector<CommandInfo>& Commands();
const CommandInfo* FindCommand(int id);

bool IsEnabled(const CommandInfo& c, const UiState& s);
bool IsChecked(const CommandInfo& c, const UiState& s);
// Whether a command runs now or waits (see Scope).
bool RunsNow(const CommandInfo& c, bool fullScreenOpen, bool slideshowOpen);

// "Ctrl+S", "Shift+R", "Ctrl+Shift+C", "Del", "Space", "+", ...
std::string ShortcutText(const KeyBinding& k);
// The menu item: its text, then a tab and the shortcut of its first key.
std::string MenuItemText(const CommandInfo& c);

// The command of a key the view window passes on (kKeyByWindow); 0 for none.
int CommandOfWindowKey(uint16_t virtualKey);
// The keys that scroll the view rather than run a command: false for others.
bool ScrollKey(uint16_t virtualKey, bool* horizontal, ScrollMove* move);

// The menu bar: popups, items and separators in order.
struct MenuNode {
    enum Kind : uint8_t { Popup, Item, Separator, End } kind;
    const char* text;  // popup caption
    int id;            // item command
};
const std::vector<MenuNode>& MenuBar();

// The toolbar: 26 entries; image is the index into bitmap 213, -1 for a
// separator (positions 14-23 leave room for the status field). Its buttons
// follow the enable rules of their commands, and the string resource of a
// command's id is its tooltip.
struct ToolbarEntry {
    int image;
    int command;  // 0 for a separator
};
const std::vector<ToolbarEntry>& ToolbarButtons();

}  // namespace lg
