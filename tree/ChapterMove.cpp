// Moving chapters: the command that moves the marked page behind the selected chapter,
// and the one move both it and the tree's drag and drop go through.

#include "tree/ChapterEdits.h"
#include "tree/ChapterOperations.h"
#include "tree/ChapterSupport.h"

namespace pgw::tree {

namespace {

const char* const kNoSource = "请先将要移动的页面置为移动源!";
const char* const kNoTarget = "请先选择一个章节,移动源将移到它的后面!";
const char* const kBehindItself = "不能把章节移动到它自己的后面!";
const char* const kRootStays = "根节点不能移动!";
const char* const kIntoItself = "不能把目录移动到它自己或它的子目录中!";
const char* const kNotADirectory = "章节只能移动到目录中!";
const char* const kFailed = "移动章节失败,章节仍在原来的位置!";

}  // namespace

ChapterMove::ChapterMove(book::BookStorage& storage, book::CPGWDoc& document, MoveMark& mark)
    : storage_(storage), document_(document), mark_(mark) {}

bool ChapterMove::moveSourceBehindSelected() {
    book::ChapterModel& tree = storage_.chapters();
    const ItemId source = mark_.sourceItem();
    // A marked page deleted since (or one of an earlier book) is no source any more.
    const book::NodeInfoRecord* record = detail::recordOf(storage_, source);
    if (!record || !record->isPage() || tree.label(source) != mark_.sourceName()) {
        mark_.cancel();
        detail::refuse(storage_, kNoSource);
        return false;
    }
    const ItemId target = tree.selectedItem();
    if (target == kNoItem) {
        detail::refuse(storage_, kNoTarget);
        return false;
    }
    if (target == source) {
        detail::refuse(storage_, kBehindItself);
        return false;
    }
    const bool toRoot = target == tree.rootItem();
    if (!moveChapter(source, toRoot ? target : tree.parent(target), toRoot ? kNoItem : target)) return false;
    mark_.cancel();
    return true;
}

const char* ChapterMove::refusal(ItemId item, ItemId parent, ItemId after) const {
    book::ChapterModel& tree = storage_.chapters();
    if (!tree.contains(item) || !tree.contains(parent)) return kNoTarget;
    if (item == tree.rootItem()) return kRootStays;
    if (after == item) return kBehindItself;
    if (tree.isWithin(parent, item)) return kIntoItself;
    const book::NodeInfoRecord* target = detail::recordOf(storage_, parent);
    if (!target || !target->isStorage()) return kNotADirectory;
    if (after != kNoItem && tree.parent(after) != parent) return kNotADirectory;
    if (!detail::recordOf(storage_, item)) return kFailed;
    return nullptr;
}

bool relocateChapter(book::BookStorage& storage, book::CPGWDoc& document, ItemId item, ItemId parent, ItemId after,
                     const std::string& objName) {
    book::ChapterModel& tree = storage.chapters();
    if (!storage.isOpen()) return false;
    if (tree.parent(item) == parent && tree.previousSibling(item) == after) return true;
    // The editor's unsaved content goes into the stream before the stream moves; a page
    // that cannot be stored stays where it is.
    if (!document.storeShownPage()) return false;
    if (!storage.moveChapter(item, parent, after, objName)) {
        detail::refuse(storage, kFailed);
        return false;
    }
    tree.expand(parent);
    (void)storage.writeNodeInfo();
    document.setModified(true);
    return true;
}

bool ChapterMove::moveChapter(ItemId item, ItemId parent, ItemId after) {
    if (!storage_.isOpen()) return false;
    if (const char* why = refusal(item, parent, after)) {
        detail::refuse(storage_, why);
        return false;
    }
    const book::ChapterModel& tree = storage_.chapters();
    const ChapterPlace from = ChapterPlace::of(tree, item);
    if (from.parent == parent && from.after == after) return true;
    if (!relocateChapter(storage_, document_, item, parent, after)) return false;
    if (history_)
        history_->done(std::make_unique<MovedChapter>(storage_, document_, item, from, ChapterPlace::of(tree, item)));
    return true;
}

}  // namespace pgw::tree
