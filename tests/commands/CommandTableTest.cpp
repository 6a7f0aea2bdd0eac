#include "commands/CommandTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace pgw::commands {
namespace {

namespace cmd = framework::cmd;

const std::vector<int> kMenuIds{menus::kMainMenu, menus::kChapterTree, menus::kPicture, menus::kRichText};

void collectCommands(const std::vector<MenuItem>& items, std::vector<const MenuItem*>& out) {
    for (const MenuItem& it : items) {
        if (it.kind == MenuItem::Kind::Command) out.push_back(&it);
        if (it.kind == MenuItem::Kind::Popup) collectCommands(it.items, out);
    }
}

std::vector<const MenuItem*> commandsOf(int menuId) {
    std::vector<const MenuItem*> out;
    collectCommands(menuResource(menuId)->popups, out);
    return out;
}

TEST(CommandTableTest, EveryOfferedCommandHasTextAndTooltip) {
    for (const ToolbarResource& bar : toolbarResources())
        for (CommandId id : bar.buttons) {
            if (id == 0) continue;
            EXPECT_FALSE(tooltipOf(id).empty()) << bar.resourceId << " " << id;
            EXPECT_FALSE(statusTextOf(id).empty()) << bar.resourceId << " " << id;
            EXPECT_FALSE(commandText(id).empty()) << bar.resourceId << " " << id;
        }
    for (int menuId : kMenuIds) {
        ASSERT_NE(menuResource(menuId), nullptr) << menuId;
        for (const MenuItem* it : commandsOf(menuId)) EXPECT_FALSE(it->text.empty()) << menuId << " " << it->id;
    }
    EXPECT_EQ(menuResource(999), nullptr);
    EXPECT_EQ(toolbarResource(999), nullptr);
}

TEST(CommandTableTest, PopupsAndSeparatorsAreWellFormed) {
    for (int menuId : kMenuIds) {
        const MenuResource& menu = *menuResource(menuId);
        EXPECT_EQ(menu.popups.size(), menuId == menus::kMainMenu ? 4u : 1u);
        for (const MenuItem& popup : menu.popups) {
            ASSERT_EQ(popup.kind, MenuItem::Kind::Popup);
            ASSERT_FALSE(popup.items.empty());
            EXPECT_NE(popup.items.front().kind, MenuItem::Kind::Separator) << popup.text;
            EXPECT_NE(popup.items.back().kind, MenuItem::Kind::Separator) << popup.text;
            for (size_t i = 1; i < popup.items.size(); ++i)
                EXPECT_FALSE(popup.items[i].kind == MenuItem::Kind::Separator &&
                             popup.items[i - 1].kind == MenuItem::Kind::Separator) << popup.text;
        }
    }
    std::vector<std::string> titles;
    for (const MenuItem& popup : menuResource(menus::kMainMenu)->popups) titles.push_back(popup.text);
    EXPECT_EQ(titles, (std::vector<std::string>{"文件(&F)", "编辑(&E)", "查看(&V)", "帮助(&H)"}));
}

TEST(CommandTableTest, RecentFilesSitJustBeforeExit) {
    const auto& file = menuResource(menus::kMainMenu)->popups.front().items;
    ASSERT_GE(file.size(), 3u);
    EXPECT_EQ(file.back().id, cmd::kExit);
    EXPECT_EQ(file[file.size() - 2].kind, MenuItem::Kind::Separator);
    EXPECT_EQ(file[file.size() - 3].kind, MenuItem::Kind::RecentFiles);
    EXPECT_EQ(file[file.size() - 3].id, cmd::kRecentFirst);
}

TEST(CommandTableTest, AcceleratorsAreUniqueAndMatchTheShortcutsMenusShow) {
    std::set<std::string> keys;
    for (const Accelerator& a : accelerators()) EXPECT_TRUE(keys.insert(a.keys).second) << a.keys;
    // A shortcut a menu item shows must be a key that runs that item's command.
    for (int menuId : kMenuIds)
        for (const MenuItem* it : commandsOf(menuId)) {
            const size_t tab = it->text.find('\t');
            if (tab == std::string::npos) continue;
            const std::string shown = it->text.substr(tab + 1);
            const bool found = std::ranges::any_of(accelerators(), [&](const Accelerator& a) {
                return a.keys == shown && a.id == it->id;
            });
            EXPECT_TRUE(found) << menuId << " " << it->id << " " << shown;
        }
}

TEST(CommandTableTest, MenuImageListOrder) {
    const auto& ids = menuImageIds();
    EXPECT_EQ(std::set<CommandId>(ids.begin(), ids.end()).size(), ids.size());
    EXPECT_EQ(menuImageIndex(cmd::kNew), 0u);
    EXPECT_EQ(menuImageIndex(cmd::kExit), 4u);
    EXPECT_EQ(menuImageIndex(cmd::kPreviousBookmark), 17u);
    EXPECT_EQ(menuImageIndex(cmd::kNextBookmark), 18u);
    EXPECT_EQ(menuImageIndex(cmd::kHelpContents), 19u);
    EXPECT_EQ(menuImageIndex(cmd::kSave), std::nullopt);
}

TEST(CommandTableTest, PromptSplitsIntoStatusAndTooltip) {
    struct Case { CommandId id; const char* status; const char* tooltip; };
    const Case cases[] = {
        {cmd::kRenameChapter, "修改所选章节标题", "修改标题名称"},  // two different halves
        {cmd::kInsertTextPage, "追加文本章节", "追加文本章节"},      // no newline: the whole string
        {cmd::kNew, "新建", "新建"},                                // no prompt: the menu text, plain
        {cmd::kAbout, "关于 Pagewright", "关于 Pagewright"},
        {cmd::kZoomIn, "放大图片", "放大图片"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(statusTextOf(c.id), c.status) << c.id;
        EXPECT_EQ(tooltipOf(c.id), c.tooltip) << c.id;
    }
    // A command without a menu entry takes its text from the prompt.
    EXPECT_EQ(commandText(cmd::kAddChapter), "追加章节");
    EXPECT_EQ(commandText(cmd::kMoveAfterCurrent), "移动到当前章节后面");
    EXPECT_EQ(commandText(cmd::kNextPane), "");
}

TEST(CommandTableTest, PlainTextStripsMarks) {
    EXPECT_EQ(plainText("新建(&N)...\tCtrl+N"), "新建");
    EXPECT_EQ(plainText("R&&D &Tools"), "R&D Tools");
    EXPECT_EQ(plainText("trailing&"), "trailing");
    EXPECT_EQ(plainText(""), "");
}

}  // namespace
}  // namespace pgw::commands
