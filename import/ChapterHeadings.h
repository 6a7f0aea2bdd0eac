#pragma once
// Chapter headings in a long text: the lines where a novel's chapters and volumes begin,
// by the usual patterns or by the author's own expression, and the text cut there.

#include <optional>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

namespace pgw::import {

enum class HeadingRule {
    None,     // the file is one page
    Chinese,  // 第十二章, 第3回, 第一百零一节; 第二卷 starts a volume
    English,  // Chapter 12, CHAPTER XII
    Custom    // an expression the author gives (ECMAScript), matched at a line's start
};

enum class HeadingLevel { Chapter, Volume };

class HeadingMatcher {
public:
    explicit HeadingMatcher(HeadingRule rule, const std::string& expression = {});

    // False for a custom expression that does not compile; error() says why.
    bool isValid() const { return error_.empty(); }
    const std::string& error() const { return error_; }
    HeadingRule rule() const { return rule_; }

    // What `line` (UTF-8, without its line end) starts, if it is a heading.
    std::optional<HeadingLevel> match(std::string_view line) const;

private:
    HeadingRule rule_;
    std::optional<std::regex> custom_;
    std::string error_;
};

struct TextSection {
    std::string title;  // the heading without the spaces around it; `leadTitle` for the text before the first
    HeadingLevel level = HeadingLevel::Chapter;
    std::string text;  // UTF-8, the heading line included
};

// The text cut before every heading line. Text before the first heading is kept as a
// section of its own when it holds more than blanks; a text without headings is one section.
std::vector<TextSection> splitAtHeadings(std::string_view utf8, const HeadingMatcher& headings,
                                         const std::string& leadTitle);

// `line` without the blanks around it, full-width spaces included.
std::string_view trimmedLine(std::string_view line);

}  // namespace pgw::import
