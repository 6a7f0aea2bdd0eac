#include "shell/CMainFrame.h"

#include "commands/CommandTable.h"
#include "editors/BookFind.h"
#include "editors/CAppToolBar.h"
#include "editors/CRTFView.h"
#include "editors/CWebBrowerView.h"
#include "editors/pictures/CPictureView.h"
#include "platform/text/CodePage.h"
#include "publish/CDRMView.h"
#include "shell/CBiSplitterWnd.h"
#include "tree/widgets/CManageView.h"
#include "tree/widgets/ChapterUndoStack.h"
#include "widgets/CMenuEx.h"
#include "widgets/ToolbarStrip.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QItemSelectionModel>

namespace pgw::shell {

namespace {

constexpr unsigned kSplitterStyle = 0x25;  // side by side, first pane keeps its size, 3D borders
constexpr unsigned kChapterPaneFlags = 0x501;
constexpr unsigned kContentPaneFlags = 0x101;
constexpr int kSplitPosition = 235;
const QColor kMenuImageColumn(232, 228, 215);
constexpr QSize kDefaultSize(1100, 760);

QString qt(const std::string& utf8) { return QString::fromStdString(utf8); }

MenuItemDesc describe(const commands::MenuItem& item, const framework::RecentFileList& recent,
                      std::vector<MenuItemDesc>* siblings) {
    switch (item.kind) {
    case commands::MenuItem::Kind::Separator: return MenuItemDesc::separatorItem();
    case commands::MenuItem::Kind::Command: return MenuItemDesc::command(qt(item.text), int(item.id));
    case commands::MenuItem::Kind::RecentFiles:
        if (recent.empty()) return MenuItemDesc::command(qt(item.text), int(item.id), false, true);
        for (size_t i = 0; i + 1 < recent.entries().size(); ++i)
            siblings->push_back(MenuItemDesc::command(qt(recent.menuText(i)), int(recent.commandId(i))));
        return MenuItemDesc::command(qt(recent.menuText(recent.entries().size() - 1)),
                                     int(recent.commandId(recent.entries().size() - 1)));
    case commands::MenuItem::Kind::Popup: {
        std::vector<MenuItemDesc> items;
        for (const commands::MenuItem& sub : item.items) {
            MenuItemDesc described = describe(sub, recent, &items);
            items.push_back(std::move(described));
        }
        return MenuItemDesc::popupItem(qt(item.text), std::move(items));
    }
    }
    return MenuItemDesc::separatorItem();
}

}  // namespace

CMainFrame::CMainFrame(book::BookSession& session, QWidget* parent)
    : QMainWindow(parent), session_(session), ui_(std::make_unique<ui::QtUserInterface>(this)) {
    setWindowTitle(QStringLiteral("页工坊 [*]"));
    setAcceptDrops(true);
    // The size it has before it is maximised, and where no window manager maximises it.
    resize(kDefaultSize);
    createToolBar();
    createStatusBar();
    createClient();
    registerCommands();
    createAccelerators();
    rebuildMenuBar();
    followCommandStates();
}

CMainFrame::~CMainFrame() {
    stateTriggers_.reset();  // the views' last signals find no frame to update
    autosaver_.reset();
    // The tree stops calling into the book before the book goes.
    if (pane_) pane_->tree()->detachBook();
    if (chapterCommands_) chapterCommands_->recordInto(nullptr);
    chapterHistory_.reset();  // its edits reach into the book
    chapterCommands_.reset();
    document_.reset();
    storage_.reset();
    editors_.reset();
}

void CMainFrame::createStatusBar() {
    for (QLabel*& pane : statusPanes_) pane = new QLabel(this);
    statusPanes_[0]->setEnabled(false);
    statusPanes_[0]->setFixedWidth(0);
    statusPanes_[1]->setMinimumWidth(400);
    statusPanes_[2]->setMinimumWidth(100);
    statusBar()->addWidget(statusPanes_[0]);
    statusBar()->addWidget(statusPanes_[1], 4);
    statusBar()->addWidget(statusPanes_[2], 1);
}

void CMainFrame::createToolBar() {
    auto* bar = addToolBar(QStringLiteral("工具栏"));
    bar->setObjectName(QStringLiteral("mainToolBar"));
    bar->setMovable(false);
    bar->setAllowedAreas(Qt::TopToolBarArea);
    bar->setIconSize(QSize(32, 32));
    for (const CommandId id : commands::toolbarResource(commands::toolbars::kMain)->buttons) {
        if (id == 0) {
            bar->addSeparator();
            continue;
        }
        const QString text = qt(commands::plainText(commands::commandText(id)));
        QAction* action = bar->addAction(text);
        action->setToolTip(qt(commands::tooltipOf(id)));
        action->setStatusTip(qt(commands::statusTextOf(id)));
        addAction(id, action);
    }
    mainToolBar_ = bar;
    setToolBarImages();
}

// The images as they read on the palette: set at the start and again when the theme changes.
void CMainFrame::setToolBarImages() {
    const auto normal = widgets::readableOn(palette(), widgets::loadToolbarImages(QStringLiteral(":/bitmaps/191.bmp"), 32));
    const auto disabled = widgets::disabledOn(palette(), widgets::loadToolbarImages(QStringLiteral(":/bitmaps/190.bmp"), 32));
    size_t image = 0;
    for (QAction* action : mainToolBar_->actions())
        if (!action->isSeparator()) action->setIcon(widgets::stripIcon(normal, disabled, image++));
}

// Keys of the accelerator table: window-wide actions that run through the same router.
void CMainFrame::createAccelerators() {
    for (const commands::Accelerator& accelerator : commands::accelerators()) {
        auto* action = new QAction(this);
        action->setShortcut(QKeySequence::fromString(qt(accelerator.keys), QKeySequence::PortableText));
        action->setShortcutContext(Qt::WindowShortcut);
        QMainWindow::addAction(action);
        const CommandId id = accelerator.id;
        connect(action, &QAction::triggered, this, [this, id] { runCommand(id); });
    }
    // F2 anywhere in the window renames the selected chapter, even from a page editor.
    auto* rename = new QAction(this);
    rename->setObjectName(QStringLiteral("renameChapterKey"));
    rename->setShortcut(Qt::Key_F2);
    rename->setShortcutContext(Qt::WindowShortcut);
    QMainWindow::addAction(rename);
    connect(rename, &QAction::triggered, this, [this] { runCommand(framework::cmd::kRenameChapter); });
}

void CMainFrame::createClient() {
    splitter_ = new CBiSplitterWnd(this, kSplitterStyle);
    setCentralWidget(splitter_);
    pane_ = new tree::widgets::CManageView;
    splitter_->addView(tree::widgets::CManageView::kViewId, pane_);
    textView_ = new editors::CRTFView;
    splitter_->addView(int(book::PaneView::RichText), textView_);
    pictureView_ = new editors::CPictureView;
    splitter_->addView(int(book::PaneView::Picture), pictureView_);
    webView_ = new editors::CWebBrowerView;
    splitter_->addView(int(book::PaneView::Web), webView_);
    publishForm_ = new publish::CDRMView;
    splitter_->addView(int(book::PaneView::PublishForm), publishForm_);
    splitter_->SetPane(0, kChapterPaneFlags, QStringLiteral("First pane"), pane_);
    splitter_->SetPane(1, kContentPaneFlags, QStringLiteral("Second pane"), textView_);
    splitter_->ShowView(int(book::PaneView::RichText), 1);

    ui_->setStatusSink([this](const QString& text) { statusPanes_[1]->setText(text); });
    // "[*]" is where the title shows that the book has unsaved changes.
    ui_->setTitleSink([this](const QString& title) { setWindowTitle(title + QStringLiteral("[*]")); });
    storage_ = std::make_unique<book::BookStorage>(session_, *ui_);
    editors_ = std::make_unique<WindowPageEditors>(*textView_, *pictureView_, *webView_, *splitter_);
    document_ = std::make_unique<book::CPGWDoc>(*storage_, *editors_);
    document_->setModifiedListener([this](bool modified) {
        setWindowModified(modified);
        updateCommandStates();
    });
    textView_->setDocument(document_.get(), &session_);
    textView_->setDocumentTarget(&documentTarget_);
    textView_->setUserInterface(ui_.get());
    textView_->setCaretReporter([this](const QString& text) {
        statusPanes_[2]->setText(text);
        statusPanes_[2]->repaint();
    });
    attachPictureView();
    attachPublishForm();
    startAutosave();
    chapterCommands_ = std::make_unique<tree::ChapterCommands>(*storage_, *document_);
    chapterHistory_ = std::make_unique<tree::widgets::ChapterUndoStack>(storage_->chapters());
    chapterCommands_->recordInto(chapterHistory_.get());
    pane_->attachBook(*chapterCommands_);
    connect(pane_, &tree::widgets::CManageView::paneToggleRequested, this, [this] { splitter_->TogglePane(0); });
    connect(pane_, &tree::widgets::CManageView::statusReported, this,
            [this](const QString& text) { statusPanes_[1]->setText(text); });
    pane_->setEnableRule([this](CommandId id) { return commandState(id).enabled; });
    connect(pane_->tree(), &tree::widgets::CChapterTreeCtrl::activated, this, [this] { splitter_->SetActivePane(0); });
    textView_->editor()->viewport()->installEventFilter(this);

    if (pane_->newBook()) bookReplaced();
    // The book made at start-up is no news; the window starts with its ready text.
    statusPanes_[1]->setText(QStringLiteral("系统信息提示........"));
    splitter_->ShowView(int(book::PaneView::RichText), 1);
    splitter_->SetSplitPosition(kSplitPosition);
}

void CMainFrame::attachPublishForm() {
    publishForm_->attach(*storage_, *document_, *ui_, pane_->tree());
    publishForm_->setDesktop(*desktop_);
    // Back from the form, the page on show comes back in its own view: typing into the
    // text view while a picture page is on show would go nowhere.
    connect(publishForm_, &publish::CDRMView::exiting, this, [this] {
        const book::NodeInfoRecord* page = document_->shownPage();
        const bool picture = page && page->type() == book::NodeType::Picture;
        splitter_->ShowView(int(picture ? book::PaneView::Picture : book::PaneView::RichText), 1);
    });
}

void CMainFrame::setDesktop(ui::DesktopServices& desktop) {
    desktop_ = &desktop;
    publishForm_->setDesktop(desktop);
}

void CMainFrame::bookReplaced() { publishForm_->OnInitialUpdate(); }

// The book cannot take a store while the publish form shows or the book is closed for
// compiling; then the edits wait.
void CMainFrame::startAutosave() {
    PageAutosaver::Hooks hooks;
    hooks.store = [this] { return autosaveShownPage(); };
    hooks.mustWait = [this] {
        return splitter_->GetPaneViewId(1) == int(book::PaneView::PublishForm) ||
               storage_->isClosedForCompile() || !storage_->isOpen();
    };
    hooks.tell = [this](const QString& text) { statusPanes_[1]->setText(text); };
    autosaver_ = std::make_unique<PageAutosaver>(std::move(hooks));
    connect(textView_, &editors::CRTFView::edited, autosaver_.get(), &PageAutosaver::pageEdited);
    connect(pictureView_, &editors::CPictureView::edited, autosaver_.get(), &PageAutosaver::pageEdited);
}

// A failed autosave is told once in the status bar, not in a box every few seconds.
bool CMainFrame::autosaveShownPage() { return document_->storeShownPage(false); }

void CMainFrame::attachPictureView() {
    pictureView_->setDocument(document_.get(), &session_);
    connect(pictureView_, &editors::CPictureView::activationRequested, this, [this] { splitter_->SetActivePane(1); });
    pictureView_->setStatusSink([this](int pane, const QString& text) {
        if (pane == 0) return;  // the first pane keeps the frame's own text
        statusPanes_[pane]->setText(text);
    });
}

// The enable and check states follow what their rules look at: the pane and the view on
// show, the chapter selection and the tree's marks, the text view's selection and undo, the
// clipboard, edits, the toolbar shown. Building a book changes the tree once per chapter;
// those changes count once, when the event loop is back.
void CMainFrame::followCommandStates() {
    stateTriggers_ = std::make_unique<QObject>();
    QObject* context = stateTriggers_.get();
    const auto update = [this] { updateCommandStates(); };
    connect(splitter_, &CBiSplitterWnd::activePaneChanged, context, update);
    connect(splitter_, &CBiSplitterWnd::viewShown, context, update);
    connect(pane_->tree()->selectionModel(), &QItemSelectionModel::currentChanged, context, update);
    auto* treeChanged = new QTimer(context);
    treeChanged->setSingleShot(true);
    treeChanged->setInterval(0);
    connect(treeChanged, &QTimer::timeout, context, update);
    const auto later = [treeChanged] { treeChanged->start(); };
    const QAbstractItemModel* model = pane_->tree()->model();
    connect(model, &QAbstractItemModel::dataChanged, context, later);
    connect(model, &QAbstractItemModel::rowsInserted, context, later);
    connect(model, &QAbstractItemModel::rowsRemoved, context, later);
    connect(model, &QAbstractItemModel::modelReset, context, later);
    QTextEdit* edit = textView_->editor();
    connect(edit, &QTextEdit::copyAvailable, context, update);
    connect(edit, &QTextEdit::undoAvailable, context, update);
    connect(edit, &QTextEdit::redoAvailable, context, update);
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, context, update);
    connect(textView_, &editors::CRTFView::edited, context, update);
    connect(pictureView_, &editors::CPictureView::edited, context, update);
    connect(findChild<QToolBar*>(QStringLiteral("mainToolBar")), &QToolBar::visibilityChanged, context, update);
    connect(chapterHistory_.get(), &tree::widgets::ChapterUndoStack::changed, context, update);
    updateCommandStates();
}

