#pragma once
// The chapter pane: the pane's toolbar (add chapter with its drop-down chapter menu,
// rename, delete, hide the pane) and the toolbar of moving and bookmarks over the chapter
// tree. The buttons are enabled by the
// frame's rules; the pane answers them through isCommandEnabled and updateCommandStates.

#include "book/BookStorage.h"
#include "book/CPGWDoc.h"
#include "platform/framework/CommandIds.h"
#include "tree/widgets/CChapterTreeCtrl.h"

#include <QWidget>

#include <functional>
#include <map>
#include <memory>

class QAction;
class QMenu;
class QToolBar;
class QToolButton;

namespace pgw {
class CMenuEx;
}

namespace pgw::tree::widgets {

class CImportDialog;

class CManageView : public QWidget {
    Q_OBJECT
public:
    // The view id of the chapter pane among the main window's views.
    static constexpr int kViewId = 0;

    explicit CManageView(QWidget* parent = nullptr);
    ~CManageView() override;

    // The tree is made with the pane; the book is built on it and then attached.
    CChapterTreeCtrl* tree() const { return tree_; }
    QToolBar* toolBar() const { return toolBar_; }
    QToolBar* markToolBar() const { return markToolBar_; }
    QToolButton* addButton() const { return addButton_; }
    QMenu* addMenu() const;
    const CMenuEx& addMenuEx() const { return *addMenu_; }
    QAction* action(framework::CommandId command) const;
    void attachBook(ChapterCommands& commands);

    // The frame's own enable rule for the buttons (optional).
    void setEnableRule(std::function<bool(framework::CommandId)> rule) { enableRule_ = std::move(rule); }

    // The pane's commands.
    void onAddChapter();     // the add button itself: a directory
    void onRenameChapter();  // also F2 through the frame
    void onDeleteChapter();  // also Cut through the frame while the tree is the active pane
    void onHidePane();
    // The chapter menu through the pane's drop-down; each returns whether a chapter came.
    bool addDirectory();
    bool addTextPage();
    bool addPicturePage();
    // Chapters from files under the selected directory, after the import dialog's preview;
    // whether any came.
    bool importChapters();
    // How the import dialog is run (tests answer it); by default it is shown modally.
    void setImportDialogRunner(std::function<int(CImportDialog&)> runner) { runImportDialog_ = std::move(runner); }
    // New: closes the book and makes a new untitled one; the status pane says so.
    bool newBook();
    // Runs a command the pane handles; false for other ids.
    bool runCommand(framework::CommandId command);

    // The book-open rule of the pane's buttons (hiding the pane is always possible).
    bool isCommandEnabled(framework::CommandId command) const;
    void updateCommandStates();
    // Grays the drop-down menu's add items as the selection requires.
    void refreshAddMenu();

signals:
    // The pane is to be collapsed or restored in the splitter.
    void paneToggleRequested();
    // A line for the status bar's message pane.
    void statusReported(const QString& text);

private:
    void buildToolBar();
    void buildMarkToolBar();
    void addStripButtons(int toolbarId, const QString& strip);
    QAction* addButtonAction(framework::CommandId command, const char* statusText, const char* toolTip,
                             void (CManageView::*handler)());
    bool addFromMenu(book::NodeType type);

    QToolBar* toolBar_ = nullptr;
    QToolBar* markToolBar_ = nullptr;
    QToolButton* addButton_ = nullptr;
    std::unique_ptr<CMenuEx> addMenu_;  // not a child widget: the button only borrows it
    CChapterTreeCtrl* tree_ = nullptr;
    std::map<framework::CommandId, QAction*> actions_;
    book::BookStorage* storage_ = nullptr;
    ChapterCommands* commands_ = nullptr;
    std::function<bool(framework::CommandId)> enableRule_;
    std::function<int(CImportDialog&)> runImportDialog_;
};

}  // namespace pgw::tree::widgets
