#pragma once
// Looks at a book file before it replaces the open book, so that a file which cannot
// become the open book is refused while the current one is still there.

#include <optional>
#include <string>

namespace pgw::book {

class BookOpenCheck {
public:
    explicit BookOpenCheck(std::string path) : path_(std::move(path)) {}
    // A message for the author when the file cannot be opened as a book.
    std::optional<std::string> refusal() const;

private:
    std::optional<std::string> checkNodeTable(const std::string& table) const;
    std::string path_;
};

}  // namespace pgw::book
