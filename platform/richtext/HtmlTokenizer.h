#pragma once
// Splits HTML into text and tags (internal to the HTML import). Forgiving like a browser:
// comments, doctypes and processing instructions vanish, a '<' that starts no tag is text,
// and an unterminated tag or comment ends at the end of the input.

#include <string>
#include <string_view>
#include <vector>

namespace pgw::richtext::detail {

struct HtmlAttribute {
    std::string name;   // lower case
    std::string value;  // character references decoded
};

struct HtmlToken {
    enum class Kind { Text, StartTag, EndTag, End };
    Kind kind = Kind::End;
    std::string_view text;  // Text: as in the source, references not yet decoded
    std::string name;       // tags: lower case
    std::vector<HtmlAttribute> attributes;

    const std::string* attribute(std::string_view attributeName) const;
};

class HtmlTokenizer {
public:
    explicit HtmlTokenizer(std::string_view html) : html_(html) {}

    HtmlToken next();
    // Skips the content of an element whose text is not HTML (script, style) up to and
    // including its end tag.
    void skipRawText(std::string_view name);

private:
    bool skipMarkup();
    HtmlToken readTag(bool end);
    void readAttributes(HtmlToken* token);
    std::string readName();
    std::string readAttributeValue();
    void skipSpaces();

    std::string_view html_;
    size_t pos_ = 0;
};

}  // namespace pgw::richtext::detail
