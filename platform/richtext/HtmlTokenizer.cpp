#include "platform/richtext/HtmlTokenizer.h"

#include "platform/richtext/HtmlEntities.h"
#include "platform/text/Utf8Codec.h"

namespace pgw::richtext::detail {

namespace {

// A tag with more attributes than this keeps the first ones only.
constexpr size_t kMaxAttributes = 64;

bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool startsWithIgnoringCase(std::string_view text, size_t pos, std::string_view prefix) {
    if (text.size() - pos < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (lower(text[pos + i]) != prefix[i]) return false;
    }
    return true;
}

std::string decodeReferences(std::string_view raw) {
    std::string out;
    out.reserve(raw.size());
    for (size_t pos = 0; pos < raw.size();) {
        char32_t character = 0;
        const size_t length = raw[pos] == '&' ? decodeCharacterReference(raw, pos, &character) : 0;
        if (length == 0) {
            out.push_back(raw[pos++]);
            continue;
        }
        text::detail::appendUtf8(&out, character);
        pos += length;
    }
    return out;
}

}  // namespace

const std::string* HtmlToken::attribute(std::string_view attributeName) const {
    for (const HtmlAttribute& entry : attributes) {
        if (entry.name == attributeName) return &entry.value;
    }
    return nullptr;
}

HtmlToken HtmlTokenizer::next() {
    while (pos_ < html_.size()) {
        if (html_[pos_] != '<') {
            const size_t end = html_.find('<', pos_);
            HtmlToken token;
            token.kind = HtmlToken::Kind::Text;
            token.text = html_.substr(pos_, end == std::string_view::npos ? end : end - pos_);
            pos_ += token.text.size();
            return token;
        }
        if (skipMarkup()) continue;
        const bool end = html_.substr(pos_).starts_with("</");
        const size_t nameAt = pos_ + (end ? 2 : 1);
        if (nameAt < html_.size() && isAsciiLetter(html_[nameAt])) return readTag(end);
        HtmlToken token;  // a lone '<' is text
        token.kind = HtmlToken::Kind::Text;
        token.text = html_.substr(pos_, 1);
        ++pos_;
        return token;
    }
    return {};
}

// Comments, <!DOCTYPE ...>, <![CDATA[...]]> and <?...?> carry no text worth keeping.
bool HtmlTokenizer::skipMarkup() {
    const std::string_view rest = html_.substr(pos_);
    size_t end = std::string_view::npos;
    if (rest.starts_with("<!--")) {
        end = rest.find("-->", 4);
        end = end == std::string_view::npos ? end : end + 3;
    } else if (rest.starts_with("<!") || rest.starts_with("<?") ||
               (rest.starts_with("</") && rest.size() > 2 && !isAsciiLetter(rest[2]) &&
                rest[2] != '>')) {
        end = rest.find('>');
        end = end == std::string_view::npos ? end : end + 1;
    } else if (rest.starts_with("</>")) {
        end = 3;
    } else {
        return false;
    }
    pos_ = end == std::string_view::npos ? html_.size() : pos_ + end;
    return true;
}

HtmlToken HtmlTokenizer::readTag(bool end) {
    HtmlToken token;
    token.kind = end ? HtmlToken::Kind::EndTag : HtmlToken::Kind::StartTag;
    pos_ += end ? 2 : 1;
    token.name = readName();
    readAttributes(&token);
    if (end) token.attributes.clear();
    return token;
}

std::string HtmlTokenizer::readName() {
    std::string name;
    while (pos_ < html_.size() && !isSpace(html_[pos_]) && html_[pos_] != '/' &&
           html_[pos_] != '>' && html_[pos_] != '=') {
        name.push_back(lower(html_[pos_++]));
    }
    return name;
}

void HtmlTokenizer::readAttributes(HtmlToken* token) {
    for (;;) {
        while (pos_ < html_.size() && (isSpace(html_[pos_]) || html_[pos_] == '/')) ++pos_;
        if (pos_ >= html_.size()) return;
        if (html_[pos_] == '>') {
            ++pos_;
            return;
        }
        HtmlAttribute attribute;
        attribute.name = readName();
        if (attribute.name.empty()) ++pos_;  // a stray '=': skip it
        skipSpaces();
        if (pos_ < html_.size() && html_[pos_] == '=') {
            ++pos_;
            skipSpaces();
            attribute.value = readAttributeValue();
        }
        if (!attribute.name.empty() && token->attributes.size() < kMaxAttributes) {
            token->attributes.push_back(std::move(attribute));
        }
    }
}

std::string HtmlTokenizer::readAttributeValue() {
    if (pos_ >= html_.size()) return {};
    const char quote = html_[pos_];
    size_t start = pos_;
    size_t end = 0;
    if (quote == '"' || quote == '\'') {
        ++start;
        end = html_.find(quote, start);
        if (end == std::string_view::npos) end = html_.size();
        pos_ = end == html_.size() ? end : end + 1;
    } else {
        end = start;
        while (end < html_.size() && !isSpace(html_[end]) && html_[end] != '>') ++end;
        pos_ = end;
    }
    return decodeReferences(html_.substr(start, end - start));
}

void HtmlTokenizer::skipSpaces() {
    while (pos_ < html_.size() && isSpace(html_[pos_])) ++pos_;
}

void HtmlTokenizer::skipRawText(std::string_view name) {
    for (size_t at = html_.find("</", pos_); at != std::string_view::npos;
         at = html_.find("</", at + 2)) {
        const size_t after = at + 2 + name.size();
        if (startsWithIgnoringCase(html_, at + 2, name) &&
            (after >= html_.size() || isSpace(html_[after]) || html_[after] == '>' ||
             html_[after] == '/')) {
            const size_t close = html_.find('>', after);
            pos_ = close == std::string_view::npos ? html_.size() : close + 1;
            return;
        }
    }
    pos_ = html_.size();
}

}  // namespace pgw::richtext::detail
