#include "tree/widgets/CChapterTreeCtrl.h"

#include "platform/text/CodePage.h"
#include "tree/widgets/ChapterMenu.h"
#include "tree/widgets/LabelEditDelegate.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>

#include <vector>

namespace pgw::tree::widgets {

namespace cmd = framework::cmd;

namespace {

constexpr int kIdRole = Qt::UserRole;
constexpr int kLabelRole = Qt::UserRole + 1;
constexpr int kNormalImageRole = Qt::UserRole + 2;
constexpr int kSelectedImageRole = Qt::UserRole + 3;

const char* const kUnreadable = "名称中含有无法识别的字符!";

// A label that is not valid GBK (the book never makes one) still shows what converts.
QString displayText(const std::string& gbk) {
    std::string utf8;
    const bool whole = text::gbkToUtf8(gbk, &utf8).ok();
    return QString::fromStdString(utf8) + (whole ? QString() : QString(QChar::ReplacementCharacter));
}

// Qt's signals while the tree changes its own selection are not the author's doing.
class SyncGuard {
public:
    explicit SyncGuard(bool& flag) : flag_(flag), before_(flag) { flag_ = true; }
    ~SyncGuard() { flag_ = before_; }

private:
    bool& flag_;
    bool before_;
};

// Qt lays out expanded items one call deeper a level: a chain of thousands expanded at
// once would exhaust the stack. An item deeper than this is selected without being
// scrolled to (which expands every level above it), and '*' expands no deeper.
constexpr int kDeepestShown = 1000;

int depthOf(const QTreeWidgetItem* widget) {
    int depth = 0;
    for (const QTreeWidgetItem* at = widget->parent(); at; at = at->parent()) ++depth;
    return depth;
}

// `widget` and everything below it, each before its children.
std::vector<QTreeWidgetItem*> subtreeOf(QTreeWidgetItem* widget) {
    std::vector<QTreeWidgetItem*> all;
    std::vector<QTreeWidgetItem*> pending{widget};
    while (!pending.empty()) {
        QTreeWidgetItem* at = pending.back();
        pending.pop_back();
        all.push_back(at);
        for (int i = at->childCount() - 1; i >= 0; --i) pending.push_back(at->child(i));
    }
    return all;
}

// An item deletes its children, and they theirs, one call deeper each: a book nested
// thousands deep would exhaust the stack. The subtree is cut every so many levels and
// the pieces, detached and shallow, are deleted one by one.
void deleteSubtree(QTreeWidgetItem* widget) {
    constexpr int kSlice = 256;
    std::vector<QTreeWidgetItem*> pieces{widget};
    for (size_t next = 0; next < pieces.size(); ++next) {
        std::vector<std::pair<QTreeWidgetItem*, int>> pending{{pieces[next], 0}};
        while (!pending.empty()) {
            const auto [at, depth] = pending.back();
            pending.pop_back();
            if (depth == kSlice) {
                const QList<QTreeWidgetItem*> taken = at->takeChildren();
                pieces.insert(pieces.end(), taken.begin(), taken.end());
                continue;
            }
            for (int i = 0; i < at->childCount(); ++i) pending.emplace_back(at->child(i), depth + 1);
        }
    }
    for (QTreeWidgetItem* piece : pieces) delete piece;
}

}  // namespace

struct CChapterTreeCtrl::BookParts {
    BookParts(book::BookStorage& storage, book::CPGWDoc& document)
        : editing(storage, document), operations(storage, document), navigation(storage, document),
          mark(storage), bookmarks(storage), move(storage, document, mark) {}
    ChapterEditing editing;
    ChapterOperations operations;
    Navigation navigation;
    MoveMark mark;
    Bookmarks bookmarks;
    ChapterMove move;
};

CChapterTreeCtrl::CChapterTreeCtrl(QWidget* parent) : QTreeWidget(parent) {
    setObjectName(QStringLiteral("chapterTree"));
    setColumnCount(1);
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
            const ItemId item = itemIdOf(itemFromIndex(index));
            QMetaObject::invokeMethod(this, [this, item, text] { applyRename(item, text); }, Qt::QueuedConnection);
        },
        this));
    connect(this, &QTreeWidget::itemSelectionChanged, this, [this] { viewSelectionChanged(); });
}

