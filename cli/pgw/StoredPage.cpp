#include "StoredPage.h"

#include "NameText.h"
#include "ProgramBook.h"
#include "StoredBook.h"
#include "book/BookOpenCheck.h"

namespace pgw::cli {
namespace {

using storage::StgResult;
using storage::Storage;

constexpr uint32_t kChildRead = storage::mode::kShareExclusive | storage::mode::kRead;

// The page's element lies in the storages of the directories above it, the root being
// the file's own root storage.
StgResult readPageStream(Storage& root, const StoredTree& stored, tree::ItemId page, std::string* bytes) {
    std::vector<std::string> path;
    for (tree::ItemId item = stored.tree.parent(page); item != tree::kNoItem && item != stored.tree.rootItem();
         item = stored.tree.parent(item))
        path.push_back(stored.record(item).objName);
    std::vector<std::unique_ptr<Storage>> opened;
    Storage* at = &root;
    for (auto name = path.rbegin(); name != path.rend(); ++name) {
        std::unique_ptr<Storage> next;
        if (const StgResult result = at->openStorage(*name, kChildRead, &next); result != StgResult::Ok) return result;
        at = next.get();
        opened.push_back(std::move(next));
    }
    std::unique_ptr<storage::Stream> stream;
    if (const StgResult result = at->openStream(stored.record(page).objName, kChildRead, &stream); result != StgResult::Ok)
        return result;
    // Straight into the text's own buffer: a page may be megabytes.
    uint64_t size = 0;
    if (const StgResult result = stream->size(&size); result != StgResult::Ok) return result;
    bytes->resize(size_t(size));
    size_t got = 0;
    const StgResult result = stream->read(bytes->data(), bytes->size(), &got);
    bytes->resize(got);
    return result;
}

std::optional<tree::ItemId> findItem(const StoredTree& stored, const std::string& gbk) {
    for (const auto& [item, entry] : stored.entries)
        if (stored.plan.entries[entry].record.itemName == gbk) return item;
    return std::nullopt;
}

}  // namespace

std::optional<Outcome> readStoredPage(const PgwOptions& options, book::NodeType type, const std::string& kindText,
                                      TerminalUserInterface& ui, std::string* bytes) {
    std::string page, error;
    if (const int code = bookName(options.first, &page, &error); code != kExitOk) return failed(code, error);
    const std::string path = absolutePath(options.book);
    if (const auto refusal = book::BookOpenCheck(path).refusal()) return failed(kExitBadInput, *refusal);
    StoredBookView book;
    if (const auto failure = readStoredBook(path, &book)) return failed(kExitBadInput, *failure);
    noteWorkingCopy(path, ui);
    const auto item = findItem(book.tree, page);
    if (!item) return failed(kExitRefused, "the book has no chapter named \"" + options.first + "\"");
    if (book.tree.record(*item).type() != type)
        return failed(kExitRefused, "\"" + options.first + "\" is not " + kindText);
    noteRepairs(book.repairs, ui);
    // Where the program finds no element of the page's own, it shows an empty page.
    if (!book.tree.hasElement[book.tree.entries.at(*item)])
        return failed(kExitBadInput, "the page's stream is missing; the program shows the page empty");
    if (const StgResult result = readPageStream(*book.root, book.tree, *item, bytes); result != StgResult::Ok)
        return failed(kExitBadInput, "the page's stream cannot be read: " + std::string(storage::describe(result)));
    return std::nullopt;
}

}  // namespace pgw::cli
