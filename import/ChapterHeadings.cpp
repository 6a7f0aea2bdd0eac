#include "import/ChapterHeadings.h"

#include "platform/text/Utf8Codec.h"

#include <algorithm>
#include <cctype>

namespace pgw::import {

namespace {

// Headings are short lines; longer ones are text that happens to start like one, and the
// bound keeps an author's expression from working on whole paragraphs.
constexpr size_t kMaxHeadingCharacters = 40;
constexpr size_t kMaxCustomLineBytes = 300;

constexpr std::u32string_view kChineseNumerals = U"零〇一二三四五六七八九十百千万两壹贰叁肆伍陆柒捌玖拾佰仟０１２３４５６７８９";

std::u32string codePoints(std::string_view utf8, size_t limit) {
    std::u32string out;
    for (size_t at = 0; at < utf8.size() && out.size() <= limit;) {
        char32_t c = 0;
        const size_t length = text::detail::decodeUtf8(utf8, at, &c);
        if (length == 0) return {};
        out += c;
        at += length;
    }
    return out;
}

bool isNumeral(char32_t c) {
    return (c >= U'0' && c <= U'9') || kChineseNumerals.find(c) != std::u32string_view::npos;
}

std::optional<HeadingLevel> chineseHeading(std::string_view line) {
    const std::u32string text = codePoints(line, kMaxHeadingCharacters);
    if (text.size() < 3 || text.size() > kMaxHeadingCharacters || text[0] != U'第') return std::nullopt;
    size_t at = 1;
    while (at < text.size() && isNumeral(text[at])) ++at;
    if (at == 1 || at == text.size()) return std::nullopt;
    if (text[at] == U'卷') return HeadingLevel::Volume;
    if (text[at] == U'章' || text[at] == U'回' || text[at] == U'节') return HeadingLevel::Chapter;
    return std::nullopt;
}

bool isRoman(char c) { return std::string_view("IVXLCDMivxlcdm").find(c) != std::string_view::npos; }

std::optional<HeadingLevel> englishHeading(std::string_view line) {
    constexpr std::string_view kWord = "chapter";
    if (line.size() <= kWord.size() + 1 || line.size() > kMaxHeadingCharacters * 2) return std::nullopt;
    for (size_t i = 0; i < kWord.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(line[i])) != kWord[i]) return std::nullopt;
    size_t at = kWord.size();
    if (line[at] != ' ' && line[at] != '\t') return std::nullopt;
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
    const size_t start = at;
    const bool digits = at < line.size() && std::isdigit(static_cast<unsigned char>(line[at]));
    while (at < line.size() && (digits ? std::isdigit(static_cast<unsigned char>(line[at])) != 0 : isRoman(line[at])))
        ++at;
    if (at == start) return std::nullopt;
    // The number ends the line or is followed by punctuation or a space before a title.
    if (at < line.size() && std::isalnum(static_cast<unsigned char>(line[at]))) return std::nullopt;
    return HeadingLevel::Chapter;
}

bool isBlank(std::string_view text) { return trimmedLine(text).empty(); }

}  // namespace

std::string_view trimmedLine(std::string_view line) {
    constexpr std::string_view kFullWidthSpace = "\xE3\x80\x80";
    for (bool trimmed = true; trimmed;) {
        trimmed = false;
        while (!line.empty() && std::string_view(" \t\r\n\f").find(line.front()) != std::string_view::npos)
            line.remove_prefix(1), trimmed = true;
        while (!line.empty() && std::string_view(" \t\r\n\f").find(line.back()) != std::string_view::npos)
            line.remove_suffix(1), trimmed = true;
        if (line.starts_with(kFullWidthSpace)) line.remove_prefix(kFullWidthSpace.size()), trimmed = true;
        if (line.ends_with(kFullWidthSpace)) line.remove_suffix(kFullWidthSpace.size()), trimmed = true;
    }
    return line;
}

HeadingMatcher::HeadingMatcher(HeadingRule rule, const std::string& expression) : rule_(rule) {
    if (rule != HeadingRule::Custom) return;
    if (expression.empty()) {
        error_ = "empty expression";
        return;
    }
    try {
        custom_.emplace(expression, std::regex::ECMAScript | std::regex::optimize);
    } catch (const std::regex_error& failure) {
        error_ = failure.what();
    }
}

std::optional<HeadingLevel> HeadingMatcher::match(std::string_view line) const {
    line = trimmedLine(line);
    if (line.empty()) return std::nullopt;
    switch (rule_) {
    case HeadingRule::None: return std::nullopt;
    case HeadingRule::Chinese: return chineseHeading(line);
    case HeadingRule::English: return englishHeading(line);
    case HeadingRule::Custom:
        if (!custom_ || line.size() > kMaxCustomLineBytes) return std::nullopt;
        try {
            if (std::regex_search(line.begin(), line.end(), *custom_, std::regex_constants::match_continuous))
                return HeadingLevel::Chapter;
        } catch (const std::regex_error&) {
            // An expression too complex for the line is no heading there.
        }
        return std::nullopt;
    }
    return std::nullopt;
}

std::vector<TextSection> splitAtHeadings(std::string_view utf8, const HeadingMatcher& headings,
                                         const std::string& leadTitle) {
    std::vector<TextSection> sections{{leadTitle, HeadingLevel::Chapter, {}}};
    for (size_t at = 0; at < utf8.size();) {
        const size_t end = std::min(utf8.find('\n', at), utf8.size());
        const std::string_view line = utf8.substr(at, end - at);
        if (const std::optional<HeadingLevel> level = headings.match(line)) {
            if (sections.size() == 1 && isBlank(sections.front().text)) sections.clear();
            sections.push_back({std::string(trimmedLine(line)), *level, {}});
        }
        sections.back().text.append(utf8.substr(at, std::min(end + 1, utf8.size()) - at));
        at = end + 1;
    }
    return sections;
}

}  // namespace pgw::import
