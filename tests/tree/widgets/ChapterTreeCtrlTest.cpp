// The tree control on a real book: in-place renaming, deleting, the chapter menu, clicks
// and keys, and what a change of selection does to the pages.

#include "PaneFixture.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

namespace pgw::tree::widgets::testing {
namespace {

const std::string kTooLong = "名称太长,汉字不能超过50个,字母和数字不能超过100个!";

std::string repeat(const std::string& piece, int count) {
    std::string out;
    for (int i = 0; i < count; ++i) out += piece;
    return out;
}

// Letters come as keys; Chinese comes from the input method, one committed string.
void typeInto(QLineEdit* editor, const QString& typed) {
    if (typed.isEmpty()) return QTest::keyClick(editor, Qt::Key_Delete);  // the label is selected
    bool ascii = true;
    for (QChar c : typed) ascii = ascii && c.unicode() < 0x80;
    if (ascii) return QTest::keyClicks(editor, typed);
    QInputMethodEvent commit;
    commit.setCommitString(typed);
    QApplication::sendEvent(editor, &commit);
}

class TreeCtrl : public PaneFixture {
protected:
    void SetUp() override {
        PaneFixture::SetUp();
        buildChapters();
        showPane();
    }
    // F2 on the selected item, the text typed over the label, then `finish`.
    void renameByKeyboard(const std::string& utf8Name, const QString& typed, Qt::Key finish = Qt::Key_Return) {
        select(utf8Name);
        p.tree.setFocus();
        QTest::keyClick(&p.tree, Qt::Key_F2);
        auto* editor = p.tree.findChild<QLineEdit*>();
        ASSERT_NE(editor, nullptr) << "no editor after F2";
        editor->selectAll();
        typeInto(editor, typed);
        QTest::keyClick(editor, finish);
        settle();
    }
};

struct RenameCase {
    const char* what;
    std::string typed;  // UTF-8
    bool accepted;
    std::vector<std::string> messages;
};

void PrintTo(const RenameCase& c, std::ostream* os) { *os << c.what; }

class Rename : public TreeCtrl, public ::testing::WithParamInterface<RenameCase> {};

TEST_P(Rename, TheEditorsNameGoesThroughTheNameRules) {
    const RenameCase& c = GetParam();
    const ItemId page = item("a1");
    renameByKeyboard("a1", QString::fromStdString(c.typed));
    const std::string expected = c.accepted ? c.typed : "a1";
    EXPECT_EQ(utf8(p.chapters.label(page)), expected);
    EXPECT_EQ(p.tree.indexOf(page).data().toString().toStdString(), expected);
    ASSERT_NE(record(expected), nullptr);
    EXPECT_EQ(record(expected)->item, page);
    EXPECT_EQ(messages(), c.messages);
    EXPECT_EQ(p.document.isModified(), c.accepted);
}

INSTANTIATE_TEST_SUITE_P(
    Names, Rename,
    ::testing::Values(RenameCase{"Chinese", "第一章", true, {}},
                      RenameCase{"Chinese49", repeat("章", 49), true, {}},
                      RenameCase{"Duplicate", "a2", false, {"名称不允许重复"}},
                      RenameCase{"Chinese51", repeat("章", 51), false, {kTooLong}},
                      RenameCase{"NotInGbk", "章\U0001F600", false, {"名称中含有无法识别的字符!"}},
                      RenameCase{"Cleared", "", false, {}}),
    [](const auto& test) { return std::string(test.param.what); });

TEST_F(TreeCtrl, RenamingToTheRootsNameIsADuplicate) {
    renameByKeyboard("b1", QString::fromStdString(root));
    EXPECT_EQ(p.chapters.label(item("b1")), gbk("b1"));
    EXPECT_EQ(messages(), std::vector<std::string>{"名称不允许重复"});
}

TEST_F(TreeCtrl, EscapeCancelsTheEdit) {
    renameByKeyboard("a1", "other", Qt::Key_Escape);
    EXPECT_EQ(utf8(p.chapters.label(item("a1"))), "a1");
    EXPECT_EQ(record("other"), nullptr);
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(p.tree.findChild<QLineEdit*>(), nullptr);
}

TEST_F(TreeCtrl, DeleteAsksAndOkDeletesWhileCancelKeeps) {
    select("a2");
    p.ui.queueAnswer(ui::Answer::Cancel);
    EXPECT_FALSE(p.tree.deleteSelected());
    ASSERT_NE(record("a2"), nullptr);
    p.ui.queueAnswer(ui::Answer::Ok);
    EXPECT_TRUE(p.tree.deleteSelected());
    EXPECT_EQ(record("a2"), nullptr);
    EXPECT_EQ(selectedName(), "a1");  // the previous page
    EXPECT_EQ(p.tree.model()->rowCount(p.tree.model()->index(1, 0, p.tree.model()->index(0, 0))), 1);
    EXPECT_EQ(messages(), (std::vector<std::string>{"确定删除该目录吗?", "确定删除该目录吗?"}));
    EXPECT_TRUE(p.document.isModified());
}

TEST_F(TreeCtrl, ChapterMenuGraysAddsUnlessADirectoryIsSelected) {
    const std::vector<std::string> texts{"在当前目录下插入子目录(&D)", "在当前目录下插入文本页(&A)",
                                         "在当前目录下插入图片页(&P)", "导入章节(&I)...", "-", "展开所有章节"};
    const struct {
        const char* selected;
        bool adds;
    } cases[] = {{nullptr, false}, {"ROOT", true}, {"A", true}, {"a1", false}, {"a2", false}};
    for (const auto& c : cases) {
        const std::string name = !c.selected ? "" : std::string(c.selected) == "ROOT" ? root : c.selected;
        p.chapters.selectItem(name.empty() ? kNoItem : item(name));
        QMenu* menu = p.tree.showContextMenuAt(labelPoint("B"));
        ASSERT_NE(menu, nullptr) << name;
        std::vector<std::pair<std::string, bool>> expected;
        for (const auto& text : texts) expected.emplace_back(text, text == "-" || text == texts.back() || c.adds);
        const auto items = menuItems(*menu);  // the move and bookmark items follow
        ASSERT_GT(items.size(), texts.size()) << name;
        EXPECT_EQ(std::vector(items.begin(), items.begin() + std::ptrdiff_t(texts.size())), expected) << name;
        menu->close();
    }
}

TEST_F(TreeCtrl, RightClickOnEmptySpaceShowsNothingUnlessTheBookIsEmpty) {
    const QPoint below(20, p.tree.viewport()->height() - 5);
    EXPECT_EQ(p.tree.showContextMenuAt(below), nullptr);
    p.storage.closeBook();
    QMenu* menu = p.tree.showContextMenuAt(below);
    ASSERT_NE(menu, nullptr);
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(menu->actions()[i]->isEnabled()) << i;  // the chapter items
    menu->actions()[1]->trigger();  // a page with no root to go under
    EXPECT_EQ(messages(), std::vector<std::string>{"请先创建根目录"});
}

TEST_F(TreeCtrl, RightClickKeepsTheSelectionAndItsMenuReachesTheTree) {
    select("A");
    QTest::mouseClick(p.tree.viewport(), Qt::RightButton, {}, labelPoint("b1"));
    EXPECT_EQ(selectedName(), "A");
    QMenu* menu = p.tree.activeMenu();
    ASSERT_NE(menu, nullptr);
    menu->actions()[1]->trigger();  // text page, from the tree: counted once
    EXPECT_EQ(selectedName(), "新建文本1");
    EXPECT_EQ(utf8(p.chapters.label(p.chapters.parent(item("新建文本1")))), "A");
    EXPECT_EQ(p.session.counters.textPageCount, 2);
}

// The item runs once its menu has hidden; the menu itself goes afterwards, not before.
TEST_F(TreeCtrl, AChosenItemRunsAfterItsMenuClosedAndTheMenuThenGoes) {
    select("B");
    QMenu* menu = p.tree.showContextMenuAt(labelPoint("b1"));
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
    menu->setActiveAction(menu->actions()[2]);
    QTest::keyClick(menu, Qt::Key_Return);
    EXPECT_EQ(selectedName(), "新建图片");
    EXPECT_EQ(utf8(p.chapters.label(p.chapters.parent(item("新建图片")))), "B");
    settle();
    EXPECT_EQ(p.tree.activeMenu(), nullptr);
}

TEST_F(TreeCtrl, LeftClickActivatesThePaneAndShowsThePage) {
    QSignalSpy activated(&p.tree, &CChapterTreeCtrl::activated);
    QTest::mouseClick(p.tree.viewport(), Qt::LeftButton, {}, labelPoint("a2"));
    EXPECT_EQ(activated.count(), 1);
    EXPECT_EQ(selectedName(), "a2");
    EXPECT_EQ(p.editors.view, book::PaneView::Picture);
    EXPECT_TRUE(p.tree.hasFocus());
}

TEST_F(TreeCtrl, ArrowKeysMoveTheSelectionAndExchangePages) {
    select("a1");
    p.tree.setFocus();
    const auto before = p.editors.view;
    QTest::keyClick(&p.tree, Qt::Key_Down);
    EXPECT_EQ(selectedName(), "a2");
    EXPECT_EQ(p.editors.view, book::PaneView::Picture);
    QTest::keyClick(&p.tree, Qt::Key_Up);
    EXPECT_EQ(selectedName(), "a1");
    EXPECT_EQ(p.editors.view, before);
}

TEST_F(TreeCtrl, LeavingAnEditedTextPageStoresItsBytes) {
    select("a1");
    p.editors.text = "{\\rtf1 typed}";
    record("a1")->storePending = true;
    QTest::mouseClick(p.tree.viewport(), Qt::LeftButton, {}, labelPoint("b1"));
    EXPECT_EQ(storedContent("a1"), "{\\rtf1 typed}");
    EXPECT_EQ(utf8(p.editors.textName), "b1");
    EXPECT_FALSE(record("a1")->storePending);
}

TEST_F(TreeCtrl, PageUpAndDownStepThroughPagesOfADirectory) {
    const struct {
        const char* from;
        bool down;
        const char* to;
    } steps[] = {{"a1", true, "a2"}, {"a2", true, "a2"}, {"b1", false, "新建文本"}, {"A", true, "a1"}, {"B", false, "新建文本"}};
    for (const auto& s : steps) {
        select(s.from);
        s.down ? p.tree.pageDown() : p.tree.pageUp();
        EXPECT_EQ(selectedName(), s.to) << s.from;
    }
    EXPECT_TRUE(messages().empty());
}

}  // namespace
}  // namespace pgw::tree::widgets::testing
