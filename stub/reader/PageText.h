#pragma once
// A page as formatted text: a text page's RTF read into the document model, a web page's
// stored HTML decoded and built into it (no network, no scripts: only the text and its
// formatting). The reader shows web pages through it, and the search reads every page's
// plain text from it.

#include "platform/richtext/RichDocument.h"
#include "stub/reader/BookStatus.h"

#include <string>
#include <string_view>

namespace pgw::stub {

class CompiledBook;

// A web page's stored bytes as a document; always something, however damaged.
richtext::RichDocument webPageDocument(std::string_view stored);

// A text page's stored RTF as a document; `name` says which page is damaged when it is no RTF.
BookStatus textPageDocument(std::string_view rtf, const std::string& name, richtext::RichDocument* out);

// The page's document: text and web pages; other kinds (pictures) have none and fail
// with NotAPage. A text page that is not readable RTF fails.
BookStatus pageDocument(const CompiledBook& book, size_t chapter, richtext::RichDocument* out);

// Gives text without an explicit colour the colour `colour`: a dark page's text.
void colourAutomaticText(richtext::RichDocument* document, richtext::Colour colour);

}  // namespace pgw::stub
