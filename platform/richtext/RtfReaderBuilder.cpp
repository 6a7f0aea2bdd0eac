#include "platform/richtext/RtfReaderBuilder.h"

namespace pgw::richtext::detail {

void RtfDocumentBuilder::appendText(const CharFormat& format, std::string_view utf8) {
    if (utf8.empty()) return;
    const size_t pieces = current_.content.size();
    current_.appendText(format, utf8);
    cost_ += utf8.size();
    if (current_.content.size() != pieces) cost_ += sizeof(Inline) + format.face.size();
}

void RtfDocumentBuilder::appendPicture(Picture picture) {
    cost_ += sizeof(Inline) + picture.bytes.size();
    current_.appendPicture(std::move(picture));
}

void RtfDocumentBuilder::endParagraph(const ParagraphFormat& format, const CharFormat& markFormat) {
    current_.format = format;
    current_.markFormat = markFormat;
    cost_ += sizeof(Paragraph) + markFormat.face.size();
    document_.paragraphs.push_back(std::move(current_));
    current_ = Paragraph{};
}

RichDocument RtfDocumentBuilder::finish(const ParagraphFormat& format, const CharFormat& markFormat) {
    if (!current_.isEmpty() || document_.paragraphs.empty()) endParagraph(format, markFormat);
    return std::move(document_);
}

}  // namespace pgw::richtext::detail
