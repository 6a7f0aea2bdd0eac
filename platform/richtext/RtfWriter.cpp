#include "platform/richtext/RtfWriter.h"

#include <algorithm>
#include <charconv>

#include "platform/text/CodePage.h"

#include "platform/richtext/ListNumbering.h"
#include "platform/richtext/RtfFontColourTables.h"
#include "platform/richtext/RtfListTableWriter.h"
#include "platform/richtext/RtfPictureWriter.h"
#include "platform/richtext/RtfRowWriter.h"
#include "platform/richtext/RtfTextEncoder.h"
#include "platform/richtext/TableStructure.h"

namespace pgw::richtext {

namespace {

using detail::RtfFontColourTables;
using detail::RtfListTableWriter;
using detail::RtfTextEncoder;

constexpr std::string_view kHeader = "{\\rtf1\\ansi\\ansicpg936\\deff0\\deflang1033\\deflangfe2052";
constexpr std::string_view kBodyStart = "\\viewkind4\\uc1\\pard";
constexpr std::string_view kChineseLanguage = "\\lang2052";
constexpr std::string_view kEnd = "}\r\n";

// A character format as the file states it: font and colours by table index.
struct WrittenFormat {
    int font = 0;
    int halfPoints = kDefaultHalfPoints;
    bool bold = false;
    bool italic = false;
    Underline underline = Underline::None;
    bool strikeOut = false;
    int colour = 0;
    int highlight = 0;
    VerticalPosition vertical = VerticalPosition::Normal;

    bool operator==(const WrittenFormat&) const = default;
};

const CharFormat* firstCharFormat(const RichDocument& document) {
    for (const Paragraph& paragraph : document.paragraphs) {
        for (const Inline& piece : paragraph.content) {
            if (const auto* run = std::get_if<TextRun>(&piece)) return &run->format;
        }
        return &paragraph.markFormat;
    }
    return nullptr;
}

size_t estimatedSize(const RichDocument& document) {
    size_t size = 512;
    for (const Paragraph& paragraph : document.paragraphs) {
        size += 32;
        for (const Inline& piece : paragraph.content) {
            if (const auto* run = std::get_if<TextRun>(&piece)) {
                size += run->text.size() * 3 + 16;  // a GBK character: 3 bytes in, 8 out
            } else {
                size += std::get<Picture>(piece).bytes.size() * 2 + 128;
            }
        }
    }
    return size;
}

// Writes the body: paragraphs with their formats stated only where they change, as a rich
// edit control streams them out.
class RtfBodyWriter {
public:
    RtfBodyWriter(const RtfFontColourTables& tables, const RtfListTableWriter& listTable, RtfTextEncoder& encoder,
                  std::string* out)
        : tables_(tables), listTable_(listTable), encoder_(encoder), out_(*out) {}

    void write(const RichDocument& document) {
        out_.append(kBodyStart);
        needDelimiter_ = true;
        const ParagraphFormat defaultFormat;
        const ParagraphFormat* previous = &defaultFormat;
        bool first = true;
        bool rowOpen = false;  // the outermost table's row has been laid out
        for (size_t i = 0; i < document.paragraphs.size(); ++i) {
            const Paragraph& paragraph = document.paragraphs[i];
            if (paragraph.format.tableDepth > 0 && !rowOpen) {
                writeRowStart(document.paragraphs, i);
                rowOpen = true;
            }
            // A cell's or row's end leaves the table state to the paragraph after it.
            const bool restate = i > 0 && document.paragraphs[i - 1].end != ParagraphEnd::Paragraph;
            const int32_t number = lists_.place(paragraph.format);
            const int32_t declaredList = listTable_.listNumber(i);
            if (paragraph.end != ParagraphEnd::Row)
                startParagraph(paragraph.format, *previous, first, restate, number, declaredList);
            if (first) startCharacterState(*firstCharFormat(document));
            first = false;
            writeContent(paragraph);
            if (paragraph.end == ParagraphEnd::Row && paragraph.format.tableDepth <= 1) rowOpen = false;
            previous = &paragraph.format;
        }
    }

private:
    // Readers that know no row definition after the cells (the rich edit control among them)
    // need the outermost row's layout before its first cell.
    void writeRowStart(const std::vector<Paragraph>& paragraphs, size_t first) {
        const size_t end = rowEndOf(paragraphs, first, 1);
        if (end == paragraphs.size()) return;
        detail::appendRowLayout(paragraphs[end].row.get(), &out_);
        needDelimiter_ = true;
    }

