// The publish form in the main window: the make command shows it with the book's working
// copy, the compile button writes a reader executable from a real book, and exit goes back.
#include "../book/BookFixture.h"
#include "IconFileBytes.h"
#include "TestPe.h"
#include "editors/CRTFView.h"
#include "platform/ui/DesktopServices.h"
#include "publish/CDRMView.h"
#include "publish/DrmFormLayout.h"
#include "publish/PublishLayout.h"
#include "shell/CBiSplitterWnd.h"
#include "shell/CMainFrame.h"
#include "tree/widgets/CManageView.h"
#include "widgets/CTextProgressCtrl.h"

#include <QFileDialog>
#include <QLabel>
#include <QScrollBar>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
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
        frame.setDesktop(desktop);
        frame.ui().setMessageBoxRunner([this](QMessageBox& box) {
            seen.push_back(box.text().toStdString());
            if (answers.empty()) return int(QMessageBox::No);
            const int answer = answers.front();
            answers.pop_front();
            return answer;
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

    void setOutput(const std::string& path) { form().edit(control::kOutputPath)->setText(QString::fromStdString(path)); }
    static std::string compiledMessage(const std::string& output) {
        return "电子书已合成：\n" + output + "\n\n要打开它所在的文件夹吗？";
    }

    ScratchFolder folder;  // New makes the untitled book in the current folder
    book::BookSession session;
    ui::RecordingDesktopServices desktop;
    shell::CMainFrame frame;
    std::vector<std::string> seen;
    std::deque<int> answers;  // the buttons pressed in the next message boxes; No when none is left
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

    EXPECT_EQ(seen, std::vector<std::string>{compiledMessage(output)});
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
    EXPECT_EQ(seen, std::vector<std::string>{compiledMessage(output)});
    const std::vector<uint8_t> bytes = fileBytes(output);
    ASSERT_GE(bytes.size(), kPublishInfoBlockSize + kTrailerSize);
    const uint32_t blockOffset = le32(bytes, bytes.size() - 4);  // the rewritten stub's length
    ASSERT_LE(blockOffset + kPublishInfoBlockSize, bytes.size());
    EXPECT_EQ(decodePublishInfoBlock(bytes.data() + blockOffset).iconFlag, 1u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 2), "MZ");
    EXPECT_TRUE(form().iconChosen()) << "the choice outlives the compile";

    // Back to the stub's own icon: the next book carries the stub as it is shipped.
    frame.runCommand(cmd::kMake);
    form().button(control::kClearIcon)->click();
    const std::string plain = folder.file("plain.exe");
    setOutput(plain);
    form().button(control::kCompile)->click();
    const std::vector<uint8_t> stub = fileBytes(folder.file("core"));
    const std::vector<uint8_t> plainBytes = fileBytes(plain);
    ASSERT_GE(plainBytes.size(), stub.size() + kPublishInfoBlockSize);
    EXPECT_TRUE(std::equal(stub.begin(), stub.end(), plainBytes.begin()));
    EXPECT_EQ(decodePublishInfoBlock(plainBytes.data() + stub.size()).iconFlag, 0u);
    EXPECT_FALSE(form().iconChosen());
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

TEST_F(PublishWindowTest, EveryRefusalKeepsTheOldOutputAndGivesTheTreeBack) {
    frame.runCommand(cmd::kMake);
    const std::string stub = fakeStub(3000);
    form().setStubPath(stub);
    const std::string output = folder.file("book.exe");
    std::ofstream(output, std::ios::binary) << "the author's old program";
    setOutput(output);
    const QString tooLong(51, QLatin1Char('x'));
    const std::string missingIcon = folder.file("gone.ico");
    const std::string replace = "“" + output + "”已经存在。\n要替换它吗？";
    struct Refusal {
        const char* what;
        std::function<void()> arrange, undo;
        std::vector<std::string> messages;
    };
    const Refusal refusals[] = {
        {"a text too long", [&] { form().edit(control::kAuthor)->setText(tooLong); },
         [&] {
             EXPECT_EQ(form().edit(control::kAuthor)->text(), tooLong) << "kept for correcting";
             form().edit(control::kAuthor)->clear();
         },
         {"“作者名”太长：请填入不多于50个字符（一个汉字算两个字符）。"}},
        {"an icon path that names no icon",
         [&] { form().edit(control::kIconPath)->setText(QString::fromStdString(missingIcon)); },
         [&] { form().button(control::kClearIcon)->click(); }, {"读图标文件时出错!"}},
        {"No to replacing the output", [&] { answers.push_back(QMessageBox::No); }, [] {}, {replace}},
        {"a compile that fails", [&] {
             answers.push_back(QMessageBox::Yes);
             form().setStubPath(folder.file("no-core"));
         },
         [&] { form().setStubPath(stub); }, {replace, "找不到阅读器文件：" + folder.file("no-core")}},
    };
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.what);
        tree().setEnabled(false);  // as an earlier compile leaves it
        seen.clear();
        refusal.arrange();
        EXPECT_FALSE(form().CompileBook());
        EXPECT_EQ(seen, refusal.messages);
        EXPECT_TRUE(tree().isEnabled());
        EXPECT_TRUE(form().button(control::kCompile)->isEnabled());
        const std::vector<uint8_t> kept = fileBytes(output);
        EXPECT_EQ(std::string(kept.begin(), kept.end()), "the author's old program");
        EXPECT_FALSE(fs::exists(output + ",tmp"));
        EXPECT_TRUE(frame.storage().isOpen());
        refusal.undo();
    }
}

