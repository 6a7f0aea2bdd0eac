#include "stub/reader/PageText.h"

#include "platform/richtext/RtfReader.h"
#include "platform/richtext/TextImport.h"
#include "platform/text/WebPageText.h"
#include "stub/reader/CompiledBook.h"

namespace pgw::stub {

richtext::RichDocument webPageDocument(std::string_view stored) {
    return richtext::documentFromHtml(text::webPageToUtf8(stored));
}

BookStatus textPageDocument(std::string_view rtf, const std::string& name, richtext::RichDocument* out) {
    if (rtf.empty()) {  // a page never edited
        *out = {};
        return BookStatus::success();
    }
    if (!richtext::looksLikeRtf(rtf)) return BookStatus::failure(BookError::DamagedTextPage, nameForMessage(name));
    *out = std::move(richtext::readRtf(rtf).document);  // damage: what comes before it
    return BookStatus::success();
}

BookStatus pageDocument(const CompiledBook& book, size_t chapter, richtext::RichDocument* out) {
    const auto& chapters = book.chapters();
    if (chapter >= chapters.size()) return BookStatus::failure(BookError::NoSuchChapter);
    const Chapter& page = chapters[chapter];
    if (page.type == book::NodeType::Text && page.isPage()) {
        std::string rtf;
        if (BookStatus status = book.readTextPage(chapter, &rtf); !status.ok()) return status;
        return textPageDocument(rtf, page.name, out);
    }
    if (page.type == book::NodeType::Web && page.isPage()) {
        std::string bytes;
        if (BookStatus status = book.readPageBytes(chapter, &bytes); !status.ok()) return status;
        *out = webPageDocument(bytes);
        return BookStatus::success();
    }
    return BookStatus::failure(BookError::NotAPage, nameForMessage(page.name));
}

void colourAutomaticText(richtext::RichDocument* document, richtext::Colour colour) {
    for (richtext::Paragraph& paragraph : document->paragraphs) {
        if (!paragraph.markFormat.colour) paragraph.markFormat.colour = colour;
        for (richtext::Inline& part : paragraph.content)
            if (auto* run = std::get_if<richtext::TextRun>(&part); run && !run->format.colour) run->format.colour = colour;
    }
}

}  // namespace pgw::stub
