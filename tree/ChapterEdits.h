#pragma once
// The chapter edits the history keeps: a chapter added or deleted, renamed, or moved.
// Each knows its chapter by its node id, which survives renames, moves and the chapter's
// time out of the book; as the history undoes edits in the reverse order of doing them,
// every place an edit names is there again when it is undone.

#include "book/BookStorage.h"
#include "book/CPGWDoc.h"
#include "tree/ChapterHistory.h"
#include "tree/TreeItems.h"

#include <string>
#include <utility>
#include <vector>

namespace pgw::tree {

// The page counts that name new pages; the table does not store them.
struct PageCounts {
    int32_t text = 0;
    int32_t picture = 0;
    static PageCounts of(const book::BookCounters& counters) {
        return {counters.textPageCount, counters.picturePageCount};
    }
};

// A chapter in the book on one side of the edit and out of it on the other: added (undo
// takes it out) or deleted (undo puts it back). Out of the book it keeps its records,
// what its element held and its places in the bookmark list.
class ChapterPresence : public ChapterEdit {
public:
    enum class Kind { Added, Deleted };
    // `absent`: the page counts while the chapter is out of the book. For a deletion,
    // takeOut() then makes the deletion itself; without `keepContent` (no history to
    // keep it for) the chapter cannot come back.
    ChapterPresence(book::BookStorage& storage, book::CPGWDoc& document, ItemId item, Kind kind, PageCounts absent,
                    bool keepContent = true);

    // Out of the book: the page on show stored first, the previous page selected.
    bool takeOut();
    bool putBack();
    // Whether it can come back: false when its element could not be read when it went.
    bool restorable() const { return restorable_; }

    bool undo() override { return kind_ == Kind::Added ? takeOut() : putBack(); }
    bool redo() override { return kind_ == Kind::Added ? putBack() : takeOut(); }
    std::string text() const override;

private:
    book::BookStorage& storage_;
    book::CPGWDoc& document_;
    ItemId item_;
    Kind kind_;
    std::string name_;
    PageCounts present_, absent_;
    std::unique_ptr<book::TakenChapter> taken_;
    std::vector<std::pair<size_t, std::string>> bookmarks_;  // places in the list, ascending
    bool keepContent_;
    bool restorable_ = true;
};

class RenamedChapter : public ChapterEdit {
public:
    RenamedChapter(book::BookStorage& storage, book::CPGWDoc& document, ItemId item, std::string from, std::string to);
    bool undo() override { return apply(from_); }
    bool redo() override { return apply(to_); }
    std::string text() const override;

private:
    bool apply(const std::string& name);
    book::BookStorage& storage_;
    book::CPGWDoc& document_;
    ItemId item_;
    std::string from_, to_;
};

// Where a chapter stands: its parent, the sibling it follows (kNoItem: first) and its
// element's name, which undo gives back so the book returns as it was.
struct ChapterPlace {
    ItemId parent = kNoItem;
    ItemId after = kNoItem;
    std::string objName;
    static ChapterPlace of(const book::ChapterModel& chapters, ItemId item);
};

class MovedChapter : public ChapterEdit {
public:
    MovedChapter(book::BookStorage& storage, book::CPGWDoc& document, ItemId item, ChapterPlace from, ChapterPlace to);
    bool undo() override { return apply(from_); }
    bool redo() override { return apply(to_); }
    std::string text() const override;

private:
    bool apply(const ChapterPlace& place);
    book::BookStorage& storage_;
    book::CPGWDoc& document_;
    ItemId item_;
    std::string name_;
    ChapterPlace from_, to_;
};

// The steps the edits share with the commands that make them first.
// Renames a chapter whose new name passed the rules: records, editors, bookmark list,
// table. The caller checked the name.
void renameChapter(book::BookStorage& storage, book::CPGWDoc& document, ItemId item, const std::string& name);
// Moves a chapter there with its element: the page on show stored first, the table
// written. False (told) when it could not move; then nothing has changed.
bool relocateChapter(book::BookStorage& storage, book::CPGWDoc& document, ItemId item, ItemId parent, ItemId after,
                     const std::string& objName = {});

}  // namespace pgw::tree
