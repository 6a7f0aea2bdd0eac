#include "stub/reader/BookSearch.h"

#include "platform/text/Utf8Codec.h"
#include "stub/reader/CompiledBook.h"
#include "stub/reader/PageText.h"

#include <algorithm>

namespace pgw::stub {
namespace {

constexpr size_t kSnippetBefore = 16;
constexpr size_t kSnippetAfter = 40;

char16_t fold(char16_t c) {
    if (c >= u'A' && c <= u'Z') return char16_t(c + 32);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return char16_t(c + 32);  // Latin-1 capitals
    return c;
}

bool matchesAt(std::u16string_view text, std::u16string_view query, size_t at) {
    for (size_t i = 0; i < query.size(); ++i)
        if (fold(text[at + i]) != fold(query[i])) return false;
    return true;
}

std::string snippetOf(std::u16string_view text, size_t at, size_t length) {
    const size_t begin = at > kSnippetBefore ? at - kSnippetBefore : 0;
    const size_t end = std::min(text.size(), at + length + kSnippetAfter);
    std::string out = begin > 0 ? "…" : "";
    for (size_t i = begin; i < end; ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < end && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        else if (c >= 0xD800 && c < 0xE000)
            c = 0xFFFD;
        if (c < 0x20 || c == 0x2028) c = ' ';
        text::detail::appendUtf8(&out, c);
    }
    if (end < text.size()) out += "…";
    return out;
}

}  // namespace

std::u16string toUtf16Lossy(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    for (size_t at = 0; at < utf8.size();) {
        char32_t c = 0;
        const size_t length = text::detail::decodeUtf8(utf8, at, &c);
        if (length == 0) c = 0xFFFD;
        at += length ? length : 1;
        if (c >= 0x10000) {
            out.push_back(char16_t(0xD800 + ((c - 0x10000) >> 10)));
            out.push_back(char16_t(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            out.push_back(char16_t(c));
        }
    }
    return out;
}

std::vector<size_t> findAll(std::u16string_view text, std::u16string_view query, size_t limit) {
    std::vector<size_t> found;
    if (query.empty() || query.size() > text.size()) return found;
    for (size_t at = 0; at + query.size() <= text.size() && found.size() < limit; ++at) {
        if (!matchesAt(text, query, at)) continue;
        found.push_back(at);
        at += query.size() - 1;  // matches do not overlap
    }
    return found;
}

std::optional<size_t> findNext(std::u16string_view text, std::u16string_view query, size_t from, bool forward,
                               bool* wrapped) {
    *wrapped = false;
    if (query.empty() || query.size() > text.size()) return std::nullopt;
    const size_t last = text.size() - query.size();
    from = std::min(from, text.size());
    if (forward) {
        for (size_t at = from; at <= last; ++at)
            if (matchesAt(text, query, at)) return at;
        for (size_t at = 0; at < std::min(from, last + 1); ++at)
            if (matchesAt(text, query, at)) return *wrapped = true, at;
    } else {
        for (size_t at = std::min(from, last + 1); at-- > 0;)
            if (matchesAt(text, query, at)) return at;
        for (size_t at = last + 1; at-- > from;)
            if (matchesAt(text, query, at)) return *wrapped = true, at;
    }
    return std::nullopt;
}

BookSearchResult searchBook(const CompiledBook& book, std::string_view queryUtf8) {
    BookSearchResult result;
    std::u16string query = toUtf16Lossy(queryUtf8);
    if (query.size() > kMaxQueryUnits) query.resize(kMaxQueryUnits);
    if (query.empty()) return result;
    for (const size_t chapter : book.pages()) {
        const Chapter& page = book.chapters()[chapter];
        if (page.type != book::NodeType::Text && page.type != book::NodeType::Web) continue;
        richtext::RichDocument document;
        if (!pageDocument(book, chapter, &document).ok()) {
            ++result.unreadablePages;
            continue;
        }
        const std::u16string text = toUtf16Lossy(richtext::plainText(document));
        const size_t room = kMaxBookHits - result.hits.size();
        const std::vector<size_t> found = findAll(text, query, room + 1);
        for (size_t i = 0; i < found.size() && i < room; ++i)
            result.hits.push_back({chapter, i, snippetOf(text, found[i], query.size())});
        if (found.size() > room) {
            result.truncated = true;
            break;
        }
    }
    return result;
}

}  // namespace pgw::stub
