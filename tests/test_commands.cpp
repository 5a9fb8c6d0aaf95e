// The command table against the menu bar, the keys and the enable rules.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

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

TEST(CommandTable, KeyShownInTheMenuIsTheBoundKey) {
    // Letters shown after the tab must be bound (keys handled by the window
    // procedure itself, like Esc or Space, are not in the accelerator table).
    for (const auto& c : Commands()) {
        if (!c.menuText) continue;
        std::string text = c.menuText;
        size_t tab = text.find('\t');
        if (tab == std::string::npos) continue;
        std::string key = text.substr(tab + 1);
        if (key.size() == 1 && key[0] >= 'A' && key[0] <= 'Z') {
            EXPECT_EQ(c.keys[0].flags, lg::kKeyVirt) << text;
            EXPECT_EQ(c.keys[0].key, key[0]) << text;
        }
        if (key.rfind("Ctrl+", 0) == 0 && key.size() == 6) {
            EXPECT_EQ(c.keys[0].flags, lg::kKeyVirt | lg::kKeyCtrl) << text;
            EXPECT_EQ(c.keys[0].key, key[5]) << text;
        }
    }
    EXPECT_EQ(FindCommand(40055)->keys[1].flags, lg::kKeyVirt | lg::kKeyShift);  // Shift+Insert
    EXPECT_EQ(FindCommand(40047)->keys[0].flags, 0);                              // '+' as a character
    EXPECT_EQ(FindCommand(40027)->keys[0].flags, lg::kKeyVirt | lg::kKeyShift);  // Shift+R, not R
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

}  // namespace
