// The text view's editing paths, its caret report, its context menu and find and replace.

#include "ViewFixture.h"
#include "editors/CaretPosition.h"
#include "editors/FindReplaceDialog.h"
#include "editors/ClipboardForms.h"
#include "widgets/CMenuEx.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QLineEdit>
#include <QImage>
#include <QUrl>
#include <QTemporaryDir>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

namespace pgw::editors {
namespace {

namespace cmd = framework::cmd;
using testing::kTwoParagraphs;
using testing::ViewParts;

struct EditCase {
    framework::CommandId id;
    bool withSelection;
    const char* textAfter;
    bool marks;
};

class EditPathTest : public ::testing::TestWithParam<EditCase> {};

TEST_P(EditPathTest, ChangesTheTextAndMarksAsTheCommandDoes) {
    const EditCase c = GetParam();
    ViewParts parts("{\\rtf1\\ansi abcdef\\par}");
    QApplication::clipboard()->setText(QStringLiteral("XY"));
    if (c.withSelection) parts.select(1, 3);
    else parts.caretTo(1);
    parts.view.runCommand(c.id);
    EXPECT_EQ(parts.edit().toPlainText().toStdString(), c.textAfter);
    EXPECT_EQ(parts.edited(), c.marks);
    EXPECT_EQ(parts.document.isModified(), c.marks);
}

INSTANTIATE_TEST_SUITE_P(Commands, EditPathTest,
                         ::testing::Values(EditCase{cmd::kCopy, true, "abcdef", false},
                                           EditCase{cmd::kCut, true, "adef", true},
                                           EditCase{cmd::kPaste, true, "aXYdef", true},
                                           EditCase{cmd::kPaste, false, "aXYbcdef", true},
                                           EditCase{cmd::kDeleteSelection, true, "adef", true},
                                           // Nothing to delete, but the command still counts as an edit.
                                           EditCase{cmd::kDeleteSelection, false, "abcdef", true},
                                           EditCase{cmd::kPrint, true, "abcdef", false},
                                           EditCase{cmd::kPrintPreview, true, "abcdef", false}));

TEST(RTFViewEditing, CopyThenPasteBringsTheTextBack) {
    ViewParts parts("{\\rtf1\\ansi abc\\par}");
    parts.select(0, 3);
    parts.view.runCommand(cmd::kCopy);
    parts.caretTo(3);
    parts.view.runCommand(cmd::kPaste);
    EXPECT_EQ(parts.edit().toPlainText(), QStringLiteral("abcabc"));
}

TEST(RTFViewEditing, DroppedDataIsRefused) {
    ViewParts parts("{\\rtf1\\ansi abc\\par}");
    QMimeData data;
    data.setText(QStringLiteral("dropped"));
    QWidget* viewport = parts.edit().viewport();
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    EXPECT_FALSE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &drop);
    EXPECT_EQ(parts.edit().toPlainText(), QStringLiteral("abc"));
    EXPECT_FALSE(parts.document.isModified());
}

// A picture comes in from the clipboard and from picture files dropped on the page; other
// files dropped are refused, as text is.
TEST(RTFViewEditing, PicturesArePastedAndDroppedAsPagePictures) {
    ViewParts parts("{\\rtf1\\ansi abc\\par}");
    parts.edit().setReadOnly(false);  // as once the open book's page is painted
    QImage copied(7, 5, QImage::Format_RGB32);
    copied.fill(Qt::red);
    QApplication::clipboard()->setImage(copied);
    parts.caretTo(1);
    parts.view.runCommand(cmd::kPaste);

    QTemporaryDir folder;
    QImage(3, 4, QImage::Format_RGB32).save(folder.filePath(QStringLiteral("dropped.PNG")));
    QFile text(folder.filePath(QStringLiteral("notes.txt")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly) && text.write("x") == 1);
    text.close();
    const auto drop = [&](const QString& name) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(folder.filePath(name))});
        QWidget* viewport = parts.edit().viewport();
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &enter);
        QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        if (enter.isAccepted()) QApplication::sendEvent(viewport, &dropped);
        return enter.isAccepted();
    };
    EXPECT_FALSE(drop(QStringLiteral("notes.txt")));
    EXPECT_TRUE(drop(QStringLiteral("dropped.PNG")));

    std::vector<std::pair<int, int>> sizes;
    const richtext::RichDocument content = parts.content();
    for (const richtext::Inline& piece : content.paragraphs.at(0).content)
        if (const auto* picture = std::get_if<richtext::Picture>(&piece)) {
            EXPECT_EQ(picture->format, richtext::PictureFormat::Dib);
            sizes.emplace_back(picture->sourceWidth, picture->sourceHeight);
        }
    std::sort(sizes.begin(), sizes.end());
    EXPECT_EQ(sizes, (std::vector<std::pair<int, int>>{{3, 4}, {7, 5}}));
    EXPECT_EQ(parts.edit().toPlainText().remove(QChar::ObjectReplacementCharacter), QStringLiteral("abc"));
    EXPECT_TRUE(parts.edited());
}

