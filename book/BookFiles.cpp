// The book's files as files: opening and creating them through the device factory, and
// what is found beside a book when it is opened (a working copy left by a crash, a save
// that was killed half-way).

#include "book/BookOpenCheck.h"
#include "book/BookStorage.h"
#include "book/NodeTable.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>

namespace pgw::book {

namespace fs = std::filesystem;
using storage::StgResult;
namespace mode = storage::mode;

namespace {

using StoragePair = std::pair<std::shared_ptr<storage::Storage>, std::shared_ptr<storage::Storage>>;

bool readStream(storage::Storage& parent, const std::string& name, std::vector<uint8_t>* bytes) {
    std::unique_ptr<storage::Stream> stream;
    return parent.openStream(name, mode::kShareExclusive, &stream) == StgResult::Ok &&
           stream->readAll(bytes) == StgResult::Ok;
}

bool sameElements(std::vector<storage::ElementStat>& a, std::vector<storage::ElementStat>& b) {
    const auto byName = [](const storage::ElementStat& x, const storage::ElementStat& y) { return x.name < y.name; };
    std::sort(a.begin(), a.end(), byName);
    std::sort(b.begin(), b.end(), byName);
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
        return x.name == y.name && x.kind == y.kind && x.size == y.size;
    });
}

// Whether two files hold the same book, element by element (a walk with its own stack:
// damaged files nest deeply).
bool sameBookContent(std::shared_ptr<storage::Storage> book, std::shared_ptr<storage::Storage> copy) {
    std::vector<StoragePair> pending{{std::move(book), std::move(copy)}};
    bool atRoot = true;
    while (!pending.empty()) {
        auto [a, b] = std::move(pending.back());
        pending.pop_back();
        std::vector<storage::ElementStat> elementsA, elementsB;
        if (a->enumElements(&elementsA) != StgResult::Ok || b->enumElements(&elementsB) != StgResult::Ok) return false;
        if (!sameElements(elementsA, elementsB) && !atRoot) return false;
        for (const storage::ElementStat& element : elementsA) {
            if (element.kind == storage::ElementKind::Storage) {
                std::unique_ptr<storage::Storage> childA, childB;
                if (a->openStorage(element.name, mode::kShareExclusive, &childA) != StgResult::Ok ||
                    b->openStorage(element.name, mode::kShareExclusive, &childB) != StgResult::Ok)
                    return false;
                pending.emplace_back(std::move(childA), std::move(childB));
                continue;
            }
            std::vector<uint8_t> bytesA, bytesB;
            if (!readStream(*a, element.name, &bytesA) || !readStream(*b, element.name, &bytesB)) return false;
            const bool same = atRoot && element.name == "NodeInfo" ? sameNodeTable(bytesA, bytesB) : bytesA == bytesB;
            if (!same) return false;
        }
        // The root's elements are compared by content alone: the table's size may differ.
        if (atRoot && elementsA.size() != elementsB.size()) return false;
        atRoot = false;
    }
    return true;
}

std::string timeStamp() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

}  // namespace

std::shared_ptr<storage::Storage> BookStorage::openFile(const std::string& path, StgResult* result) {
    std::unique_ptr<storage::Storage> root;
    const StgResult opened = storage::openCompoundFile(files_, path, mode::kOpenExclusive, &root);
    if (result) *result = opened;
    return opened == StgResult::Ok ? std::shared_ptr<storage::Storage>(std::move(root)) : nullptr;
}

std::shared_ptr<storage::Storage> BookStorage::createFile(const std::string& path, StgResult* result) {
    std::unique_ptr<storage::Storage> root;
    const StgResult created = storage::createCompoundFile(files_, path, mode::kCreateExclusive, &root);
    if (result) *result = created;
    return created == StgResult::Ok ? std::shared_ptr<storage::Storage>(std::move(root)) : nullptr;
}

std::string BookStorage::saveFilePathFor(const std::string& bookPath) {
    const fs::path book(bookPath);
    return (book.parent_path() / ("~" + book.filename().string() + ".saving")).string();
}

std::string BookStorage::keptAsidePath(const std::string& bookPath) {
    const fs::path book(bookPath);
    const std::string base = book.stem().string() + ".未恢复-" + timeStamp();
    fs::path kept = book.parent_path() / (base + ".pgw");
    std::error_code ec;
    for (int number = 2; fs::exists(fs::symlink_status(kept, ec)); ++number)
        kept = book.parent_path() / (base + "-" + std::to_string(number) + ".pgw");
    return kept.string();
}

// A working copy that cannot be brought back is never deleted: it becomes a book file
// of its own beside the book, and the author is told where.
bool BookStorage::keepAside(const std::string& bookPath, const std::string& copyPath) {
    const std::string kept = keptAsidePath(bookPath);
    std::error_code ec;
    fs::rename(copyPath, kept, ec);
    if (ec) {
        store_.workingCopyPath.clear();  // it must survive whatever happens next
        message("临时文件无法恢复，也无法改名保留：" + copyPath + "\n" + ec.message());
        return false;
    }
    message("临时文件无法恢复到文档中，已保留为：" + kept + "\n可以像其他电子书一样打开它。");
    return true;
}

// A save killed half-way leaves its file beside the book; nobody else will remove it.
void BookStorage::removeStaleSaveFile(const std::string& bookPath) {
    const fs::path stale = saveFilePathFor(bookPath);
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(stale, ec))) return;
    storage::OpenedFile probe;
    // One that is locked is a save still going on in another program.
    if (files_.openDevice(stale.string(), false, storage::FileLock::Exclusive, &probe) != StgResult::Ok) return;
    probe.device.reset();
    fs::remove(stale, ec);
}

BookStorage::FoundCopy BookStorage::judgeFoundCopy(const std::string& bookPath, const std::string& copyPath) {
    std::unique_ptr<storage::Storage> copy;
    const StgResult opened = storage::openCompoundFile(files_, copyPath, mode::kOpenReadOnly, &copy);
    if (opened == StgResult::LockViolation) return FoundCopy::InUse;
    if (opened != StgResult::Ok || BookOpenCheck(copyPath).refusal()) return FoundCopy::Damaged;
    std::unique_ptr<storage::Storage> book;
    if (storage::openCompoundFile(files_, bookPath, mode::kOpenReadOnly, &book) == StgResult::Ok &&
        sameBookContent(std::move(book), std::move(copy)))
        return FoundCopy::SameAsBook;
    return FoundCopy::Ask;
}

}  // namespace pgw::book
