#include "shell/logic/commands.h"

namespace lg {
namespace {

constexpr KeyBinding None = {0, 0};
constexpr KeyBinding V(uint16_t k) { return {kKeyVirt, k}; }
constexpr KeyBinding Ctrl(uint16_t k) { return {uint8_t(kKeyVirt | kKeyCtrl), k}; }
constexpr KeyBinding Shift(uint16_t k) { return {uint8_t(kKeyVirt | kKeyShift), k}; }
constexpr KeyBinding CtrlShift(uint16_t k) { return {uint8_t(kKeyVirt | kKeyCtrl | kKeyShift), k}; }
constexpr KeyBinding Char(char c) { return {0, uint16_t(c)}; }

// Virtual keys that have no letter.
constexpr uint16_t kVkInsert = 0x2D, kVkDelete = 0x2E;

using E = Enable;
using C = Check;

const std::vector<CommandInfo> kCommands = {
    {40001, "&Open\tO", {V('O'), None}, E::Always, C::None, 0},
    {40027, "&Reopen\tShift+R", {Shift('R'), None}, E::FileExists, C::None, 0},
    {40071, "Slidesho&w\tW", {V('W'), None}, E::Always, C::None, 0},
    {40148, nullptr, {Ctrl('W'), None}, E::Always, C::None, 0},
    {40098, "&Batch Conversion\tB", {V('B'), None}, E::Always, C::None, 0},
    {40079, "Re&name File\tF6", {None, None}, E::FileExists, C::None, 0},
    {40046, "&Move File\tF7", {None, None}, E::FileExists, C::None, 0},
    {40045, "&Copy File\tF8", {None, None}, E::FileExists, C::None, 0},
    {40013, "&Delete File\tDel", {V(kVkDelete), None}, E::FileExists, C::None, 0},
    {40145, "Sa&ve\tCtrl+S", {Ctrl('S'), None}, E::Image, C::None, 0},
    {40011, "&Save as ...\tS", {V('S'), None}, E::Image, C::None, 0},
    {40065, "&Print", {None, None}, E::Image, C::None, 0},
    {40106, "Select So&urce", {None, None}, E::Always, C::None, 0},
    {40107, "&Acquire", {None, None}, E::Always, C::None, 0},
    {40012, "&Exit\tEsc", {None, None}, E::Always, C::None, 0},
    {40120, "&Undo\tCtrl+Z", {Ctrl('Z'), None}, E::Undo, C::None, 0},
    {40121, "C&ut\tCtrl+X", {Ctrl('X'), None}, E::Selection, C::None, 0},
    {40122, "C&rop\tCtrl+Y", {Ctrl('Y'), None}, E::Selection, C::None, 0},
    {40053, "&Copy\tCtrl+C", {Ctrl('C'), None}, E::Image, C::None, 0},
    {40055, "&Paste\tCtrl+V", {Ctrl('V'), Shift(kVkInsert)}, E::ClipboardDib, C::None, 0},
    {40054, "&Delete\tD", {V('D'), None}, E::Image, C::None, 0},
    {40056, "C&lear Clipboard", {None, None}, E::ClipboardDib, C::None, 0},
    {40051, "&Information\tI", {V('I'), None}, E::ImageOrAnimation, C::None, 0},
    {40041, "Rotate &Left\tL", {V('L'), None}, E::Image, C::None, 0},
    {40042, "Rotate &Right\tR", {V('R'), None}, E::Image, C::None, 0},
    {40043, "&Vertical Flip\tV", {V('V'), None}, E::Image, C::None, 0},
    {40044, "&Horizontal Flip\tH", {V('H'), None}, E::Image, C::None, 0},
    {40050, "Re&size", {None, None}, E::Image, C::None, 0},
    {40097, "Resa&mple\tCtrl+R", {Ctrl('R'), None}, E::Image, C::None, 0},
    {40093, "16    Colors (  &4 BPP)", {None, None}, E::Depth1, C::None, 0},
    {40094, "256  Colors (  &8 BPP)", {None, None}, E::DepthBelow8, C::None, 0},
    {40095, "16,7 Million (&24 BPP)", {None, None}, E::DepthBelow24, C::None, 0},
    {40096, "&Decrease Color Depth", {None, None}, E::DepthAbove1, C::None, 0},
    {40067, "Convert to &Greyscale", {None, None}, E::DepthAbove1, C::None, 0},
    {40068, "Nega&tive", {None, None}, E::Image, C::None, 0},
    {40069, "&Brightness", {None, None}, E::Image, C::None, 0},
    {40090, "&Contrast", {None, None}, E::Image, C::None, 0},
    {40091, "Gamma C&orrection\tShift+G", {Shift('G'), None}, E::Image, C::None, 0},
    {40085, "RGB -> RBG", {None, None}, E::Image, C::None, 0},
    {40086, "RGB -> BGR", {None, None}, E::Image, C::None, 0},
    {40087, "RGB -> BRG", {None, None}, E::Image, C::None, 0},
    {40088, "RGB -> GRB", {None, None}, E::Image, C::None, 0},
    {40089, "RGB -> GBR", {None, None}, E::Image, C::None, 0},
    {40075, "&Edit palette", {None, None}, E::DepthAtMost8, C::None, 0},
    {40149, "Sh&arpen", {None, None}, E::DepthAbove1, C::None, 0},
    {40150, "&Blur", {None, None}, E::Image, C::None, 0},
    {40151, "&Emboss", {None, None}, E::Image, C::None, 0},
    {40152, "&Oil Paint", {None, None}, E::Image, C::None, 0},
    {40153, "Edge &Detection", {None, None}, E::Image, C::None, 0},
    {40154, "&Median Filter", {None, None}, E::Image, C::None, 0},
    {40155, "E&xplosion", {None, None}, E::Image, C::None, 0},
    {40156, "&Pixelize", {None, None}, E::Image, C::None, 0},
    {40159, "&Fine Rotation", {None, None}, E::Image, C::None, 0},
    {40160, "&Setup\tCtrl+E", {Ctrl('E'), None}, E::Always, C::None, 0},
    {40002, "&Properties\tP", {V('P'), None}, E::Always, C::None, 0},
    {40072, "Stop Ani&mation\tG", {V('G'), None}, E::AnimationPlaying, C::None, 0},
    {40140, "&Extract all frames", {None, None}, E::AnimationOrVideo, C::None, 0},
    {40147, "&Capture", {None, None}, E::Always, C::None, 0},
    {40142, "&Half size", {None, None}, E::Always, C::AviHalf, 0},
    {40141, "&Normal size", {None, None}, E::Always, C::AviNormal, 0},
    {40143, "&Double size", {None, None}, E::Always, C::AviDouble, 0},
    {40158, "&Loop video/music", {None, None}, E::Always, C::AviLoop, 0},
    {40108, "by &Name\t(ascending)", {None, None}, E::Always, C::Sort, 0},
    {40116, "by &Date\t(ascending)", {None, None}, E::Always, C::Sort, 1},
    {40117, "by &Size\t(ascending)", {None, None}, E::Always, C::Sort, 2},
    {40114, "by &Extension\t(ascending)", {None, None}, E::Always, C::Sort, 3},
    {40109, "by N&ame\t(descending)", {None, None}, E::Always, C::Sort, 4},
    {40111, "by Da&te\t(descending)", {None, None}, E::Always, C::Sort, 5},
    {40118, "by Si&ze\t(descending)", {None, None}, E::Always, C::Sort, 6},
    {40115, "by E&xtension\t(descending)", {None, None}, E::Always, C::Sort, 7},
    {40144, "N&o sort", {None, None}, E::Always, C::Sort, 8},
    {40080, "&Centered\tCtrl+Shift+C", {CtrlShift('C'), None}, E::Image, C::None, 0},
    {40081, "&Tiled\tCtrl+Shift+T", {CtrlShift('T'), None}, E::Image, C::None, 0},
    {40083, "&Previous wallpaper\tCtrl+Shift+P", {CtrlShift('P'), None}, E::Always, C::None, 0},
    {40119, "Minimi&ze\tM", {V('M'), None}, E::Always, C::None, 0},
    {40074, "Always on T&op", {None, None}, E::Always, C::AlwaysOnTop, 0},
    {40123, "&Toolbar", {None, None}, E::Always, C::Toolbar, 0},
    {40030, "&Full screen\tEnter", {None, None}, E::ImageOrVideo, C::None, 0},
    {40037, "&Best Fit to desktop\tF", {V('F'), None}, E::Always, C::AlwaysFit, 0},
    {40039, "&Next File in Directory\tSpace", {None, None}, E::TwoFiles, C::None, 0},
    {40040, "&Previous File in Directory\tBackspace", {None, None}, E::TwoFiles, C::None, 0},
    {40057, "Fir&st File in Directory\tCtrl+F", {Ctrl('F'), None}, E::TwoFiles, C::None, 0},
    {40058, "&Last File in Directory\tCtrl+L", {Ctrl('L'), None}, E::TwoFiles, C::None, 0},
    {40070, "Refres&h\tU", {V('U'), None}, E::Always, C::None, 0},
    {40047, "&Zoom In\t+", {Char('+'), None}, E::ImageOrAnimation, C::None, 0},
    {40048, "Zoom &Out\t-", {Char('-'), None}, E::ImageOrAnimation, C::None, 0},
    {40100, "&Next page\tCtrl+N", {Ctrl('N'), None}, E::NotLastPage, C::None, 0},
    {40101, "&Previous page\tCtrl+P", {Ctrl('P'), None}, E::NotFirstPage, C::None, 0},
    {40102, "&First page", {None, None}, E::Multipage, C::None, 0},
    {40103, "&Last page", {None, None}, E::Multipage, C::None, 0},
    {40104, "Print &all pages", {None, None}, E::Multipage, C::None, 0},
    {40105, "&Extract all pages", {None, None}, E::Multipage, C::None, 0},
    {40146, "&Thanks ...", {None, None}, E::Always, C::None, 0},
    {40005, "&Info", {None, None}, E::Always, C::None, 0},
    {40036, "&About Lumagrove\tA", {V('A'), None}, E::Always, C::None, 0},
    {2034, nullptr, {V('N'), None}, E::Always, C::None, 0},
};

using N = MenuNode;
constexpr N Pop(const char* t) { return {N::Popup, t, 0}; }
constexpr N It(int id) { return {N::Item, nullptr, id}; }
constexpr N Sep() { return {N::Separator, nullptr, 0}; }
constexpr N End() { return {N::End, nullptr, 0}; }

const std::vector<MenuNode> kMenuBar = {
    Pop("&File"), It(40001), It(40027), Sep(), It(40071), It(40098), Sep(), It(40079), It(40046), It(40045),
        It(40013), Sep(), It(40145), It(40011), Sep(), It(40065), It(40106), It(40107), Sep(), It(40012), End(),
    Pop("&Edit"), It(40120), Sep(), It(40121), It(40122), It(40053), It(40055), It(40054), It(40056), Sep(),
        It(40051), End(),
    Pop("&Image"), It(40041), It(40042), It(40043), It(40044), Sep(), It(40050), It(40097), Sep(),
        Pop("I&ncrease Color Depth"), It(40093), It(40094), It(40095), End(), It(40096), Sep(), It(40067),
        It(40068), It(40069), It(40090), It(40091), Pop("S&wap Colors"), It(40085), It(40086), It(40087),
        It(40088), It(40089), End(), It(40075), Sep(),
        Pop("E&ffects"), It(40149), It(40150), It(40151), It(40152), It(40153), It(40154), It(40155), It(40156),
        Sep(), It(40159), Sep(), It(40160), End(), End(),
    Pop("&Options"), It(40002), Sep(), It(40072), It(40140), Sep(), It(40147),
        Pop("&Wallpaper"), It(40080), It(40081), It(40083), End(),
        Pop("&Video size"), It(40142), It(40141), It(40143), End(), It(40158), Sep(),
        Pop("S&ort files"), It(40108), It(40116), It(40117), It(40114), It(40109), It(40111), It(40118),
        It(40115), It(40144), End(), Sep(), It(40119), It(40074), It(40123), End(),
    Pop("&View"), It(40030), It(40037), Sep(), It(40039), It(40040), It(40057), It(40058), It(40070), Sep(),
        It(40047), It(40048), Sep(), Pop("&Pages"), It(40100), It(40101), It(40102), It(40103), Sep(),
        It(40104), It(40105), End(), End(),
    Pop("&Help"), It(40146), It(40005), Sep(), It(40036), End(),
};

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

const std::vector<MenuNode>& MenuBar() { return kMenuBar; }

}  // namespace lg
