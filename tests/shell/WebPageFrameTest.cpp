// Web pages in the main window: the web view shows the page's stored HTML, read-only, and
// leaving or saving never writes it back; the help command when no help file is there.

#include "../book/BookFixture.h"
#include "editors/CWebBrowerView.h"
#include "platform/ui/DesktopServices.h"
#include "shell/CBiSplitterWnd.h"
#include "shell/CMainFrame.h"
#include "tree/TreeItems.h"
#include "tree/widgets/CManageView.h"

#include <QMessageBox>
#include <QTextDocument>

#include <gtest/gtest.h>

namespace pgw::shell {
namespace {

namespace cmd = framework::cmd;
using book::testing::ScratchFolder;

class WebPageFrameTest : public ::testing::Test {
protected:
    WebPageFrameTest() : frame(session) {
        frame.resize(1000, 700);
        frame.setDesktop(desktop);
        frame.ui().setMessageBoxRunner([this](QMessageBox& box) {
            messages.push_back(box.text());
            return int(QMessageBox::No);
        });
    }
    ~WebPageFrameTest() override { frame.close(); }

    tree::widgets::CChapterTreeCtrl& tree() { return *frame.chapterPane()->tree(); }
    book::ChapterModel& chapters() { return session.chapters; }

    // A web page under the root whose stream holds `content`, as a book from elsewhere has it.
    std::string addWebPage(const std::string& name, const std::string& content) {
        frame.storage().createPage(chapters().rootItem(), name, book::NodeType::Web);
        book::NodeInfoRecord* record = session.index.find(name);
        EXPECT_TRUE(record && record->stream);
        EXPECT_EQ(record->stream->write(content.data(), content.size()), pgw::storage::StgResult::Ok);
        EXPECT_EQ(record->stream->commit(), pgw::storage::StgResult::Ok);
        return name;
    }
    std::string streamBytes(const std::string& name) {
        std::vector<uint8_t> bytes;
        EXPECT_EQ(session.index.find(name)->stream->readAll(&bytes), pgw::storage::StgResult::Ok);
        return std::string(bytes.begin(), bytes.end());
    }
    void select(const std::string& name) { chapters().selectItem(session.index.find(name)->item); }
    QString shownPage() { return frame.webView()->browser()->document()->toPlainText(); }

    ScratchFolder folder;
    book::BookSession session;
    ui::RecordingDesktopServices desktop;
    CMainFrame frame;
    std::vector<QString> messages;
};

TEST_F(WebPageFrameTest, WebPageShowsItsHtmlAndIsNeverWrittenBack) {
    const std::string html = "<h1>网页</h1><p>内容</p>";
    const std::string web = addWebPage("web1", html);
    select(web);
    ASSERT_EQ(frame.splitter()->GetPaneViewId(1), int(book::PaneView::Web));
    EXPECT_EQ(shownPage(), QStringLiteral("网页\n内容"));

    chapters().selectItem(chapters().rootItem());
    ASSERT_TRUE(frame.chapterPane()->addTextPage());
    EXPECT_EQ(frame.splitter()->GetPaneViewId(1), int(book::PaneView::RichText));
    select(web);
    EXPECT_EQ(shownPage(), QStringLiteral("网页\n内容"));
    session.index.find(web)->storePending = true;  // as a save marks the page on show
    EXPECT_TRUE(frame.document().exchangePage(web));
    EXPECT_EQ(streamBytes(web), html);
    EXPECT_FALSE(session.index.find(web)->storePending);
}

TEST_F(WebPageFrameTest, AnEmptyWebPageClearsThePreviousOne) {
    const std::string full = addWebPage("web1", "<p>满的</p>");
    const std::string empty = addWebPage("web2", "");
    select(full);
    EXPECT_FALSE(shownPage().isEmpty());
    select(empty);
    EXPECT_EQ(frame.splitter()->GetPaneViewId(1), int(book::PaneView::Web));
    EXPECT_TRUE(shownPage().isEmpty());
}

TEST_F(WebPageFrameTest, SavingWhileAWebPageShowsKeepsItsBytes) {
    const std::string damaged = std::string("<p>\xD6\xD0\xFF", 6) + std::string(4, '\0') + "tail";
    const std::string web = addWebPage("web1", damaged);
    select(web);
    EXPECT_EQ(shownPage(), QStringLiteral("中") + QChar::ReplacementCharacter);
    frame.ui().setFileDialogRunner([this](QFileDialog& dialog) {
        dialog.selectFile(QString::fromStdString(folder.file("saved.pgw")));
        return int(QDialog::Accepted);
    });
    frame.runCommand(cmd::kSave);
    EXPECT_EQ(streamBytes(web), damaged);
}

TEST_F(WebPageFrameTest, HelpWithoutAHelpFileSaysSoAndOpensNothing) {
    // The test program's folder holds no help file.
    EXPECT_TRUE(frame.runCommand(cmd::kHelpContents));
    EXPECT_EQ(messages, std::vector<QString>{QStringLiteral("链接帮助文件出错!")});
    EXPECT_TRUE(desktop.files.empty());
    EXPECT_TRUE(desktop.urls.empty());
}

}  // namespace
}  // namespace pgw::shell
