// The command table against the menu bar, the keys, the toolbar and the
// enable, check, scope and guard rules.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <utility>

#include "shell/logic/commands.h"

namespace {

using lg::Commands;
using lg::FindCommand;
using lg::UiState;

TEST(CommandTable, IdsAreUniqueAndEveryMenuItemIsACommand) {
    std::set<int> ids;
    for (const auto& c : Commands()) EXPECT_TRUE(ids.insert(c.id).second) << c.id;
    std::map<int, int> inMenu;
    int depth = 0;
    for (const auto& n : lg::MenuBar()) {
        if (n.kind == lg::MenuNode::Popup) ++depth;
        if (n.kind == lg::MenuNode::End) --depth;
        ASSERT_GE(depth, 0);
        if (n.kind == lg::MenuNode::Item) {
            ASSERT_NE(FindCommand(n.id), nullptr) << n.id;
            EXPECT_NE(FindCommand(n.id)->menuText, nullptr) << n.id;
            ++inMenu[n.id];
        }
    }
    EXPECT_EQ(depth, 0);
    // Every command with a menu text is in the menu exactly once.
    for (const auto& c : Commands()) {
        if (c.menuText) {
            EXPECT_EQ(inMenu[c.id], 1) << c.menuText;
        }
    }
}

// The menu texts as they were written out by hand before the shortcuts were
// derived from the keys (ids as the menu has always had them).
TEST(MenuText, ShortcutsAreDerivedFromTheKeys) {
    const std::map<int, std::string> kWritten = {
        {40001, "&Open\tO"}, {40027, "&Reopen\tShift+R"}, {40071, "Slidesho&w\tW"},
        {40098, "&Batch Conversion\tB"}, {40079, "Re&name File\tF6"}, {40046, "&Move File\tF7"},
        {40045, "&Copy File\tF8"}, {40013, "&Delete File\tDel"}, {40145, "Sa&ve\tCtrl+S"},
        {40011, "&Save as ...\tS"}, {40065, "&Print"}, {40012, "&Exit\tEsc"}, {40120, "&Undo\tCtrl+Z"},
        {40121, "C&ut\tCtrl+X"}, {40122, "C&rop\tCtrl+Y"}, {40053, "&Copy\tCtrl+C"}, {40055, "&Paste\tCtrl+V"},
        {40054, "&Delete\tD"}, {40056, "C&lear Clipboard"}, {40051, "&Information\tI"},
        {40041, "Rotate &Left\tL"}, {40042, "Rotate &Right\tR"}, {40043, "&Vertical Flip\tV"},
        {40044, "&Horizontal Flip\tH"}, {40050, "Re&size"}, {40097, "Resa&mple\tCtrl+R"},
        {40093, "16    Colors (  &4 BPP)"}, {40091, "Gamma C&orrection\tShift+G"}, {40160, "&Setup\tCtrl+E"},
        {40002, "&Properties\tP"}, {40072, "Stop Ani&mation\tG"}, {40142, "&Half size"},
        {40108, "by &Name\t(ascending)"}, {40116, "by &Date\t(ascending)"}, {40117, "by &Size\t(ascending)"},
        {40114, "by &Extension\t(ascending)"}, {40109, "by N&ame\t(descending)"},
        {40111, "by Da&te\t(descending)"}, {40118, "by Si&ze\t(descending)"},
        {40115, "by E&xtension\t(descending)"}, {40144, "N&o sort"}, {40080, "&Centered\tCtrl+Shift+C"},
        {40081, "&Tiled\tCtrl+Shift+T"}, {40083, "&Previous wallpaper\tCtrl+Shift+P"}, {40119, "Minimi&ze\tM"},
        {40123, "&Toolbar"}, {40030, "&Full screen\tEnter"}, {40037, "&Best Fit to desktop\tF"},
        {40039, "&Next File in Directory\tSpace"}, {40040, "&Previous File in Directory\tBackspace"},
        {40057, "Fir&st File in Directory\tCtrl+F"}, {40058, "&Last File in Directory\tCtrl+L"},
        {40070, "Refres&h\tU"}, {40047, "&Zoom In\t+"}, {40048, "Zoom &Out\t-"}, {40100, "&Next page\tCtrl+N"},
        {40101, "&Previous page\tCtrl+P"}, {40102, "&First page"}, {40146, "&Thanks ..."},
        {40036, "&About Lumagrove\tA"},
    };
    for (const auto& [id, text] : kWritten) {
        const lg::CommandInfo* c = FindCommand(id);
        ASSERT_NE(c, nullptr) << id;
        EXPECT_EQ(lg::MenuItemText(*c), text) << id;
    }
    // A shortcut the menu shows is typed into no text: it comes from the keys.
    for (const auto& c : Commands()) {
        if (c.menuText && c.keys[0].key) {
            EXPECT_EQ(std::string(c.menuText).find('\t'), std::string::npos) << c.menuText;
        }
    }
}

TEST(Keys, ShortcutTexts) {
    using lg::KeyBinding;
    EXPECT_EQ(lg::ShortcutText(KeyBinding{lg::kKeyVirt | lg::kKeyShift, lg::kVkInsert}), "Shift+Ins");
    EXPECT_EQ(lg::ShortcutText(KeyBinding{lg::kKeyVirt | lg::kKeyCtrl | lg::kKeyShift, 'P'}), "Ctrl+Shift+P");
    EXPECT_EQ(lg::ShortcutText(KeyBinding{lg::kKeyVirt | lg::kKeyByWindow, lg::kVkF8}), "F8");
    EXPECT_EQ(lg::ShortcutText(KeyBinding{lg::kKeyVirt, 0x7B}), "F12");
    EXPECT_EQ(lg::ShortcutText(KeyBinding{lg::kKeyVirt | lg::kKeyCtrl, '7'}), "Ctrl+7");
    EXPECT_EQ(lg::ShortcutText(KeyBinding{0, '+'}), "+");  // a character, whatever shift gives it
    EXPECT_EQ(lg::ShortcutText(KeyBinding{0, 0}), "");
    // Every key of the table has a name to show.
    for (const auto& c : Commands())
        for (const auto& k : c.keys)
            if (k.key) {
                EXPECT_FALSE(lg::ShortcutText(k).empty()) << c.id;
            }
}

TEST(Keys, NoKeyRunsTwoCommands) {
    std::map<std::pair<int, int>, int> seen;  // (flags, key) -> command
    for (const auto& c : Commands())
        for (const auto& k : c.keys) {
            if (!k.key) continue;
            auto [it, fresh] = seen.insert({{k.flags, k.key}, c.id});
            EXPECT_TRUE(fresh) << lg::ShortcutText(k) << " runs " << it->second << " and " << c.id;
        }
    EXPECT_EQ(FindCommand(40055)->keys[1].flags, lg::kKeyVirt | lg::kKeyShift);  // Shift+Insert pastes too
    EXPECT_EQ(FindCommand(40047)->keys[0].flags, 0);                              // '+' as a character
    EXPECT_EQ(FindCommand(40027)->keys[0].flags, lg::kKeyVirt | lg::kKeyShift);  // Shift+R, not R
}

TEST(Keys, TheWindowPassesOnItsOwnKeys) {
    // Keys the full-screen and slideshow windows read themselves are not
    // accelerators: the main window passes them on.
    const std::map<int, int> kByWindow = {
        {0x08, 40040}, {0x0D, 40030}, {0x1B, 40012}, {0x20, 40039}, {0x75, 40079}, {0x76, 40046}, {0x77, 40045},
    };
    for (const auto& [key, id] : kByWindow) EXPECT_EQ(lg::CommandOfWindowKey(uint16_t(key)), id) << key;
    int byWindow = 0;
    for (const auto& c : Commands())
        for (const auto& k : c.keys) byWindow += (k.flags & lg::kKeyByWindow) ? 1 : 0;
    EXPECT_EQ(byWindow, int(kByWindow.size()));
    EXPECT_EQ(lg::CommandOfWindowKey('O'), 0);  // an accelerator
    EXPECT_EQ(lg::CommandOfWindowKey(0x2E), 0);  // Del: an accelerator
    EXPECT_EQ(lg::CommandOfWindowKey(0x74), 0);  // F5: nothing
}

TEST(Keys, ScrollKeys) {
    struct Expect {
        int key;
        bool horizontal;
        lg::ScrollMove move;
    };
    const Expect kKeys[] = {
        {0x21, false, lg::ScrollMove::PageBack}, {0x22, false, lg::ScrollMove::PageForward},  // Page Up, Down
        {0x24, true, lg::ScrollMove::PageBack},  {0x23, true, lg::ScrollMove::PageForward},   // Home, End
        {0x25, true, lg::ScrollMove::LineBack},  {0x27, true, lg::ScrollMove::LineForward},   // Left, Right
        {0x26, false, lg::ScrollMove::LineBack}, {0x28, false, lg::ScrollMove::LineForward},  // Up, Down
    };
    for (const Expect& e : kKeys) {
        bool horizontal = !e.horizontal;
        lg::ScrollMove move = lg::ScrollMove::Thumb;
        ASSERT_TRUE(lg::ScrollKey(uint16_t(e.key), &horizontal, &move)) << e.key;
        EXPECT_EQ(horizontal, e.horizontal) << e.key;
        EXPECT_EQ(move, e.move) << e.key;
    }
    bool horizontal;
    lg::ScrollMove move;
    for (int key : {0x20, 0x08, 0x2E, int('O')}) EXPECT_FALSE(lg::ScrollKey(uint16_t(key), &horizontal, &move)) << key;
}

TEST(Scope, FullScreenAndSlideshowHoldTheOtherCommands) {
    // Stepping, zoom, moving and copying, the animation and paging (40100-40103).
    const std::set<int> kInFullScreen = {40039, 40040, 40057, 40058, 40045, 40046, 40047,
                                         40048, 1996,  40012, 40100, 40101, 40102, 40103};
    for (const auto& c : Commands()) {
        EXPECT_TRUE(lg::RunsNow(c, false, false)) << c.id;
        EXPECT_EQ(lg::RunsNow(c, true, false), kInFullScreen.count(c.id) == 1) << c.id;
        EXPECT_EQ(lg::RunsNow(c, false, true), c.id == 40012) << c.id;  // only Exit ends a slideshow
    }
}

TEST(Guards, PictureCommandsRefuseOnAnEmptyWindow) {
    // Whatever a guard refuses, the menu has already disabled in a window
    // with nothing in it.
    const UiState nothing;
    int guarded = 0;
    for (const auto& c : Commands()) {
        if (c.guard == lg::Guard::None) continue;
        ++guarded;
        EXPECT_FALSE(lg::IsEnabled(c, nothing)) << c.id;
    }
    EXPECT_GT(guarded, 30);
    for (int id : {40041, 40042, 40043, 40044}) EXPECT_EQ(FindCommand(id)->guard, lg::Guard::PictureAtFullSize);
    // Copy and Print look for a picture themselves, quietly.
    for (int id : {40053, 40065, 40047, 40001}) EXPECT_EQ(FindCommand(id)->guard, lg::Guard::None) << id;
}

TEST(EnableRules, EmptyWindow) {
    UiState s;
    s.hasImage = false;
    EXPECT_TRUE(lg::IsEnabled(*FindCommand(40001), s));
    for (int id : {40145, 40011, 40041, 40068, 40030, 40051, 40120, 40121, 40093, 40095, 40075})
        EXPECT_FALSE(lg::IsEnabled(*FindCommand(id), s)) << id;
}

TEST(EnableRules, DepthRules) {
    UiState s;
    s.hasImage = true;
    s.bitCount = 1;
    EXPECT_TRUE(lg::IsEnabled(*FindCommand(40093), s));
    EXPECT_FALSE(lg::IsEnabled(*FindCommand(40096), s));
    EXPECT_FALSE(lg::IsEnabled(*FindCommand(40067), s));
    s.bitCount = 4;
    EXPECT_FALSE(lg::IsEnabled(*FindCommand(40093), s));
    EXPECT_TRUE(lg::IsEnabled(*FindCommand(40094), s));
    s.bitCount = 8;
    EXPECT_FALSE(lg::IsEnabled(*FindCommand(40094), s));
    EXPECT_TRUE(lg::IsEnabled(*FindCommand(40095), s));
    EXPECT_TRUE(lg::IsEnabled(*FindCommand(40075), s));
    s.bitCount = 24;
    EXPECT_FALSE(lg::IsEnabled(*FindCommand(40095), s));
    EXPECT_FALSE(lg::IsEnabled(*FindCommand(40075), s));
    EXPECT_TRUE(lg::IsEnabled(*FindCommand(40149), s));
}

TEST(EnableRules, PagesAndFiles) {
    UiState s;
    s.multipage = true;
    s.pageCount = 3;
    s.page = 0;
    EXPECT_TRUE(lg::IsEnabled(*FindCommand(40100), s));
    EXPECT_FALSE(lg::IsEnabled(*FindCommand(40101), s));
    s.page = 2;
    EXPECT_FALSE(lg::IsEnabled(*FindCommand(40100), s));
    EXPECT_TRUE(lg::IsEnabled(*FindCommand(40101), s));
    EXPECT_TRUE(lg::IsEnabled(*FindCommand(40105), s));
    s.dirCount = 1;
    EXPECT_FALSE(lg::IsEnabled(*FindCommand(40039), s));
    s.dirCount = 2;
    EXPECT_TRUE(lg::IsEnabled(*FindCommand(40039), s));
}

TEST(CheckRules, VideoSizeAndSortOrder) {
    UiState s;
    s.aviSize = 75;  // anything else counts as normal size
    EXPECT_TRUE(lg::IsChecked(*FindCommand(40141), s));
    EXPECT_FALSE(lg::IsChecked(*FindCommand(40142), s));
    s.aviSize = 200;
    EXPECT_TRUE(lg::IsChecked(*FindCommand(40143), s));
    s.sortOrder = 5;
    int checked = 0;
    for (const auto& c : Commands()) {
        if (c.check == lg::Check::Sort && lg::IsChecked(c, s)) {
            ++checked;
            EXPECT_EQ(c.id, 40111);
        }
    }
    EXPECT_EQ(checked, 1);
}

TEST(Toolbar, LayoutOfTheButtons) {
    const auto& bar = lg::ToolbarButtons();
    ASSERT_EQ(bar.size(), 26u);
    const int kCommandsInOrder[] = {40001, 40011, 40121, 40053, 40055, 40051, 40047,
                                    40048, 40040, 40039, 40101, 40100, 40002, 40036};
    int image = 0;
    for (size_t i = 0; i < bar.size(); ++i) {
        const bool gap = i == 2 || i == 6 || (i >= 14 && i <= 23);  // room for the status field
        EXPECT_EQ(bar[i].command == 0, gap) << i;
        if (gap) continue;
        EXPECT_EQ(bar[i].image, image) << i;
        EXPECT_EQ(bar[i].command, kCommandsInOrder[image]) << i;
        ++image;
    }
}

bool ButtonEnabled(int id, const UiState& s) { return lg::IsEnabled(*FindCommand(id), s); }

TEST(Toolbar, ButtonsFollowTheMenuRules) {
    const UiState empty;
    for (const auto& e : lg::ToolbarButtons()) {
        const bool always = e.command == 40001 || e.command == 40002 || e.command == 40036;
        if (e.command != 0) {
            EXPECT_EQ(ButtonEnabled(e.command, empty), always) << e.command;
        }
    }
    UiState s;
    s.hasImage = true;
    s.dirCount = 1;
    EXPECT_TRUE(ButtonEnabled(40051, s));
    EXPECT_FALSE(ButtonEnabled(40121, s));  // Cut: no selection
    s.hasSelection = true;
    EXPECT_TRUE(ButtonEnabled(40121, s));
    EXPECT_FALSE(ButtonEnabled(40039, s));  // one file
    s.multipage = true;
    s.pageCount = 3;
    EXPECT_FALSE(ButtonEnabled(40101, s));
    EXPECT_TRUE(ButtonEnabled(40100, s));
    s.page = 2;
    EXPECT_TRUE(ButtonEnabled(40101, s));
    EXPECT_FALSE(ButtonEnabled(40100, s));

    UiState anim;
    anim.hasAnimation = anim.animationPlaying = true;
    EXPECT_TRUE(ButtonEnabled(40047, anim));
    EXPECT_TRUE(ButtonEnabled(40051, anim));  // as the menu's Information item
    EXPECT_FALSE(ButtonEnabled(40011, anim));
}

}  // namespace
