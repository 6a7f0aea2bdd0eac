#pragma once
// The application object: settings, the main window with its book, the command line,
// and the recent-file list kept between runs.

#include "app/InstanceChannel.h"
#include "book/BookSession.h"

#include <QApplication>

#include <functional>
#include <memory>

namespace pgw::shell {
class CMainFrame;
}
namespace pgw::ui {
class QtUserInterface;
}

namespace pgw::app {

class CAboutDlg;

class CPagewrightApp : public QApplication {
public:
    // Runs a modal dialog and returns its result; tests answer it without showing it.
    using DialogRunner = std::function<int(QDialog&)>;

    CPagewrightApp(int& argc, char** argv);
    ~CPagewrightApp() override;

    // Makes the main window with the untitled book, opens a book named on the command line
    // and shows the window maximised. False ends the program: when the book went to a
    // program already running (handedOver()), or when the window could not be made.
    bool initInstance();
    // The same for a given command line (the program's name first). With --preview BOOK.exe
    // the compiled book opens in a preview window of its own instead: no main window, and
    // the running program is neither asked nor replaced. False when the book cannot be read.
    bool initInstance(const QStringList& arguments);
    bool handedOver() const { return handedOver_; }
    // The channel later starts reach this program by; tests give each run its own.
    void setInstanceChannelName(QString name) { channelName_ = std::move(name); }
    // A later start's request: open `path` (unless it is the open book) and come to the front.
    void takeRequest(const QString& path);
    shell::CMainFrame* mainFrame() const { return frame_.get(); }

    // The recent files between runs, in the settings under "Recent File List".
    void loadRecentFiles();
    void saveRecentFiles() const;
    void saveSettings() const;  // the recent files and the window's placement

    // The About command: the About box, modal over the main window.
    void onAppAbout();
    void setDialogRunner(DialogRunner runner) { runDialog_ = std::move(runner); }

private:
    void loadChineseQtTexts();
    bool startPreview(const QString& path);

    book::BookSession session_;
    std::unique_ptr<shell::CMainFrame> frame_;
    DialogRunner runDialog_;
    QString channelName_ = InstanceChannel::defaultName();
    std::unique_ptr<InstanceChannel> channel_;
    std::unique_ptr<ui::QtUserInterface> previewUi_;
    bool handedOver_ = false;
};

}  // namespace pgw::app
