#pragma once
// The chapter tree control: the book's chapters as a tree widget. It is the window's
// implementation of the chapter tree the book code walks, and it carries the author's
// direct work on the tree: in-place renaming, deleting, the chapter menu on the right
// button, page up and down, bookmarks, and moving chapters by the move mark or by drag
// and drop.
//
// A dragged chapter dropped on a row goes behind that row's chapter; dropped on the
// middle of a directory's row it goes into that directory, as its last child; dropped on
// the root's row, or just below the row of the root or of an open directory, it becomes
// that directory's first child. Every drop goes
// through the book's move, never through the widget's own item move.
//
// Items are known to the book by stable ids that are never reused; labels are GBK bytes
// and shown converted.

#include "book/BookStorage.h"
#include "book/CPGWDoc.h"
#include "platform/framework/CommandIds.h"
#include "tree/ChapterOperations.h"
#include "tree/ChapterTree.h"
#include "tree/widgets/ChapterImages.h"

#include <QMenu>
#include <QPointer>
#include <QTreeWidget>

#include <memory>
#include <optional>
#include <unordered_map>


namespace pgw::tree::widgets {

class CChapterTreeCtrl : public QTreeWidget, public ChapterTree {
    Q_OBJECT
public:
    explicit CChapterTreeCtrl(QWidget* parent = nullptr);
    ~CChapterTreeCtrl() override;

    // The tree as the book sees it.
    ItemId insertItem(ItemId parent, const std::string& label, ItemImages images) override;
    void deleteItem(ItemId item) override;
    void deleteAllItems() override;
    bool moveItem(ItemId item, ItemId parent, ItemId after) override;
    bool contains(ItemId item) const override { return items_.count(item) != 0; }
    std::string label(ItemId item) const override;
    void setLabel(ItemId item, const std::string& label) override;
    ItemImages images(ItemId item) const override;
    void setImages(ItemId item, ItemImages images) override;
    ItemId rootItem() const override;
    ItemId parent(ItemId item) const override;
    ItemId firstChild(ItemId item) const override;
    ItemId nextSibling(ItemId item) const override;
    ItemId previousSibling(ItemId item) const override;
    ItemId selectedItem() const override { return selected_; }
    void selectItem(ItemId item) override;
    void expand(ItemId item) override;
    bool isExpanded(ItemId item) const override;
    using QObject::parent;
    using QTreeView::expand;
    using QTreeView::isExpanded;

    // Wiring: the book this tree shows. The tree's own commands work once it is attached;
    // selection changes then exchange pages.
    void attachBook(book::BookStorage& storage, book::CPGWDoc& document);
    book::BookStorage* storage() const { return storage_; }
    ChapterOperations* operations() const;

    // Commands.
    void startRename();     // in-place editing of the selected item
    bool deleteSelected();  // asks first
    void pageUp();
    void pageDown();
    // The chapter menu's commands as they reach the tree (its own context menu), and the
    // move and bookmark commands from wherever they come.
    bool runMenuCommand(framework::CommandId command);
    bool hasMoveSource() const;

    // Where a chapter dropped at `position` relative to `target` goes: its new parent and
    // the chapter it follows (kNoItem: first). Nothing for a place no chapter can go.
    enum class DropAt { AboveItem, OnItem, BelowItem, Nowhere };  // as the drop indicator shows
    struct DropPlace {
        ItemId parent = kNoItem;
        ItemId after = kNoItem;
    };
    std::optional<DropPlace> dropPlace(ItemId dragged, ItemId target, DropAt position) const;
    // Whether the drop is allowed, without a word to the author (while dragging).
    bool acceptsDrop(ItemId dragged, ItemId target, DropAt position) const;
    // Drops `dragged` there through the book's move; a refusal is explained.
    bool dropChapter(ItemId dragged, ItemId target, DropAt position);
    // The chapter menu for a right click at a viewport point, shown there; none when the
    // click would show nothing. The menu is deleted once it has closed.
    QMenu* showContextMenuAt(const QPoint& viewportPos);
    QMenu* activeMenu() const { return activeMenu_; }

    QTreeWidgetItem* widgetItem(ItemId item) const;
    ItemId itemIdOf(const QTreeWidgetItem* widget) const;

signals:
    // A left click: the chapter pane becomes the active pane.
    void activated();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    struct BookParts;

    void viewSelectionChanged();
    void reportSelection(ItemId previous, ItemId current);
    void showSelection();
    void forgetSubtree(QTreeWidgetItem* widget);
    void clearItems();
    void expandBelow(QTreeWidgetItem* widget);
    bool isOwnDrag(const QDropEvent* event) const;
    ChapterMove* chapterMove() const;
    DropAt indicatedDrop() const;
    void applyRename(ItemId item, const QString& text);
    bool hitsItemLabel(const QPoint& viewportPos) const;

    ChapterImages images_ = loadChapterImages();
    std::unordered_map<ItemId, QTreeWidgetItem*> items_;
    ItemId nextId_ = 1;
    ItemId selected_ = kNoItem;
    bool syncing_ = false;  // the widget's own selection signals are ours, not the author's
    book::BookStorage* storage_ = nullptr;
    std::unique_ptr<BookParts> book_;
    QPointer<QMenu> activeMenu_;
};

}  // namespace pgw::tree::widgets
