#include "tree/widgets/CManageView.h"

#include "commands/CommandTable.h"
#include "import/ChapterImport.h"
#include "tree/widgets/CImportDialog.h"
#include "tree/widgets/ChapterImages.h"
#include "tree/widgets/ChapterMenu.h"
#include "widgets/MenuImages.h"
#include "widgets/ToolbarStrip.h"

#include <QAction>
#include <QMenu>
#include <QProgressDialog>
#include <QShortcut>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace pgw::tree::widgets {

namespace cmd = framework::cmd;

namespace {
constexpr int kToolBarHeight = 30;
}

CManageView::CManageView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("chapterPane"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    buildToolBar();
    buildMarkToolBar();
    tree_ = new CChapterTreeCtrl(this);
    connect(tree_, &CChapterTreeCtrl::importRequested, this, [this] { importChapters(); });
    setFocusProxy(tree_);  // the pane given the focus means the keys go to the tree
    // Delete in the tree deletes the selected chapter, as the pane's button does; elsewhere
    // (a page being edited) the key keeps its own meaning.
    new QShortcut(QKeySequence::Delete, tree_, this, [this] { onDeleteChapter(); }, Qt::WidgetShortcut);
    layout->addWidget(toolBar_);
    layout->addWidget(markToolBar_);
    layout->addWidget(tree_, 1);
    updateCommandStates();
}

CManageView::~CManageView() {
    // The drop-down goes before the button that shows it.
    addButton_->setMenu(nullptr);
}

QAction* CManageView::addButtonAction(framework::CommandId command, const char* statusText, const char* toolTip,
                                      void (CManageView::*handler)()) {
    auto* action = new QAction(paneButtonIcon(command), QString::fromUtf8(statusText), this);
    action->setStatusTip(QString::fromUtf8(statusText));
    action->setToolTip(QString::fromUtf8(toolTip));
    action->setData(uint(command));
    connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    actions_[command] = action;
    return action;
}

void CManageView::buildToolBar() {
    toolBar_ = new QToolBar(this);
    toolBar_->setObjectName(QStringLiteral("chapterPaneToolBar"));
    toolBar_->setIconSize(QSize(kImageSize, kImageSize));
    toolBar_->setFixedHeight(kToolBarHeight);
    toolBar_->setMovable(false);

    QAction* add = addButtonAction(cmd::kAddChapter, "追加章节", "增加章节", &CManageView::onAddChapter);
    addMenu_ = createChapterMenu(ChapterMenuImages::PaneToolBar,
                                 [this](framework::CommandId command) { runCommand(command); });
    connect(addMenu(), &QMenu::aboutToShow, this, [this] { refreshAddMenu(); });
    addButton_ = new QToolButton(toolBar_);
    addButton_->setDefaultAction(add);
    addButton_->setMenu(addMenu());
    addButton_->setPopupMode(QToolButton::MenuButtonPopup);
    toolBar_->addWidget(addButton_);

    toolBar_->addAction(
        addButtonAction(cmd::kRenameChapter, "修改所选章节标题", "修改标题名称", &CManageView::onRenameChapter));
    toolBar_->addAction(addButtonAction(cmd::kDeleteChapter, "删除所选章节", "删除所选章节", &CManageView::onDeleteChapter));
    toolBar_->addAction(addButtonAction(cmd::kHideChapterPane, "隐藏章节目录视窗", "隐藏章节目录视窗", &CManageView::onHidePane));
}

// Moving and bookmarks, a row of their own under the pane's buttons: the move commands
// (toolbar 226) and the bookmark commands (toolbar 234), each with its strip's images.
void CManageView::buildMarkToolBar() {
    markToolBar_ = new QToolBar(this);
    markToolBar_->setObjectName(QStringLiteral("chapterMarkToolBar"));
    markToolBar_->setIconSize(QSize(kImageSize, kImageSize));
    markToolBar_->setFixedHeight(kToolBarHeight);
    markToolBar_->setMovable(false);
    addStripButtons(commands::toolbars::kMove, QStringLiteral(":/bitmaps/226.bmp"));
    markToolBar_->addSeparator();
    addStripButtons(commands::toolbars::kBookmarks, QStringLiteral(":/bitmaps/234.bmp"));
}

void CManageView::addStripButtons(int toolbarId, const QString& strip) {
    const commands::ToolbarResource* toolbar = commands::toolbarResource(toolbarId);
    if (!toolbar) return;
    const auto images = pgw::widgets::loadToolbarImages(strip, kImageSize);
    size_t image = 0;
    for (const framework::CommandId command : toolbar->buttons) {
        if (command == 0) {
            markToolBar_->addSeparator();
            continue;
        }
        const QIcon icon = image < images.size() ? crispIcon(images[image]) : QIcon();
        ++image;
        auto* action = new QAction(icon, QString::fromStdString(commands::statusTextOf(command)), this);
        action->setStatusTip(action->text());
        action->setToolTip(QString::fromStdString(commands::tooltipOf(command)));
        action->setData(uint(command));
        connect(action, &QAction::triggered, this, [this, command] { runCommand(command); });
        actions_[command] = action;
        markToolBar_->addAction(action);
    }
}

