#pragma once
// A text page's content between the files an author brings and the bytes a page stores:
// what set-text stores and what get-text prints, without the book around them.

#include <optional>
#include <string>
#include <string_view>

namespace pgw::cli {

// The source file (.rtf, .html/.htm, anything else UTF-8 text) as a page's RTF in the rich
// edit dialect, or why it cannot be stored.
std::optional<std::string> pageRtfFromFile(const std::string& path, std::string* rtf);

// What get-text shows of a page's stored bytes.
struct ShownPage {
    std::string output;  // the text (UTF-8, one line per paragraph) or the stored RTF
    std::string note;    // why the page shows less than it should; empty when it is whole
};
ShownPage showPage(std::string_view stored, bool asRtf);

}  // namespace pgw::cli
