#pragma once
// Finding text: on the page shown and in the whole book. Matching ignores the case of Latin
// letters and nothing else. It works on UTF-16 text, the units the rich edit control counts
// in, so an offset found in the control's own text selects the match there.
//
// A hit in the whole book is named by its page and its ordinal among the page's matches:
// the page's plain text (from the document model) and the control's text differ in what
// they count for paragraph ends, pictures and table cells, but not in the order of the
// matches, so the window finds the hit again in the control's text by its ordinal.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pgw::stub {

class CompiledBook;

inline constexpr size_t kMaxBookHits = 1000;
inline constexpr size_t kMaxQueryUnits = 256;

std::u16string toUtf16Lossy(std::string_view utf8);

// The offsets of every match, at most `limit`, in order; none for an empty query.
std::vector<size_t> findAll(std::u16string_view text, std::u16string_view query, size_t limit = SIZE_MAX);

// The next match from `from` (forward: the first starting at or after it; backward: the
// last starting before it), wrapping round the text when none is found that way; `wrapped` says so.
std::optional<size_t> findNext(std::u16string_view text, std::u16string_view query, size_t from, bool forward,
                               bool* wrapped);

struct BookHit {
    size_t chapter = 0;
    size_t ordinal = 0;    // which match on its page, from 0
    std::string snippet;  // UTF-8: the match with a little text around it, on one line
};

struct BookSearchResult {
    std::vector<BookHit> hits;
    size_t unreadablePages = 0;  // pages whose text could not be read
    bool truncated = false;      // more than kMaxBookHits matches
};

// Reads the pages one at a time in page order, keeping only the hits.
BookSearchResult searchBook(const CompiledBook& book, std::string_view queryUtf8);

}  // namespace pgw::stub
