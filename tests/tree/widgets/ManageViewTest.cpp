// The chapter pane: its toolbar, the add button's drop-down menu, New, hiding the pane.

#include "PaneFixture.h"

#include "platform/richtext/RtfReader.h"
#include "tree/widgets/CImportDialog.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <QPushButton>
#include <QTreeWidget>

#include <filesystem>
#include <fstream>

namespace pgw::tree::widgets::testing {
namespace {

namespace cmd = framework::cmd;

using ManageView = PaneFixture;

TEST_F(ManageView, ToolBarButtonsCarryTheirTipsAndIcons) {
    const struct {
        framework::CommandId id;
        const char* status;
        const char* tip;
    } buttons[] = {{cmd::kAddChapter, "追加章节", "增加章节"},
                   {cmd::kRenameChapter, "修改所选章节标题", "修改标题名称"},
                   {cmd::kDeleteChapter, "删除所选章节", "删除所选章节"},
                   {cmd::kHideChapterPane, "隐藏章节目录视窗", "隐藏章节目录视窗"}};
    for (const auto& b : buttons) {
        QAction* action = p.pane.action(b.id);
        ASSERT_NE(action, nullptr) << b.id;
        EXPECT_EQ(action->toolTip().toStdString(), b.tip);
        EXPECT_EQ(action->statusTip().toStdString(), b.status);
        EXPECT_FALSE(action->icon().isNull()) << b.id;
    }
    EXPECT_EQ(p.pane.addButton()->popupMode(), QToolButton::MenuButtonPopup);
    EXPECT_EQ(p.pane.addButton()->menu(), p.pane.addMenu());
}

TEST(ManageViewWithoutBook, OnlyHidingIsEnabledUntilABookIsOpen) {
    PaneParts fresh;
    for (auto id : {cmd::kAddChapter, cmd::kRenameChapter, cmd::kDeleteChapter})
        EXPECT_FALSE(fresh.pane.action(id)->isEnabled()) << id;
    EXPECT_TRUE(fresh.pane.action(cmd::kHideChapterPane)->isEnabled());
    std::vector<QString> status;
    QObject::connect(&fresh.pane, &CManageView::statusReported, [&](const QString& text) { status.push_back(text); });
    ASSERT_TRUE(fresh.pane.newBook());
    for (auto id : {cmd::kAddChapter, cmd::kRenameChapter, cmd::kDeleteChapter, cmd::kHideChapterPane})
        EXPECT_TRUE(fresh.pane.action(id)->isEnabled()) << id;
    EXPECT_EQ(status, std::vector<QString>{QStringLiteral("新建一个空白文档成功....")});
    // The frame's rule, when it gives one, decides instead.
    fresh.pane.setEnableRule([](framework::CommandId id) { return id == cmd::kDeleteChapter; });
    fresh.pane.updateCommandStates();
    EXPECT_FALSE(fresh.pane.action(cmd::kHideChapterPane)->isEnabled());
    EXPECT_TRUE(fresh.pane.action(cmd::kDeleteChapter)->isEnabled());
}

TEST_F(ManageView, TheDropDownMenuAddsEachKindAndCountsPagesTwice) {
    p.chapters.selectItem(p.chapters.rootItem());
    p.pane.refreshAddMenu();
    const auto actions = p.pane.addMenu()->actions();
    actions[0]->trigger();
    const std::string directory = selectedName();
    EXPECT_EQ(directory.rfind("新建目录", 0), 0u) << directory;
    EXPECT_EQ(p.editors.view, book::PaneView::RichText);  // a directory leaves the page on show
    for (const char* expected : {"新建文本1", "新建文本3"}) {
        select(directory);
        actions[1]->trigger();
        EXPECT_EQ(selectedName(), expected);
    }
    select(directory);
    actions[2]->trigger();
    EXPECT_EQ(selectedName(), "新建图片");
    EXPECT_EQ(p.editors.view, book::PaneView::Picture);
    EXPECT_EQ(p.session.counters.picturePageCount, 2);
    EXPECT_TRUE(p.chapters.isExpanded(item(directory)));
    EXPECT_TRUE(p.document.isModified());
    // With a page selected the adds are grayed; expanding does nothing through the pane.
    p.pane.refreshAddMenu();
    for (int i : {0, 1, 2, 3}) EXPECT_FALSE(actions[i]->isEnabled()) << i;
    EXPECT_TRUE(actions[5]->isEnabled());
    EXPECT_FALSE(p.pane.runCommand(cmd::kExpandAll));
}

// The preview shows what will be made, or what stops the import; only an accepted dialog
// changes the book.
TEST_F(ManageView, ImportPreviewsThenMakesTheChaptersUnderTheSelectedDirectory) {
    buildChapters();
    const std::string novel = p.folder.file("novel.txt"), binary = p.folder.file("data.txt");
    std::ofstream(novel) << gbk("第1卷 上\n第1章 起\n一\n第2章 承\n二\n");
    std::ofstream(binary) << std::string("\0\x01", 2);
    select("A");
    p.pane.setImportDialogRunner([&](CImportDialog& dialog) {
        dialog.addSources({novel, binary});
        EXPECT_FALSE(dialog.importButton()->isEnabled());
        EXPECT_EQ(dialog.summary(), QStringLiteral("有 1 个文件不能导入，请移除后再试。"));
        return int(QDialog::Accepted);  // the plan that cannot be imported changes nothing
    });
    EXPECT_FALSE(p.pane.runCommand(cmd::kImportChapters) && item("novel") != kNoItem);
    EXPECT_EQ(item("novel"), kNoItem);
    p.pane.setImportDialogRunner([&](CImportDialog& dialog) {
        dialog.addSources({novel});
        dialog.chooseSplit(1);
        EXPECT_EQ(dialog.preview()->topLevelItemCount(), 1);
        EXPECT_EQ(dialog.summary(), QStringLiteral("将在所选目录下导入 3 个章节。"));
        return int(dialog.importButton()->isEnabled() ? QDialog::Accepted : QDialog::Rejected);
    });
    ASSERT_TRUE(p.pane.runCommand(cmd::kImportChapters));
    const ItemId volume = item("第1卷 上");
    ASSERT_NE(volume, kNoItem);
    EXPECT_EQ(p.chapters.parent(volume), item("A"));
    EXPECT_EQ(p.chapters.parent(item("第2章 承")), volume);
    EXPECT_EQ(richtext::plainText(richtext::readRtf(storedContent("第2章 承")).document), "第2章 承\n二");
    EXPECT_TRUE(p.document.isModified());
}

TEST_F(ManageView, TheAddButtonItselfAddsADirectory) {
    p.chapters.selectItem(p.chapters.rootItem());
    const int before = p.tree.model()->rowCount(p.tree.model()->index(0, 0));
    p.pane.action(cmd::kAddChapter)->trigger();
    EXPECT_EQ(p.tree.model()->rowCount(p.tree.model()->index(0, 0)), before + 1);
    EXPECT_TRUE(record(selectedName())->isStorage());
    select("新建文本");
    p.pane.onAddChapter();  // under a page: nothing
    EXPECT_EQ(p.tree.model()->rowCount(p.tree.model()->index(0, 0)), before + 1);
    EXPECT_TRUE(messages().empty());
}

TEST_F(ManageView, RenameAndDeleteButtonsWorkOnTheSelection) {
    showPane();
    select("新建文本");
    p.pane.action(cmd::kRenameChapter)->trigger();
    auto* editor = p.tree.findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("序言"));
    QTest::keyClick(editor, Qt::Key_Return);
    settle();
    ASSERT_NE(record("序言"), nullptr);
    p.ui.queueAnswer(ui::Answer::Ok);
    p.pane.action(cmd::kDeleteChapter)->trigger();
    EXPECT_EQ(record("序言"), nullptr);
    EXPECT_EQ(p.chapters.selectedItem(), kNoItem);  // the only page went
}

TEST_F(ManageView, HidingCallsTheFramesToggle) {
    int toggles = 0;
    p.pane.action(cmd::kHideChapterPane)->trigger();  // no frame yet: nothing
    QObject::connect(&p.pane, &CManageView::paneToggleRequested, [&] { ++toggles; });
    p.pane.action(cmd::kHideChapterPane)->trigger();
    EXPECT_TRUE(p.pane.runCommand(cmd::kHideChapterPane));
    EXPECT_EQ(toggles, 2);
}

TEST_F(ManageView, NewReplacesTheBookWithAnUntitledOne) {
    const std::string first = p.storage.store().bookPath;
    select(root);
    p.pane.addDirectory();
    p.ui.queueAnswer(ui::Answer::No);  // don't save the changed book
    ASSERT_TRUE(p.pane.newBook());
    EXPECT_NE(p.storage.store().bookPath, first);
    EXPECT_TRUE(std::filesystem::exists(p.storage.store().bookPath));
    EXPECT_EQ(p.tree.model()->rowCount(), 1);
    EXPECT_EQ(p.tree.model()->rowCount(p.tree.model()->index(0, 0)), 1);
    EXPECT_EQ(selectedName(), "新建文本");
    EXPECT_FALSE(p.document.isModified());
    p.ui.clearMessages();
    ASSERT_TRUE(p.pane.newBook());  // nothing changed: no question
    EXPECT_TRUE(messages().empty());
}

}  // namespace
}  // namespace pgw::tree::widgets::testing
