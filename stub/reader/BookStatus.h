#pragma once
// How reading a compiled book went. Every failure is a value with a sentence the reader
// shows as it is (UTF-8); nothing throws and nothing is left half-read.

#include <string>
#include <string_view>

namespace pgw::stub {

enum class BookError {
    None,
    CannotOpenFile,      // the executable itself cannot be read
    NoAppendedBook,      // a plain reader: nothing was appended to it
    DamagedTrailer,      // the last four bytes do not point at an information block
    DamagedBlock,        // the information block contradicts itself
    SizeMismatch,        // the file is longer or shorter than the block says
    ReadFailed,          // the disk failed while reading
    DamagedBook,         // the appended compound file cannot be opened
    NoNodeTable,         // the book has no "NodeInfo" stream
    DamagedNodeTable,    // the table is too short or has no root
    NoSuchChapter,       // an index outside the table
    NotAPage,            // a directory was asked for its page content
    MissingPageContent,  // a page's stream or one of its storages is missing
    DamagedPicturePage,  // a picture page's stream ends inside a record, or holds no known picture
    DamagedTextPage,     // a text page's stream is no RTF document
};

struct BookStatus {
    BookError error = BookError::None;
    std::string message;  // UTF-8

    bool ok() const { return error == BookError::None; }
    static BookStatus success() { return {}; }
    // The error's sentence, followed by `detail` (a page name, what was damaged) when given.
    static BookStatus failure(BookError error, std::string_view detail = {});
};

std::string_view sentenceFor(BookError error);

// A GBK name from the book as UTF-8 for a message; bytes that are not GBK show as "?".
std::string nameForMessage(std::string_view gbk);

}  // namespace pgw::stub
