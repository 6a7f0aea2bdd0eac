// The command table's handlers and rules, registered per target: the frame's own
// commands, the views' commands, the document's and the application's.

#include "editors/CRTFView.h"
#include "platform/framework/DocumentTemplate.h"
#include "platform/framework/FrameRules.h"
#include "preview/PreviewOpening.h"
#include "publish/CDRMView.h"
#include "shell/CBiSplitterWnd.h"
#include "shell/CMainFrame.h"
#include "shell/HelpFile.h"
#include "tree/widgets/CManageView.h"
#include "tree/widgets/ChapterUndoStack.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QLabel>
#include <QStatusBar>
#include <QTextEdit>
#include <QToolBar>

namespace pgw::shell {

namespace cmd = framework::cmd;
using framework::CommandState;

void CMainFrame::registerCommands() {
    registerFrameCommands();
    registerViewCommands();
    registerApplicationCommands();
    registerUndoCommands();
    documentTarget_.onCommand(cmd::kSave, [this] { document_->onFileSave(); });
    documentTarget_.onCommand(cmd::kSaveAs, [this] { document_->onFileSaveAs(); });
}

void CMainFrame::registerFrameCommands() {
    framework::installFrameRules(frameTarget_, [this] { return session_.bookOpen; });
    frameTarget_.onCommand(cmd::kNew, [this] {
        if (pane_->newBook()) bookReplaced();
    });
    frameTarget_.onCommand(cmd::kMake, [this] { make(); });
    frameTarget_.onCommand(cmd::kExportEpub, [this] { exportEpub(); });
    frameTarget_.onUpdate(cmd::kExportEpub, [this] { return CommandState{session_.bookOpen, false}; });
    frameTarget_.onCommand(cmd::kPreviewBook, [this] { previewBook(); });
    frameTarget_.onUpdate(cmd::kPreviewBook, [] { return CommandState{true, false}; });
    frameTarget_.onCommand(cmd::kPrint, [this] { ui_->beep(); });  // the program prints nothing
    frameTarget_.onCommand(cmd::kHelpContents, [this] { help(); });
    frameTarget_.onCommand(cmd::kSelectAll, [this] { textView_->selectAll(); });
    frameTarget_.onCommand(cmd::kCut, [this] { cut(); });
    frameTarget_.onCommand(cmd::kPageUp, [this] { chapterCommands_->navigation.pageUp(); });
    frameTarget_.onCommand(cmd::kPageDown, [this] { chapterCommands_->navigation.pageDown(); });
    frameTarget_.onCommand(cmd::kRenameChapter, [this] { pane_->onRenameChapter(); });
    frameTarget_.onCommand(cmd::kToggleChapterPane, [this] { pane_->onHidePane(); });
    frameTarget_.onCommand(cmd::kExit, [this] { close(); });
    frameTarget_.onCommand(cmd::kFindInBook, [this] { findInBook(); });
    frameTarget_.onUpdate(cmd::kFindInBook, [this] { return CommandState{session_.bookOpen, false}; });
    registerChapterMarkCommands();
    QToolBar* toolBar = findChild<QToolBar*>(QStringLiteral("mainToolBar"));
    frameTarget_.onCommand(cmd::kViewToolbar, [toolBar] { toolBar->setVisible(!toolBar->isVisible()); });
    frameTarget_.onUpdate(cmd::kViewToolbar, [toolBar] { return CommandState{true, toolBar->isVisible()}; });
    frameTarget_.onCommand(cmd::kViewStatusBar, [this] { statusBar()->setVisible(!statusBar()->isVisible()); });
    frameTarget_.onUpdate(cmd::kViewStatusBar, [this] { return CommandState{true, statusBar()->isVisible()}; });
}

// Moving chapters and bookmarks are the chapter pane's work, offered by its toolbar and
// its menus while a book is open; the move itself needs a marked page.
void CMainFrame::registerChapterMarkCommands() {
    for (const CommandId id : {cmd::kSetMoveSource, cmd::kCancelMoveSource, cmd::kMoveAfterCurrent,
                               cmd::kToggleBookmark, cmd::kClearBookmarks, cmd::kNextBookmark, cmd::kPreviousBookmark})
        frameTarget_.onCommand(id, [this, id] { pane_->runCommand(id); });
    for (const CommandId id : {cmd::kSetMoveSource, cmd::kCancelMoveSource})
        frameTarget_.onUpdate(id, [this] { return CommandState{session_.bookOpen, false}; });
    frameTarget_.onUpdate(cmd::kMoveAfterCurrent, [this] {
        return CommandState{session_.bookOpen && chapterCommands_->hasMoveSource(), false};
    });
}

void CMainFrame::registerViewCommands() {
    // The text view fills its own command map; the frame routes to it while it is active.
    paneTarget_.onCommand(cmd::kAddChapter, [this] { pane_->onAddChapter(); });
    paneTarget_.onCommand(cmd::kRenameChapter, [this] { pane_->onRenameChapter(); });
    paneTarget_.onCommand(cmd::kDeleteChapter, [this] { pane_->onDeleteChapter(); });
    paneTarget_.onCommand(cmd::kHideChapterPane, [this] { pane_->onHidePane(); });
    paneTarget_.onCommandNoOp(cmd::kMoveChapter);
}

// Undo and redo reach the chapter edits wherever the text view, which keeps its own, is
// not the active view: in the chapter tree, the picture view, the publish form.
void CMainFrame::registerUndoCommands() {
    documentTarget_.onCommand(cmd::kUndo, [this] { undoChapterEdit(true); });
    documentTarget_.onCommand(cmd::kRedo, [this] { undoChapterEdit(false); });
    documentTarget_.onUpdate(cmd::kUndo, [this] { return CommandState{chapterHistory_->canUndo(), false}; });
    documentTarget_.onUpdate(cmd::kRedo, [this] { return CommandState{chapterHistory_->canRedo(), false}; });
}

// A step that could not be made has told the author why; one that was made says so in
// the status bar.
void CMainFrame::undoChapterEdit(bool undo) {
    const QString text = undo ? chapterHistory_->undoText() : chapterHistory_->redoText();
    if (undo ? chapterHistory_->undo() : chapterHistory_->redo())
        statusPanes_[1]->setText((undo ? QStringLiteral("已撤消：") : QStringLiteral("已重做：")) + text);
}

void CMainFrame::registerApplicationCommands() {
    applicationTarget_.onCommand(cmd::kOpen, [this] { openFromDialog(); });
    // About belongs to the application object, which registers it.
    for (size_t i = 0; i < framework::RecentFileList::kCapacity; ++i) {
        const CommandId id = framework::RecentFileList::commandId(i);
        applicationTarget_.onCommand(id, [this, id] { openRecent(id); });
    }
}

// Cut outside the text view goes by the splitter's active pane: the tree deletes the
// selected chapter (never text); the text view cuts; the picture view deletes its picture.
void CMainFrame::cut() {
    if (splitter_->activePane() == 0) {
        pane_->onDeleteChapter();
        return;
    }
    switch (book::PaneView(splitter_->GetPaneViewId(1))) {
    case book::PaneView::RichText: textView_->commands().handleCommand(cmd::kCut); break;
    case book::PaneView::Picture: framework::CommandRouter::route(mainChain(), cmd::kDeletePicture); break;
    default: break;
    }
}

// Make: the publish form shows the book as it stands, the shown page stored first.
void CMainFrame::make() {
    if (!session_.index.empty()) {
        // Whatever is selected, the page on show is the one the author edited; one that
        // cannot be stored keeps the author in its editor.
        if (!document_->storeShownPage()) return;
        publishForm_->setBookPath(storage_->editedFilePath());
        publishForm_->SetPublishMode(true);
    }
    splitter_->ShowView(int(book::PaneView::PublishForm), 1);
}

// The book need not be the open one: any compiled book is read as it is, nothing written.
void CMainFrame::previewBook() {
    if (const auto path = ui_->askOpenPath(preview::previewFilters())) preview::openPreview(*path, *ui_, this);
}

void CMainFrame::help() {
    openHelp(helpFolders(QCoreApplication::applicationDirPath().toStdString()), *desktop_, *ui_);
}

void CMainFrame::openFromDialog() {
    if (const auto path = ui_->askOpenPath(framework::openDialogFilters())) openBook(*path);
}

// A listed book that does not open any more leaves the list.
void CMainFrame::openRecent(CommandId id) {
    const auto path = recent_.pathFor(id);
    if (!path || openBook(*path)) return;
    recent_.remove(*path);
    rebuildMenuBar();
}

// An untitled book a crash left is opened again at start, so that its working copy is offered
// for recovery as a named book's is; it stays untitled, and out of the recent books.
bool CMainFrame::reopenLeftUntitledBook() {
    const std::string left = storage_->leftUntitledBook();
    if (left.empty() || !document_->onOpenDocument(left)) return false;
    storage_->keepUntitled();
    document_->setPathName(left);
    bookReplaced();
    return true;
}

bool CMainFrame::openBook(const std::string& path) {
    const bool opened = document_->onOpenDocument(path);
    if (opened) {
        document_->setPathName(path);
        recent_.add(path);
        bookReplaced();
    }
    rebuildMenuBar();
    return opened;
}

}  // namespace pgw::shell
