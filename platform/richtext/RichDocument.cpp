#include "platform/richtext/RichDocument.h"

#include "platform/richtext/ListNumbering.h"

namespace pgw::richtext {

void ParagraphFormat::setStartIndentAndOffset(int32_t start, int32_t offset) {
    firstLineIndent = -offset;
    leftIndent = start + offset;
}

void Paragraph::appendText(const CharFormat& runFormat, std::string_view utf8) {
    if (utf8.empty()) return;
    if (!content.empty()) {
        if (auto* run = std::get_if<TextRun>(&content.back()); run && run->format == runFormat) {
            run->text += utf8;
            return;
        }
    }
    content.emplace_back(TextRun{runFormat, std::string(utf8)});
}

void Paragraph::appendPicture(Picture picture) { content.emplace_back(std::move(picture)); }

std::string plainText(const RichDocument& document) {
    static constexpr std::string_view kLineSeparator = "\u2028";
    std::string out;
    ListCounter lists;
    for (size_t i = 0; i < document.paragraphs.size(); ++i) {
        const Paragraph& paragraph = document.paragraphs[i];
        if (paragraph.end == ParagraphEnd::Row) continue;  // its cells' text is the row's
        if (i > 0) out += document.paragraphs[i - 1].end == ParagraphEnd::Cell ? '\t' : '\n';
        const ParagraphFormat& format = paragraph.format;
        if (const int32_t number = lists.place(format); format.isListItem() && !format.isBullet())
            out += itemLabel(format.list, number) + '\t';
        for (const Inline& piece : paragraph.content) {
            const auto* run = std::get_if<TextRun>(&piece);
            if (!run) continue;
            for (size_t at = 0;;) {
                size_t found = run->text.find(kLineSeparator, at);
                out.append(run->text, at, found == std::string::npos ? std::string::npos : found - at);
                if (found == std::string::npos) break;
                out += '\n';
                at = found + kLineSeparator.size();
            }
        }
    }
    return out;
}

}  // namespace pgw::richtext