QMenu* CManageView::addMenu() const { return addMenu_->menu(); }

QAction* CManageView::action(framework::CommandId command) const {
    const auto it = actions_.find(command);
    return it == actions_.end() ? nullptr : it->second;
}

void CManageView::attachBook(ChapterCommands& commands) {
    storage_ = &commands.storage();
    commands_ = &commands;
    tree_->attachBook(commands);
    updateCommandStates();
}

void CManageView::onAddChapter() { addDirectory(); }
void CManageView::onRenameChapter() { tree_->startRename(); }

void CManageView::onDeleteChapter() { tree_->deleteSelected(); }

void CManageView::onHidePane() {
    emit paneToggleRequested();
}

bool CManageView::addFromMenu(book::NodeType type) {
    return commands_ && !commands_->operations.addPageFromPaneMenu(type).empty();
}

bool CManageView::addDirectory() { return addFromMenu(book::NodeType::Directory); }
bool CManageView::addTextPage() { return addFromMenu(book::NodeType::Text); }
bool CManageView::addPicturePage() { return addFromMenu(book::NodeType::Picture); }

bool CManageView::importChapters() {
    if (!storage_ || !commands_ || !chapterMenuAddsEnabled(*storage_)) return false;
    const book::NodeId parent = storage_->chapters().selectedItem();
    const book::NodeInfoRecord* record = storage_->chapters().record(parent);
    if (!record || !record->isStorage()) return false;
    CImportDialog dialog(storage_->ui(), this);
    if ((runImportDialog_ ? runImportDialog_(dialog) : dialog.exec()) != QDialog::Accepted) return false;
    // A plan with a file that cannot come in changes nothing, however the dialog closed.
    if (!dialog.plan().ok() || dialog.plan().chapterCount() == 0) return false;
    QProgressDialog progress(QStringLiteral("正在导入章节..."), QString(), 0, int(dialog.plan().chapterCount()), this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    import::ChapterImport importer(*storage_, commands_->document());
    const std::optional<import::ImportOutcome> done =
        importer.apply(dialog.plan(), parent, commands_->history(), [&progress](size_t made, size_t) {
            progress.setValue(int(made));
        });
    progress.reset();
    if (!done || done->chapters == 0) return false;
    storage_->chapters().selectItem(done->first);
    QString status = QStringLiteral("已导入 %1 个章节。").arg(done->chapters);
    if (!done->renamed.empty())
        status += QStringLiteral("其中 %1 个章节的名称与已有章节重复或太长，已自动改名。").arg(done->renamed.size());
    emit statusReported(status);
    updateCommandStates();
    return true;
}

bool CManageView::newBook() {
    if (!storage_) return false;
    const bool made = storage_->newBook();
    if (made) {
        // The blank book has nothing to save yet; a later New must not ask about it.
        commands_->document().setModified(false);
        emit statusReported(QStringLiteral("新建一个空白文档成功...."));
    }
    updateCommandStates();
    return made;
}

bool CManageView::runCommand(framework::CommandId command) {
    switch (command) {
    case cmd::kAddChapter: onAddChapter(); return true;
    case cmd::kRenameChapter: onRenameChapter(); return true;
    case cmd::kDeleteChapter: onDeleteChapter(); return true;
    case cmd::kHideChapterPane: onHidePane(); return true;
    case cmd::kInsertDirectory: addDirectory(); return true;
    case cmd::kInsertTextPage: addTextPage(); return true;
    case cmd::kInsertPicturePage: addPicturePage(); return true;
    case cmd::kImportChapters: importChapters(); return true;
    case cmd::kSetMoveSource:
    case cmd::kCancelMoveSource:
    case cmd::kMoveAfterCurrent:
    case cmd::kToggleBookmark:
    case cmd::kClearBookmarks:
    case cmd::kNextBookmark:
    case cmd::kPreviousBookmark: return commands_ && commands_->run(command);
    default: return false;  // expanding is the tree's own menu's business
    }
}

bool CManageView::isCommandEnabled(framework::CommandId command) const {
    if (enableRule_) return enableRule_(command);
    switch (command) {
    case cmd::kHideChapterPane: return true;
    case cmd::kAddChapter:
    case cmd::kRenameChapter:
    case cmd::kDeleteChapter:
    case cmd::kSetMoveSource:
    case cmd::kCancelMoveSource:
    case cmd::kToggleBookmark:
    case cmd::kClearBookmarks:
    case cmd::kNextBookmark:
    case cmd::kPreviousBookmark: return storage_ && storage_->session().bookOpen;
    case cmd::kMoveAfterCurrent: return storage_ && storage_->session().bookOpen && commands_ && commands_->hasMoveSource();
    default: return false;
    }
}

void CManageView::updateCommandStates() {
    for (const auto& [command, action] : actions_) action->setEnabled(isCommandEnabled(command));
}

void CManageView::refreshAddMenu() {
    setChapterMenuAdds(*addMenu_, storage_ && chapterMenuAddsEnabled(*storage_));
    setChapterMenuMoves(*addMenu_, isCommandEnabled(cmd::kSetMoveSource),
                        isCommandEnabled(cmd::kMoveAfterCurrent));
}

}  // namespace pgw::tree::widgets
