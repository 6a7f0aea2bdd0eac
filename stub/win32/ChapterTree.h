#pragma once
// The reader's chapter tree. A directory's chapters go into the control only when it is
// first opened, or when a page inside it is chosen from elsewhere (page keys, bookmarks,
// search), so a book of thousands of chapters opens as fast as a short one.

#include "stub/reader/ChapterTable.h"

#include <windows.h>
#include <commctrl.h>

#include <optional>
#include <vector>

namespace pgw::stub::win32 {

class ChapterTree {
public:
    ChapterTree() = default;
    ChapterTree(const ChapterTree&) = delete;
    ChapterTree& operator=(const ChapterTree&) = delete;
    ~ChapterTree();

    // Creates the control under `parent` with the top of the tree in it; false when the
    // system refused. `chapters` must outlive the tree.
    bool create(HWND parent, HINSTANCE instance, const std::vector<Chapter>& chapters);
    HWND handle() const { return tree_; }

    // Puts the directories on the way to the chapter into the tree, opened, and scrolls
    // the tree to its top: what a book shows as it opens. False for no such chapter.
    bool reveal(size_t chapter);
    // Selects the chapter, putting the directories on its way into the tree first; the
    // control then tells of the new selection. False for no such chapter.
    bool select(size_t chapter);
    // Handles the control's notifications: fills a directory as it opens, and returns the
    // chapter newly selected when that is what happened.
    std::optional<size_t> onNotify(const NMHDR* header);

private:
    void insert(size_t chapter, HTREEITEM parent);
    void fill(size_t directory);
    HTREEITEM itemFor(size_t chapter);

    const std::vector<Chapter>* chapters_ = nullptr;
    HWND tree_ = nullptr;
    HIMAGELIST images_ = nullptr;
    HFONT font_ = nullptr;
    std::vector<HTREEITEM> items_;  // by chapter; null until its directory is filled
    std::vector<bool> filled_;      // by chapter: its children are in the control
};

}  // namespace pgw::stub::win32
