// export: a book as an EPUB e-book, read from the book file as stored.

#include "NameText.h"
#include "PgwCommands.h"
#include "ProgramBook.h"
#include "StoredBook.h"
#include "book/BookOpenCheck.h"
#include "publish/epub/EpubExporter.h"

#include <filesystem>

namespace pgw::cli {
namespace {

struct QuietProgress : publish::CompileProgress {
    void begin(int32_t) override {}
    void step() override {}
    void end() override {}
};

std::string fileSizeText(const std::string& path) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    return ec ? std::string("?") : std::to_string(size);
}

}  // namespace

Outcome exportCommand(const PgwOptions& options, TerminalUserInterface& ui) {
    namespace epub = publish::epub;
    const std::string path = absolutePath(options.book);
    epub::EpubRequest request{absolutePath(options.first), {path}, options.publish.author, {}, options.publish.copyright};
    if (!options.publish.date.empty()) {
        const auto date = epub::epubDate(options.publish.date);
        if (!date) return failed(kExitBadInput, "--date: give the date as YYYY, YYYY-MM or YYYY-MM-DD, not \"" +
                                                    options.publish.date + "\"");
        request.date = *date;
    }
    if (const auto refusal = book::BookOpenCheck(path).refusal()) return failed(kExitBadInput, *refusal);
    StoredBookView book;
    if (const auto failure = readStoredBook(path, &book)) return failed(kExitBadInput, *failure);
    if (!book.tree.plan.readable) return failed(kExitBadInput, options.book + ": the chapter table cannot be read");
    noteWorkingCopy(path, ui);
    noteRepairs(book.repairs, ui);
    QuietProgress progress;
    const epub::EpubResult result = epub::exportEpub(book, request, progress);
    for (const std::string& note : result.notes) ui.print("note: " + note);
    if (!result.ok) return failed(kExitRefused, result.error + " (nothing was written to " + options.first + ")");
    return printed(options.first + ": " + std::to_string(result.pages) + " pages, " + std::to_string(result.images) +
                   " pictures, " + fileSizeText(request.outputPath) + " bytes\n");
}

}  // namespace pgw::cli
