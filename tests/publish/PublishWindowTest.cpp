// The publish form in the main window: the make command shows it with the book's working
// copy, the compile button writes a reader executable from a real book, and exit goes back.
#include "../book/BookFixture.h"
#include "IconFileBytes.h"
#include "TestPe.h"
#include "editors/CRTFView.h"
#include "publish/CDRMView.h"
#include "publish/PublishLayout.h"
#include "shell/CBiSplitterWnd.h"
#include "shell/CMainFrame.h"
#include "tree/widgets/CManageView.h"
#include "widgets/CTextProgressCtrl.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace pgw::publish {
namespace {

namespace cmd = framework::cmd;
namespace fs = std::filesystem;
using book::testing::gbk;
using book::testing::ScratchFolder;

std::vector<uint8_t> fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t le32(const std::vector<uint8_t>& bytes, size_t offset) {
    return uint32_t(bytes[offset]) | uint32_t(bytes[offset + 1]) << 8 | uint32_t(bytes[offset + 2]) << 16 |
           uint32_t(bytes[offset + 3]) << 24;
}

class PublishWindowTest : public ::testing::Test {
protected:
    PublishWindowTest() : frame(session) {
        frame.resize(1000, 700);
        frame.ui().setMessageBoxRunner([this](QMessageBox& box) {
            seen.push_back(box.text().toStdString());
            return int(QMessageBox::No);
        });
    }
    ~PublishWindowTest() override { frame.close(); }

    CDRMView& form() { return *frame.publishForm(); }
    int shownView() { return frame.splitter()->GetPaneViewId(1); }
    tree::widgets::CChapterTreeCtrl& tree() { return *frame.chapterPane()->tree(); }
    book::ChapterModel& chapters() { return session.chapters; }
    // A stub of `size` bytes, any content: the compiler copies it as it is.
    std::string fakeStub(size_t size) {
        const std::string path = folder.file("core");
        std::ofstream(path, std::ios::binary) << std::string(size, 'S');
        return path;
    }

    // A reader stub with an icon and its group, as the icon rewrite expects one.
    std::string stubWithAnIcon() {
        pe::test::PeLayout layout;
        layout.resources = {
            pe::test::resource(pe::ResourceId::number(3), pe::ResourceId::number(1), 0x804, std::vector<uint8_t>(64, 1)),
            pe::test::resource(pe::ResourceId::number(14), pe::ResourceId::number(1), 0x804, std::vector<uint8_t>(20, 0)),
        };
        const std::vector<uint8_t> stub = pe::test::buildPe(layout);
        const std::string path = folder.file("core");
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(stub.data()), std::streamsize(stub.size()));
        return path;
    }

    ScratchFolder folder;  // New makes the untitled book in the current folder
    book::BookSession session;
    shell::CMainFrame frame;
    std::vector<std::string> seen;
};

TEST_F(PublishWindowTest, MakeShowsTheFormWithTheWorkingCopyAndTheCompileButtonOn) {
    EXPECT_FALSE(form().state().bookCode.empty()) << "the new book got its GUID when it was made";
    frame.runCommand(cmd::kMake);
    EXPECT_EQ(shownView(), CDRMView::kViewId);
    EXPECT_EQ(form().state().bookPath, frame.storage().store().workingCopyPath);
    EXPECT_EQ(form().edit(control::kBookPath)->text().toStdString(), frame.storage().store().workingCopyPath);
    EXPECT_TRUE(form().button(control::kCompile)->isEnabled());
}