    void startParagraph(const ParagraphFormat& format, const ParagraphFormat& previous, bool first, bool restate,
                        int32_t number, int32_t declaredList) {
        const bool changed = restate || !(format == previous);
        if (changed && !first) controlWord("\\pard");
        if (changed) writeParagraphControls(format);
        if (format.isBullet()) writeBullet(changed || first);
        if (format.isListItem() && !format.isBullet()) writeNumber(format, number, changed || first);
        if (format.isListItem() && (changed || first)) writeListReference(declaredList, format.listLevel);
    }

    void writeParagraphControls(const ParagraphFormat& format) {
        switch (format.alignment) {
        case Alignment::Left: break;
        case Alignment::Centre: controlWord("\\qc"); break;
        case Alignment::Right: controlWord("\\qr"); break;
        case Alignment::Justify: controlWord("\\qj"); break;
        }
        controlWordIfNonZero("\\li", format.leftIndent);
        controlWordIfNonZero("\\fi", format.firstLineIndent);
        controlWordIfNonZero("\\ri", format.rightIndent);
        controlWordIfNonZero("\\sb", format.spaceBefore);
        controlWordIfNonZero("\\sa", format.spaceAfter);
        if (format.pageBreakBefore) controlWord("\\pagebb");
        controlWordIfNonZero("\\ilvl", format.listLevel);
        for (const TabStop& tab : format.tabs.get()) writeTabStop(tab);
        if (format.tableDepth > 0) controlWord("\\intbl");
        if (format.tableDepth > 1) controlWord("\\itap", format.tableDepth);
    }

    void writeTabStop(const TabStop& tab) {
        static constexpr std::string_view kKinds[] = {"", "\\tqc", "\\tqr", "\\tqdec"};
        static constexpr std::string_view kLeaders[] = {"", "\\tldot", "\\tlhyph", "\\tlul", "\\tlth", "\\tleq"};
        if (tab.kind != TabKind::Left) controlWord(kKinds[size_t(tab.kind)]);
        if (tab.leader != TabLeader::None) controlWord(kLeaders[size_t(tab.leader)]);
        controlWord("\\tx", tab.position);
    }

    // The rendered bullet for readers without numbering, and, where a list starts, the
    // numbering definition a \pard would otherwise have reset.
    void writeBullet(bool startsList) {
        const std::string font = std::to_string(tables_.bulletFontIndex());
        out_.append("{\\pntext\\f" + font + "\\'b7\\tab}");
        if (startsList) {
            out_.append("{\\*\\pn\\pnlvlblt\\pnf" + font + "\\pnindent0{\\pntxtb\\'b7}}");
        }
        needDelimiter_ = false;
    }

    // The same for a numbered item: its number as text, and the numbering where a list starts
    // or goes on after deeper items, counting on from this item's number.
    void writeNumber(const ParagraphFormat& format, int32_t number, bool startsList) {
        const std::string font = std::to_string(state_.font);
        out_.append("{\\pntext\\f" + font + " " + itemLabel(format.list, number) + "\\tab}");
        if (startsList) {
            out_.append("{\\*\\pn\\pnlvlbody\\pnf" + font + "\\pnindent0\\pnstart" + std::to_string(number));
            out_.append(numberingWord(format.list));
            out_.append("{\\pntxta.}}");
        }
        needDelimiter_ = false;
    }

