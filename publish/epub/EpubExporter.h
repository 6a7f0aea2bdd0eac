#pragma once
// A book as an EPUB 3 file: one XHTML page per page of the book in the chapter tree's
// order, one shared style sheet, the pictures as image files, the table of contents twice
// (the navigation document and the NCX older readers use). The book is read as stored
// (book/StoredBook.h) and never changed; the file is written beside its name and renamed
// into place when complete.

#include "book/StoredBook.h"
#include "publish/BookCompiler.h"
#include "publish/PublishLayout.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pgw::publish::epub {

struct EpubRequest {
    std::string outputPath;
    std::vector<std::string> bookPaths;  // the book's files, which the output must not replace
    // UTF-8; empty when not given. The date as epubDate() accepts it.
    std::string author;
    std::string date;
    std::string rights;
};

struct EpubResult {
    bool ok = false;
    std::string error;               // why nothing was written (UTF-8)
    std::vector<std::string> notes;  // what was left out or read damaged
    size_t pages = 0;
    size_t images = 0;
};

// The book's code from its "AboutInfo" stream, read only; nothing when it holds none.
std::optional<BookGuidBytes> storedBookGuid(storage::Storage& root);

// A date as the package states it: YYYY, YYYY-MM or YYYY-MM-DD (also written with '/' or
// '.', or as 2024年5月1日); nothing when it is none of these.
std::optional<std::string> epubDate(std::string_view typed);

// Writes `book` to request.outputPath; steps `progress` once per page.
EpubResult exportEpub(book::StoredBookView& book, const EpubRequest& request, CompileProgress& progress);

}  // namespace pgw::publish::epub
