// The command set of the main window: one table from which the menu bar, the
// accelerator table, the enable and check pass and dispatch are derived.
#pragma once

#include <cstdint>
#include <vector>

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

// Accelerator flags, as the platform's accelerator table takes them.
enum : uint8_t { kKeyVirt = 0x01, kKeyShift = 0x04, kKeyCtrl = 0x08 };

struct KeyBinding {
    uint8_t flags;   // kKeyVirt for virtual keys; 0 for a character
    uint16_t key;    // virtual-key code or character
};

struct CommandInfo {
    int id;
    const char* menuText;  // null for commands reached only by key or message
    KeyBinding keys[2];    // {0, 0}: none
    Enable enable;
    Check check;
    int sortOrder;         // for Check::Sort: the order this item stands for
};

const std::vector<CommandInfo>& Commands();
const CommandInfo* FindCommand(int id);

bool IsEnabled(const CommandInfo& c, const UiState& s);
bool IsChecked(const CommandInfo& c, const UiState& s);

// The menu bar: popups, items and separators in order.
struct MenuNode {
    enum Kind : uint8_t { Popup, Item, Separator, End } kind;
    const char* text;  // popup caption
    int id;            // item command
};
const std::vector<MenuNode>& MenuBar();

// Command ids used by the shell itself.
namespace cmd {
constexpr int Open = 40001, Properties = 40002, Info = 40005, SaveAs = 40011, Exit = 40012,
              DeleteFile = 40013, FullScreen = 40030, About = 40036, BestFit = 40037, NextFile = 40039,
              PrevFile = 40040, ZoomIn = 40047, ZoomOut = 40048, Information = 40051, Copy = 40053,
              Delete = 40054, Paste = 40055, FirstFile = 40057, LastFile = 40058, Refresh = 40070,
              AlwaysOnTop = 40074, NextPage = 40100, PrevPage = 40101, FirstPage = 40102, LastPage = 40103,
              ExtractPages = 40105, Minimize = 40119, Undo = 40120, Cut = 40121, Crop = 40122, Toolbar = 40123,
              Save = 40145, Thanks = 40146, Reopen = 40027, RotateLeft = 40041, RotateRight = 40042,
              FlipVertical = 40043, FlipHorizontal = 40044, StartAnimation = 1996, PcdNextGroup = 2034;
}  // namespace cmd

}  // namespace lg
