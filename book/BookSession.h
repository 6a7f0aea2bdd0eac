#pragma once
// What the program keeps process-wide about the open book: its chapters, the records by
// name, the counters, the bookmark list and the book-open flag. The application owns
// one; tests make a fresh one each.

#include "book/ChapterModel.h"
#include "book/NodeIndex.h"

#include <string>
#include <vector>

namespace pgw::book {

struct BookSession {
    ChapterModel chapters;
    NodeIndex index{chapters};
    BookCounters counters;
    std::vector<std::string> bookmarks;  // names of bookmarked pages, in the order added
    bool bookOpen = false;               // set at the first open or New, never cleared
};

}  // namespace pgw::book
