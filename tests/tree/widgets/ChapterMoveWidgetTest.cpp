// Moving chapters and bookmarks in the chapter pane: the drop rules of the real tree
// control, the pane's mark toolbar, and the chapter menu's move and bookmark items.

#include "PaneFixture.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QToolBar>

namespace pgw::tree::widgets::testing {
namespace {

namespace cmd = framework::cmd;
using Position = CChapterTreeCtrl::DropAt;

class MovePane : public PaneFixture {
protected:
    void SetUp() override {
        PaneFixture::SetUp();
        buildChapters();  // root → 新建文本, A (a1, a2), B (b1)
        p.ui.clearMessages();
        p.document.setModified(false);
    }
    // The widget's own rows below the root, "name(child,child)": what the author sees.
    std::string shown(const QModelIndex& row) const {
        const QAbstractItemModel& model = *p.tree.model();
        std::string text;
        for (int i = 0; i < model.rowCount(row); ++i) {
            const QModelIndex child = model.index(i, 0, row);
            text += (i ? "," : "") + child.data().toString().toStdString();
            if (model.rowCount(child)) text += "(" + shown(child) + ")";
        }
        return text;
    }
    std::string shown() const { return shown(p.tree.model()->index(0, 0)); }
    std::string name(const std::string& n) const { return n == "ROOT" ? root : n; }
    void trigger(framework::CommandId id) {
        p.pane.updateCommandStates();
        QAction* action = p.pane.action(id);
        ASSERT_NE(action, nullptr) << id;
        action->trigger();
    }
};

struct DropCase {
    const char* dragged;
    const char* target;  // "ROOT" for the root
    Position position;
    const char* after;    // the rows below the root afterwards; nullptr: refused
    const char* message;  // the refusal shown when it is dropped anyway
};

class DropRules : public MovePane, public ::testing::WithParamInterface<DropCase> {};

TEST_P(DropRules, TheDropGoesThroughTheBooksMove) {
    const DropCase& c = GetParam();
    const std::string before = shown();
    const ItemId dragged = item(name(c.dragged));
    const ItemId target = item(name(c.target));
    EXPECT_EQ(p.tree.acceptsDrop(dragged, target, c.position), c.after != nullptr);
    EXPECT_TRUE(messages().empty());  // asking while dragging says nothing
    EXPECT_EQ(p.tree.dropChapter(dragged, target, c.position), c.after != nullptr);
    EXPECT_EQ(shown(), c.after ? c.after : before);
    EXPECT_EQ(messages(), c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{});
    // The book follows the rows: the record's parent is the row's parent.
    if (const QModelIndex above = index(name(c.dragged)).parent(); above.isValid()) {
        EXPECT_EQ(utf8(record(name(c.dragged))->parentName), above.data().toString().toStdString());
    }
    EXPECT_EQ(p.document.isModified(), c.after && std::string(c.after) != before);
}

std::string caseName(const ::testing::TestParamInfo<DropCase>& info) { return "case" + std::to_string(info.index); }

INSTANTIATE_TEST_SUITE_P(
    Rows, DropRules,
    ::testing::Values(
        DropCase{"a1", "B", Position::OnItem, "新建文本,A(a2),B(b1,a1)", nullptr},
        DropCase{"a1", "b1", Position::OnItem, "新建文本,A(a2),B(b1,a1)", nullptr},
        DropCase{"a1", "b1", Position::AboveItem, "新建文本,A(a2),B(a1,b1)", nullptr},
        DropCase{"a1", "a2", Position::BelowItem, "新建文本,A(a2,a1),B(b1)", nullptr},
        DropCase{"a1", "ROOT", Position::OnItem, "a1,新建文本,A(a2),B(b1)", nullptr},
        DropCase{"a1", "ROOT", Position::BelowItem, "a1,新建文本,A(a2),B(b1)", nullptr},
        DropCase{"B", "A", Position::OnItem, "新建文本,A(a1,a2,B(b1))", nullptr},
        DropCase{"B", "新建文本", Position::AboveItem, "B(b1),新建文本,A(a1,a2)", nullptr},
        DropCase{"a1", "a2", Position::AboveItem, "新建文本,A(a1,a2),B(b1)", nullptr},  // already there
        DropCase{"ROOT", "B", Position::OnItem, nullptr, "根节点不能移动!"},
        DropCase{"B", "b1", Position::BelowItem, nullptr, "不能把目录移动到它自己或它的子目录中!"},
        DropCase{"B", "B", Position::OnItem, nullptr, "不能把目录移动到它自己或它的子目录中!"},
        DropCase{"a1", "ROOT", Position::AboveItem, nullptr, nullptr},
        DropCase{"a1", "a2", Position::Nowhere, nullptr, nullptr}),
    caseName);

TEST_F(MovePane, JustBelowAnOpenDirectorysRowIsTheTopOfItsChildren) {
    p.chapters.expand(item("A"));
    ASSERT_TRUE(p.tree.dropChapter(item("b1"), item("A"), Position::BelowItem));
    EXPECT_EQ(shown(), "新建文本,A(b1,a1,a2),B");
    // A closed directory's row: behind it.
    ASSERT_TRUE(p.tree.dropChapter(item("a2"), item("B"), Position::BelowItem));
    EXPECT_EQ(shown(), "新建文本,A(b1,a1),B,a2");
}

TEST_F(MovePane, AMovedDirectoryKeepsItsExpansionAndTheSelectionStays) {
    p.chapters.expand(item("B"));
    select("b1");
    const ItemId b1 = item("b1");
    ASSERT_TRUE(p.tree.dropChapter(item("B"), item("A"), Position::OnItem));
    EXPECT_TRUE(p.tree.isExpanded(index("B")));
    EXPECT_EQ(p.chapters.selectedItem(), b1);
    EXPECT_EQ(p.tree.currentIndex(), index("b1"));
    EXPECT_TRUE(p.tree.selectionModel()->isSelected(index("b1")));
    EXPECT_EQ(storedContent("b1"), "");  // an empty page stays empty, in its new place
}

TEST_F(MovePane, TheRootCannotBeDraggedAndForeignDropsAreLeftToTheWindow) {
    EXPECT_FALSE(p.tree.model()->flags(index(root)) & Qt::ItemIsDragEnabled);
    EXPECT_TRUE(p.tree.model()->flags(index("a1")) & Qt::ItemIsDragEnabled);
    showPane();
    select("a1");
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/book.pgw"))});
    QDropEvent drop(QPointF(labelPoint("B")), Qt::MoveAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(p.tree.viewport(), &drop);
    EXPECT_FALSE(drop.isAccepted());
    EXPECT_EQ(shown(), "新建文本,A(a1,a2),B(b1)");
}

TEST_F(MovePane, TheMarkToolBarMarksMovesAndBookmarks) {
    // Before a page is marked, the move itself is grayed.
    p.pane.updateCommandStates();
    EXPECT_FALSE(p.pane.action(cmd::kMoveAfterCurrent)->isEnabled());
    for (auto id : {cmd::kSetMoveSource, cmd::kCancelMoveSource, cmd::kToggleBookmark, cmd::kNextBookmark})
        EXPECT_TRUE(p.pane.action(id)->isEnabled()) << id;

    select("a1");
    trigger(cmd::kToggleBookmark);
    trigger(cmd::kSetMoveSource);
    EXPECT_EQ(p.chapters.images(item("a1")), (ItemImages{image::kMoveSource, image::kMoveSource}));
    p.pane.updateCommandStates();
    EXPECT_TRUE(p.pane.action(cmd::kMoveAfterCurrent)->isEnabled());
    select("b1");
    trigger(cmd::kMoveAfterCurrent);
    EXPECT_EQ(shown(), "新建文本,A(a2),B(b1,a1)");
    // The bookmark's image comes back when the mark goes.
    EXPECT_EQ(p.chapters.images(item("a1")), (ItemImages{image::kBookmark, image::kBookmark}));
    p.pane.updateCommandStates();
    EXPECT_FALSE(p.pane.action(cmd::kMoveAfterCurrent)->isEnabled());

    // Next and previous select the marked pages in the order of marking.
    trigger(cmd::kToggleBookmark);  // b1, after a1
    select("a1");
    trigger(cmd::kNextBookmark);
    EXPECT_EQ(selectedName(), "b1");
    trigger(cmd::kPreviousBookmark);
    EXPECT_EQ(selectedName(), "a1");
    trigger(cmd::kClearBookmarks);
    EXPECT_EQ(p.chapters.images(item("a1")), (ItemImages{image::kText, image::kTextSelected}));
    EXPECT_TRUE(p.session.bookmarks.empty());
}

TEST_F(MovePane, ButtonsCarryTheirStripsImagesAndTips) {
    const QToolBar* bar = p.pane.markToolBar();
    ASSERT_NE(bar, nullptr);
    std::vector<framework::CommandId> order;
    for (const QAction* action : bar->actions())
        if (!action->isSeparator()) order.push_back(framework::CommandId(action->data().toUInt()));
    EXPECT_EQ(order, (std::vector<framework::CommandId>{cmd::kSetMoveSource, cmd::kCancelMoveSource,
                                                        cmd::kMoveAfterCurrent, cmd::kToggleBookmark,
                                                        cmd::kClearBookmarks, cmd::kPreviousBookmark,
                                                        cmd::kNextBookmark}));
    for (const framework::CommandId id : order) EXPECT_FALSE(p.pane.action(id)->icon().isNull()) << id;
    EXPECT_EQ(p.pane.action(cmd::kCancelMoveSource)->toolTip().toStdString(), "取消移动源章节设置");
    EXPECT_EQ(p.pane.action(cmd::kSetMoveSource)->statusTip().toStdString(), "置为移动源章节");
}

TEST_F(MovePane, TheChapterMenuOffersTheMovesAndABookmarkSubmenu) {
    select("a1");
    QMenu* menu = p.tree.showContextMenuAt(labelPoint("a1"));
    ASSERT_NE(menu, nullptr);
    const auto items = menuItems(*menu);
    ASSERT_GE(items.size(), 12u);
    const std::vector<std::pair<std::string, bool>> moves(items.begin() + 6, items.begin() + 12);
    EXPECT_EQ(moves, (std::vector<std::pair<std::string, bool>>{{"-", true},
                                                                {"置为移动源章节", true},
                                                                {"取消移动源章节设置", true},
                                                                {"移动到当前章节后面", false},
                                                                {"-", true},
                                                                {"书签(&B)", true}}));
    QMenu* bookmarks = menu->actions()[11]->menu();
    ASSERT_NE(bookmarks, nullptr);
    EXPECT_EQ(menuItems(*bookmarks)[0].first, "插入或撤走书签(&F)");
    // Chosen items reach the tree: the page gets its bookmark and the move mark.
    bookmarks->actions()[0]->trigger();
    EXPECT_TRUE(record("a1")->bookmark);
    menu->actions()[7]->trigger();
    EXPECT_TRUE(p.commands.hasMoveSource());
    menu->close();

    // With a page marked, the move is offered.
    QMenu* again = p.tree.showContextMenuAt(labelPoint("a1"));
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(again->actions()[9]->isEnabled());
    again->close();
}

}  // namespace
}  // namespace pgw::tree::widgets::testing