TEST_F(PublishWindowTest, ASuccessfulCompileSaysWhereTheBookIsAndOpensItsFolderOnRequest) {
    form().setStubPath(fakeStub(100));
    const std::string output = folder.file("book.exe");
    std::ofstream(output, std::ios::binary) << "old";
    const std::string replace = "“" + output + "”已经存在。\n要替换它吗？";
    struct Round {
        const char* what;
        int open;  // the answer to opening the folder
        bool desktopOpens;
        std::vector<std::string> afterQuestions;
        size_t opened;
    };
    const Round rounds[] = {
        {"left closed", QMessageBox::No, true, {}, 0},
        {"opened", QMessageBox::Yes, true, {}, 1},
        {"the desktop cannot open it", QMessageBox::Yes, false, {"无法打开文件夹：" + folder.path().string()}, 2},
    };
    for (const Round& round : rounds) {
        SCOPED_TRACE(round.what);
        frame.runCommand(cmd::kMake);
        setOutput(output);
        desktop.succeed = round.desktopOpens;
        seen.clear();
        answers = {QMessageBox::Yes, round.open};
        ASSERT_TRUE(form().CompileBook());
        std::vector<std::string> expected{replace, compiledMessage(output)};
        expected.insert(expected.end(), round.afterQuestions.begin(), round.afterQuestions.end());
        EXPECT_EQ(seen, expected);
        EXPECT_EQ(frame.statusPane(1)->text().toStdString(), "电子书合成成功：" + output);
        EXPECT_EQ(desktop.urls.size(), round.opened);
        if (!desktop.urls.empty()) {
            EXPECT_EQ(desktop.urls.back(), folder.path().string());
        }
        EXPECT_GT(fileBytes(output).size(), 100u + kPublishInfoBlockSize) << "replaced";
    }
    EXPECT_EQ(desktop.beeps, 3);
}

TEST_F(PublishWindowTest, TheFormFitsItsPaneWithoutScrollingAcross) {
    frame.show();
    frame.runCommand(cmd::kMake);
    for (const QSize size : {QSize(1024, 700), QSize(1280, 800), QSize(1920, 1080)}) {
        SCOPED_TRACE(size.width());
        frame.resize(size);
        QCoreApplication::processEvents();
        QWidget* viewport = form().viewport();
        EXPECT_FALSE(form().horizontalScrollBar()->isVisible());
        EXPECT_LE(form().widget()->width(), kMaxFormWidth);
        for (QPushButton* button : form().widget()->findChildren<QPushButton*>()) {
            const QRect shown(button->mapTo(viewport, QPoint()), button->size());
            EXPECT_TRUE(button->isVisible() && viewport->rect().contains(shown))
                << button->text().toStdString() << " at " << shown.x() << "," << shown.y();
        }
        // Wide panes show the form in their middle.
        const QRect page = form().widget()->geometry();
        EXPECT_LE(std::abs(page.left() - (viewport->width() - page.right() - 1)), 1);
    }
}

}  // namespace
}  // namespace pgw::publish
