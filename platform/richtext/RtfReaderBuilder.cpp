#include "platform/richtext/RtfReaderBuilder.h"

namespace pgw::richtext::detail {

void RtfDocumentBuilder::appendText(const CharFormat& format, std::string_view utf8) {
    cost_.appendText(current_, format, utf8);
}

void RtfDocumentBuilder::appendPicture(Picture picture) {
    cost_.countPicture(picture);
    current_.appendPicture(std::move(picture));
}

void RtfDocumentBuilder::endParagraph(const ParagraphFormat& format, const CharFormat& markFormat,
                                      ParagraphEnd end, const TableRow* row) {
    current_.format = format;
    current_.markFormat = markFormat;
    current_.end = end;
    if (row) current_.row = *row;
    cost_.countParagraph(current_);
    document_.paragraphs.push_back(std::move(current_));
    current_ = Paragraph{};
}

RichDocument RtfDocumentBuilder::finish(const ParagraphFormat& format, const CharFormat& markFormat) {
    if (!current_.isEmpty() || document_.paragraphs.empty()) endParagraph(format, markFormat);
    return std::move(document_);
}

}  // namespace pgw::richtext::detail
