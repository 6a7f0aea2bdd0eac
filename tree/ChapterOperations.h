#pragma once
// What the author does to chapters in the chapter pane: rename, delete, add directories
// and pages, bookmarks, the move-source mark, and moving between pages. Names are GBK,
// as in the book; every message goes through the book's user interface.

#include "book/BookStorage.h"
#include "book/CPGWDoc.h"
#include "tree/ChapterHistory.h"
#include "tree/TreeItems.h"

#include <string>

namespace pgw::tree {

struct PageCounts;

// Whether `name` (GBK) may become a chapter's name: it fits the record, is valid GBK
// without control characters, is not reserved by the book file and is not taken. A
// refusal is shown to the author. The empty name and an unchanged name are the
// caller's business.
bool acceptChapterName(book::BookStorage& storage, const std::string& name);
// Why a chapter cannot be named `name` (GBK), or nothing when it can; says nothing.
const char* chapterNameRefusal(book::BookStorage& storage, const std::string& name);

// Renaming and deleting (the tree's own editing).
class ChapterEditing {
public:
    ChapterEditing(book::BookStorage& storage, book::CPGWDoc& document);
    // Where renames and deletions go once made (none: they are not kept).
    void recordInto(ChapterHistory* history) { history_ = history; }
    // End of an in-place label edit. Returns whether the item now carries `newName`.
    bool renameItem(ItemId item, const std::string& newName);
    // Asks, then deletes the selected chapter with its subtree. Returns whether it went.
    bool deleteSelected();

private:
    book::BookStorage& storage_;
    book::CPGWDoc& document_;
    ChapterHistory* history_ = nullptr;
};

// Adding chapters under the selected directory, with the default names.
class ChapterOperations {
public:
    ChapterOperations(book::BookStorage& storage, book::CPGWDoc& document);
    void recordInto(ChapterHistory* history) { history_ = history; }
    // Each returns the new chapter's name, or an empty string when nothing was added.
    // `name`, when given, is used instead of the default name (it must pass the rename
    // rules, else nothing is added).
    std::string addDirectory(const std::string& name = {});
    std::string addTextPage(const std::string& name = {});
    std::string addPicturePage(const std::string& name = {});
    // The same through the chapter pane's drop-down menu, which raises the page counter
    // once more.
    std::string addPageFromPaneMenu(book::NodeType type);
    void expandRoot();

private:
    ItemId addPage(book::NodeType type, const std::string& name);
    ItemId addDirectoryItem(const std::string& name);
    // The selected item when chapters may be added under it; kNoItem otherwise.
    ItemId selectedDirectory() const;
    std::string chooseName(const std::string& given, const std::string& defaultName) const;
    // Hands the added chapter to the history; its name, or nothing when none was added.
    std::string added(ItemId item, const PageCounts& before);

    book::BookStorage& storage_;
    book::CPGWDoc& document_;
    ChapterHistory* history_ = nullptr;
};

// Bookmarks: an ordered list of page names, a mark in each page's record, and the
// bookmark image on its item. The list follows renames and deletions; a name that marks
// no page (one of an earlier book) is passed over by next and previous.
class Bookmarks {
public:
    explicit Bookmarks(book::BookStorage& storage);
    void toggle();
    void next();
    void previous();
    void clearAll();

private:
    book::BookStorage& storage_;
};

// The page marked as the source of a move. One page at a time: marking another gives
// the earlier one its images back.
class MoveMark {
public:
    explicit MoveMark(book::BookStorage& storage);
    void setSource();
    void cancel();
    ItemId sourceItem() const { return sourceItem_; }
    const std::string& sourceName() const { return sourceName_; }

private:
    book::BookStorage& storage_;
    ItemId sourceItem_ = kNoItem;
    std::string sourceName_;
};

// Moving chapters: the marked page behind the selected chapter, and a page or a
// directory with its subtree to any place the drag and drop in the tree names. The node's
// element moves into its new parent's storage, the node table is rewritten and the book
// is changed; a refused move is explained and changes nothing.
class ChapterMove {
public:
    ChapterMove(book::BookStorage& storage, book::CPGWDoc& document, MoveMark& mark);
    void recordInto(ChapterHistory* history) { history_ = history; }
    // The marked page goes behind the selected chapter, as its next sibling; with the root
    // selected it becomes the root's first child. The mark goes once the page has moved.
    bool moveSourceBehindSelected();
    // The refusal for moving `item` under `parent` behind `after` (kNoItem: first), or
    // nullptr when the move may go.
    const char* refusal(ItemId item, ItemId parent, ItemId after) const;
    // Moves `item` with its subtree there; a refusal is shown. True when it moved (or was
    // there already).
    bool moveChapter(ItemId item, ItemId parent, ItemId after);

private:
    book::BookStorage& storage_;
    book::CPGWDoc& document_;
    MoveMark& mark_;
    ChapterHistory* history_ = nullptr;
};

// What a change of selection does, and the page-up and page-down commands.
class Navigation {
public:
    Navigation(book::BookStorage& storage, book::CPGWDoc& document);
    // Installs itself as the tree's selection handler.
    void attach();
    void selectionChanged(ItemId previous, ItemId current);
    void pageDown();
    void pageUp();

private:
    void stepTo(ItemId (*find)(const book::ChapterModel&, ItemId));
    book::BookStorage& storage_;
    book::CPGWDoc& document_;
    bool goingBack_ = false;  // the selection returns to a page that could not be stored
};

}  // namespace pgw::tree
