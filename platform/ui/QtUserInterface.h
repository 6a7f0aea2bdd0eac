#pragma once
// The window's user interface: Qt message boxes and file dialogs, and the status bar and
// title through callbacks the main window provides.
//
// Running a dialog is a replaceable step, so tests can inspect the configured dialog and
// answer it without ever showing it.

#include "platform/ui/UserInterface.h"

#include <QFileDialog>
#include <QMessageBox>

#include <functional>

namespace pgw::ui {

class QtUserInterface : public UserInterface {
public:
    // Shows the box and returns the button clicked (a QMessageBox::StandardButton).
    using MessageBoxRunner = std::function<int(QMessageBox&)>;
    // Shows the dialog and returns its result (a QDialog::DialogCode).
    using FileDialogRunner = std::function<int(QFileDialog&)>;
    using TextSink = std::function<void(const QString&)>;

    // `owner` parents the file dialogs; message boxes have none, like the program's own.
    explicit QtUserInterface(QWidget* owner = nullptr);

    void setMessageBoxRunner(MessageBoxRunner runner) { runMessageBox_ = std::move(runner); }
    void setFileDialogRunner(FileDialogRunner runner) { runFileDialog_ = std::move(runner); }
    void setStatusSink(TextSink sink) { statusSink_ = std::move(sink); }
    void setTitleSink(TextSink sink) { titleSink_ = std::move(sink); }

    Answer showMessage(const Message& message) override;
    std::optional<std::string> askSavePath(const std::vector<FileFilter>& filters) override;
    std::optional<std::string> askOpenPath(const std::vector<FileFilter>& filters) override;
    std::vector<std::string> askOpenPaths(const std::vector<FileFilter>& filters) override;
    std::optional<std::string> askFolder() override;
    void showStatus(const std::string& text) override;
    void setWindowTitle(const std::string& title) override;
    void beep();

    // The answer a clicked button gives to a box with `buttons`; a box closed some other
    // way counts as its cancelling answer.
    static Answer answerFor(int clickedButton, Buttons buttons);
    // "电子书文件(*.pgw)" stays as it is; "Pictures" with "*.jpg;*.gif" becomes
    // "Pictures (*.jpg *.gif)", the form Qt's dialogs read.
    static QString nameFilter(const FileFilter& filter);

private:
    void configure(QMessageBox& box, const Message& message) const;
    std::optional<std::string> askPath(QFileDialog::AcceptMode mode, const std::vector<FileFilter>& filters);
    QStringList askExisting(QFileDialog::FileMode mode, const std::vector<FileFilter>& filters);

    QWidget* owner_;
    MessageBoxRunner runMessageBox_;
    FileDialogRunner runFileDialog_;
    TextSink statusSink_, titleSink_;
};

}  // namespace pgw::ui