CChapterTreeCtrl::~CChapterTreeCtrl() {
    // The book may outlive the window; it must not call back into a dead tree.
    setSelectionHandler(nullptr);
    disconnect(this, &QTreeWidget::itemSelectionChanged, this, nullptr);
    SyncGuard guard(syncing_);
    clearItems();
}

void CChapterTreeCtrl::clearItems() {
    while (topLevelItemCount() > 0) deleteSubtree(topLevelItem(topLevelItemCount() - 1));
    clear();
}

void CChapterTreeCtrl::attachBook(book::BookStorage& storage, book::CPGWDoc& document) {
    storage_ = &storage;
    book_ = std::make_unique<BookParts>(storage, document);
    book_->navigation.attach();
}

ChapterOperations* CChapterTreeCtrl::operations() const { return book_ ? &book_->operations : nullptr; }

QTreeWidgetItem* CChapterTreeCtrl::widgetItem(ItemId item) const {
    const auto it = items_.find(item);
    return it == items_.end() ? nullptr : it->second;
}

ItemId CChapterTreeCtrl::itemIdOf(const QTreeWidgetItem* widget) const {
    return widget ? ItemId(widget->data(0, kIdRole).toUInt()) : kNoItem;
}

ItemId CChapterTreeCtrl::insertItem(ItemId parentItem, const std::string& text, ItemImages images) {
    QTreeWidgetItem* above = widgetItem(parentItem);
    if (parentItem != kNoItem && !above) return kNoItem;
    const ItemId id = nextId_++;
    auto* widget = new QTreeWidgetItem;
    widget->setFlags(widget->flags() | Qt::ItemIsEditable);
    if (!above) widget->setFlags(widget->flags() & ~Qt::ItemIsDragEnabled);  // the root stays
    widget->setData(0, kIdRole, uint(id));
    items_[id] = widget;
    setLabel(id, text);
    setImages(id, images);
    SyncGuard guard(syncing_);
    above ? above->addChild(widget) : addTopLevelItem(widget);
    return id;
}

void CChapterTreeCtrl::forgetSubtree(QTreeWidgetItem* widget) {
    for (const QTreeWidgetItem* below : subtreeOf(widget)) items_.erase(itemIdOf(below));
}

void CChapterTreeCtrl::deleteItem(ItemId item) {
    QTreeWidgetItem* widget = widgetItem(item);
    if (!widget) return;
    {
        SyncGuard guard(syncing_);
        forgetSubtree(widget);
        deleteSubtree(widget);
    }
    const ItemId previous = selected_;
    if (!contains(selected_)) selected_ = kNoItem;
    // The widget may have picked a neighbour of the deleted item; the selection stays ours.
    showSelection();
    if (previous != selected_) reportSelection(previous, kNoItem);
}

void CChapterTreeCtrl::deleteAllItems() {
    const bool hadSelection = selected_ != kNoItem;
    {
        SyncGuard guard(syncing_);
        items_.clear();
        clearItems();
    }
    selected_ = kNoItem;
    if (hadSelection) reportSelection(kNoItem, kNoItem);
}

namespace {

void collectExpansion(QTreeWidgetItem* widget, std::vector<std::pair<QTreeWidgetItem*, bool>>* out) {
    for (QTreeWidgetItem* below : subtreeOf(widget)) out->emplace_back(below, below->isExpanded());
}

}  // namespace

bool CChapterTreeCtrl::moveItem(ItemId item, ItemId parentItem, ItemId after) {
    QTreeWidgetItem* widget = widgetItem(item);
    QTreeWidgetItem* above = widgetItem(parentItem);
    if (!widget || !above || isWithin(parentItem, item)) return false;
    QTreeWidgetItem* behind = widgetItem(after);
    if (after != kNoItem && (!behind || behind->parent() != above || behind == widget)) return false;
    // Taking an item out of the view forgets the expansion below it.
    std::vector<std::pair<QTreeWidgetItem*, bool>> expansion;
    collectExpansion(widget, &expansion);
    {
        SyncGuard guard(syncing_);
        if (QTreeWidgetItem* from = widget->parent()) from->removeChild(widget);
        else takeTopLevelItem(indexOfTopLevelItem(widget));
        above->insertChild(behind ? above->indexOfChild(behind) + 1 : 0, widget);
        for (const auto& [moved, open] : expansion) moved->setExpanded(open);
    }
    showSelection();
    return true;
}

