#include "shell/logic/commands.h"

namespace lg {
namespace {

constexpr KeyBinding None = {0, 0};
constexpr KeyBinding V(uint16_t k) { return {kKeyVirt, k}; }
constexpr KeyBinding Ctrl(uint16_t k) { return {uint8_t(kKeyVirt | kKeyCtrl), k}; }
constexpr KeyBinding Shift(uint16_t k) { return {uint8_t(kKeyVirt | kKeyShift), k}; }
constexpr KeyBinding CtrlShift(uint16_t k) { return {uint8_t(kKeyVirt | kKeyCtrl | kKeyShift), k}; }
constexpr KeyBinding Char(char c) { return {0, uint16_t(c)}; }
constexpr KeyBinding ByWindow(uint16_t k) { return {uint8_t(kKeyVirt | kKeyByWindow), k}; }

using E = Enable;
using C = Check;
using G = Guard;
using S = Scope;

const std::vector<CommandInfo> kCommands = {
    {CMD_OPEN, "&Open", {V('O'), None}, E::Always},
    {CMD_REOPEN, "&Reopen", {Shift('R'), None}, E::FileExists},
    {CMD_SLIDESHOW, "Slidesho&w", {V('W'), None}, E::Always},
    {CMD_DIRECTORY_SLIDESHOW, nullptr, {Ctrl('W'), None}, E::Always},
    {CMD_BATCH_CONVERSION, "&Batch Conversion", {V('B'), None}, E::Always},
    {CMD_RENAME_FILE, "Re&name File", {ByWindow(kVkF6), None}, E::FileExists},
    {CMD_MOVE_FILE, "&Move File", {ByWindow(kVkF7), None}, E::FileExists, C::None, G::None, S::FullScreenToo},
    {CMD_COPY_FILE, "&Copy File", {ByWindow(kVkF8), None}, E::FileExists, C::None, G::None, S::FullScreenToo},
    {CMD_DELETE_FILE, "&Delete File", {V(kVkDelete), None}, E::FileExists},
    {CMD_SAVE, "Sa&ve", {Ctrl('S'), None}, E::Image, C::None, G::Picture},
    {CMD_SAVE_AS, "&Save as ...", {V('S'), None}, E::Image, C::None, G::Picture},
    {CMD_PRINT, "&Print", {None, None}, E::Image},
    {CMD_SELECT_SOURCE, "Select So&urce", {None, None}, E::Always},
    {CMD_ACQUIRE, "&Acquire", {None, None}, E::Always},
    {CMD_EXIT, "&Exit", {ByWindow(kVkEscape), None}, E::Always, C::None, G::None, S::Always},
    {CMD_UNDO, "&Undo", {Ctrl('Z'), None}, E::Undo},
    {CMD_CUT, "C&ut", {Ctrl('X'), None}, E::Selection, C::None, G::Picture},
    {CMD_CROP, "C&rop", {Ctrl('Y'), None}, E::Selection, C::None, G::Picture},
    {CMD_COPY, "&Copy", {Ctrl('C'), None}, E::Image},
    {CMD_PASTE, "&Paste", {Ctrl('V'), Shift(kVkInsert)}, E::ClipboardDib},
    {CMD_DELETE, "&Delete", {V('D'), None}, E::Image, C::None, G::Picture},
    {CMD_CLEAR_CLIPBOARD, "C&lear Clipboard", {None, None}, E::ClipboardDib},
    {CMD_INFORMATION, "&Information", {V('I'), None}, E::ImageOrAnimation},
    {CMD_ROTATE_LEFT, "Rotate &Left", {V('L'), None}, E::Image, C::None, G::PictureAtFullSize},
    {CMD_ROTATE_RIGHT, "Rotate &Right", {V('R'), None}, E::Image, C::None, G::PictureAtFullSize},
    {CMD_FLIP_VERTICAL, "&Vertical Flip", {V('V'), None}, E::Image, C::None, G::PictureAtFullSize},
    {CMD_FLIP_HORIZONTAL, "&Horizontal Flip", {V('H'), None}, E::Image, C::None, G::PictureAtFullSize},
    {CMD_RESIZE, "Re&size", {None, None}, E::Image, C::None, G::Picture},
    {CMD_RESAMPLE, "Resa&mple", {Ctrl('R'), None}, E::Image, C::None, G::Picture},
    {CMD_DEPTH_4, "16    Colors (  &4 BPP)", {None, None}, E::Depth1, C::None, G::Picture},
    {CMD_DEPTH_8, "256  Colors (  &8 BPP)", {None, None}, E::DepthBelow8, C::None, G::Picture},
    {CMD_DEPTH_24, "16,7 Million (&24 BPP)", {None, None}, E::DepthBelow24, C::None, G::Picture},
    {CMD_DECREASE_DEPTH, "&Decrease Color Depth", {None, None}, E::DepthAbove1, C::None, G::Picture},
    {CMD_GREYSCALE, "Convert to &Greyscale", {None, None}, E::DepthAbove1, C::None, G::Picture},
    {CMD_NEGATIVE, "Nega&tive", {None, None}, E::Image, C::None, G::Picture},
    {CMD_BRIGHTNESS, "&Brightness", {None, None}, E::Image, C::None, G::Picture},
    {CMD_CONTRAST, "&Contrast", {None, None}, E::Image, C::None, G::Picture},
    {CMD_GAMMA, "Gamma C&orrection", {Shift('G'), None}, E::Image, C::None, G::Picture},
    {CMD_SWAP_RBG, "RGB -> RBG", {None, None}, E::Image, C::None, G::Picture},
    {CMD_SWAP_BGR, "RGB -> BGR", {None, None}, E::Image, C::None, G::Picture},
    {CMD_SWAP_BRG, "RGB -> BRG", {None, None}, E::Image, C::None, G::Picture},
    {CMD_SWAP_GRB, "RGB -> GRB", {None, None}, E::Image, C::None, G::Picture},
    {CMD_SWAP_GBR, "RGB -> GBR", {None, None}, E::Image, C::None, G::Picture},
    {CMD_EDIT_PALETTE, "&Edit palette", {None, None}, E::DepthAtMost8, C::None, G::Picture},
    {CMD_SHARPEN, "Sh&arpen", {None, None}, E::DepthAbove1, C::None, G::Picture},
    {CMD_BLUR, "&Blur", {None, None}, E::Image, C::None, G::Picture},
    {CMD_EMBOSS, "&Emboss", {None, None}, E::Image, C::None, G::Picture},
    {CMD_OIL_PAINT, "&Oil Paint", {None, None}, E::Image, C::None, G::Picture},
    {CMD_EDGE_DETECTION, "Edge &Detection", {None, None}, E::Image, C::None, G::Picture},
    {CMD_MEDIAN_FILTER, "&Median Filter", {None, None}, E::Image, C::None, G::Picture},
    {CMD_EXPLOSION, "E&xplosion", {None, None}, E::Image, C::None, G::Picture},
    {CMD_PIXELIZE, "&Pixelize", {None, None}, E::Image, C::None, G::Picture},
    {CMD_FINE_ROTATION, "&Fine Rotation", {None, None}, E::Image, C::None, G::Picture},
    {CMD_EFFECT_SETUP, "&Setup", {Ctrl('E'), None}, E::Always},
    {CMD_PROPERTIES, "&Properties", {V('P'), None}, E::Always},
    {CMD_STOP_ANIMATION, "Stop Ani&mation", {V('G'), None}, E::AnimationPlaying},
    {CMD_EXTRACT_FRAMES, "&Extract all frames", {None, None}, E::AnimationOrVideo},
    {CMD_CAPTURE, "&Capture", {None, None}, E::Always},
    {CMD_VIDEO_HALF, "&Half size", {None, None}, E::Always, C::AviHalf},
    {CMD_VIDEO_NORMAL, "&Normal size", {None, None}, E::Always, C::AviNormal},
    {CMD_VIDEO_DOUBLE, "&Double size", {None, None}, E::Always, C::AviDouble},
    {CMD_VIDEO_LOOP, "&Loop video/music", {None, None}, E::Always, C::AviLoop},
    // The sort items' second column is a remark, not a key.
    {CMD_SORT_NAME, "by &Name\t(ascending)", {None, None}, E::Always, C::Sort, G::None, S::Window, 0},
    {CMD_SORT_DATE, "by &Date\t(ascending)", {None, None}, E::Always, C::Sort, G::None, S::Window, 1},
    {CMD_SORT_SIZE, "by &Size\t(ascending)", {None, None}, E::Always, C::Sort, G::None, S::Window, 2},
    {CMD_SORT_EXTENSION, "by &Extension\t(ascending)", {None, None}, E::Always, C::Sort, G::None, S::Window, 3},
    {CMD_SORT_NAME_DESC, "by N&ame\t(descending)", {None, None}, E::Always, C::Sort, G::None, S::Window, 4},
    {CMD_SORT_DATE_DESC, "by Da&te\t(descending)", {None, None}, E::Always, C::Sort, G::None, S::Window, 5},
    {CMD_SORT_SIZE_DESC, "by Si&ze\t(descending)", {None, None}, E::Always, C::Sort, G::None, S::Window, 6},
    {CMD_SORT_EXTENSION_DESC, "by E&xtension\t(descending)", {None, None}, E::Always, C::Sort, G::None,
     S::Window, 7},
    {CMD_SORT_NONE, "N&o sort", {None, None}, E::Always, C::Sort, G::None, S::Window, 8},
    {CMD_SORT_NATURAL, "Name, numbers by &value", {None, None}, E::Always, C::Sort, G::None, S::Window, 9},
    {CMD_WALLPAPER_CENTERED, "&Centered", {CtrlShift('C'), None}, E::Image},
    {CMD_WALLPAPER_TILED, "&Tiled", {CtrlShift('T'), None}, E::Image},
    {CMD_WALLPAPER_PREVIOUS, "&Previous wallpaper", {CtrlShift('P'), None}, E::Always},
    {CMD_MINIMIZE, "Minimi&ze", {V('M'), None}, E::Always},
    {CMD_ALWAYS_ON_TOP, "Always on T&op", {None, None}, E::Always, C::AlwaysOnTop},
    {CMD_TOOLBAR, "&Toolbar", {None, None}, E::Always, C::Toolbar},
    {CMD_FULL_SCREEN, "&Full screen", {ByWindow(kVkReturn), None}, E::ImageOrVideo, C::None, G::Picture},
    {CMD_BEST_FIT, "&Best Fit to desktop", {V('F'), None}, E::Always, C::AlwaysFit},
    {CMD_NEXT_FILE, "&Next File in Directory", {ByWindow(kVkSpace), None}, E::TwoFiles, C::None, G::None,
     S::FullScreenToo},
    {CMD_PREV_FILE, "&Previous File in Directory", {ByWindow(kVkBack), None}, E::TwoFiles, C::None, G::None,
     S::FullScreenToo},
    {CMD_FIRST_FILE, "Fir&st File in Directory", {Ctrl('F'), None}, E::TwoFiles, C::None, G::None,
     S::FullScreenToo},
    {CMD_LAST_FILE, "&Last File in Directory", {Ctrl('L'), None}, E::TwoFiles, C::None, G::None,
     S::FullScreenToo},
    {CMD_REFRESH, "Refres&h", {V('U'), None}, E::Always},
    // Zoom checks for a picture itself: in full screen it zooms that window.
    {CMD_ZOOM_IN, "&Zoom In", {Char('+'), None}, E::ImageOrAnimation, C::None, G::None, S::FullScreenToo},
    {CMD_ZOOM_OUT, "Zoom &Out", {Char('-'), None}, E::ImageOrAnimation, C::None, G::None, S::FullScreenToo},
    {CMD_NEXT_PAGE, "&Next page", {Ctrl('N'), None}, E::NotLastPage, C::None, G::None, S::FullScreenToo},
    {CMD_PREV_PAGE, "&Previous page", {Ctrl('P'), None}, E::NotFirstPage, C::None, G::None, S::FullScreenToo},
    {CMD_FIRST_PAGE, "&First page", {None, None}, E::Multipage, C::None, G::None, S::FullScreenToo},
    {CMD_LAST_PAGE, "&Last page", {None, None}, E::Multipage, C::None, G::None, S::FullScreenToo},
    {CMD_PRINT_ALL_PAGES, "Print &all pages", {None, None}, E::Multipage},
    {CMD_EXTRACT_PAGES, "&Extract all pages", {None, None}, E::Multipage},
    {CMD_THANKS, "&Thanks ...", {None, None}, E::Always},
    {CMD_INFO, "&Info", {None, None}, E::Always},
    {CMD_ABOUT, "&About Lumagrove", {V('A'), None}, E::Always},
    {CMD_PCD_NEXT_GROUP, nullptr, {V('N'), None}, E::Always},
    // Posted by the load of an animated file, also when it is reached from full screen.
    {CMD_START_ANIMATION, nullptr, {None, None}, E::Always, C::None, G::None, S::FullScreenToo},
};

using N = MenuNode;
constexpr N Pop(const char* t) { return {N::Popup, t, 0}; }
constexpr N It(int id) { return {N::Item, nullptr, id}; }
constexpr N Sep() { return {N::Separator, nullptr, 0}; }
constexpr N End() { return {N::End, nullptr, 0}; }

const std::vector<MenuNode> kMenuBar = {
    Pop("&File"), It(CMD_OPEN), It(CMD_REOPEN), Sep(), It(CMD_SLIDESHOW), It(CMD_BATCH_CONVERSION), Sep(),
        It(CMD_RENAME_FILE), It(CMD_MOVE_FILE), It(CMD_COPY_FILE), It(CMD_DELETE_FILE), Sep(), It(CMD_SAVE),
        It(CMD_SAVE_AS), Sep(), It(CMD_PRINT), It(CMD_SELECT_SOURCE), It(CMD_ACQUIRE), Sep(), It(CMD_EXIT),
        End(),
    Pop("&Edit"), It(CMD_UNDO), Sep(), It(CMD_CUT), It(CMD_CROP), It(CMD_COPY), It(CMD_PASTE), It(CMD_DELETE),
        It(CMD_CLEAR_CLIPBOARD), Sep(), It(CMD_INFORMATION), End(),
    Pop("&Image"), It(CMD_ROTATE_LEFT), It(CMD_ROTATE_RIGHT), It(CMD_FLIP_VERTICAL), It(CMD_FLIP_HORIZONTAL),
        Sep(), It(CMD_RESIZE), It(CMD_RESAMPLE), Sep(),
        Pop("I&ncrease Color Depth"), It(CMD_DEPTH_4), It(CMD_DEPTH_8), It(CMD_DEPTH_24), End(),
        It(CMD_DECREASE_DEPTH), Sep(), It(CMD_GREYSCALE), It(CMD_NEGATIVE), It(CMD_BRIGHTNESS), It(CMD_CONTRAST),
        It(CMD_GAMMA),
        Pop("S&wap Colors"), It(CMD_SWAP_RBG), It(CMD_SWAP_BGR), It(CMD_SWAP_BRG), It(CMD_SWAP_GRB),
        It(CMD_SWAP_GBR), End(),
        It(CMD_EDIT_PALETTE), Sep(),
        Pop("E&ffects"), It(CMD_SHARPEN), It(CMD_BLUR), It(CMD_EMBOSS), It(CMD_OIL_PAINT), It(CMD_EDGE_DETECTION),
        It(CMD_MEDIAN_FILTER), It(CMD_EXPLOSION), It(CMD_PIXELIZE), Sep(), It(CMD_FINE_ROTATION), Sep(),
        It(CMD_EFFECT_SETUP), End(), End(),
    Pop("&Options"), It(CMD_PROPERTIES), Sep(), It(CMD_STOP_ANIMATION), It(CMD_EXTRACT_FRAMES), Sep(),
        It(CMD_CAPTURE),
        Pop("&Wallpaper"), It(CMD_WALLPAPER_CENTERED), It(CMD_WALLPAPER_TILED), It(CMD_WALLPAPER_PREVIOUS), End(),
        Pop("&Video size"), It(CMD_VIDEO_HALF), It(CMD_VIDEO_NORMAL), It(CMD_VIDEO_DOUBLE), End(),
        It(CMD_VIDEO_LOOP), Sep(),
        Pop("S&ort files"), It(CMD_SORT_NAME), It(CMD_SORT_DATE), It(CMD_SORT_SIZE), It(CMD_SORT_EXTENSION),
        It(CMD_SORT_NAME_DESC), It(CMD_SORT_DATE_DESC), It(CMD_SORT_SIZE_DESC), It(CMD_SORT_EXTENSION_DESC),
        It(CMD_SORT_NONE), It(CMD_SORT_NATURAL), End(), Sep(), It(CMD_MINIMIZE), It(CMD_ALWAYS_ON_TOP),
        It(CMD_TOOLBAR), End(),
    Pop("&View"), It(CMD_FULL_SCREEN), It(CMD_BEST_FIT), Sep(), It(CMD_NEXT_FILE), It(CMD_PREV_FILE),
        It(CMD_FIRST_FILE), It(CMD_LAST_FILE), It(CMD_REFRESH), Sep(), It(CMD_ZOOM_IN), It(CMD_ZOOM_OUT), Sep(),
        Pop("&Pages"), It(CMD_NEXT_PAGE), It(CMD_PREV_PAGE), It(CMD_FIRST_PAGE), It(CMD_LAST_PAGE), Sep(),
        It(CMD_PRINT_ALL_PAGES), It(CMD_EXTRACT_PAGES), End(), End(),
    Pop("&Help"), It(CMD_THANKS), It(CMD_INFO), Sep(), It(CMD_ABOUT), End(),
};

constexpr ToolbarEntry Button(int image, int command) { return {image, command}; }
constexpr ToolbarEntry Gap() { return {-1, 0}; }

const std::vector<ToolbarEntry> kToolbar = {
    Button(0, CMD_OPEN), Button(1, CMD_SAVE_AS), Gap(), Button(2, CMD_CUT), Button(3, CMD_COPY),
    Button(4, CMD_PASTE), Gap(), Button(5, CMD_INFORMATION), Button(6, CMD_ZOOM_IN), Button(7, CMD_ZOOM_OUT),
    Button(8, CMD_PREV_FILE), Button(9, CMD_NEXT_FILE), Button(10, CMD_PREV_PAGE), Button(11, CMD_NEXT_PAGE),
    Gap(), Gap(), Gap(), Gap(), Gap(), Gap(), Gap(), Gap(), Gap(), Gap(),
    Button(12, CMD_PROPERTIES), Button(13, CMD_ABOUT),
};

// Names of the virtual keys that are not a letter or a digit.
const char* KeyName(uint16_t vk) {
    switch (vk) {
    case kVkBack: return "Backspace";
    case kVkReturn: return "Enter";
    case kVkEscape: return "Esc";
    case kVkSpace: return "Space";
    case kVkInsert: return "Ins";
    case kVkDelete: return "Del";
    default: return nullptr;
    }
}

}  // namespace

const std::vector<CommandInfo>& Commands() { return kCommands; }

const CommandInfo* FindCommand(int id) {
    for (const CommandInfo& c : kCommands)
        if (c.id == id) return &c;
    return nullptr;
}

bool IsEnabled(const CommandInfo& c, const UiState& s) {
    switch (c.enable) {
    case E::Always: return true;
    case E::FileExists: return s.fileExists;
    case E::Image: return s.hasImage;
    case E::ImageOrAnimation: return s.hasImage || s.hasAnimation;
    case E::ImageOrVideo: return s.hasImage || s.videoOpen;
    case E::Undo: return s.hasUndo;
    case E::Selection: return s.hasSelection;
    case E::ClipboardDib: return s.clipboardHasDib;
    case E::AnimationPlaying: return s.animationPlaying;
    case E::AnimationOrVideo: return s.animationPlaying || s.videoOpen;
    case E::Depth1: return s.hasImage && s.bitCount == 1;
    case E::DepthBelow8: return s.hasImage && s.bitCount < 8;
    case E::DepthBelow24: return s.hasImage && s.bitCount < 24;
    case E::DepthAbove1: return s.hasImage && s.bitCount > 1;
    case E::DepthAtMost8: return s.hasImage && s.bitCount <= 8;
    case E::TwoFiles: return s.dirCount >= 2;
    case E::NotLastPage: return s.multipage && s.page < s.pageCount - 1;
    case E::NotFirstPage: return s.multipage && s.page > 0;
    case E::Multipage: return s.multipage;
    }
    return true;
}

bool IsChecked(const CommandInfo& c, const UiState& s) {
    switch (c.check) {
    case C::None: return false;
    case C::Toolbar: return s.toolbarVisible;
    case C::AlwaysFit: return s.alwaysFit;
    case C::AlwaysOnTop: return s.alwaysOnTop;
    case C::AviHalf: return s.aviSize == 50;
    case C::AviDouble: return s.aviSize == 200;
    case C::AviNormal: return s.aviSize != 50 && s.aviSize != 200;
    case C::AviLoop: return s.aviLoop;
    case C::Sort: return s.sortOrder == c.sortOrder;
    }
    return false;
}

bool RunsNow(const CommandInfo& c, bool fullScreenOpen, bool slideshowOpen) {
    if (c.scope == S::Always) return true;
    if (slideshowOpen) return false;
    return !fullScreenOpen || c.scope == S::FullScreenToo;
}

std::string ShortcutText(const KeyBinding& k) {
    if (!k.key) return std::string();
    if (!(k.flags & kKeyVirt)) return std::string(1, char(k.key));
    std::string text;
    if (k.flags & kKeyCtrl) text += "Ctrl+";
    if (k.flags & kKeyShift) text += "Shift+";
    if (const char* name = KeyName(k.key)) return text + name;
    if (k.key >= kVkF1 && k.key <= kVkF12) return text + "F" + std::to_string(k.key - kVkF1 + 1);
    if ((k.key >= 'A' && k.key <= 'Z') || (k.key >= '0' && k.key <= '9')) return text + char(k.key);
    return std::string();  // a key without a name is not shown
}

std::string MenuItemText(const CommandInfo& c) {
    std::string text = c.menuText ? c.menuText : "";
    const std::string shortcut = ShortcutText(c.keys[0]);
    return shortcut.empty() ? text : text + "\t" + shortcut;
}

int CommandOfWindowKey(uint16_t virtualKey) {
    for (const CommandInfo& c : kCommands)
        for (const KeyBinding& k : c.keys)
            if ((k.flags & kKeyByWindow) && k.key == virtualKey) return c.id;
    return 0;
}

bool ScrollKey(uint16_t virtualKey, bool* horizontal, ScrollMove* move) {
    struct Row {
        uint16_t key;
        bool horizontal;
        ScrollMove move;
    };
    static const Row kRows[] = {
        {kVkPageUp, false, ScrollMove::PageBack}, {kVkPageDown, false, ScrollMove::PageForward},
        {kVkHome, true, ScrollMove::PageBack},    {kVkEnd, true, ScrollMove::PageForward},
        {kVkLeft, true, ScrollMove::LineBack},    {kVkRight, true, ScrollMove::LineForward},
        {kVkUp, false, ScrollMove::LineBack},     {kVkDown, false, ScrollMove::LineForward},
    };
    for (const Row& r : kRows) {
        if (r.key != virtualKey) continue;
        *horizontal = r.horizontal;
        *move = r.move;
        return true;
    }
    return false;
}

const std::vector<MenuNode>& MenuBar() { return kMenuBar; }

const std::vector<ToolbarEntry>& ToolbarButtons() { return kToolbar; }

}  // namespace lg
