#pragma once
// Assembles the document the RTF reader produces: paragraphs of runs and pictures. It keeps
// the last paragraph open so that a final paragraph end adds no empty paragraph, and counts
// what the document costs in memory so that hostile input cannot make it unbounded.

#include <cstddef>
#include <string_view>

#include "platform/richtext/ModelCost.h"
#include "platform/richtext/RichDocument.h"

namespace pgw::richtext::detail {

class RtfDocumentBuilder {
public:
    RtfDocumentBuilder() { document_.paragraphs.clear(); }

    void appendText(const CharFormat& format, std::string_view utf8);
    void appendPicture(Picture picture);
    bool paragraphIsEmpty() const { return current_.isEmpty(); }
    void endParagraph(const ParagraphFormat& format, const CharFormat& markFormat,
                      ParagraphEnd end = ParagraphEnd::Paragraph, const TableRow* row = nullptr);

    bool full() const { return cost_.full(); }

    // The document; the open paragraph is kept when it has content or is the only one.
    RichDocument finish(const ParagraphFormat& format, const CharFormat& markFormat);

private:
    RichDocument document_;
    Paragraph current_;
    ModelCost cost_;
};

}  // namespace pgw::richtext::detail