void CMainFrame::rebuildMenuBar() {
    std::vector<MenuItemDesc> popups;
    for (const commands::MenuItem& popup : commands::menuResource(commands::menus::kMainMenu)->popups) {
        std::vector<MenuItemDesc> ignored;
        popups.push_back(describe(popup, recent_, &ignored));
    }
    menuActions_.clear();  // they go with the old menu
    auto menu = std::make_unique<CMenuEx>(false);
    menu->LoadMenu(popups);
    const auto images = widgets::readableOn(palette(), widgets::loadToolbarImages(QStringLiteral(":/bitmaps/219.bmp"), 16));
    menu->SetImageList(images);
    menu->SetDisabledImageList(widgets::disabledOn(palette(), widgets::loadToolbarImages(QStringLiteral(":/bitmaps/218.bmp"), 16)));
    menu->SetHotImageList(images);
    std::vector<int> imageIds;
    for (const CommandId id : commands::menuImageIds()) imageIds.push_back(int(id));
    menu->SetImageIndices(imageIds);
    MenuColours light;
    light.imageColumn = kMenuImageColumn;
    light.background = Qt::white;
    menu->SetColours(menuColoursFor(palette(), light));
    menuBar()->clear();
    menu->attachTo(menuBar());
    for (QAction* action : menu->menu()->findChildren<QAction*>()) {
        const int id = CMenuEx::commandId(action);
        if (id <= 0) continue;
        menuActions_.emplace(CommandId(id), action);
        connect(action, &QAction::triggered, this, [this, id] { runCommand(CommandId(id)); });
    }
    for (QMenu* popup : menu->menu()->findChildren<QMenu*>())
        connect(popup, &QMenu::aboutToShow, this, &CMainFrame::updateCommandStates);
    menu_ = std::move(menu);
    updateCommandStates();
}

