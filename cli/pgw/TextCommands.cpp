// set-text and get-text: a text page's content between files and the book. set-text
// stores through the program's own page exchange; get-text reads the book file only.

#include "NameText.h"
#include "PageText.h"
#include "PgwCommands.h"
#include "ProgramBook.h"
#include "StoredPage.h"

namespace pgw::cli {

Outcome setTextCommand(const PgwOptions& options, TerminalUserInterface& ui) {
    std::string page, rtf, error;
    if (const int code = bookName(options.first, &page, &error); code != kExitOk) return failed(code, error);
    if (auto failure = pageRtfFromFile(options.second, &rtf)) return failed(kExitBadInput, *failure);
    return editBook(options, ui, [&](ProgramBook& book, TerminalUserInterface&) -> Outcome {
        const tree::ItemId item = book.itemOf(page);
        if (item == tree::kNoItem) return failed(kExitRefused, "the book has no chapter named \"" + options.first + "\"");
        book::NodeInfoRecord* record = book.session.index.find(page);
        if (record->type() != book::NodeType::Text)
            return failed(kExitRefused, "\"" + options.first + "\" is not a text page");
        // As when the author types: the page is shown, edited, and stored by the save.
        book.tree.selectItem(item);
        book.editors.text = std::move(rtf);
        record->storePending = true;
        book.document.setModified(true);
        return {};
    });
}

Outcome getTextCommand(const PgwOptions& options, TerminalUserInterface& ui) {
    std::string bytes;
    if (auto failure = readStoredPage(options, book::NodeType::Text, "a text page", ui, &bytes)) return *failure;
    ShownPage shown = showPage(bytes, options.rtf);
    if (!shown.note.empty()) ui.print("note: " + shown.note);
    return printed(std::move(shown.output));
}

}  // namespace pgw::cli
