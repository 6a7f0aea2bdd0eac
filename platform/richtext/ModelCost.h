#pragma once
// What a document's model takes in memory, counted as it is built (internal to the RTF reader
// and the imports). Every way into the model stops at the same bound, so no source, hostile
// or merely huge, makes it unbounded: a page of empty lines costs far more than its bytes.

#include <cstddef>
#include <string_view>

#include "platform/richtext/RichDocument.h"

namespace pgw::richtext::detail {

class ModelCost {
public:
    // About what the model of a document may take (text, runs, paragraphs, pictures).
    static constexpr size_t kMaxBytes = size_t(1) << 30;

    explicit ModelCost(size_t maxBytes = kMaxBytes) : maxBytes_(maxBytes) {}

    // Appends text to a paragraph (Paragraph::appendText) and counts it.
    void appendText(Paragraph& paragraph, const CharFormat& format, std::string_view utf8) {
        const size_t pieces = paragraph.content.size();
        paragraph.appendText(format, utf8);
        bytes_ += utf8.size();
        if (paragraph.content.size() != pieces) bytes_ += sizeof(Inline) + format.face.size() + format.link.size();
    }
    void countPicture(const Picture& picture) { bytes_ += sizeof(Inline) + picture.bytes.size(); }
    void countParagraph(const Paragraph& paragraph) { bytes_ += sizeof(Paragraph) + paragraph.markFormat.face.size(); }

    bool full() const { return bytes_ > maxBytes_; }

private:
    size_t maxBytes_;
    size_t bytes_ = 0;
};

// What a reader says when the bound stops it.
inline constexpr std::string_view kModelTooLarge = "the document is too large to read whole; its end was left out";

}  // namespace pgw::richtext::detail