// Paste Special offers the clipboard's forms and inserts the one chosen through the page's
// own readers: RTF and HTML with their formats, plain text in the caret's.
TEST(RTFViewEditing, PasteSpecialInsertsTheChosenForm) {
    const auto clipboardData = [] {
        auto* data = new QMimeData;
        data->setData(QStringLiteral("text/rtf"),
                      "{\\rtf1\\ansi\\ansicpg936{\\fonttbl{\\f0\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}\\f0\\b \\'b4\\'d6\\b0 r\\par}");
        data->setHtml(QStringLiteral("<i>斜</i>h"));
        data->setText(QStringLiteral("纯p"));
        return data;
    };
    struct Case {
        std::optional<PasteForm> chosen;
        const char* text;
        const char* formatted;  // a run that must carry bold or italic
    };
    for (const Case& c : {Case{PasteForm::Rtf, "a粗rbc", "粗"}, Case{PasteForm::Html, "a斜hbc", "斜"},
                          Case{PasteForm::PlainText, "a纯pbc", nullptr}, Case{std::nullopt, "abc", nullptr}}) {
        ViewParts parts("{\\rtf1\\ansi abc\\par}");
        QApplication::clipboard()->setMimeData(clipboardData());
        std::vector<PasteForm> offered;
        parts.view.setPasteFormChooser([&](const std::vector<PasteForm>& forms, QWidget*) {
            offered = forms;
            return c.chosen;
        });
        parts.caretTo(1);
        parts.view.runCommand(cmd::kPasteSpecial);
        EXPECT_EQ(offered, (std::vector<PasteForm>{PasteForm::Rtf, PasteForm::Html, PasteForm::PlainText}));
        EXPECT_EQ(parts.edit().toPlainText().toStdString(), c.text);
        if (c.formatted) {
            const richtext::CharFormat format = parts.formatOf(c.formatted);
            EXPECT_TRUE(format.bold || format.italic) << c.formatted;
        }
        EXPECT_EQ(parts.edited(), c.chosen.has_value());
    }
}

// A word processor's RTF on the clipboard is pasted through the page's reader (its list and
// link kept), before the HTML beside it; text copied in the editor comes back as copied.
TEST(RTFViewEditing, PasteTakesRtfThroughThePagesReader) {
    ViewParts parts("{\\rtf1\\ansi abc\\par}");
    auto* data = new QMimeData;
    data->setData(QStringLiteral("text/rtf"),
                  "{\\rtf1\\ansi{\\pntext 1.\\tab}{\\*\\pn\\pnlvlbody\\pndec}"
                  "{\\field{\\*\\fldinst HYPERLINK \"http://a.cn\"}{\\fldrslt x}}\\par}");
    data->setHtml(QStringLiteral("<p>html</p>"));
    QApplication::clipboard()->setMimeData(data);
    parts.caretTo(3);
    parts.view.runCommand(cmd::kPaste);
    const richtext::RichDocument content = parts.content();
    ASSERT_EQ(content.paragraphs.size(), 2u);
    EXPECT_EQ(content.paragraphs[1].format.list, richtext::ListStyle::Decimal);
    EXPECT_EQ(parts.formatOf("x").link, "http://a.cn");

    parts.select(0, 2);
    parts.view.runCommand(cmd::kCopy);
    parts.caretTo(0);
    parts.view.runCommand(cmd::kPaste);
    EXPECT_EQ(parts.edit().toPlainText().left(5).toStdString(), "ababc");
}

