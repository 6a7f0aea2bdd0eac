#include "stub/reader/ChapterTable.h"

#include <unordered_map>

namespace pgw::stub {
namespace {

constexpr size_t kHeaderSize = 12;

uint32_t wordAt(std::string_view bytes, size_t at) {
    const auto byte = [&](size_t i) { return uint32_t(static_cast<unsigned char>(bytes[at + i])); };
    return byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24;
}

Chapter chapterOf(const book::NodeInfoRecord& record) {
    Chapter chapter;
    chapter.name = record.itemName;
    chapter.objName = record.objName;
    chapter.type = record.type();
    chapter.directory = record.isStorage();
    return chapter;
}

bool isRoot(const book::NodeInfoRecord& record) { return record.parentName == "NULL" && record.isStorage(); }

}  // namespace

BookStatus readChapterTable(std::string_view nodeInfo, ChapterTable* out) {
    *out = {};
    if (nodeInfo.size() < kHeaderSize + book::kRecordSize)
        return BookStatus::failure(BookError::DamagedNodeTable, "目录太短");
    const uint64_t counted = wordAt(nodeInfo, 0);
    const uint64_t held = (nodeInfo.size() - kHeaderSize) / book::kRecordSize;
    if (held < counted)
        out->notes.push_back("章节目录记录了 " + std::to_string(counted) + " 个章节，实际只有 " + std::to_string(held) + " 个");
    const size_t count = size_t(std::min(counted, held));
    const auto recordAt = [&](size_t i) {
        return book::NodeInfoRecord::fromBytes(reinterpret_cast<const uint8_t*>(nodeInfo.data()) + kHeaderSize +
                                               i * book::kRecordSize);
    };
    if (count == 0 || !isRoot(recordAt(0))) return BookStatus::failure(BookError::DamagedNodeTable, "没有根节点");

    out->chapters.push_back(chapterOf(recordAt(0)));
    std::unordered_map<std::string, size_t> directories{{out->chapters[0].name, 0}};
    for (size_t i = 1; i < count; ++i) {
        const book::NodeInfoRecord record = recordAt(i);
        if (!record.isStorage() && !record.isPage()) {
            out->notes.push_back("章节“" + nameForMessage(record.itemName) + "”的类型无法识别");
            continue;
        }
        size_t parent = 0;
        if (const auto found = directories.find(record.parentName); found != directories.end())
            parent = found->second;
        else
            out->notes.push_back("章节“" + nameForMessage(record.itemName) + "”的上级目录不存在");
        const size_t index = out->chapters.size();
        out->chapters.push_back(chapterOf(record));
        out->chapters[index].parent = parent;
        out->chapters[parent].children.push_back(index);
        if (record.isStorage()) directories[record.itemName] = index;
    }
    return BookStatus::success();
}

std::vector<std::string> elementPath(const ChapterTable& table, size_t chapter) {
    std::vector<std::string> path;
    for (size_t at = chapter; at != 0 && at < table.chapters.size(); at = table.chapters[at].parent)
        path.insert(path.begin(), table.chapters[at].objName);
    return path;
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