    // The declared list the item is in, for readers that number from the list table; after
    // the \pn group, which such a reader would otherwise take as the item's list and level.
    void writeListReference(int32_t list, int level) {
        controlWord("\\ls", list);
        controlWord("\\ilvl", std::clamp(level, 0, kMaxListLevel));
    }

    static std::string_view numberingWord(ListStyle style) {
        switch (style) {
        case ListStyle::LowerLetter: return "\\pnlcltr";
        case ListStyle::UpperLetter: return "\\pnucltr";
        case ListStyle::LowerRoman: return "\\pnlcrm";
        case ListStyle::UpperRoman: return "\\pnucrm";
        default: return "\\pndec";
        }
    }

    void startCharacterState(const CharFormat& format) {
        out_.append(kChineseLanguage);
        state_ = WrittenFormat{};
        state_.font = tables_.fontIndex(format);
        state_.halfPoints = format.halfPoints;
        controlWord("\\f", state_.font);
        controlWord("\\fs", state_.halfPoints);
        switchTo(format);
    }

    void writeContent(const Paragraph& paragraph) {
        for (const Inline& piece : paragraph.content) {
            if (const auto* run = std::get_if<TextRun>(&piece)) {
                writeRun(*run);
            } else {
                detail::appendPicture(std::get<Picture>(piece), &out_);
                needDelimiter_ = false;
            }
        }
        switchTo(paragraph.markFormat);
        writeEnd(paragraph);
        out_.append("\r\n");
        needDelimiter_ = false;
    }

    // A nested row states its layout after its cells, and gives readers that know no nesting
    // a paragraph end instead.
    void writeEnd(const Paragraph& paragraph) {
        const bool nested = paragraph.format.tableDepth > 1;
        switch (paragraph.end) {
        case ParagraphEnd::Paragraph: return controlWord("\\par");
        case ParagraphEnd::Cell: return controlWord(nested ? "\\nestcell" : "\\cell");
        case ParagraphEnd::Row:
            if (!nested) return controlWord("\\row");
            out_.append("{\\*\\nesttableprops");
            detail::appendRowLayout(paragraph.row.get(), &out_);
            out_.append("\\nestrow}{\\nonesttables\\par}");
            needDelimiter_ = false;
            return;
        }
    }

    void writeRun(const TextRun& run) {
        if (run.text.empty()) return;
        if (!run.format.link.empty()) return writeLink(run);
        switchTo(run.format);
        writeText(run.text);
    }

    void writeText(std::string_view text) {
        if (needDelimiter_) out_.push_back(' ');
        needDelimiter_ = false;
        encoder_.appendText(text, tables_.fontCodePage(state_.font), &out_);
    }

    // A link is a HYPERLINK field whose result is the run; the format set inside the
    // field's groups ends with them. The instruction is no group of its own: some readers
    // then take the instruction for the text.
    void writeLink(const TextRun& run) {
        const WrittenFormat outside = state_;
        out_.append("{\\field{\\*\\fldinst HYPERLINK \"");
        writeLinkAddress(run.format.link);
        out_.append("\"}{\\fldrslt{");
        needDelimiter_ = false;
        switchTo(run.format);
        writeText(run.text);
        out_.append("}}}");
        state_ = outside;
        needDelimiter_ = false;
    }

    // An instruction is read in the document's code page, whatever the font, and knows no
    // \uN: a character GBK lacks is written as its UTF-8 bytes in %XX form, as addresses
    // allow, and so is a quote, which would end the address early.
    void writeLinkAddress(std::string_view address) {
        static constexpr char kHex[] = "0123456789abcdef";
        std::string gbk;
        for (size_t at = 0; at < address.size();) {
            const auto lead = static_cast<unsigned char>(address[at]);
            const size_t length = std::min(size_t(lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4), address.size() - at);
            const std::string_view character = address.substr(at, length);
            at += length;
            if (lead < 0x20) continue;
            gbk.clear();
            if (lead < 0x80 && lead != '"') {
                if (lead == '\\' || lead == '{' || lead == '}') out_.push_back('\\');
                out_.push_back(char(lead));
            } else if (lead != '"' && text::fromUtf8(text::kGbkCodePage, character, &gbk).ok()) {
                for (const char byte : gbk) out_.append({'\\', '\'', kHex[uint8_t(byte) >> 4], kHex[uint8_t(byte) & 15]});
            } else {
                for (const char byte : character) out_.append({'%', kHex[uint8_t(byte) >> 4], kHex[uint8_t(byte) & 15]});
            }
        }
    }

