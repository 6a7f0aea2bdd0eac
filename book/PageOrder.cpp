#include "book/PageOrder.h"

namespace pgw::book {

bool isPageItem(const ChapterModel& chapters, NodeId node) {
    const NodeInfoRecord* record = chapters.record(node);
    return record && record->isPage();
}

// Both walks are loops rather than recursion: a tree of thousands of siblings must not
// exhaust the stack.
NodeId findNextPageItem(const ChapterModel& chapters, NodeId node) {
    for (NodeId current = node;;) {
        NodeId next = chapters.firstChild(current);
        if (next == kNoNode) next = chapters.nextSibling(current);
        if (next == kNoNode || isPageItem(chapters, next)) return next;
        current = next;
    }
}

NodeId findPreviousPageItem(const ChapterModel& chapters, NodeId node) {
    for (NodeId current = node;;) {
        NodeId previous = chapters.previousSibling(current);
        if (previous == kNoNode) previous = chapters.parent(current);
        if (previous == kNoNode || isPageItem(chapters, previous)) return previous;
        current = previous;
    }
}

void selectFirstPage(ChapterModel& chapters) {
    const NodeId root = chapters.rootItem();
    if (root == kNoNode) return;
    const NodeId page = findNextPageItem(chapters, root);
    if (page != kNoNode) chapters.selectItem(page);
}

}  // namespace pgw::book
