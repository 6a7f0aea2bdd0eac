#pragma once
// What opening a damaged book found and did about it, and how the author is told: one
// message that names the book and lists every repair. The program, pgw and the reader
// word the same findings with the same lines.

#include <cstdint>
#include <string>
#include <vector>

namespace pgw::book {

enum class Repair {
    ShortTable,       // the table counts more records than it holds: `count`, `held`
    NamelessChapter,  // a record without a name: it got `newName`
    ReservedName,     // a chapter named like the file's own streams ("NodeInfo", ...): renamed
    DuplicateName,    // a second chapter of the same name: renamed
    TitleTaken,       // a chapter named like the book's title, which the root carries: renamed
    TitleReserved,    // the file's title is a reserved name: the root keeps `newName`
    Orphan,           // a chapter whose parent `newName` is no directory before it: under the root
    MissingPage,      // a page whose stream is missing or unreadable: made anew, empty
    MissingDirectory, // a directory whose storage is missing or unreadable: made anew, empty
};

struct Finding {
    Repair repair;
    std::string name;     // GBK: the chapter (or title) as stored
    std::string newName;  // GBK: see Repair
    uint64_t count = 0, held = 0;
};

// One line (UTF-8) per finding.
std::string findingLine(const Finding& finding);

// The lines of the first `shownLines` findings, and one that counts the rest: a book
// with thousands of repairs still gets a readable message.
inline constexpr size_t kShownRepairs = 20;
std::vector<std::string> findingLines(const std::vector<Finding>& findings, size_t shownLines = kShownRepairs);

// The author's message for `bookName` (UTF-8): what was found and what was done.
std::string salvageMessage(const std::string& bookName, const std::vector<Finding>& findings);

// GBK text for a message; bytes that are not GBK show as "?".
std::string gbkForMessage(const std::string& gbk);

}  // namespace pgw::book
