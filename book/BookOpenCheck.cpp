#include "book/BookOpenCheck.h"

#include "book/BookStorage.h"
#include "book/NodeTable.h"

#include <filesystem>

namespace pgw::book {

namespace fs = std::filesystem;
using storage::StgResult;

std::optional<std::string> BookOpenCheck::refusal() const {
    std::error_code ec;
    if (!fs::is_regular_file(path_, ec)) return "文件不存在：" + path_;
    if (!BookStorage::titleOfPath(path_)) return "文件名太长或含有无法保存到电子书中的字符：" + path_;
    if (!storage::isCompoundFile(path_)) return "文件格式错误，不是电子书文件：" + path_;
    std::unique_ptr<storage::Storage> root;
    switch (storage::openCompoundFile(path_, storage::mode::kOpenReadOnly, &root)) {
    case StgResult::Ok: break;
    case StgResult::LockViolation: return "文件正在被其他程序使用：" + path_;
    case StgResult::AccessDenied: return "没有权限读取文件：" + path_;
    default: return "文件已损坏，无法打开：" + path_;
    }
    // A read-only open checks a stream's chain only when the stream is opened.
    if (root->checkStreams() != StgResult::Ok) return "文件已损坏，无法打开：" + path_;
    std::unique_ptr<storage::Stream> stream;
    std::vector<uint8_t> table;
    if (root->openStream("NodeInfo", storage::mode::kShareExclusive, &stream) != StgResult::Ok ||
        stream->readAll(&table) != StgResult::Ok)
        return "文件中没有章节目录，无法打开：" + path_;
    return checkNodeTable(std::string(table.begin(), table.end()));
}

// Damage within the table is repaired when the book opens; only a table without its
// header or its root leaves nothing to open.
std::optional<std::string> BookOpenCheck::checkNodeTable(const std::string& table) const {
    if (readNodeTable(table, kOpenTable).readable()) return std::nullopt;
    return "章节目录已损坏，无法打开：" + path_;
}

}  // namespace pgw::book
