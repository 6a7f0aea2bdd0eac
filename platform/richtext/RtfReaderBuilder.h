#pragma once
// Assembles the document the RTF reader produces: paragraphs of runs and pictures. It keeps
// the last paragraph open so that a final paragraph end adds no empty paragraph, and counts
// what the document costs in memory so that hostile input cannot make it unbounded.

#include <cstddef>
#include <string_view>

#include "platform/richtext/RichDocument.h"

namespace pgw::richtext::detail {

class RtfDocumentBuilder {
public:
    // About what the model of a document may take in memory (text, runs, paragraphs, pictures).
    static constexpr size_t kMaxOutputBytes = size_t(1) << 30;

    RtfDocumentBuilder() { document_.paragraphs.clear(); }

    void appendText(const CharFormat& format, std::string_view utf8);
    void appendPicture(Picture picture);
    bool paragraphIsEmpty() const { return current_.isEmpty(); }
    void endParagraph(const ParagraphFormat& format, const CharFormat& markFormat);

    bool full() const { return cost_ > kMaxOutputBytes; }

    // The document; the open paragraph is kept when it has content or is the only one.
    RichDocument finish(const ParagraphFormat& format, const CharFormat& markFormat);

private:
    RichDocument document_;
    Paragraph current_;
    size_t cost_ = 0;
};

}  // namespace pgw::richtext::detail
