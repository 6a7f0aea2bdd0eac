#include "stub/reader/ChapterTable.h"

#include "book/TablePlan.h"

namespace pgw::stub {
namespace {

Chapter chapterOf(const book::NodeInfoRecord& record) {
    Chapter chapter;
    chapter.name = record.itemName;
    chapter.objName = record.objName;
    chapter.type = record.type();
    chapter.directory = record.isStorage();
    return chapter;
}

}  // namespace

// The authoring program's own plan of the table: the same chapters under the same
// directories, and the same lines for what it would repair.
BookStatus readChapterTable(std::string_view nodeInfo, ChapterTable* out) {
    *out = {};
    const book::TablePlan plan = book::planTable(nodeInfo, std::nullopt, book::kReaderTable);
    if (plan.fault == book::TableFault::ShortStream)
        return BookStatus::failure(BookError::DamagedNodeTable, "目录太短");
    if (!plan.readable) return BookStatus::failure(BookError::DamagedNodeTable, "没有根节点");
    out->chapters.reserve(plan.entries.size());
    for (const book::TableEntry& entry : plan.entries) {
        out->chapters.push_back(chapterOf(*entry.record));
        if (entry.parent == book::kNoEntry) continue;
        out->chapters.back().parent = entry.parent;
        out->chapters[entry.parent].children.push_back(out->chapters.size() - 1);
    }
    for (const book::Finding& finding : plan.findings) out->notes.push_back(book::findingLine(finding));
    return BookStatus::success();
}

std::vector<std::string> elementPath(const ChapterTable& table, size_t chapter) {
    std::vector<std::string> path;
    for (size_t at = chapter; at != 0 && at < table.chapters.size(); at = table.chapters[at].parent)
        path.push_back(table.chapters[at].objName);
    return {path.rbegin(), path.rend()};
}

std::vector<size_t> pageOrder(const ChapterTable& table) {
    std::vector<size_t> pages;
    if (table.chapters.empty()) return pages;
    std::vector<size_t> pending{0};
    while (!pending.empty()) {
        const size_t at = pending.back();
        pending.pop_back();
        if (table.chapters[at].isPage()) pages.push_back(at);
        const auto& children = table.chapters[at].children;
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
    return pages;
}

}  // namespace pgw::stub
