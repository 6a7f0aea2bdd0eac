#pragma once
// The reader's commands: their numbers, the menu bar that names them and the keys that
// give them.

#include <windows.h>

namespace pgw::stub::win32 {

// Fixed numbers: the tests drive the window by them.
enum Command : int {
    kPreviousPage = 101,
    kNextPage = 102,
    kExit = 103,
    kAbout = 104,
    kFirstPage = 105,
    kLastPage = 106,
    kBack = 107,
    kForward = 108,
    kFocusTree = 109,
    kZoomIn = 110,
    kZoomOut = 111,
    kZoomReset = 112,
    kDarkPage = 113,
    kFullScreen = 114,
    kLeaveFullScreen = 115,
    kFind = 116,
    kFindNext = 117,
    kFindPrevious = 118,
    kAddBookmark = 119,
    kRemoveBookmark = 120,
    kBookmarkBase = 1000,  // one command per bookmark, in the bookmark menu's order
};

struct ReaderMenus {
    HMENU bar = nullptr;
    HMENU view = nullptr;       // holds the dark page's check mark
    HMENU bookmarks = nullptr;  // its fixed items, then one per bookmark
};

ReaderMenus buildMenus();
HACCEL buildAccelerators();

// The fixed items at the head of the bookmark menu (add, remove, separator).
inline constexpr int kFixedBookmarkItems = 3;

}  // namespace pgw::stub::win32
