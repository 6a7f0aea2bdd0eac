#pragma once
// Books for the benchmarks: the program's parts around one book without a window, and a
// book file written straight with the storage library, so that making it costs little.

#include "book/BookStorage.h"
#include "book/CPGWDoc.h"
#include "platform/ui/ScriptedUserInterface.h"
#include "tree/ChapterOperations.h"

#include <functional>
#include <string>
#include <vector>

namespace pgw::bench {

struct Program {
    book::BookSession session;
    book::ChapterModel& tree = session.chapters;
    ui::ScriptedUserInterface ui;
    book::HeldPageEditors editors;
    book::BookStorage storage{session, ui};
    book::CPGWDoc document{storage, editors};
    tree::Navigation navigation{storage, document};
    Program() { navigation.attach(); }
    ~Program() {
        tree.setSelectionHandler(nullptr);
        storage.closeBook();
    }
};

// A benchmark whose setting-up write fails measures nothing: it stops with the cause.
void require(storage::StgResult result, const char* what);

// `directories` directories of `pages` text pages each; `content(d, p)` gives page p of
// directory d. The root is named after the file.
void writeBook(const std::string& path, int directories, int pages,
               const std::function<std::string(int, int)>& content);
// One directory per entry of `pagesPerDirectory`, with that many text pages.
void writeBook(const std::string& path, const std::vector<int>& pagesPerDirectory,
               const std::function<std::string(int, int)>& content);

}  // namespace pgw::bench