std::string CChapterTreeCtrl::label(ItemId item) const {
    const QTreeWidgetItem* widget = widgetItem(item);
    return widget ? widget->data(0, kLabelRole).toByteArray().toStdString() : std::string();
}

void CChapterTreeCtrl::setLabel(ItemId item, const std::string& text) {
    QTreeWidgetItem* widget = widgetItem(item);
    if (!widget) return;
    widget->setData(0, kLabelRole, QByteArray::fromStdString(text));
    widget->setText(0, displayText(text));
}

ItemImages CChapterTreeCtrl::images(ItemId item) const {
    const QTreeWidgetItem* widget = widgetItem(item);
    if (!widget) return {};
    return {widget->data(0, kNormalImageRole).toInt(), widget->data(0, kSelectedImageRole).toInt()};
}

void CChapterTreeCtrl::setImages(ItemId item, ItemImages pair) {
    QTreeWidgetItem* widget = widgetItem(item);
    if (!widget) return;
    widget->setData(0, kNormalImageRole, pair.normal);
    widget->setData(0, kSelectedImageRole, pair.selected);
    widget->setIcon(0, chapterItemIcon(images_, pair));
}

ItemId CChapterTreeCtrl::rootItem() const { return itemIdOf(topLevelItem(0)); }

ItemId CChapterTreeCtrl::parent(ItemId item) const {
    const QTreeWidgetItem* widget = widgetItem(item);
    return widget ? itemIdOf(widget->parent()) : kNoItem;
}

ItemId CChapterTreeCtrl::firstChild(ItemId item) const {
    const QTreeWidgetItem* widget = widgetItem(item);
    return widget ? itemIdOf(widget->child(0)) : kNoItem;
}

ItemId CChapterTreeCtrl::nextSibling(ItemId item) const {
    QTreeWidgetItem* widget = widgetItem(item);
    if (!widget) return kNoItem;
    QTreeWidgetItem* above = widget->parent();
    return above ? itemIdOf(above->child(above->indexOfChild(widget) + 1))
                 : itemIdOf(topLevelItem(indexOfTopLevelItem(widget) + 1));
}

ItemId CChapterTreeCtrl::previousSibling(ItemId item) const {
    QTreeWidgetItem* widget = widgetItem(item);
    if (!widget) return kNoItem;
    QTreeWidgetItem* above = widget->parent();
    const int at = above ? above->indexOfChild(widget) : indexOfTopLevelItem(widget);
    if (at <= 0) return kNoItem;
    return itemIdOf(above ? above->child(at - 1) : topLevelItem(at - 1));
}

void CChapterTreeCtrl::selectItem(ItemId item) {
    if (item != kNoItem && !contains(item)) return;
    if (item == selected_) return;
    const ItemId previous = selected_;
    selected_ = item;
    showSelection();
    reportSelection(previous, item);
}

void CChapterTreeCtrl::showSelection() {
    SyncGuard guard(syncing_);
    QTreeWidgetItem* widget = widgetItem(selected_);
    if (!widget) {
        clearSelection();
        setCurrentIndex(QModelIndex());
        return;
    }
    const bool shown = depthOf(widget) <= kDeepestShown;
    const bool scrolls = hasAutoScroll();
    setAutoScroll(scrolls && shown);
    setCurrentItem(widget, 0, QItemSelectionModel::ClearAndSelect);
    setAutoScroll(scrolls);
    if (shown) scrollToItem(widget);
}

void CChapterTreeCtrl::viewSelectionChanged() {
    if (syncing_) return;
    const QList<QTreeWidgetItem*> chosen = selectedItems();
    const ItemId current = chosen.isEmpty() ? kNoItem : itemIdOf(chosen.front());
    if (current == selected_) return;
    const ItemId previous = selected_;
    selected_ = current;
    reportSelection(previous, current);
}

void CChapterTreeCtrl::reportSelection(ItemId previous, ItemId current) {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    ChapterTree::selectionChanged(previous, current);
    QGuiApplication::restoreOverrideCursor();
}

void CChapterTreeCtrl::expand(ItemId item) {
    if (QTreeWidgetItem* widget = widgetItem(item)) widget->setExpanded(true);
}

bool CChapterTreeCtrl::isExpanded(ItemId item) const {
    const QTreeWidgetItem* widget = widgetItem(item);
    return widget && widget->isExpanded();
}

