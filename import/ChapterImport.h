#pragma once
// Puts an import's chapters into the open book, under one directory, as one step that undo
// takes back whole. Names are made to fit: cut to what a record holds and numbered when
// the book has them already; a name GBK cannot hold stops the import before it begins.

#include "book/BookStorage.h"
#include "book/CPGWDoc.h"
#include "import/ImportPlan.h"
#include "tree/ChapterHistory.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace pgw::import {

struct ImportOutcome {
    size_t chapters = 0;
    std::vector<std::pair<std::string, std::string>> renamed;  // UTF-8: planned name, name given
    book::NodeId first = book::kNoNode;                        // the first chapter made
};

class ChapterImport {
public:
    using Progress = std::function<void(size_t done, size_t total)>;

    ChapterImport(book::BookStorage& storage, book::CPGWDoc& document);

    // The first of the plan's names that GBK cannot hold (UTF-8); nothing when all fit.
    static std::optional<std::string> unholdableName(const ImportPlan& plan);

    // Makes the chapters as the last children of the directory `parent`. Nothing (the author
    // told, the book as it was) when the plan cannot be imported or a chapter could not be
    // made whole.
    std::optional<ImportOutcome> apply(const ImportPlan& plan, book::NodeId parent, tree::ChapterHistory* history,
                                       const Progress& progress = {});

private:
    bool make(const ImportEntry& entry, book::NodeId parent);
    std::string freeName(const std::string& utf8);
    void undoMade();

    book::BookStorage& storage_;
    book::CPGWDoc& document_;
    ImportOutcome outcome_;
    std::vector<book::NodeId> made_;  // top-level chapters made so far
    size_t done_ = 0, total_ = 0;
    Progress progress_;
};

}  // namespace pgw::import
