// Drag and drop of chapters within the tree. The widget draws the drop indicator; where
// the chapter goes and whether it may go there are the book's rules, and the drop runs
// the book's move so that elements, records and the node table follow the tree.

#include "tree/ChapterSupport.h"
#include "tree/widgets/CChapterTreeCtrl.h"

#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>

#include <memory>

namespace pgw::tree::widgets {

// Where the widget's drop indicator points, in the tree's own terms.
CChapterTreeCtrl::DropAt CChapterTreeCtrl::indicatedDrop() const {
    switch (dropIndicatorPosition()) {
    case AboveItem: return DropAt::AboveItem;
    case OnItem: return DropAt::OnItem;
    case BelowItem: return DropAt::BelowItem;
    case OnViewport: break;
    }
    return DropAt::Nowhere;
}

std::optional<CChapterTreeCtrl::DropPlace> CChapterTreeCtrl::dropPlace(ItemId dragged, ItemId target,
                                                                       DropAt position) const {
    const book::ChapterModel* model = chapters();
    if (!model || !model->contains(dragged) || !model->contains(target)) return std::nullopt;
    const bool isRoot = target == model->rootItem();
    const book::NodeInfoRecord* record = detail::recordOf(*storage_, target);
    DropPlace place;
    switch (position) {
    case DropAt::OnItem:
        if (isRoot) place = {target, kNoItem};
        else if (record && record->isStorage()) place = {target, model->lastChild(target)};
        else place = {model->parent(target), target};
        break;
    case DropAt::AboveItem:
        if (isRoot) return std::nullopt;  // nothing goes beside the root
        place = {model->parent(target), model->previousSibling(target)};
        break;
    case DropAt::BelowItem: {
        // Just below the row of the root, or of an open directory, is the top of its
        // children: that is where the indicator shows.
        const bool opensBelow = isRoot || (record && record->isStorage() && isExpanded(indexOf(target)) &&
                                           model->firstChild(target) != kNoItem);
        place = opensBelow ? DropPlace{target, kNoItem} : DropPlace{model->parent(target), target};
        break;
    }
    case DropAt::Nowhere: return std::nullopt;
    }
    // Next to itself is where it already is.
    if (place.after == dragged) place.after = model->previousSibling(dragged);
    return place;
}

bool CChapterTreeCtrl::acceptsDrop(ItemId dragged, ItemId target, DropAt position) const {
    const auto place = dropPlace(dragged, target, position);
    return commands_ && place && !commands_->move.refusal(dragged, place->parent, place->after);
}

// The drop goes through the item model as dropped chapter data, at the row the book's
// rules give.
bool CChapterTreeCtrl::dropChapter(ItemId dragged, ItemId target, DropAt position) {
    const auto place = dropPlace(dragged, target, position);
    if (!model_ || !place) return false;
    const int row = place->after == kNoItem ? 0 : int(chapters()->row(place->after)) + 1;
    const std::unique_ptr<QMimeData> mime(model_->mimeData({indexOf(dragged)}));
    return model_->dropMimeData(mime.get(), Qt::MoveAction, row, 0, indexOf(place->parent));
}

// Only a chapter dragged from this tree is ours; anything else (files for the window)
// goes on to the window.
bool CChapterTreeCtrl::isOwnDrag(const QDropEvent* event) const {
    return event->source() == this && chapters() && chapters()->selectedItem() != kNoItem &&
           !event->mimeData()->hasUrls();
}

void CChapterTreeCtrl::dragEnterEvent(QDragEnterEvent* event) {
    if (!isOwnDrag(event)) {
        event->ignore();
        return;
    }
    QTreeView::dragEnterEvent(event);
}

void CChapterTreeCtrl::dragMoveEvent(QDragMoveEvent* event) {
    if (!isOwnDrag(event)) {
        event->ignore();
        return;
    }
    QTreeView::dragMoveEvent(event);  // the indicator and the scrolling
    const ItemId target = itemAt(event->position().toPoint());
    if (!acceptsDrop(chapters()->selectedItem(), target, indicatedDrop())) event->ignore();
}

void CChapterTreeCtrl::dropEvent(QDropEvent* event) {
    if (!isOwnDrag(event)) {
        event->ignore();
        return;
    }
    const ItemId target = itemAt(event->position().toPoint());
    dropChapter(chapters()->selectedItem(), target, indicatedDrop());
    // Not a move as far as the widget knows: it must not remove the dragged row itself.
    event->setDropAction(Qt::IgnoreAction);
    event->accept();
    stopAutoScroll();
    setState(NoState);
    viewport()->update();
}

}  // namespace pgw::tree::widgets
