#pragma once
// Looks at a book file before it replaces the open book, so that a file which cannot
// become the open book is refused while the current one is still there.

#include "platform/storage/CompoundFile.h"
#include "platform/storage/StgResult.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pgw::book {

class BookOpenCheck {
public:
    explicit BookOpenCheck(std::string path) : path_(std::move(path)) {}
    // A message for the author when the file cannot be opened as a book.
    std::optional<std::string> refusal() const;

    // The same, step by step, for a caller that opens the file itself: what is wrong
    // before the file is opened, with the result of opening it, and with the node table
    // read from it (none: the file has no readable table).
    std::optional<std::string> fileRefusal() const;
    std::optional<std::string> openRefusal(storage::StgResult opened) const;
    std::optional<std::string> tableRefusal(const storage::ByteImage* table) const;

private:
    std::string path_;
};

}  // namespace pgw::book
