// add, rename and delete: the book is opened as the program opens it, changed by the
// program's own chapter operations, saved and closed.

#include "NameText.h"
#include "PgwCommands.h"
#include "ProgramBook.h"
#include "StoredBook.h"
#include "book/BookOpenCheck.h"


namespace pgw::cli {
namespace {

bool hasBookExtension(const std::string& path) { return path.ends_with(".pgw"); }

Outcome workingCopyFound(const std::string& copy) {
    return failed(kExitWorkingCopy, "a working copy " + copy +
                                        " exists: the program did not end normally. Nothing was changed; use "
                                        "--recover=restore to keep its unsaved state or --recover=discard to drop it");
}

// Prepares the answer to the recovery question, or says why the book is left alone.
std::optional<Outcome> prepareRecovery(const std::string& bookPath, Recovery recovery, TerminalUserInterface& ui) {
    const auto copy = existingWorkingCopy(bookPath);
    if (!copy) return std::nullopt;
    if (recovery == Recovery::None) return workingCopyFound(*copy);
    if (recovery == Recovery::Restore) {
        // Restoring replaces the book file with the copy: a copy that is no book would
        // leave no book at all.
        if (const auto refusal = book::BookOpenCheck(*copy).refusal())
            return failed(kExitBadInput, "the working copy cannot be restored, nothing was changed: " + *refusal);
    }
    ui.answer(kRecoveryQuestion, recovery == Recovery::Restore ? ui::Answer::Yes : ui::Answer::No);
    return std::nullopt;
}

// A name typed on the command line, as the book stores it; fills `failure` when it
// cannot be stored.
bool convertName(const std::string& utf8, std::string* gbk, Outcome* failure) {
    std::string error;
    const int code = bookName(utf8, gbk, &error);
    if (code != kExitOk) *failure = failed(code, error);
    return code == kExitOk;
}

Outcome noChapter(const std::string& utf8) {
    return failed(kExitRefused, "the book has no chapter named \"" + utf8 + "\"");
}

// The program refuses some changes without a word; the tool always says why.
Outcome refused(const TerminalUserInterface& ui, size_t shownBefore, std::string reason) {
    return failed(kExitRefused, ui.shownCount() == shownBefore ? std::move(reason) : std::string());
}

std::string addChapter(tree::ChapterOperations& operations, ChapterKind kind, const std::string& name) {
    switch (kind) {
        case ChapterKind::Directory: return operations.addDirectory(name);
        case ChapterKind::Text: return operations.addTextPage(name);
        case ChapterKind::Picture: return operations.addPicturePage(name);
    }
    return {};
}

}  // namespace

namespace {

ProgramBook* batchBook = nullptr;  // while a batch runs: the book it has open

}  // namespace

Outcome editBookInBatch(const PgwOptions& options, TerminalUserInterface& ui, const std::function<Outcome()>& lines) {
    return editBook(options, ui, [&](ProgramBook& book, TerminalUserInterface&) {
        batchBook = &book;
        Outcome outcome = lines();
        batchBook = nullptr;
        return outcome;
    });
}

// Opens the book, runs the edit and saves when it changed something. The book is
// closed in every case.
Outcome editBook(const PgwOptions& options, TerminalUserInterface& ui, const Edit& edit) {
    if (batchBook) return edit(*batchBook, ui);
    const std::string path = absolutePath(options.book);
    if (!hasBookExtension(path)) return failed(kExitBadInput, options.book + ": a book's file name ends in .pgw");
    if (auto leftAlone = prepareRecovery(path, options.recovery, ui)) return *leftAlone;
    // Only an open through a working copy can fall back to a new, untitled book.
    PrivateFolder::removeAbandoned();
    std::optional<PrivateFolder> folder;
    if (existingWorkingCopy(path) && !folder.emplace().ok())
        return failed(kExitRefused, "cannot make a temporary folder to work in");
    auto book = std::make_unique<ProgramBook>(ui);
    if (const auto refusal = book->open(path)) return failed(kExitBadInput, *refusal);
    Outcome outcome = edit(*book, ui);
    if (outcome.exitCode == kExitOk && book->document.isModified() && !book->save())
        outcome = failed(kExitRefused, "the change could not be saved; the book is as it was last saved");
    if (book->storage.isOpenInPlace()) leaveToProcessEnd(std::move(book));
    return outcome;
}

Outcome addCommand(const PgwOptions& options, TerminalUserInterface& ui) {
    std::string parent, name;
    Outcome failure;
    if (!convertName(options.first, &parent, &failure)) return failure;
    if (options.hasSecond && options.second.empty()) return failed(kExitRefused, "a chapter's name cannot be empty");
    if (options.hasSecond && !convertName(options.second, &name, &failure)) return failure;
    return editBook(options, ui, [&](ProgramBook& book, TerminalUserInterface& terminal) -> Outcome {
        const tree::ItemId item = book.itemOf(parent);
        if (item == tree::kNoItem) return noChapter(options.first);
        book.tree.selectItem(item);
        tree::ChapterOperations operations(book.storage, book.document);
        const size_t shownBefore = terminal.shownCount();
        const std::string added = addChapter(operations, options.kind, name);
        if (added.empty()) {
            const bool isPage = book.session.index.find(parent)->isPage();
            return refused(terminal, shownBefore,
                           isPage ? "\"" + options.first + "\" is a page; chapters are added under directories"
                                  : "nothing was added");
        }
        return printed(shownName(added) + "\n");
    });
}

Outcome renameCommand(const PgwOptions& options, TerminalUserInterface& ui) {
    std::string oldName, newName;
    Outcome failure;
    if (!convertName(options.first, &oldName, &failure)) return failure;
    if (options.second.empty()) return failed(kExitRefused, "a chapter's name cannot be empty");
    if (!convertName(options.second, &newName, &failure)) return failure;
    return editBook(options, ui, [&](ProgramBook& book, TerminalUserInterface& terminal) -> Outcome {
        const tree::ItemId item = book.itemOf(oldName);
        if (item == tree::kNoItem) return noChapter(options.first);
        // The program would let the label change, and rename it back at the next open.
        if (item == book.tree.rootItem())
            return failed(kExitRefused, "the root chapter carries the book's file name; rename the file instead");
        tree::ChapterEditing editing(book.storage, book.document);
        const size_t shownBefore = terminal.shownCount();
        if (!editing.renameItem(item, newName)) return refused(terminal, shownBefore, "the name was not changed");
        return {};
    });
}

Outcome deleteCommand(const PgwOptions& options, TerminalUserInterface& ui) {
    std::string name;
    Outcome failure;
    if (!convertName(options.first, &name, &failure)) return failure;
    return editBook(options, ui, [&](ProgramBook& book, TerminalUserInterface& terminal) -> Outcome {
        const tree::ItemId item = book.itemOf(name);
        if (item == tree::kNoItem) return noChapter(options.first);
        book.tree.selectItem(item);
        terminal.answer(kDeleteQuestion, ui::Answer::Ok);
        tree::ChapterEditing editing(book.storage, book.document);
        const size_t shownBefore = terminal.shownCount();
        if (!editing.deleteSelected()) return refused(terminal, shownBefore, "nothing was deleted");
        return {};
    });
}

Outcome moveCommand(const PgwOptions& options, TerminalUserInterface& ui) {
    std::string name, after;
    Outcome failure;
    if (!convertName(options.first, &name, &failure)) return failure;
    if (!convertName(options.second, &after, &failure)) return failure;
    return editBook(options, ui, [&](ProgramBook& book, TerminalUserInterface& terminal) -> Outcome {
        const tree::ItemId item = book.itemOf(name);
        if (item == tree::kNoItem) return noChapter(options.first);
        const tree::ItemId target = book.itemOf(after);
        if (target == tree::kNoItem) return noChapter(options.second);
        // As the window's move command: behind AFTER, or first under the root.
        const bool toRoot = target == book.tree.rootItem();
        tree::MoveMark mark(book.storage);
        tree::ChapterMove move(book.storage, book.document, mark);
        const size_t shownBefore = terminal.shownCount();
        if (!move.moveChapter(item, toRoot ? target : book.tree.parent(target), toRoot ? tree::kNoItem : target))
            return refused(terminal, shownBefore, "the chapter was not moved");
        return {};
    });
}

}  // namespace pgw::cli
