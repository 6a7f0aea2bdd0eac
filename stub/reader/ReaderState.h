#pragma once
// What the reader remembers of one book between runs: the last page read, the reader's
// bookmarks, the text size, the page colour and the window's place. Kept as a small UTF-8
// text file in the user's application-data folder, one per book, never in the executable.
//
// The file is read with bounds: a file that is too long, a line that means nothing, a
// number out of range, a bookmark on a chapter that is no longer a page are each left
// out, so a damaged or hostile file costs the reader its memory and nothing more.

#include "stub/reader/CompiledBook.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pgw::stub {

inline constexpr size_t kMaxStateFileBytes = 64 * 1024;
inline constexpr size_t kMaxBookmarks = 100;
inline constexpr size_t kMaxBookmarkNameBytes = 240;
inline constexpr int kMinZoomPercent = 50;
inline constexpr int kMaxZoomPercent = 300;

struct Bookmark {
    size_t chapter = 0;
    std::string name;  // UTF-8
    bool operator==(const Bookmark&) const = default;
};

// The window's normal (not maximised) rectangle in screen pixels.
struct WindowPlace {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool maximised = false;
    bool valid() const { return right - left >= 200 && bottom - top >= 150; }
    bool operator==(const WindowPlace&) const = default;
};

struct ReaderState {
    std::optional<size_t> lastPage;
    std::vector<Bookmark> bookmarks;
    int zoomPercent = 100;
    bool dark = false;
    std::optional<WindowPlace> window;
    bool operator==(const ReaderState&) const = default;

    // Adds a bookmark (false when the list is full or the page is marked already).
    bool addBookmark(size_t chapter, std::string name);
    // Removes the bookmarks on a page; false when it had none.
    bool removeBookmarks(size_t chapter);
};

std::string writeState(const ReaderState& state);
// `book` says which chapters are pages today.
ReaderState readState(std::string_view bytes, const std::vector<Chapter>& chapters);

// The state file's name (without folder and extension) for a book: its book code when that
// is a plain name of letters, digits, '-' and '_' (at most 64); otherwise "book-" and a
// 64-bit FNV-1a hash, in hex, of the code, title, author and book number as stored. The
// same book thus always finds the same file, and no stored text can make a path of it.
std::string stateKey(const BookFields& fields);

}  // namespace pgw::stub