void CChapterTreeCtrl::startRename() {
    if (QTreeWidgetItem* widget = widgetItem(selected_)) {
        setFocus();
        editItem(widget, 0);
    }
}

void CChapterTreeCtrl::applyRename(ItemId item, const QString& typed) {
    if (!book_ || !contains(item)) return;
    std::string name;
    if (!text::utf8ToGbk(typed.toStdString(), &name).ok()) {
        storage_->ui().showMessage(ui::plainMessage(kUnreadable));
        return;
    }
    book_->editing.renameItem(item, name);
}

bool CChapterTreeCtrl::deleteSelected() { return book_ && book_->editing.deleteSelected(); }

void CChapterTreeCtrl::pageUp() {
    if (book_) book_->navigation.pageUp();
}

void CChapterTreeCtrl::pageDown() {
    if (book_) book_->navigation.pageDown();
}

bool CChapterTreeCtrl::runMenuCommand(framework::CommandId command) {
    if (!book_) return false;
    switch (command) {
    case cmd::kInsertDirectory: book_->operations.addDirectory(); return true;
    case cmd::kInsertTextPage: book_->operations.addTextPage(); return true;
    case cmd::kInsertPicturePage: book_->operations.addPicturePage(); return true;
    case cmd::kExpandAll: book_->operations.expandRoot(); return true;
    case cmd::kSetMoveSource: book_->mark.setSource(); return true;
    case cmd::kCancelMoveSource: book_->mark.cancel(); return true;
    case cmd::kMoveAfterCurrent: book_->move.moveSourceBehindSelected(); return true;
    case cmd::kToggleBookmark: book_->bookmarks.toggle(); return true;
    case cmd::kClearBookmarks: book_->bookmarks.clearAll(); return true;
    case cmd::kNextBookmark: book_->bookmarks.next(); return true;
    case cmd::kPreviousBookmark: book_->bookmarks.previous(); return true;
    default: return false;
    }
}

ChapterMove* CChapterTreeCtrl::chapterMove() const { return book_ ? &book_->move : nullptr; }

bool CChapterTreeCtrl::hasMoveSource() const { return book_ && contains(book_->mark.sourceItem()); }

// The icon and the label count as the item; the indentation and the row's empty right
// part do not.
bool CChapterTreeCtrl::hitsItemLabel(const QPoint& viewportPos) const {
    const QTreeWidgetItem* widget = itemAt(viewportPos);
    if (!widget) return false;
    const QRect cell = visualItemRect(widget);
    const int width = iconSize().width() + 8 + fontMetrics().horizontalAdvance(widget->text(0)) + 8;
    return viewportPos.x() >= cell.left() && viewportPos.x() < cell.left() + width;
}

QMenu* CChapterTreeCtrl::showContextMenuAt(const QPoint& viewportPos) {
    if (!storage_) return nullptr;
    if (!storage_->session().index.empty() && !hitsItemLabel(viewportPos)) return nullptr;
    if (activeMenu_) activeMenu_->close();
    auto* holder = new ChapterMenuHolder(
        createChapterMenu(ChapterMenuImages::None, [this](framework::CommandId command) { runMenuCommand(command); }),
        this);
    setChapterMenuAdds(holder->chapterMenu(), chapterMenuAddsEnabled(*storage_));
    setChapterMenuMoves(holder->chapterMenu(), storage_->session().bookOpen, hasMoveSource());
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
    QTreeWidget::mousePressEvent(event);
}

void CChapterTreeCtrl::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F2 && event->modifiers() == Qt::NoModifier) {
        startRename();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Asterisk && currentItem()) {
        expandBelow(currentItem());
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

// What '*' does, down to the deepest level shown.
void CChapterTreeCtrl::expandBelow(QTreeWidgetItem* widget) {
    const int limit = kDeepestShown - depthOf(widget);
    std::vector<std::pair<QTreeWidgetItem*, int>> pending{{widget, 0}};
    while (!pending.empty()) {
        const auto [at, depth] = pending.back();
        pending.pop_back();
        if (depth >= limit || at->childCount() == 0) continue;
        at->setExpanded(true);
        for (int i = 0; i < at->childCount(); ++i) pending.emplace_back(at->child(i), depth + 1);
    }
}

// The menu belongs to the right button alone.
void CChapterTreeCtrl::contextMenuEvent(QContextMenuEvent* event) { event->accept(); }

}  // namespace pgw::tree::widgets
