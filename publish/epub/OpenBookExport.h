#pragma once
// Exporting the book open in the window: as compiling does, the page on show is stored
// and the node table written first, the working copy committed and closed, then read as
// a file as it is stored (book/StoredBook.h), and the book opened again.

#include "book/BookStorage.h"
#include "publish/epub/EpubExporter.h"

namespace pgw::publish::epub {

// `request.bookPaths` is filled here. The caller has stored the page on show. A failure
// the book has already told the author of comes back with an empty error.
EpubResult exportOpenBook(book::BookStorage& storage, EpubRequest request, CompileProgress& progress);

}  // namespace pgw::publish::epub
