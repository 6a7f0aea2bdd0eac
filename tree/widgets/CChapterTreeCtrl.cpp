#include "tree/widgets/CChapterTreeCtrl.h"

#include "platform/text/CodePage.h"
#include "tree/widgets/ChapterMenu.h"
#include "tree/widgets/LabelEditDelegate.h"

#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>

#include <vector>

namespace pgw::tree::widgets {

namespace cmd = framework::cmd;

namespace {

const char* const kUnreadable = "名称中含有无法识别的字符!";

// Qt lays out expanded items one call deeper a level: a chain of thousands expanded at
// once would exhaust the stack. An item deeper than this is selected without being
// scrolled to (which expands every level above it), and '*' expands no deeper.
constexpr size_t kDeepestShown = 1000;

}  // namespace

CChapterTreeCtrl::CChapterTreeCtrl(QWidget* parent) : QTreeView(parent) {
    setObjectName(QStringLiteral("chapterTree"));
    header()->hide();
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::SelectedClicked);
    setIconSize(QSize(kImageSize, kImageSize));
    setRootIsDecorated(true);
    setUniformRowHeights(true);
    // Chapters are dragged within the tree; the drop itself is the book's move.
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::InternalMove);
    setDefaultDropAction(Qt::MoveAction);
    setItemDelegate(new LabelEditDelegate(
        [this](const QModelIndex& index, const QString& text) {
            // Applied once the editor is closed: the name rules may show a message box,
            // which must not run inside the editor's own focus handling.
            const ItemId item = model_ ? model_->nodeAt(index) : kNoItem;
            QMetaObject::invokeMethod(this, [this, item, text] { applyRename(item, text); }, Qt::QueuedConnection);
        },
        this));
    connect(this, &QTreeView::expanded, this, [this](const QModelIndex& index) {
        if (chapters() && model_) chapters()->setExpanded(model_->nodeAt(index), true);
    });
    connect(this, &QTreeView::collapsed, this, [this](const QModelIndex& index) {
        if (chapters() && model_) chapters()->setExpanded(model_->nodeAt(index), false);
    });
}

// The book may outlive the window; it must not call back into a dead tree.
CChapterTreeCtrl::~CChapterTreeCtrl() { detachBook(); }

void CChapterTreeCtrl::detachBook() {
    if (chapters_) chapters_->removeObserver(this);
    setModel(nullptr);
    model_.reset();
    commands_ = nullptr;
    chapters_ = nullptr;
    storage_ = nullptr;
}

void CChapterTreeCtrl::attachBook(ChapterCommands& commands) {
    detachBook();
    book::BookStorage& storage = commands.storage();
    commands_ = &commands;
    storage_ = &storage;
    chapters_ = &storage.chapters();
    auto model = std::make_unique<ChapterItemModel>(storage.chapters());
    model->setMoveHandler([this](ItemId node, ItemId parent, ItemId after) {
        return commands_ && commands_->move.moveChapter(node, parent, after);
    });
    setModel(model.get());
    model_ = std::move(model);  // the old model goes after the view has let it go
    storage.chapters().addObserver(this);  // after the item model: rows first, then the view
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { viewCurrentChanged(current); });
    resetDone();
}

QModelIndex CChapterTreeCtrl::indexOf(ItemId item) const { return model_ ? model_->indexOf(item) : QModelIndex(); }

ItemId CChapterTreeCtrl::itemAt(const QPoint& viewportPos) const {
    return model_ ? model_->nodeAt(indexAt(viewportPos)) : kNoItem;
}

void CChapterTreeCtrl::structureDone() {
    if (changing_ > 0) --changing_;
    if (changing_ == 0) showSelection();
}

// After a reset the view knows nothing: the expansion and the selection are given again.
void CChapterTreeCtrl::resetDone() {
    if (changing_ > 0) --changing_;
    const book::ChapterModel* model = chapters();
    if (!model || changing_ > 0) return;
    ++changing_;
    for (const ItemId top : model->subtreeInPreOrder(model->rootItem()))
        if (model->isExpanded(top)) showExpansion(top);
    --changing_;
    showSelection();
}

// A moved subtree comes back collapsed in the view; the model knows what was open.
void CChapterTreeCtrl::moved(book::NodeId node) {
    if (const book::ChapterModel* model = chapters()) {
        ++changing_;
        for (const ItemId below : model->subtreeInPreOrder(node))
            if (model->isExpanded(below)) showExpansion(below);
        --changing_;
    }
    structureDone();
}

void CChapterTreeCtrl::expanded(book::NodeId node) { showExpansion(node); }

void CChapterTreeCtrl::showExpansion(ItemId item) {
    if (chapters()->depth(item) < kDeepestShown) QTreeView::expand(indexOf(item));
}

void CChapterTreeCtrl::selectionChanged(book::NodeId, book::NodeId) {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    showSelection();
    QGuiApplication::restoreOverrideCursor();
}

