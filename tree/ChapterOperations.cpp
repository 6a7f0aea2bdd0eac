// Adding directories and pages under the selected directory, with their default names.

#include "tree/ChapterOperations.h"
#include "tree/ChapterEdits.h"
#include "tree/ChapterSupport.h"
#include "tree/TreeItems.h"

namespace pgw::tree {

namespace {

// Default names, GBK.
const std::string kDirectoryBase = "\xD0\xC2\xBD\xA8\xC4\xBF\xC2\xBC";  // 新建目录
const std::string kTextBase = "\xD0\xC2\xBD\xA8\xCE\xC4\xB1\xBE";       // 新建文本
const std::string kPictureBase = "\xD0\xC2\xBD\xA8\xCD\xBC\xC6\xAC";    // 新建图片

const char* const kNoRoot = "请先创建根目录";
const char* const kNoBook = "请先新建或打开一个文档!";

std::string numbered(const std::string& base, int32_t number) {
    return number > 0 ? base + std::to_string(number) : base;
}

// The base with the counter, or the plain base while the counter is 0. Counters fall
// with deletions and names change with renames, so the first choice can be taken: the
// next free number follows then.
std::string defaultName(const book::NodeIndex& index, const std::string& base, int32_t counter) {
    std::string name = numbered(base, counter);
    for (int32_t number = std::max(counter, 0) + 1; index.find(name); ++number) name = numbered(base, number);
    return name;
}

bool isAddablePage(book::NodeType type) { return type == book::NodeType::Text || type == book::NodeType::Picture; }

}  // namespace

ChapterOperations::ChapterOperations(book::BookStorage& storage, book::CPGWDoc& document)
    : storage_(storage), document_(document) {}

ItemId ChapterOperations::selectedDirectory() const {
    const ItemId selected = storage_.chapters().selectedItem();
    const book::NodeInfoRecord* record = detail::recordOf(storage_, selected);
    return record && record->isStorage() ? selected : kNoItem;
}

std::string ChapterOperations::chooseName(const std::string& given, const std::string& defaultName) const {
    if (given.empty()) return defaultName;
    return acceptChapterName(storage_, given) ? given : std::string();
}

std::string ChapterOperations::added(ItemId item, const PageCounts& before) {
    if (item == kNoItem) return {};
    if (history_)
        history_->done(std::make_unique<ChapterPresence>(storage_, document_, item, ChapterPresence::Kind::Added, before));
    return storage_.chapters().label(item);
}

std::string ChapterOperations::addDirectory(const std::string& given) {
    const PageCounts before = PageCounts::of(storage_.session().counters);
    return added(addDirectoryItem(given), before);
}

ItemId ChapterOperations::addDirectoryItem(const std::string& given) {
    // With no book there is no root to hang a directory on; New or Open makes one.
    if (!storage_.isOpen()) {
        detail::plainMessage(storage_, kNoBook);
        return kNoItem;
    }
    const ItemId parent = selectedDirectory();
    if (parent == kNoItem) return kNoItem;
    const std::string name =
        chooseName(given, defaultName(storage_.session().index, kDirectoryBase, storage_.session().counters.storageCount));
    if (name.empty()) return kNoItem;

    book::ChapterModel& tree = storage_.chapters();
    const ItemId item = storage_.createDirectory(parent, name);
    if (item == kNoItem) return kNoItem;  // the author was told why
    tree.expand(parent);
    document_.setModified(true);
    tree.selectItem(item);
    return item;
}

std::string ChapterOperations::addTextPage(const std::string& name) {
    const PageCounts before = PageCounts::of(storage_.session().counters);
    return added(addPage(book::NodeType::Text, name), before);
}

std::string ChapterOperations::addPicturePage(const std::string& name) {
    const PageCounts before = PageCounts::of(storage_.session().counters);
    return added(addPage(book::NodeType::Picture, name), before);
}

ItemId ChapterOperations::addPage(book::NodeType type, const std::string& given) {
    if (!isAddablePage(type)) return kNoItem;
    if (!storage_.isOpen()) {
        detail::plainMessage(storage_, kNoRoot);
        return kNoItem;
    }
    const ItemId parent = selectedDirectory();
    if (parent == kNoItem) return kNoItem;
    book::BookCounters& counters = storage_.session().counters;
    int32_t& counter = type == book::NodeType::Text ? counters.textPageCount : counters.picturePageCount;
    const std::string& base = type == book::NodeType::Text ? kTextBase : kPictureBase;
    const std::string name = chooseName(given, defaultName(storage_.session().index, base, counter));
    if (name.empty()) return kNoItem;

    book::ChapterModel& tree = storage_.chapters();
    const ItemId item = storage_.createPage(parent, name, type);
    if (item == kNoItem) return kNoItem;
    tree.expand(parent);
    ++counter;
    tree.selectItem(item);
    document_.setModified(true);
    return item;
}

// The pane's menu counts a page twice: the next default name skips a number.
std::string ChapterOperations::addPageFromPaneMenu(book::NodeType type) {
    const PageCounts before = PageCounts::of(storage_.session().counters);
    if (type == book::NodeType::Directory) {
        const ItemId item = addDirectoryItem({});
        if (item != kNoItem) document_.setModified(true);
        return added(item, before);
    }
    const ItemId item = addPage(type, {});
    if (item == kNoItem) return {};
    book::BookCounters& counters = storage_.session().counters;
    ++(type == book::NodeType::Text ? counters.textPageCount : counters.picturePageCount);
    document_.setModified(true);
    return added(item, before);
}

void ChapterOperations::expandRoot() {
    book::ChapterModel& tree = storage_.chapters();
    if (const ItemId root = tree.rootItem(); root != kNoItem) tree.expand(root);
}

}  // namespace pgw::tree
