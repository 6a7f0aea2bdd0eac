// Drag and drop of chapters within the tree. The widget draws the drop indicator; where
// the chapter goes and whether it may go there are the book's rules, and the drop runs
// the book's move so that elements, records and the node table follow the tree.

#include "tree/ChapterSupport.h"
#include "tree/widgets/CChapterTreeCtrl.h"

#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>

namespace pgw::tree::widgets {

std::optional<CChapterTreeCtrl::DropPlace> CChapterTreeCtrl::dropPlace(ItemId dragged, ItemId target,
                                                                       DropIndicatorPosition position) const {
    if (!storage_ || !contains(dragged) || !contains(target)) return std::nullopt;
    const bool isRoot = target == rootItem();
    const book::NodeInfoRecord* record = detail::recordOf(*storage_, target);
    DropPlace place;
    switch (position) {
    case OnItem:
        if (isRoot) place = {target, kNoItem};
        else if (record && record->isStorage()) place = {target, lastChild(target)};
        else place = {parent(target), target};
        break;
    case AboveItem:
        if (isRoot) return std::nullopt;  // nothing goes beside the root
        place = {parent(target), previousSibling(target)};
        break;
    case BelowItem:
        // Just below the root's row is the top of its children.
        place = isRoot ? DropPlace{target, kNoItem} : DropPlace{parent(target), target};
        break;
    case OnViewport: return std::nullopt;
    }
    // Next to itself is where it already is.
    if (place.after == dragged) place.after = previousSibling(dragged);
    return place;
}

bool CChapterTreeCtrl::acceptsDrop(ItemId dragged, ItemId target, DropIndicatorPosition position) const {
    const auto place = dropPlace(dragged, target, position);
    return book_ && place && !book_->move.refusal(dragged, place->parent, place->after);
}

bool CChapterTreeCtrl::dropChapter(ItemId dragged, ItemId target, DropIndicatorPosition position) {
    if (!book_) return false;
    const auto place = dropPlace(dragged, target, position);
    if (!place) return false;
    return book_->move.moveChapter(dragged, place->parent, place->after);
}

// Only a chapter dragged from this tree is ours; anything else (files for the window)
// goes on to the window.
bool CChapterTreeCtrl::isOwnDrag(const QDropEvent* event) const {
    return event->source() == this && selected_ != kNoItem && !event->mimeData()->hasUrls();
}

void CChapterTreeCtrl::dragEnterEvent(QDragEnterEvent* event) {
    if (!isOwnDrag(event)) {
        event->ignore();
        return;
    }
    QTreeWidget::dragEnterEvent(event);
}

void CChapterTreeCtrl::dragMoveEvent(QDragMoveEvent* event) {
    if (!isOwnDrag(event)) {
        event->ignore();
        return;
    }
    QTreeWidget::dragMoveEvent(event);  // the indicator and the scrolling
    const ItemId target = itemIdOf(itemAt(event->position().toPoint()));
    if (!acceptsDrop(selected_, target, dropIndicatorPosition())) event->ignore();
}

void CChapterTreeCtrl::dropEvent(QDropEvent* event) {
    if (!isOwnDrag(event)) {
        event->ignore();
        return;
    }
    const ItemId target = itemIdOf(itemAt(event->position().toPoint()));
    dropChapter(selected_, target, dropIndicatorPosition());
    // Not a move as far as the widget knows: it must not remove the dragged row itself.
    event->setDropAction(Qt::IgnoreAction);
    event->accept();
    stopAutoScroll();
    setState(NoState);
    viewport()->update();
}

}  // namespace pgw::tree::widgets
