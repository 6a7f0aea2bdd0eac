// Previewing compiled books: the whole book read back read-only, page up and page down in
// the tree's order, the information in full; every failure told, with no window left.
#include "PreviewBooks.h"

#include "BookFixture.h"
#include "editors/CWebBrowerView.h"
#include "preview/CBookInfoDialog.h"
#include "preview/CPreviewWindow.h"
#include "preview/PreviewOpening.h"
#include "preview/PreviewPages.h"
#include "shell/CMainFrame.h"
#include "stub/reader/CompiledBook.h"
#include "tests/stub/CompiledBookMaker.h"
#include "tests/support/DarkPalette.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QScrollArea>
#include <QTest>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace pgw::preview {
namespace {

using stub::testing::writeFile;

std::string fileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::vector<QString> labels(const QTreeWidget& tree) {
    std::vector<QString> shown;
    for (QTreeWidgetItemIterator item(const_cast<QTreeWidget*>(&tree)); *item; ++item) shown.push_back((*item)->text(0));
    return shown;
}

QString chapterName(const CPreviewWindow& window) { return window.tree()->currentItem()->text(0); }

// No preview window is left over from a test.
size_t openPreviewWindows() {
    size_t count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (dynamic_cast<CPreviewWindow*>(widget) && widget->isVisible()) ++count;
    return count;
}

class PreviewTest : public ::testing::Test {
protected:
    ~PreviewTest() override {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (dynamic_cast<CPreviewWindow*>(widget)) widget->close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    book::testing::ScratchFolder folder;
    ui::ScriptedUserInterface ui;
};

TEST_F(PreviewTest, ShowsEveryKindOfPageAndTheInformationWithoutWritingToTheBook) {
    const std::string path = writeFile("书.exe", testing::previewBook());
    const std::string before = fileBytes(path);
    CPreviewWindow* window = openPreview(path, ui);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(ui.messages().empty());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("测试之书 - 预览"));
    const std::vector<QString> expected{"新建文档", "新建文本", "第一章", "正文", "坏页", "插图", "网页"};
    EXPECT_EQ(labels(*window->tree()), expected);
    for (QTreeWidgetItemIterator item(window->tree()); *item; ++item)
        EXPECT_FALSE((*item)->icon(0).isNull()) << (*item)->text(0).toStdString();

