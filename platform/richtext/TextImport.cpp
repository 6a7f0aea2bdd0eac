#include "platform/richtext/TextImport.h"

#include "platform/richtext/HtmlDocumentBuilder.h"
#include "platform/richtext/HtmlTokenizer.h"
#include "platform/richtext/ModelCost.h"
#include "platform/text/Utf8Codec.h"

namespace pgw::richtext {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kReplacement = "\uFFFD";
constexpr char32_t kParagraphSeparator = 0x2029;
static_assert(kMaxImportModelBytes == detail::ModelCost::kMaxBytes, "one bound for every way into the model");

std::string_view withoutBom(std::string_view utf8) {
    if (utf8.starts_with(kUtf8Bom)) utf8.remove_prefix(kUtf8Bom.size());
    return utf8;
}

bool isDroppedControl(char32_t c) { return (c < 0x20 && c != '\t') || (c >= 0x7F && c < 0xA0); }

// Collects lines into paragraphs. A line exists once anything of it was seen, so a final
// newline ends the last line rather than opening an empty one.
class PlainTextParagraphs {
public:
    PlainTextParagraphs(const CharFormat& format, size_t maxModelBytes) : format_(format), cost_(maxModelBytes) {
        document_.paragraphs.clear();
    }

    void character(std::string_view utf8, char32_t c) {
        lineStarted_ = true;
        if (!isDroppedControl(c)) line_.append(utf8);
    }
    void endLine() {
        Paragraph& paragraph = document_.paragraphs.emplace_back();
        paragraph.markFormat = format_;
        cost_.appendText(paragraph, format_, line_);
        cost_.countParagraph(paragraph);
        line_.clear();
        lineStarted_ = false;
    }
    bool full() const { return cost_.full(); }
    RichDocument finish() {
        if (lineStarted_ || document_.paragraphs.empty()) endLine();
        return std::move(document_);
    }

private:
    const CharFormat& format_;
    detail::ModelCost cost_;
    RichDocument document_;
    std::string line_;
    bool lineStarted_ = false;
};

}  // namespace

ImportResult importPlainText(std::string_view utf8, const CharFormat& format, size_t maxModelBytes) {
    utf8 = withoutBom(utf8);
    PlainTextParagraphs paragraphs(format, maxModelBytes);
    for (size_t pos = 0; pos < utf8.size();) {
        const char byte = utf8[pos];
        if (byte == '\r' || byte == '\n') {
            paragraphs.endLine();
            pos += (byte == '\r' && pos + 1 < utf8.size() && utf8[pos + 1] == '\n') ? 2 : 1;
            if (paragraphs.full()) return {paragraphs.finish(), std::string(detail::kModelTooLarge)};
            continue;
        }
        char32_t c = 0;
        const size_t length = text::detail::decodeUtf8(utf8, pos, &c);
        if (length == 0) {
            paragraphs.character(kReplacement, 0xFFFD);
            ++pos;
            continue;
        }
        if (c == kParagraphSeparator) {
            paragraphs.endLine();
            if (paragraphs.full()) return {paragraphs.finish(), std::string(detail::kModelTooLarge)};
        } else {
            paragraphs.character(utf8.substr(pos, length), c);
        }
        pos += length;
    }
    return {paragraphs.finish(), {}};
}

ImportResult importHtml(std::string_view utf8, const CharFormat& format, size_t maxModelBytes) {
    detail::HtmlTokenizer tokenizer(withoutBom(utf8));
    detail::HtmlDocumentBuilder builder(format, maxModelBytes);
    for (;;) {
        const detail::HtmlToken token = tokenizer.next();
        switch (token.kind) {
        case detail::HtmlToken::Kind::End: return {builder.finish(), {}};
        case detail::HtmlToken::Kind::Text: builder.text(token.text); break;
        case detail::HtmlToken::Kind::EndTag: builder.endTag(token.name); break;
        case detail::HtmlToken::Kind::StartTag:
            if (detail::isRawTextElement(token.name)) {
                tokenizer.skipRawText(token.name);
            } else {
                builder.startTag(token);
            }
            break;
        }
        if (builder.full()) return {builder.finish(), std::string(detail::kModelTooLarge)};
    }
}

RichDocument documentFromPlainText(std::string_view utf8, const CharFormat& format) {
    return importPlainText(utf8, format).document;
}

RichDocument documentFromHtml(std::string_view utf8, const CharFormat& format) {
    return importHtml(utf8, format).document;
}

}  // namespace pgw::richtext
