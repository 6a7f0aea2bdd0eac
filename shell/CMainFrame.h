#pragma once
// The program's one top-level window: menu bar, main toolbar and status bar around the
// two-pane splitter, with the chapter pane on the left and one content view on the right.
// It owns the book parts and the command table's routing: every menu item, button and
// key goes through the router along active view -> document -> frame -> application.

#include "book/BookSession.h"
#include "book/BookStorage.h"
#include "book/CPGWDoc.h"
#include "platform/framework/CommandRouter.h"
#include "platform/framework/RecentFileList.h"
#include "platform/ui/QtDesktopServices.h"
#include "platform/ui/QtUserInterface.h"
#include "shell/PageAutosaver.h"
#include "shell/WindowPageEditors.h"
#include "tree/ChapterCommands.h"

#include <QMainWindow>
#include <QUrl>

#include <map>
#include <memory>
#include <string>

class QLabel;
class QToolBar;

namespace pgw {
class CBiSplitterWnd;
class CMenuEx;
}
namespace pgw::editors {
class BookFind;
class CBookFindDialog;
class CRTFView;
class CPictureView;
class CWebBrowerView;
}
namespace pgw::tree::widgets {
class CManageView;
class ChapterUndoStack;
}
namespace pgw::publish {
class CDRMView;
}

namespace pgw::shell {

using framework::CommandId;

class CMainFrame : public QMainWindow {
public:
    explicit CMainFrame(book::BookSession& session, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // A command as a menu item, button or key gives it: run only when enabled.
    bool runCommand(CommandId id);
    framework::CommandState commandState(CommandId id) const;
    // Brings every action's enabled and checked state up to date. It runs whenever something
    // a rule looks at changes, after every command and before a menu opens.
    void updateCommandStates();

    // The document's open handler for a book named on the command line, dropped on the
    // window or picked from the recent files; the recent files learn the outcome.
    bool openBook(const std::string& path);
    // At start: an untitled book a crash left is opened again, so that its working copy is
    // offered for recovery as a named book's is; false when there is none.
    bool reopenLeftUntitledBook();
    // Files dropped on the window: the first local file is opened.
    bool openDropped(const QList<QUrl>& urls);
    framework::RecentFileList& recentFiles() { return recent_; }
    void rebuildMenuBar();

    CBiSplitterWnd* splitter() const { return splitter_; }
    tree::widgets::CManageView* chapterPane() const { return pane_; }
    tree::widgets::ChapterUndoStack& chapterHistory() { return *chapterHistory_; }
    editors::CRTFView* textView() const { return textView_; }
    editors::CPictureView* pictureView() const { return pictureView_; }
    editors::CWebBrowerView* webView() const { return webView_; }
    publish::CDRMView* publishForm() const { return publishForm_; }
    book::CPGWDoc& document() { return *document_; }
    book::BookStorage& storage() { return *storage_; }
    ui::QtUserInterface& ui() { return *ui_; }
    // Stores the page on show into the working copy while the author works.
    PageAutosaver& autosaver() { return *autosaver_; }
    // Where addresses and the help file are opened; tests put a recording one in.
    ui::DesktopServices& desktop() { return *desktop_; }
    void setDesktop(ui::DesktopServices& desktop);
    // The application's own commands (About, Open, the recent files).
    framework::CommandMap& applicationCommands() { return applicationTarget_; }
    QLabel* statusPane(int index) const { return statusPanes_[index]; }
    // The actions of a command: its menu item and its toolbar button (either may be absent).
    std::vector<QAction*> actions(CommandId id) const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createStatusBar();
    void createToolBar();
    void setToolBarImages();
    void createAccelerators();
    void createClient();
    void attachPictureView();
    void attachPublishForm();
    void startAutosave();
    void followCommandStates();
    bool autosaveShownPage();
    // What the form does whenever a book has been opened or made.
    void bookReplaced();
    void registerCommands();
    void registerFrameCommands();
    void registerChapterMarkCommands();
    void registerViewCommands();
    void registerApplicationCommands();
    void registerUndoCommands();
    void undoChapterEdit(bool undo);
    void addAction(CommandId id, QAction* action);
    framework::CommandChain mainChain() const;
    framework::CommandTarget* activeView() const;
    void cut();
    void make();
    void exportEpub();
    // A compiled book chosen by the author, read back in a preview window.
    void previewBook();
    void help();
    void openFromDialog();
    void openRecent(CommandId id);
    // Finding through the whole book: the dialog, and the page it shows a match on.
    void findInBook();
    void showMatch(book::NodeId item, int index);

    book::BookSession& session_;
    std::unique_ptr<ui::QtUserInterface> ui_;
    ui::QtDesktopServices qtDesktop_;
    ui::DesktopServices* desktop_ = &qtDesktop_;
    CBiSplitterWnd* splitter_ = nullptr;
    tree::widgets::CManageView* pane_ = nullptr;
    editors::CRTFView* textView_ = nullptr;
    editors::CPictureView* pictureView_ = nullptr;
    editors::CWebBrowerView* webView_ = nullptr;
    publish::CDRMView* publishForm_ = nullptr;
    // The book lives on the pane's tree: it goes before the widgets do.
    std::unique_ptr<WindowPageEditors> editors_;
    std::unique_ptr<book::BookStorage> storage_;
    std::unique_ptr<book::CPGWDoc> document_;
    std::unique_ptr<tree::ChapterCommands> chapterCommands_;  // beside the document: what the book's chapters do
    std::unique_ptr<tree::widgets::ChapterUndoStack> chapterHistory_;  // the chapter edits, for undo
    std::unique_ptr<PageAutosaver> autosaver_;
    std::unique_ptr<editors::BookFind> bookFind_;
    editors::CBookFindDialog* bookFindDialog_ = nullptr;
    framework::CommandMap frameTarget_, documentTarget_, applicationTarget_, paneTarget_;
    std::unique_ptr<CMenuEx> menu_;
    QToolBar* mainToolBar_ = nullptr;
    std::multimap<CommandId, QAction*> actions_;      // toolbar buttons
    std::multimap<CommandId, QAction*> menuActions_;  // menu items, rebuilt with the menu
    QLabel* statusPanes_[3] = {};
    // The connections that keep the command states current; they go first when the window does.
    std::unique_ptr<QObject> stateTriggers_;
    framework::RecentFileList recent_;
    bool closing_ = false;
};

}  // namespace pgw::shell
