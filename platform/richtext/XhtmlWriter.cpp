#include "platform/richtext/XhtmlWriter.h"

#include <algorithm>
#include <vector>

#include "platform/richtext/PictureSize.h"
#include "platform/richtext/TableStructure.h"
#include "platform/text/Utf8Codec.h"

namespace pgw::richtext {

namespace {

constexpr int32_t kTwipsPerPixel = 15;  // at 96 dpi
constexpr char32_t kLineSeparator = 0x2028;

bool allowedInXml(char32_t c) {
    return c == '\t' || c == '\n' || c == '\r' || (c >= 0x20 && c < 0xFFFE && !(c >= 0xD800 && c < 0xE000)) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

void appendEscaped(std::string* out, char32_t c) {
    switch (c) {
        case '&': *out += "&amp;"; break;
        case '<': *out += "&lt;"; break;
        case '>': *out += "&gt;"; break;
        case '"': *out += "&quot;"; break;
        default:
            if (allowedInXml(c)) text::detail::appendUtf8(out, c);
    }
}

int depthOf(const Paragraph& paragraph) { return std::min<int>(paragraph.format.tableDepth, kMaxTableDepth); }

int32_t pixels(int32_t twips) { return std::max(1, (twips + kTwipsPerPixel / 2) / kTwipsPerPixel); }

// Addresses a reader can follow out of the book; others (files of the author's machine)
// leave their text unlinked.
bool followable(std::string_view link) {
    for (const std::string_view scheme : {"http://", "https://", "mailto:", "ftp://"})
        if (link.size() > scheme.size() && std::equal(scheme.begin(), scheme.end(), link.begin(), [](char a, char b) {
                return a == (b >= 'A' && b <= 'Z' ? char(b - 'A' + 'a') : b);
            }))
            return link.find_first_of(" \t\r\n\"<>") == std::string_view::npos;
    return false;
}

std::string_view listTag(ListStyle style) { return style == ListStyle::Bullet ? "ul" : "ol"; }

std::string_view listStyleType(ListStyle style) {
    switch (style) {
        case ListStyle::LowerLetter: return "lower-alpha";
        case ListStyle::UpperLetter: return "upper-alpha";
        case ListStyle::LowerRoman: return "lower-roman";
        case ListStyle::UpperRoman: return "upper-roman";
        default: return {};
    }
}

class BodyWriter {
public:
    BodyWriter(const RichDocument& document, XhtmlStyleSheet& styles, const XhtmlPictureSource& pictures)
        : paragraphs_(document.paragraphs), styles_(styles), pictures_(pictures) {}

    std::string write() {
        blocks(0, paragraphs_.size(), 0);
        return std::move(out_);
    }

private:
    struct OpenList {
        int level;
        ListStyle style;
        int32_t start;
    };

    // The paragraphs [from, to) at `depth`; deeper ones make tables.
    void blocks(size_t from, size_t to, int depth) {
        for (size_t i = from; i < to;) {
            const Paragraph& paragraph = paragraphs_[i];
            if (depthOf(paragraph) > depth) {
                closeLists(-1);
                i = table(i, to, depth + 1);
                continue;
            }
            if (paragraph.end == ParagraphEnd::Row) {  // a row's layout, outside a table: nothing to show
                ++i;
                continue;
            }
            if (paragraph.format.isListItem()) {
                listItem(paragraph);
            } else {
                closeLists(-1);
                block(paragraph, "p");
            }
            ++i;
        }
        closeLists(-1);
    }

    size_t table(size_t first, size_t limit, int depth) {
        const size_t end = std::min(tableShapeAt(paragraphs_, first, depth).end, limit);
        out_ += "<table>";
        for (size_t i = first; i < end;) {
            const size_t rowEnd = std::min(rowEndOf(paragraphs_, i, depth), end);
            row(i, rowEnd, depth);
            i = rowEnd + 1;
        }
        out_ += "</table>";
        return end;
    }

    void row(size_t first, size_t rowEnd, int depth) {
        const TableRow* layout = rowEnd < paragraphs_.size() && paragraphs_[rowEnd].end == ParagraphEnd::Row
                                     ? &paragraphs_[rowEnd].row.get()
                                     : nullptr;
        out_ += "<tr>";
        size_t cellStart = first, cell = 0;
        for (size_t j = first; j < rowEnd; ++j) {
            const Paragraph& paragraph = paragraphs_[j];
            const bool endsCell = depthOf(paragraph) == depth && paragraph.end == ParagraphEnd::Cell;
            if (!endsCell && j + 1 < rowEnd) continue;
            openCell(layout, cell++);
            blocks(cellStart, j + 1, depth);
            out_ += "</td>";
            cellStart = j + 1;
        }
        out_ += "</tr>";
    }

    void openCell(const TableRow* layout, size_t cell) {
        std::vector<std::string> classes;
        if (layout && layout->borders) classes.push_back("ruled");
        if (layout && cell < layout->cellEdges.size()) {
            const int32_t left = cell == 0 ? layout->left : layout->cellEdges[cell - 1];
            const int32_t width = layout->cellEdges[cell] - left;
            if (width > 0) classes.push_back(styles_.classFor("w", "width: " + std::to_string(pixels(width)) + "px;"));
        }
        out_ += "<td";
        classAttribute(classes);
        out_ += '>';
    }

    void classAttribute(const std::vector<std::string>& classes) {
        std::string joined;
        for (const std::string& name : classes) {
            if (name.empty()) continue;
            if (!joined.empty()) joined += ' ';
            joined += name;
        }
        if (!joined.empty()) out_ += " class=\"" + joined + '"';
    }

    // A list item: the lists deeper than it end; a list at its level that it does not
    // continue ends; lists open down to its level.
    void listItem(const Paragraph& paragraph) {
        const ParagraphFormat& format = paragraph.format;
        const int level = std::clamp(format.listLevel, 0, kMaxListLevel);
        closeLists(level);
        if (!lists_.empty() && lists_.back().level == level) {
            if (lists_.back().style == format.list && lists_.back().start == format.listStart) {
                out_ += "</li>";
            } else {
                closeLists(level - 1);
            }
        }
        if (lists_.empty() || lists_.back().level < level) {
            lists_.push_back({level, format.list, format.listStart});
            out_ += '<';
            out_ += listTag(format.list);
            classAttribute({styles_.classFor("l", listStyleType(format.list).empty()
                                                      ? std::string()
                                                      : "list-style-type: " + std::string(listStyleType(format.list)) + ';')});
            if (format.list != ListStyle::Bullet && format.listStart != 1)
                out_ += " start=\"" + std::to_string(format.listStart) + '"';
            out_ += '>';
        }
        block(paragraph, "li", false);
    }

    // Ends the lists deeper than `level` (all of them for -1).
    void closeLists(int level) {
        while (!lists_.empty() && lists_.back().level > level) {
            out_ += "</li></";
            out_ += listTag(lists_.back().style);
            out_ += '>';
            lists_.pop_back();
        }
    }

    // A paragraph as `tag`; a list item's element stays open for the lists inside it.
    void block(const Paragraph& paragraph, std::string_view tag, bool close = true) {
        out_ += '<';
        out_ += tag;
        classAttribute({styles_.classFor("p", paragraphDeclarations(paragraph.format, tag == "li"))});
        out_ += '>';
        if (!inlines(paragraph)) out_ += "<br/>";  // an empty line keeps its height
        if (close) out_ += "</" + std::string(tag) + '>';
    }

    // Returns whether anything visible was written.
    bool inlines(const Paragraph& paragraph) {
        bool wrote = false;
        std::string_view link;
        for (const Inline& item : paragraph.content) {
            if (const auto* run = std::get_if<TextRun>(&item)) {
                const std::string_view wanted = followable(run->format.link) ? std::string_view(run->format.link) : "";
                if (wanted != link) {
                    if (!link.empty()) out_ += "</a>";
                    if (!wanted.empty()) out_ += "<a href=\"" + xmlEscaped(wanted) + "\">";
                    link = wanted;
                }
                wrote = textRun(*run) || wrote;
            } else {
                if (!link.empty()) out_ += "</a>";
                link = {};
                wrote = picture(std::get<Picture>(item)) || wrote;
            }
        }
        if (!link.empty()) out_ += "</a>";
        return wrote;
    }

    bool textRun(const TextRun& run) {
        if (run.text.empty()) return false;
        out_ += "<span";
        classAttribute({styles_.classFor("c", characterDeclarations(run.format))});
        out_ += '>';
        const std::string_view utf8 = run.text;
        for (size_t at = 0; at < utf8.size();) {
            char32_t c = 0xFFFD;
            const size_t length = text::detail::decodeUtf8(utf8, at, &c);
            if (c == kLineSeparator && length) {
                out_ += "<br/>";
            } else {
                appendEscaped(&out_, length ? c : char32_t(0xFFFD));
            }
            at += length ? length : 1;
        }
        out_ += "</span>";
        return true;
    }

    bool picture(const Picture& item) {
        const auto source = pictures_ ? pictures_(item) : std::nullopt;
        const auto sizes = completedSizes(item);
        if (!source || !sizes) return false;
        // The size goes in the attributes and the style sheet, which readers honour more
        // often; the height follows the width there, so a narrow screen shrinks a picture whole.
        const std::string width = std::to_string(pixels(sizes->widthTwips));
        const std::string height = std::to_string(pixels(sizes->heightTwips));
        out_ += "<img class=\"" + styles_.classFor("s", "width: " + width + "px;") +
                "\" src=\"" + xmlEscaped(*source) + "\" alt=\"\" width=\"" + width + "\" height=\"" + height + "\"/>";
        return true;
    }

    const std::vector<Paragraph>& paragraphs_;
    XhtmlStyleSheet& styles_;
    const XhtmlPictureSource& pictures_;
    std::vector<OpenList> lists_;
    std::string out_;
};

}  // namespace

std::string xmlEscaped(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t at = 0; at < utf8.size();) {
        char32_t c = 0;
        const size_t length = text::detail::decodeUtf8(utf8, at, &c);
        appendEscaped(&out, length ? c : char32_t(0xFFFD));
        at += length ? length : 1;
    }
    return out;
}

std::string writeXhtmlBody(const RichDocument& document, XhtmlStyleSheet& styles, const XhtmlPictureSource& pictures) {
    return BodyWriter(document, styles, pictures).write();
}

std::string xhtmlPage(std::string_view title, std::string_view styleHref, std::string_view body) {
    std::string out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE html>\n"
        "<html xmlns=\"http://www.w3.org/1999/xhtml\" xml:lang=\"zh-CN\" lang=\"zh-CN\">\n"
        // The declaration above tells XML readers; readers that parse HTML look here.
        "<head>\n<meta charset=\"UTF-8\"/>\n<title>";
    out += xmlEscaped(title);
    out += "</title>\n<link rel=\"stylesheet\" type=\"text/css\" href=\"" + xmlEscaped(styleHref) + "\"/>\n</head>\n<body>\n";
    out += body;
    out += "\n</body>\n</html>\n";
    return out;
}

}  // namespace pgw::richtext
