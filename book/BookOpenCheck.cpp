#include "book/BookOpenCheck.h"

#include "book/BookStorage.h"
#include "book/NodeTable.h"

#include <filesystem>

namespace pgw::book {

namespace fs = std::filesystem;
using storage::StgResult;

std::optional<std::string> BookOpenCheck::refusal() const {
    if (auto refused = fileRefusal()) return refused;
    std::unique_ptr<storage::Storage> root;
    if (auto refused = openRefusal(storage::openCompoundFile(path_, storage::mode::kOpenReadOnly, &root)))
        return refused;
    // A read-only open checks a stream's chain only when the stream is opened.
    if (auto refused = openRefusal(root->checkStreams())) return refused;
    std::unique_ptr<storage::Stream> stream;
    storage::ByteImage table;
    const bool read = root->openStream("NodeInfo", storage::mode::kShareExclusive, &stream) == StgResult::Ok &&
                      stream->readAll(&table) == StgResult::Ok;
    return tableRefusal(read ? &table : nullptr);
}

std::optional<std::string> BookOpenCheck::fileRefusal() const {
    std::error_code ec;
    if (!fs::is_regular_file(path_, ec)) return "文件不存在：" + path_;
    if (!BookStorage::titleOfPath(path_)) return "文件名太长或含有无法保存到电子书中的字符：" + path_;
    if (!storage::isCompoundFile(path_)) return "文件格式错误，不是电子书文件：" + path_;
    return std::nullopt;
}

std::optional<std::string> BookOpenCheck::openRefusal(StgResult opened) const {
    switch (opened) {
    case StgResult::Ok: return std::nullopt;
    case StgResult::LockViolation: return "文件正在被其他程序使用：" + path_;
    case StgResult::AccessDenied: return "没有权限读取文件：" + path_;
    default: return "文件已损坏，无法打开：" + path_;
    }
}

// Damage within the table is repaired when the book opens; only a table without its
// header or its root leaves nothing to open.
std::optional<std::string> BookOpenCheck::tableRefusal(const storage::ByteImage* table) const {
    if (!table) return "文件中没有章节目录，无法打开：" + path_;
    const std::string_view bytes(reinterpret_cast<const char*>(table->data()), table->size());
    if (readNodeTable(bytes, kOpenTable).readable()) return std::nullopt;
    return "章节目录已损坏，无法打开：" + path_;
}

}  // namespace pgw::book
