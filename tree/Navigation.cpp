// What a change of selection does to the page editors, and stepping through the pages.

#include "tree/ChapterOperations.h"
#include "tree/ChapterSupport.h"
#include "tree/TreeItems.h"

namespace pgw::tree {

Navigation::Navigation(book::BookStorage& storage, book::CPGWDoc& document)
    : storage_(storage), document_(document) {}

void Navigation::attach() {
    storage_.chapters().setSelectionHandler([this](ItemId previous, ItemId current) { selectionChanged(previous, current); });
}

// The old page is stored before the new one is loaded: the editors hold one page at a
// time. A directory leaves the last page on show, so that page is stored too when the
// author changed it.
//
// When the page being left cannot be stored, the selection goes back to it: its content
// is only in the editor, and loading another page would throw it away.
void Navigation::selectionChanged(ItemId previous, ItemId current) {
    if (goingBack_) return;
    book::ChapterModel& tree = storage_.chapters();
    const bool stored = (previous == kNoItem || document_.exchangePage(tree.label(previous))) &&
                        document_.storeShownPage();
    if (!stored) {
        goingBack_ = true;
        tree.selectItem(previous != kNoItem && tree.contains(previous) ? previous : kNoItem);
        goingBack_ = false;
        return;
    }
    if (current != kNoItem) document_.exchangePage(tree.label(current));
}

// Selects the page `find` gives from the selection; nothing happens when there is none.
void Navigation::stepTo(ItemId (*find)(const book::ChapterModel&, ItemId)) {
    book::ChapterModel& tree = storage_.chapters();
    const ItemId selected = tree.selectedItem();
    if (selected == kNoItem) return;
    if (const ItemId page = find(tree, selected); page != kNoItem) tree.selectItem(page);
}

void Navigation::pageDown() { stepTo(findNextPageItem); }
void Navigation::pageUp() { stepTo(findPreviousPageItem); }

}  // namespace pgw::tree