void CMainFrame::addAction(CommandId id, QAction* action) {
    actions_.emplace(id, action);
    connect(action, &QAction::triggered, this, [this, id] { runCommand(id); });
}

std::vector<QAction*> CMainFrame::actions(CommandId id) const {
    std::vector<QAction*> found;
    for (const auto* map : {&menuActions_, &actions_})
        for (auto [it, end] = map->equal_range(id); it != end; ++it) found.push_back(it->second);
    return found;
}

framework::CommandTarget* CMainFrame::activeView() const {
    if (splitter_->activePane() == 0) return const_cast<framework::CommandMap*>(&paneTarget_);
    if (splitter_->GetPaneViewId(1) == int(book::PaneView::RichText))
        return &textView_->commands();
    if (splitter_->GetPaneViewId(1) == int(book::PaneView::Picture)) return &pictureView_->commands();
    return nullptr;
}

framework::CommandChain CMainFrame::mainChain() const {
    auto* self = const_cast<CMainFrame*>(this);
    return framework::CommandChain::main(activeView(), &self->documentTarget_, &self->frameTarget_,
                                         &self->applicationTarget_);
}

framework::CommandState CMainFrame::commandState(CommandId id) const {
    return framework::CommandRouter::state(mainChain(), id);
}

bool CMainFrame::runCommand(CommandId id) {
    if (closing_ || !commandState(id).enabled) return false;
    const bool handled = framework::CommandRouter::route(mainChain(), id);
    updateCommandStates();
    return handled;
}