void CChapterTreeCtrl::showSelection() {
    const book::ChapterModel* model = chapters();
    if (!model || !selectionModel()) return;
    ++changing_;
    const ItemId selected = model->selectedItem();
    const QModelIndex index = indexOf(selected);
    if (!index.isValid()) {
        selectionModel()->clear();
    } else {
        const bool shown = model->depth(selected) <= kDeepestShown;
        const bool scrolls = hasAutoScroll();
        setAutoScroll(scrolls && shown);
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        setAutoScroll(scrolls);
        if (shown) scrollTo(index);
    }
    --changing_;
}

void CChapterTreeCtrl::viewCurrentChanged(const QModelIndex& current) {
    if (changing_ > 0 || !chapters()) return;
    const ItemId item = model_->nodeAt(current);
    if (item == chapters()->selectedItem()) return;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    chapters()->selectItem(item);
    QGuiApplication::restoreOverrideCursor();
    showSelection();  // the book may have kept the selection where it was
}

void CChapterTreeCtrl::startRename() {
    const QModelIndex index = chapters() ? indexOf(chapters()->selectedItem()) : QModelIndex();
    if (!index.isValid()) return;
    setFocus();
    edit(index);
}

void CChapterTreeCtrl::applyRename(ItemId item, const QString& typed) {
    if (!commands_ || !chapters()->contains(item)) return;
    std::string name;
    if (!text::utf8ToGbk(typed.toStdString(), &name).ok()) {
        storage_->ui().showMessage(ui::plainMessage(kUnreadable));
        return;
    }
    commands_->editing.renameItem(item, name);
}

bool CChapterTreeCtrl::deleteSelected() { return commands_ && commands_->editing.deleteSelected(); }

void CChapterTreeCtrl::pageUp() {
    if (commands_) commands_->navigation.pageUp();
}

void CChapterTreeCtrl::pageDown() {
    if (commands_) commands_->navigation.pageDown();
}

// The icon and the label count as the item; the indentation and the row's empty right
// part do not.
bool CChapterTreeCtrl::hitsItemLabel(const QPoint& viewportPos) const {
    const QModelIndex index = indexAt(viewportPos);
    if (!index.isValid()) return false;
    const QRect cell = visualRect(index);
    const int width = iconSize().width() + 8 + fontMetrics().horizontalAdvance(index.data().toString()) + 8;
    return viewportPos.x() >= cell.left() && viewportPos.x() < cell.left() + width;
}

QMenu* CChapterTreeCtrl::showContextMenuAt(const QPoint& viewportPos) {
    if (!storage_) return nullptr;
    if (!storage_->session().index.empty() && !hitsItemLabel(viewportPos)) return nullptr;
    if (activeMenu_) activeMenu_->close();
    auto* holder = new ChapterMenuHolder(
        createChapterMenu(ChapterMenuImages::None,
                          [this](framework::CommandId command) {
                              if (command == framework::cmd::kImportChapters) emit importRequested();
                              else if (commands_) commands_->run(command);
                          }),
        this);
    setChapterMenuAdds(holder->chapterMenu(), chapterMenuAddsEnabled(*storage_));
    setChapterMenuMoves(holder->chapterMenu(), storage_->session().bookOpen, commands_ && commands_->hasMoveSource());
    QMenu* menu = holder->chapterMenu().menu();
    // Later, not at once: a chosen item is triggered after its menu has hidden.
    connect(menu, &QMenu::aboutToHide, holder, &QObject::deleteLater);
    activeMenu_ = menu;
    menu->popup(viewport()->mapToGlobal(viewportPos));
    return menu;
}

void CChapterTreeCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        // As the platform tree does: a right click shows the menu for the selection and
        // leaves the selection where it is.
        showContextMenuAt(event->position().toPoint());
        event->accept();
        return;
    }
    if (event->button() == Qt::LeftButton) {
        emit activated();
        setFocus(Qt::MouseFocusReason);
    }
    QTreeView::mousePressEvent(event);
}

void CChapterTreeCtrl::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F2 && event->modifiers() == Qt::NoModifier) {
        startRename();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Asterisk && model_ && model_->nodeAt(currentIndex()) != kNoItem) {
        expandBelow(model_->nodeAt(currentIndex()));
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

// What '*' does, down to the deepest level shown.
void CChapterTreeCtrl::expandBelow(ItemId item) {
    book::ChapterModel& model = *chapters();
    const size_t limit = kDeepestShown - std::min(kDeepestShown, model.depth(item));
    std::vector<std::pair<ItemId, size_t>> pending{{item, 0}};
    while (!pending.empty()) {
        const auto [at, depth] = pending.back();
        pending.pop_back();
        if (depth >= limit || model.firstChild(at) == kNoItem) continue;
        model.expand(at);
        for (ItemId child = model.firstChild(at); child != kNoItem; child = model.nextSibling(child))
            pending.emplace_back(child, depth + 1);
    }
}

// The menu belongs to the right button alone.
void CChapterTreeCtrl::contextMenuEvent(QContextMenuEvent* event) { event->accept(); }

}  // namespace pgw::tree::widgets
