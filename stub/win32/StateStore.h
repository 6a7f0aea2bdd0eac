#pragma once
// Where the reader keeps what it remembers of a book: %APPDATA%\Pagewright\Reader\<key>.ini
// (the user's roaming application-data folder), one file per book. Written aside and
// renamed into place, so a failed write leaves the last good file; a file that cannot be
// read is as good as none.

#include "stub/reader/ReaderState.h"

#include <string>

namespace pgw::stub::win32 {

class StateStore {
public:
    // The file for the book with that key; empty when the system names no data folder.
    static std::wstring pathFor(const std::string& key);

    explicit StateStore(std::wstring path) : path_(std::move(path)) {}

    ReaderState load(const std::vector<Chapter>& chapters) const;
    bool save(const ReaderState& state) const;

private:
    std::wstring path_;
};

}  // namespace pgw::stub::win32