void CMainFrame::updateCommandStates() {
    if (closing_) return;
    for (const auto* map : {&menuActions_, &actions_}) {
        for (const auto& [id, action] : *map) {
            const framework::CommandState state = commandState(id);
            action->setEnabled(state.enabled);
            if (state.checked) action->setCheckable(true);
            if (action->isCheckable()) action->setChecked(state.checked);
        }
    }
    pane_->updateCommandStates();
    textView_->toolBar()->updateEnabled([this](CommandId id) { return commandState(id).enabled; });
    pictureView_->toolBar()->updateEnabled([this](CommandId id) { return commandState(id).enabled; });
}

// A theme switched while the program runs: the menus take the new palette's colours.
void CMainFrame::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::PaletteChange) return;
    if (menu_) rebuildMenuBar();
    if (mainToolBar_) setToolBarImages();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // The author cancelled, or the save failed: the window stays with the book in it.
    if (!closing_ && !document_->onCloseDocument()) {
        event->ignore();
        return;
    }
    closing_ = true;
    autosaver_->stop();  // the book is closed
    event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    openDropped(event->mimeData()->urls());
    event->acceptProposedAction();
}

bool CMainFrame::openDropped(const QList<QUrl>& urls) {
    for (const QUrl& url : urls) {
        if (url.isLocalFile()) return openBook(url.toLocalFile().toStdString());  // one book at a time
    }
    return false;
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched == textView_->editor()->viewport() && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        splitter_->SetActivePane(1);
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace pgw::shell
