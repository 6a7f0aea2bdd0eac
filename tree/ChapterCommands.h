#pragma once
// The chapter commands of the open book in one place: renaming and deleting, adding,
// moving, bookmarks, the move mark and page navigation. The window makes one beside the
// document; the chapter pane, its tree and the frame's menus and keys all reach the same
// commands, so no widget owns what the book does.

#include "platform/framework/CommandIds.h"
#include "tree/ChapterOperations.h"

namespace pgw::tree {

class ChapterCommands {
public:
    // Selection changes exchange pages from now on.
    ChapterCommands(book::BookStorage& storage, book::CPGWDoc& document);
    ~ChapterCommands();
    ChapterCommands(const ChapterCommands&) = delete;
    ChapterCommands& operator=(const ChapterCommands&) = delete;

    // The chapter menu's commands (adding, expanding, the move mark, moving, bookmarks);
    // false for any other id.
    bool run(framework::CommandId command);
    // A page is marked as the source of a move and still in the tree.
    bool hasMoveSource() const;
    // Where added, renamed, deleted and moved chapters go once made, for undo (none: the
    // edits are not kept).
    void recordInto(ChapterHistory* history);
    ChapterHistory* history() const { return history_; }

    book::BookStorage& storage() const { return storage_; }
    book::CPGWDoc& document() const { return document_; }

    ChapterEditing editing;
    ChapterOperations operations;
    Navigation navigation;
    MoveMark mark;
    Bookmarks bookmarks;
    ChapterMove move;

private:
    book::BookStorage& storage_;
    book::CPGWDoc& document_;
    ChapterHistory* history_ = nullptr;
};

}  // namespace pgw::tree
