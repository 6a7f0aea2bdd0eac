#pragma once
// The chapter tree control: the book's chapters shown in a tree view over the book's
// chapter model. It follows the model (rows, names, images, expansion and the selected
// chapter) and tells it what the author selects and expands, and it carries the author's
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
// Items are the model's nodes, known by ids that are never reused.

#include "book/BookStorage.h"
#include "book/CPGWDoc.h"
#include "platform/framework/CommandIds.h"
#include "tree/ChapterCommands.h"
#include "tree/TreeItems.h"
#include "tree/widgets/ChapterItemModel.h"

#include <QMenu>
#include <QPointer>
#include <QTreeView>

#include <memory>
#include <optional>

namespace pgw::tree::widgets {

class CChapterTreeCtrl : public QTreeView, private book::ChapterModelObserver {
    Q_OBJECT
public:
    explicit CChapterTreeCtrl(QWidget* parent = nullptr);
    ~CChapterTreeCtrl() override;

    // Wiring: the book this tree shows, through the commands the window made for it.
    void attachBook(ChapterCommands& commands);
    // Lets the book go: the tree shows nothing and calls nothing of it any more. The
    // window does so before its book goes.
    void detachBook();
    book::BookStorage* storage() const { return storage_; }
    ChapterItemModel* itemModel() const { return model_.get(); }
    ChapterCommands* commands() const { return commands_; }

    // Commands.
    void startRename();     // in-place editing of the selected item
    bool deleteSelected();  // asks first
    void pageUp();
    void pageDown();

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

    QModelIndex indexOf(ItemId item) const;
    ItemId itemAt(const QPoint& viewportPos) const;
    QRect itemRect(ItemId item) const { return visualRect(indexOf(item)); }

signals:
    // A left click: the chapter pane becomes the active pane.
    void activated();
    // The context menu's import item: the pane asks for the files.
    void importRequested();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // What the view follows of the chapters besides their rows.
    void aboutToReset() override { ++changing_; }
    void resetDone() override;
    void aboutToInsert(book::NodeId, size_t) override { ++changing_; }
    void inserted(book::NodeId) override { structureDone(); }
    void aboutToRemove(book::NodeId) override { ++changing_; }
    void removed(book::NodeId, size_t) override { structureDone(); }
    void aboutToMove(book::NodeId, book::NodeId, size_t) override { ++changing_; }
    void moved(book::NodeId node) override;
    void expanded(book::NodeId node) override;
    void selectionChanged(book::NodeId previous, book::NodeId current) override;
    void structureDone();

    book::ChapterModel* chapters() const { return chapters_; }
    void viewCurrentChanged(const QModelIndex& current);
    void showSelection();
    void showExpansion(ItemId item);
    void expandBelow(ItemId item);
    bool isOwnDrag(const QDropEvent* event) const;
    DropAt indicatedDrop() const;
    void applyRename(ItemId item, const QString& text);
    bool hitsItemLabel(const QPoint& viewportPos) const;

    std::unique_ptr<ChapterItemModel> model_;
    int changing_ = 0;  // the view's own selection signals while rows change are not the author's
    book::BookStorage* storage_ = nullptr;
    book::ChapterModel* chapters_ = nullptr;
    ChapterCommands* commands_ = nullptr;
    QPointer<QMenu> activeMenu_;
};

}  // namespace pgw::tree::widgets
