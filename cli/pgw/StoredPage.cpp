#include "StoredPage.h"

#include "NameText.h"
#include "ProgramBook.h"
#include "StoredBook.h"
#include "book/BookOpenCheck.h"

namespace pgw::cli {
namespace {

using storage::StgResult;

std::optional<tree::ItemId> findItem(const StoredTree& stored, const std::string& gbk) {
    for (const auto& [item, entry] : stored.entries)
        if (stored.plan.entries[entry].record->itemName == gbk) return item;
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
    if (const StgResult result = book::readStoredElement(*book.root, book.tree, *item, bytes); result != StgResult::Ok)
        return failed(kExitBadInput, "the page's stream cannot be read: " + std::string(storage::describe(result)));
    return std::nullopt;
}

}  // namespace pgw::cli