TEST_F(PublishWindowTest, CompilesTheBookIntoStubBlockBookAndTrailer) {
    frame.runCommand(cmd::kMake);
    form().setStubPath(fakeStub(3000));
    const std::string output = folder.file("book.exe");
    form().edit(control::kOutputPath)->setText(QString::fromStdString(output));
    form().edit(control::kAuthor)->setText(QStringLiteral("作者"));
    const std::string title = chapters().label(chapters().rootItem());

    form().button(control::kCompile)->click();

    EXPECT_TRUE(seen.empty()) << seen.front();
    const std::vector<uint8_t> bytes = fileBytes(output);
    ASSERT_GE(bytes.size(), 3000u + kPublishInfoBlockSize + kTrailerSize);
    const PublishInfoBlock block = decodePublishInfoBlock(bytes.data() + 3000);
    const uint64_t bookLength = block.bookLength;
    EXPECT_EQ(bytes.size(), 3000 + kPublishInfoBlockSize + bookLength + kTrailerSize);
    EXPECT_EQ(le32(bytes, bytes.size() - 4), 3000u) << "the trailer";
    EXPECT_EQ(le32(bytes, 3000), 3000u);
    EXPECT_EQ(block.bookOffset, 3000 + kPublishInfoBlockSize);
    EXPECT_EQ(block.title, title);
    EXPECT_EQ(block.bookCode, form().state().bookCode);
    EXPECT_EQ(block.iconFlag, 0u);
    EXPECT_EQ(decodeBookInfoRecord(block.bookInfo.data()).info.author, gbk("作者"));
    const uint8_t compoundSignature[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    EXPECT_TRUE(std::equal(std::begin(compoundSignature), std::end(compoundSignature),
                           bytes.begin() + 3000 + kPublishInfoBlockSize)) << "the book follows the block";

    EXPECT_FALSE(form().button(control::kCompile)->isEnabled()) << "make again to compile again";
    EXPECT_EQ(form().progress()->GetPos(), 0);
    EXPECT_EQ(form().progress()->upper(), int32_t(bookLength / 4096));
    EXPECT_EQ(form().progress()->backgroundColour(), 0xFAE6E6u);
    EXPECT_EQ(form().progress()->textColourOverBar(), 0x0000FFu);
    EXPECT_EQ(form().progress()->textColourOverBackground(), 0xFF0000u);
    EXPECT_FALSE(tree().isEnabled()) << "until the author leaves the form";
    EXPECT_EQ(chapters().label(chapters().rootItem()), title) << "the book is open again";
    EXPECT_TRUE(frame.storage().isOpen());
}

TEST_F(PublishWindowTest, AnIconChosenInTheFormMarksTheCompiledBook) {
    const std::string icon = folder.file("book.ico");
    std::ofstream(icon, std::ios::binary) << test::icoFileBytes();
    frame.ui().setFileDialogRunner([icon](QFileDialog& dialog) {
        dialog.selectFile(QString::fromStdString(icon));
        return int(QDialog::Accepted);
    });
    frame.runCommand(cmd::kMake);
    form().button(control::kChooseIcon)->click();
    ASSERT_TRUE(form().iconChosen());
    form().setStubPath(stubWithAnIcon());
    const std::string output = folder.file("icon.exe");
    form().edit(control::kOutputPath)->setText(QString::fromStdString(output));
    form().button(control::kCompile)->click();
    EXPECT_TRUE(seen.empty()) << seen.front();
    const std::vector<uint8_t> bytes = fileBytes(output);
    ASSERT_GE(bytes.size(), kPublishInfoBlockSize + kTrailerSize);
    const uint32_t blockOffset = le32(bytes, bytes.size() - 4);  // the rewritten stub's length
    ASSERT_LE(blockOffset + kPublishInfoBlockSize, bytes.size());
    EXPECT_EQ(decodePublishInfoBlock(bytes.data() + blockOffset).iconFlag, 1u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 2), "MZ");
    EXPECT_TRUE(form().iconChosen()) << "the choice outlives the compile";
}

TEST_F(PublishWindowTest, AFailedCompileKeepsTheCompileButton) {
    frame.runCommand(cmd::kMake);
    form().setStubPath(fakeStub(100));
    form().button(control::kCompile)->click();  // no output path
    EXPECT_EQ(seen, std::vector<std::string>{"请检查输入路径"});
    EXPECT_TRUE(form().button(control::kCompile)->isEnabled());
    EXPECT_TRUE(frame.storage().isOpen());
}

TEST_F(PublishWindowTest, ExitGoesBackToTheSelectedPageWithTheTreeEnabled) {
    chapters().selectItem(chapters().rootItem());
    ASSERT_TRUE(frame.chapterPane()->addTextPage());
    QTest::keyClicks(frame.textView()->editor(), QStringLiteral("page text"));
    frame.runCommand(cmd::kMake);
    ASSERT_EQ(shownView(), CDRMView::kViewId);
    frame.textView()->editor()->clear();  // what the page shows must come from its stream again
    form().edit(control::kOutputPath)->setText(QString::fromStdString(folder.file("out.exe")));
    form().setStubPath(fakeStub(10));
    form().button(control::kCompile)->click();
    ASSERT_FALSE(tree().isEnabled());

    form().button(control::kExit)->click();

    EXPECT_EQ(shownView(), int(book::PaneView::RichText));
    EXPECT_TRUE(tree().isEnabled());
    EXPECT_FALSE(form().button(control::kCompile)->isEnabled());
    EXPECT_TRUE(frame.textView()->editor()->toPlainText().contains(QStringLiteral("page text")));
    // Make enables the compile button again.
    frame.runCommand(cmd::kMake);
    EXPECT_TRUE(form().button(control::kCompile)->isEnabled());
}

TEST_F(PublishWindowTest, ANewBookGetsANewCodeAndAnEmptyOutputPath) {
    const std::string firstCode = form().state().bookCode;
    frame.runCommand(cmd::kMake);
    form().edit(control::kOutputPath)->setText(QStringLiteral("/tmp/x.exe"));
    form().takeData();
    frame.runCommand(cmd::kNew);
    EXPECT_NE(form().state().bookCode, firstCode);
    EXPECT_EQ(form().state().bookCode.size(), 36u);
    EXPECT_EQ(form().state().outputPath, "");
}

}  // namespace
}  // namespace pgw::publish