TEST(RTFViewCaret, PositionCountsLinesAndColumnsFromZero) {
    ViewParts parts(kTwoParagraphs);
    parts.view.show();
    CaretLineCounter lines;
    lines.attach(parts.edit().document());
    const std::pair<int, CaretPosition> cases[] = {{0, {0, 0}}, {3, {0, 3}}, {5, {0, 5}}, {6, {1, 0}}, {9, {1, 3}}};
    for (const auto& [position, expected] : cases) {
        parts.caretTo(position);
        EXPECT_EQ(caretPosition(parts.edit(), lines), expected) << position;
    }
    // A paragraph wrapped over several lines counts each of them.
    parts.view.loadText("{\\rtf1\\ansi " + std::string(400, 'w') + "\\par x\\par}");
    lines.attach(parts.edit().document());
    parts.edit().setLineWrapMode(QTextEdit::FixedPixelWidth);
    parts.edit().setLineWrapColumnOrWidth(100);
    parts.caretTo(400);
    EXPECT_GT(caretPosition(parts.edit(), lines).line, 2);
    EXPECT_GT(caretPosition(parts.edit(), lines).column, 0);
    parts.caretTo(402);
    const int below = caretPosition(parts.edit(), lines).line;
    EXPECT_GT(below, 3);
    // Text taken out of the wrapped paragraph takes its lines with it.
    QTextCursor cursor(parts.edit().document());
    cursor.setPosition(0);
    cursor.setPosition(395, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    parts.caretTo(6);
    EXPECT_EQ(caretPosition(parts.edit(), lines), (CaretPosition{1, 0}));
}

TEST(RTFViewCaret, TheStatusBarFollowsTheCaretWhileTyping) {
    ViewParts parts(kTwoParagraphs);
    parts.view.show();
    QString reported;
    parts.view.setCaretReporter([&](const QString& text) { reported = text; });
    // The report comes once the events of the move are through, and the page laid out.
    const auto reports = [&](const char* expected) {
        return QTest::qWaitFor([&] { return reported.toStdString() == expected; });
    };
    parts.caretTo(12);
    QTest::keyClicks(&parts.edit(), QStringLiteral("xy"));
    EXPECT_TRUE(reports("第 1 行 第 8 列")) << reported.toStdString();
    parts.caretTo(0);
    QTest::keyClick(&parts.edit(), Qt::Key_Return);
    EXPECT_TRUE(reports("第 1 行 第 0 列")) << reported.toStdString();
    parts.caretTo(14);
    EXPECT_TRUE(reports("第 2 行 第 7 列")) << reported.toStdString();
}

TEST(RTFViewCaret, TheLeftButtonReleaseReportsTheCaret) {
    ViewParts parts(kTwoParagraphs);
    parts.view.show();
    QString reported;
    parts.view.setCaretReporter([&](const QString& text) { reported = text; });
    parts.view.setMenuRunner([](QMenu&, const QPoint&) { return nullptr; });
    QTest::mouseClick(parts.edit().viewport(), Qt::LeftButton, {}, QPoint(1, 1));
    EXPECT_EQ(reported.toStdString(), "第 0 行 第 0 列");
    parts.caretTo(8);
    QTest::mouseClick(parts.edit().viewport(), Qt::RightButton, {}, QPoint(1, 1));
    EXPECT_EQ(reported.toStdString(), "第 0 行 第 0 列");  // only the left button reports
}

TEST(RTFViewContextMenu, ShowsOnlyWithABookOpenAndItsCommandGoesToTheView) {
    ViewParts parts(kTwoParagraphs);
    parts.view.show();
    std::vector<std::string> texts;
    int shown = 0;
    parts.view.setMenuRunner([&](QMenu& menu, const QPoint&) -> QAction* {
        ++shown;
        texts.clear();
        QAction* remove = nullptr;
        for (QAction* action : menu.actions()) {
            texts.push_back(action->text().toStdString());
            if (CMenuEx::commandId(action) == int(cmd::kDeleteSelection)) remove = action;
        }
        return remove;
    });
    parts.session.bookOpen = false;
    QTest::mouseClick(parts.edit().viewport(), Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_EQ(shown, 0);

    parts.session.bookOpen = true;
    parts.select(0, 5);
    QTest::mousePress(parts.edit().viewport(), Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(texts, (std::vector<std::string>{"剪切(&T)\tCtrl+X", "复制(&C)\tCtrl+C", "粘贴(&P)\tCtrl+V", "添加书签",
                                               "", "删除选中文本"}));
    EXPECT_EQ(parts.edit().toPlainText().left(3), QStringLiteral("\nse"));
    EXPECT_TRUE(parts.edited());
}

// Find and replace, on the steps and through the dialog.
struct FindCase {
    const char* text;
    FindOptions options;
    int from;
    int expectedStart;  // -1: not found
};

class FindTest : public ::testing::TestWithParam<FindCase> {};

TEST_P(FindTest, FindsTheNextMatchGoingRound) {
    const FindCase c = GetParam();
    ViewParts parts(std::string("{\\rtf1\\ansi ") + c.text + "\\par}");
    parts.caretTo(c.from);
    const bool found = findNext(parts.edit(), c.options);
    EXPECT_EQ(found, c.expectedStart >= 0);
    if (found) EXPECT_EQ(parts.edit().textCursor().selectionStart(), c.expectedStart);
    else EXPECT_EQ(parts.edit().textCursor().position(), c.from);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FindTest,
    ::testing::Values(FindCase{"cat Cat cat", {"cat"}, 1, 4}, FindCase{"cat Cat cat", {"cat", true}, 1, 8},
                      FindCase{"cat Cat cat", {"cat", true}, 9, 0},  // round to the start
                      FindCase{"catalog cat", {"cat", false, true}, 0, 8}, FindCase{"catalog", {"cat", false, true}, 0, -1},
                      FindCase{"abc", {"zzz"}, 1, -1}, FindCase{"abc", {""}, 1, -1}));

TEST(FindReplace, ReplaceAllIsOneUndoStepAndNeverReplacesItsOwnReplacement) {
    ViewParts parts("{\\rtf1\\ansi a b a b\\par}");
    EXPECT_EQ(replaceAll(parts.edit(), {"a"}, QStringLiteral("xa")), 2);
    EXPECT_EQ(parts.edit().toPlainText(), QStringLiteral("xa b xa b"));
    parts.edit().undo();
    EXPECT_EQ(parts.edit().toPlainText(), QStringLiteral("a b a b"));
}

TEST(FindReplace, TheDialogFindsReplacesAndReportsWhatIsNotThere) {
    ViewParts parts("{\\rtf1\\ansi one two one\\par}");
    parts.view.runCommand(cmd::kReplace);
    FindReplaceDialog* dialog = parts.view.findDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->windowTitle().toStdString(), "替换");
    dialog->findField()->setText(QStringLiteral("one"));
    dialog->replaceField()->setText(QStringLiteral("1"));
    dialog->findNextButton()->click();
    EXPECT_EQ(parts.edit().textCursor().selectedText(), QStringLiteral("one"));
    EXPECT_FALSE(parts.document.isModified());

    dialog->replaceButton()->click();
    EXPECT_EQ(parts.edit().toPlainText(), QStringLiteral("1 two one"));
    EXPECT_EQ(parts.edit().textCursor().selectionStart(), 6);
    EXPECT_TRUE(parts.edited());

    dialog->replaceAllButton()->click();
    EXPECT_EQ(parts.edit().toPlainText(), QStringLiteral("1 two 1"));
    dialog->findField()->setText(QStringLiteral("zzz"));
    dialog->findNextButton()->click();
    EXPECT_EQ(parts.ui.messageTexts(), std::vector<std::string>{"找不到\"zzz\""});

    parts.view.runCommand(cmd::kFind);
    EXPECT_EQ(dialog->windowTitle().toStdString(), "查找");
    EXPECT_FALSE(dialog->replaceButton()->isVisible());
    EXPECT_EQ(parts.view.findDialog(), dialog);
}

}  // namespace
}  // namespace pgw::editors
