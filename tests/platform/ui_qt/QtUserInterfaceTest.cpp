#include "platform/framework/DocumentTemplate.h"
#include "platform/ui/QtUserInterface.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace pgw::ui {
namespace {

struct BoxSeen {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    Qt::TextFormat format = Qt::AutoText;
};

// Runs showMessage with a runner that records the box and clicks `answer`.
std::pair<BoxSeen, Answer> show(const Message& message, int answer) {
    QtUserInterface ui;
    BoxSeen seen;
    ui.setMessageBoxRunner([&](QMessageBox& box) {
        seen = {box.windowTitle(), box.text(), box.icon(), box.standardButtons(),
                box.defaultButton() ? box.standardButton(box.defaultButton()) : QMessageBox::NoButton,
                box.textFormat()};
        return answer;
    });
    const Answer given = ui.showMessage(message);
    return {seen, given};
}

TEST(QtUserInterfaceTest, MessageBoxesCarryCaptionTextIconAndButtons) {
    struct Case { Message message; const char* title; QMessageBox::Icon icon; QMessageBox::StandardButtons buttons; };
    const Case cases[] = {
        {plainMessage("链接帮助文件出错!"), "Pagewright", QMessageBox::NoIcon, QMessageBox::Ok},
        {{"文件已经打开", "提示", Buttons::Ok, Icon::Information}, "提示", QMessageBox::Information, QMessageBox::Ok},
        {{"目录节点不能做为标签!", "系统提示", Buttons::Ok, Icon::Exclamation}, "系统提示", QMessageBox::Warning,
         QMessageBox::Ok},
        {{"确定删除该目录吗?", "提示", Buttons::OkCancel, Icon::None}, "提示", QMessageBox::NoIcon,
         QMessageBox::Ok | QMessageBox::Cancel},
        {{"文件己被修改,是否保存?", "存盘提示", Buttons::YesNo, Icon::None}, "存盘提示", QMessageBox::NoIcon,
         QMessageBox::Yes | QMessageBox::No},
        {{"a.pgw文件已经存在,是否继续?", "", Buttons::YesNo, Icon::Question}, "Pagewright", QMessageBox::Question,
         QMessageBox::Yes | QMessageBox::No},
        {{"<b>x</b>", "错误", Buttons::Ok, Icon::Error}, "错误", QMessageBox::Critical, QMessageBox::Ok},
    };
    for (const Case& c : cases) {
        const auto [seen, answer] = show(c.message, QMessageBox::Ok);
        SCOPED_TRACE(c.message.text);
        EXPECT_EQ(seen.title, QString::fromUtf8(c.title));
        EXPECT_EQ(seen.text, QString::fromStdString(c.message.text));
        EXPECT_EQ(seen.icon, c.icon);
        EXPECT_EQ(seen.buttons, c.buttons);
        // The first button is the default, so Enter answers Yes or OK.
        EXPECT_EQ(seen.defaultButton, c.message.buttons == Buttons::YesNo ? QMessageBox::Yes : QMessageBox::Ok);
        EXPECT_EQ(seen.format, Qt::PlainText);
    }
}

TEST(QtUserInterfaceTest, ClickedButtonMapsToAnswer) {
    struct Case { Buttons buttons; int clicked; Answer expected; };
    const Case cases[] = {
        {Buttons::Ok, QMessageBox::Ok, Answer::Ok},
        {Buttons::Ok, QMessageBox::NoButton, Answer::Ok},
        {Buttons::OkCancel, QMessageBox::Ok, Answer::Ok},
        {Buttons::OkCancel, QMessageBox::Cancel, Answer::Cancel},
        {Buttons::OkCancel, QMessageBox::NoButton, Answer::Cancel},  // closed some other way
        {Buttons::YesNo, QMessageBox::Yes, Answer::Yes},
        {Buttons::YesNo, QMessageBox::No, Answer::No},
        {Buttons::YesNo, QMessageBox::Ok, Answer::No},  // never Yes unless Yes was clicked
        {Buttons::YesNo, QMessageBox::NoButton, Answer::No},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(QtUserInterface::answerFor(c.clicked, c.buttons), c.expected) << c.clicked;
        EXPECT_EQ(show(Message{"?", "", c.buttons, Icon::Question}, c.clicked).second, c.expected) << c.clicked;
    }
}

// Escape or closing the window must not answer "No" to "save the changes?".
TEST(QtUserInterfaceTest, AYesNoQuestionCannotBeEscapedOrClosed) {
    QtUserInterface ui;
    bool stillOpen = false;
    ui.setMessageBoxRunner([&](QMessageBox& box) {
        box.show();
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&box, &escape);
        box.close();
        stillOpen = box.isVisible() && box.clickedButton() == nullptr;
        box.button(QMessageBox::Yes)->click();
        return int(box.standardButton(box.clickedButton()));
    });
    EXPECT_EQ(ui.showMessage(Message{"是否保存?", "", Buttons::YesNo, Icon::Question}), Answer::Yes);
    EXPECT_TRUE(stillOpen);
}