    void switchTo(const CharFormat& format) {
        const WrittenFormat target = written(format);
        if (target == state_) return;
        if (target.font != state_.font) controlWord("\\f", target.font);
        if (target.halfPoints != state_.halfPoints) controlWord("\\fs", target.halfPoints);
        if (target.colour != state_.colour) controlWord("\\cf", target.colour);
        if (target.highlight != state_.highlight) controlWord("\\highlight", target.highlight);
        toggle("\\b", state_.bold, target.bold, "\\b0");
        toggle("\\i", state_.italic, target.italic, "\\i0");
        if (target.underline != state_.underline) controlWord(underlineWord(target.underline));
        toggle("\\strike", state_.strikeOut, target.strikeOut, "\\strike0");
        if (target.vertical != state_.vertical) controlWord(verticalWord(target.vertical));
        state_ = target;
    }

    WrittenFormat written(const CharFormat& format) const {
        return {tables_.fontIndex(format),
                format.halfPoints,
                format.bold,
                format.italic,
                format.underline,
                format.strikeOut,
                tables_.colourIndex(format.colour),
                tables_.colourIndex(format.background),
                format.vertical};
    }

    static std::string_view underlineWord(Underline underline) {
        switch (underline) {
        case Underline::None: return "\\ulnone";
        case Underline::Single: return "\\ul";
        case Underline::Words: return "\\ulw";
        case Underline::Double: return "\\uldb";
        case Underline::Dotted: return "\\uld";
        case Underline::Dash: return "\\uldash";
        case Underline::DashDot: return "\\uldashd";
        case Underline::DashDotDot: return "\\uldashdd";
        case Underline::Wave: return "\\ulwave";
        case Underline::Thick: return "\\ulth";
        }
        return "\\ul";
    }

    static std::string_view verticalWord(VerticalPosition vertical) {
        switch (vertical) {
        case VerticalPosition::Superscript: return "\\super";
        case VerticalPosition::Subscript: return "\\sub";
        case VerticalPosition::Normal: break;
        }
        return "\\nosupersub";
    }

    void toggle(std::string_view on, bool from, bool to, std::string_view off) {
        if (from != to) controlWord(to ? on : off);
    }

    void controlWord(std::string_view word) {
        out_.append(word);
        needDelimiter_ = true;
    }

    void controlWord(std::string_view word, int32_t value) {
        out_.append(word);
        char digits[16];
        const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
        out_.append(digits, end);
        needDelimiter_ = true;
    }

    void controlWordIfNonZero(std::string_view word, int32_t value) {
        if (value != 0) controlWord(word, value);
    }

    const RtfFontColourTables& tables_;
    const RtfListTableWriter& listTable_;
    RtfTextEncoder& encoder_;
    std::string& out_;
    WrittenFormat state_;
    ListCounter lists_;
    bool needDelimiter_ = false;  // the last control word still needs its space before text
};

}  // namespace

std::string writeRtf(const RichDocument& input) {
    // A model without paragraphs still has its (empty) last paragraph.
    const RichDocument empty;
    const RichDocument& document = input.paragraphs.empty() ? empty : input;

    std::string out;
    out.reserve(estimatedSize(document));
    RtfTextEncoder encoder;
    const RtfFontColourTables tables(document);
    const RtfListTableWriter listTable(document);
    out.append(kHeader);
    tables.write(encoder, &out);
    listTable.write(&out);
    RtfBodyWriter(tables, listTable, encoder, &out).write(document);
    out.append(kEnd);
    return out;
}

}  // namespace pgw::richtext
