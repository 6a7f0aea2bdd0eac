// The chapter edits the history keeps, and the steps they share with the commands.

#include "tree/ChapterEdits.h"

#include "tree/ChapterOperations.h"
#include "tree/ChapterSupport.h"

#include <algorithm>
#include <unordered_set>

namespace pgw::tree {

namespace {

std::string quoted(const std::string& gbk) { return "“" + book::displayText(gbk) + "”"; }

void setPageCounts(book::BookStorage& storage, const PageCounts& counts) {
    storage.session().counters.textPageCount = counts.text;
    storage.session().counters.picturePageCount = counts.picture;
}

}  // namespace

void renameChapter(book::BookStorage& storage, book::CPGWDoc& document, ItemId item, const std::string& name) {
    const std::string oldName = storage.chapters().label(item);
    storage.renameNode(name, oldName);
    document.chapterRenamed(item, name);
    // The bookmark list follows the page, so next and previous still find it.
    std::vector<std::string>& bookmarks = storage.session().bookmarks;
    std::replace(bookmarks.begin(), bookmarks.end(), oldName, name);
    // A table that cannot be written now is written whole by the next write; the author
    // has been told, and the book knows it is not saved.
    (void)storage.writeNodeInfo();
    document.setModified(true);
}

ChapterPresence::ChapterPresence(book::BookStorage& storage, book::CPGWDoc& document, ItemId item, Kind kind,
                                 PageCounts absent, bool keepContent)
    : storage_(storage), document_(document), item_(item), kind_(kind), name_(storage.chapters().label(item)),
      present_(PageCounts::of(storage.session().counters)), absent_(absent), keepContent_(keepContent) {}

bool ChapterPresence::takeOut() {
    book::ChapterModel& tree = storage_.chapters();
    if (taken_ || !tree.contains(item_)) return false;
    // The page on show goes into its stream first: the chapter leaves with everything the
    // author wrote in it.
    if (!document_.storeShownPage()) return false;
    const bool wasSelected = tree.selectedItem() != kNoItem && tree.isWithin(tree.selectedItem(), item_);
    const ItemId previous = findPreviousPageItem(tree, item_);
    std::unordered_set<std::string> names;
    for (const ItemId below : tree.subtreeInPreOrder(item_)) names.insert(tree.label(below));
    present_ = PageCounts::of(storage_.session().counters);
    // The chapter leaves the tree before the selection moves, so leaving a deleted page
    // stores nothing into a stream that no longer exists.
    std::unique_ptr<book::TakenChapter> taken = storage_.takeChapter(item_, keepContent_);
    if (!taken) {
        if (wasSelected) tree.selectItem(item_);
        return false;
    }
    restorable_ = taken->restorable;
    taken_ = std::move(taken);
    std::vector<std::string>& bookmarks = storage_.session().bookmarks;
    bookmarks_.clear();
    for (size_t i = 0; i < bookmarks.size(); ++i)
        if (names.count(bookmarks[i])) bookmarks_.emplace_back(i, bookmarks[i]);
    std::erase_if(bookmarks, [&](const std::string& name) { return names.count(name) != 0; });
    if (kind_ == Kind::Added) setPageCounts(storage_, absent_);
    if (previous != kNoItem) tree.selectItem(previous);
    document_.setModified(true);
    return true;
}

bool ChapterPresence::putBack() {
    if (!taken_) return false;
    if (!restorable_) {
        storage_.ui().showMessage(ui::plainMessage("无法恢复章节" + quoted(name_) + "：它的内容在删除时已无法读取。"));
        return false;
    }
    const ItemId parent = taken_->parent;
    if (!storage_.putBackChapter(taken_)) return false;
    std::vector<std::string>& bookmarks = storage_.session().bookmarks;
    for (const auto& [place, name] : bookmarks_)
        bookmarks.insert(bookmarks.begin() + std::ptrdiff_t(std::min(place, bookmarks.size())), name);
    bookmarks_.clear();
    setPageCounts(storage_, present_);
    book::ChapterModel& tree = storage_.chapters();
    tree.expand(parent);
    tree.selectItem(item_);
    document_.setModified(true);
    return true;
}

std::string ChapterPresence::text() const {
    return (kind_ == Kind::Added ? "添加" : "删除") + quoted(name_);
}

RenamedChapter::RenamedChapter(book::BookStorage& storage, book::CPGWDoc& document, ItemId item, std::string from,
                               std::string to)
    : storage_(storage), document_(document), item_(item), from_(std::move(from)), to_(std::move(to)) {}

bool RenamedChapter::apply(const std::string& name) {
    book::ChapterModel& tree = storage_.chapters();
    if (!tree.contains(item_)) return false;
    if (tree.label(item_) != name) {
        if (!acceptChapterName(storage_, name)) return false;
        renameChapter(storage_, document_, item_, name);
    }
    tree.selectItem(item_);
    return true;
}

std::string RenamedChapter::text() const { return "重命名" + quoted(from_) + "为" + quoted(to_); }

ChapterPlace ChapterPlace::of(const book::ChapterModel& chapters, ItemId item) {
    const book::NodeInfoRecord* record = chapters.record(item);
    return {chapters.parent(item), chapters.previousSibling(item), record ? record->objName : std::string()};
}

MovedChapter::MovedChapter(book::BookStorage& storage, book::CPGWDoc& document, ItemId item, ChapterPlace from,
                           ChapterPlace to)
    : storage_(storage), document_(document), item_(item), name_(storage.chapters().label(item)),
      from_(std::move(from)), to_(std::move(to)) {}

bool MovedChapter::apply(const ChapterPlace& place) {
    book::ChapterModel& tree = storage_.chapters();
    if (!tree.contains(item_) || !tree.contains(place.parent)) return false;
    if (!relocateChapter(storage_, document_, item_, place.parent, place.after, place.objName)) return false;
    tree.selectItem(item_);
    return true;
}

std::string MovedChapter::text() const { return "移动" + quoted(name_); }

}  // namespace pgw::tree