TEST(QtUserInterfaceTest, NameFiltersInTheFormQtReads) {
    EXPECT_EQ(QtUserInterface::nameFilter({"电子书文件(*.pgw)", "*.pgw"}), QString::fromUtf8("电子书文件(*.pgw)"));
    EXPECT_EQ(QtUserInterface::nameFilter({"Pictures", "*.jpg;*.gif"}), QString("Pictures (*.jpg *.gif)"));
    EXPECT_EQ(QtUserInterface::nameFilter({"JPEG (*.jpg;*.jpeg)", "*.jpg;*.jpeg"}), QString("JPEG (*.jpg *.jpeg)"));
}

class FileDialogTest : public ::testing::Test {
protected:
    // Answers the dialog with `choose` (or rejects it when empty) and records its setup.
    void answerWith(QString choose) {
        ui.setFileDialogRunner([this, choose](QFileDialog& dialog) {
            mode = dialog.acceptMode();
            fileMode = dialog.fileMode();
            filters = dialog.nameFilters();
            suffix = dialog.defaultSuffix();
            confirmsOverwrite = !dialog.testOption(QFileDialog::DontConfirmOverwrite);
            if (choose.isEmpty()) return int(QDialog::Rejected);
            dialog.setOption(QFileDialog::DontUseNativeDialog);
            dialog.selectFile(choose);
            return int(QDialog::Accepted);
        });
    }
    QtUserInterface ui;
    QTemporaryDir dir;
    QFileDialog::AcceptMode mode{};
    QFileDialog::FileMode fileMode{};
    QStringList filters;
    QString suffix;
    bool confirmsOverwrite = true;
};

TEST_F(FileDialogTest, SaveDialogOffersOneFilterAndAddsNothing) {
    const QString target = dir.filePath("新书");
    answerWith(target);
    const auto path = ui.askSavePath({{"电子书文件(*.pgw)", "*.pgw"}});
    ASSERT_TRUE(path.has_value());
    EXPECT_EQ(QString::fromStdString(*path), target);  // the document adds ".pgw" itself
    EXPECT_EQ(mode, QFileDialog::AcceptSave);
    EXPECT_EQ(filters, QStringList{QString::fromUtf8("电子书文件(*.pgw)")});
    EXPECT_TRUE(suffix.isEmpty());
    EXPECT_FALSE(confirmsOverwrite);  // Save As asks its own question
}

TEST_F(FileDialogTest, OpenDialogUsesTheTemplateFilterAndWantsAnExistingFile) {
    const QString book = dir.filePath("书.pgw");
    QFile file(book);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    answerWith(book);
    const auto path = ui.askOpenPath(framework::openDialogFilters());
    ASSERT_TRUE(path.has_value());
    EXPECT_EQ(QString::fromStdString(*path), book);
    EXPECT_EQ(mode, QFileDialog::AcceptOpen);
    EXPECT_EQ(fileMode, QFileDialog::ExistingFile);
    ASSERT_FALSE(filters.isEmpty());
    EXPECT_EQ(filters.front(), QString::fromUtf8("Pagewright 文件 (*.pgw)"));
}

TEST_F(FileDialogTest, CancelGivesNothing) {
    answerWith({});
    EXPECT_EQ(ui.askSavePath({{"电子书文件(*.pgw)", "*.pgw"}}), std::nullopt);
    EXPECT_EQ(ui.askOpenPath({}), std::nullopt);
}

TEST(QtUserInterfaceTest, StatusAndTitleGoToTheWindowsCallbacks) {
    QtUserInterface ui;
    ui.showStatus("no window yet");  // nothing connected: ignored
    QString status, title;
    ui.setStatusSink([&](const QString& text) { status = text; });
    ui.setTitleSink([&](const QString& text) { title = text; });
    ui.showStatus("新建一个空白文档成功....");
    ui.setWindowTitle("新建文档.pgw - Pagewright");
    EXPECT_EQ(status, QString::fromUtf8("新建一个空白文档成功...."));
    EXPECT_EQ(title, QString::fromUtf8("新建文档.pgw - Pagewright"));
}

}  // namespace
}  // namespace pgw::ui
