#pragma once
// The application object: settings, the main window with its book, the command line,
// and the recent-file list kept between runs.

#include "book/BookSession.h"

#include <QApplication>

#include <memory>

namespace pgw::shell {
class CMainFrame;
}

namespace pgw::app {

class CPagewrightApp : public QApplication {
public:
    CPagewrightApp(int& argc, char** argv);
    ~CPagewrightApp() override;

    // Makes the main window with the untitled book, opens a book named on the command line
    // and shows the window maximised. False ends the program.
    bool initInstance();
    shell::CMainFrame* mainFrame() const { return frame_.get(); }

    // The recent files between runs, in the settings under "Recent File List".
    void loadRecentFiles();
    void saveRecentFiles() const;

private:
    void loadChineseQtTexts();

    book::BookSession session_;
    std::unique_ptr<shell::CMainFrame> frame_;
};

}  // namespace pgw::app