    // The first page is on show; PgDn goes through the pages in order, whatever has the focus.
    PreviewPages& pages = *window->pages();
    EXPECT_EQ(chapterName(*window), QStringLiteral("新建文本"));
    EXPECT_EQ(pages.currentWidget(), pages.textPage());
    QTest::keyClick(window->tree(), Qt::Key_PageDown);
    EXPECT_EQ(chapterName(*window), QStringLiteral("正文"));
    EXPECT_EQ(pages.textPage()->toPlainText(), QStringLiteral("正文第一句"));
    EXPECT_TRUE(pages.textPage()->isReadOnly());
    QTest::keyClick(pages.textPage(), Qt::Key_PageDown);
    EXPECT_EQ(pages.notice(), QStringLiteral("文本页面已损坏：坏页"));  // the rest stays readable
    window->pageDown();
    EXPECT_EQ(chapterName(*window), QStringLiteral("插图"));
    ASSERT_EQ(pages.currentWidget(), pages.picturePage());
    EXPECT_EQ(pages.pictures().size(), 2u);
    const QImage drawn = static_cast<QScrollArea*>(pages.picturePage())->widget()->grab().toImage();
    EXPECT_EQ(drawn.pixelColor(30, 40), QColor(200, 40, 40));
    EXPECT_EQ(drawn.pixelColor(5, 5), QColor(Qt::white));
    QTest::keyClick(pages.picturePage(), Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(pages.currentWidget(), pages.webPage());
    EXPECT_TRUE(pages.webPage()->toPlainText().contains(QStringLiteral("网页正文")));
    window->pageDown();  // nothing past the last page
    EXPECT_EQ(chapterName(*window), QStringLiteral("网页"));
    QTest::keyClick(pages.webPage(), Qt::Key_PageUp);
    EXPECT_EQ(chapterName(*window), QStringLiteral("插图"));
    // From a directory: the pages either side of it in the tree.
    window->selectChapter(2);
    EXPECT_EQ(chapterName(*window), QStringLiteral("第一章"));
    window->pageDown();
    EXPECT_EQ(chapterName(*window), QStringLiteral("正文"));
    window->selectChapter(2);
    window->pageUp();
    EXPECT_EQ(chapterName(*window), QStringLiteral("新建文本"));
    window->pageUp();
    EXPECT_EQ(chapterName(*window), QStringLiteral("新建文本"));

    CBookInfoDialog* info = window->showBookInfo();
    const std::pair<const char*, const char*> fields[] = {
        {"书名", "测试之书"}, {"作者", "作者甲"}, {"主页", "http://example.invalid/"}, {"电子信箱", "a@example.invalid"},
        {"版权信息", "版权所有"}, {"制作时间", "2026-12-08"}, {"电子书编码", "0123ABCD-4567-89EF-0123-456789ABCDEF"},
        {"电子书ID", "ISBN-1"}, {"其它信息", "其它：第二版，有插图"}};
    for (const auto& [label, text] : fields) EXPECT_EQ(info->fieldText(QString::fromUtf8(label)).toStdString(), text) << label;
    // The text stays readable on a dark desktop.
    {
        const test::ScopedAppPalette dark(test::darkPalette());
        window->selectChapter(3);
        EXPECT_GT(test::inkContrast(window->pages()->grab().toImage()), 4.5);
    }
    info->close();
    window->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(fileBytes(path), before);
}

TEST_F(PreviewTest, FailuresSayWhyAndLeaveNoWindow) {
    const std::string book = testing::previewBook();
    std::string cut = book;
    cut.erase(cut.size() / 2, 4096);
    std::string block = book;
    block[0x400 + 8] ^= 0x5A;  // inside the information block
    const std::pair<std::string, std::string> cases[] = {
        {folder.file("无此文件.exe"), "找不到要预览的电子书：" + folder.file("无此文件.exe")},
        {writeFile("reader.exe", stub::testing::readerPrefix()), "无法预览“reader.exe”：这是电子书的阅读程序，其中没有附带电子书。"},
        {writeFile("cut.exe", cut), "无法预览“cut.exe”：这不是一本完整的电子书："},
        {writeFile("block.exe", block), "无法预览“block.exe”：这不是一本完整的电子书："},
    };
    for (const auto& [path, message] : cases) {
        SCOPED_TRACE(path);
        ui.clearMessages();
        EXPECT_EQ(openPreview(path, ui), nullptr);
        ASSERT_EQ(ui.messages().size(), 1u);
        EXPECT_EQ(ui.messages()[0].text.rfind(message, 0), 0u) << ui.messages()[0].text;
        EXPECT_EQ(ui.messages()[0].caption, "预览电子书");
        EXPECT_EQ(openPreviewWindows(), 0u);
    }

    // A damaged chapter table: a warning, and what could be placed.
    ui.clearMessages();
    CPreviewWindow* window = openPreview(writeFile("table.exe", testing::previewBookWithDamagedTable()), ui);
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(ui.messages().size(), 1u);
    EXPECT_EQ(ui.messages()[0].text.rfind("“table.exe”的章节目录已损坏，下面显示的是能够放置的章节：\n", 0), 0u)
        << ui.messages()[0].text;
    EXPECT_EQ(labels(*window->tree()).size(), 7u);  // the page without its directory, put where the reader puts it
}

// File > 预览电子书 asks for the book through the file dialog, with or without a book open.
TEST_F(PreviewTest, TheFileMenuOpensAPreviewBesideTheWindow) {
    const std::string path = writeFile("书.exe", testing::previewBook());
    book::BookSession session;
    shell::CMainFrame frame(session);
    std::vector<QStringList> filters;
    std::string answer = path;
    frame.ui().setFileDialogRunner([&](QFileDialog& dialog) {
        filters.push_back(dialog.nameFilters());
        dialog.selectFile(QString::fromStdString(answer));
        return int(QDialog::Accepted);
    });
    std::vector<std::string> seen;
    frame.ui().setMessageBoxRunner([&](QMessageBox& box) {
        seen.push_back(box.text().toStdString());
        return int(QMessageBox::Ok);
    });
    ASSERT_TRUE(frame.runCommand(framework::cmd::kPreviewBook));
    ASSERT_EQ(filters.size(), 1u);
    EXPECT_EQ(filters[0].front(), QStringLiteral("电子书 (*.exe)"));
    auto* window = frame.findChild<CPreviewWindow*>();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isWindow());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("测试之书 - 预览"));
    EXPECT_TRUE(seen.empty());

    answer = folder.file("gone.exe");
    frame.runCommand(framework::cmd::kPreviewBook);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], "找不到要预览的电子书：" + answer);
    frame.close();
}

}  // namespace
}  // namespace pgw::preview
