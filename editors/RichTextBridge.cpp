#include "editors/RichTextBridge.h"

#include "editors/DocumentPictures.h"
#include "editors/FormatMapping.h"
#include "editors/TableLayout.h"
#include "platform/fonts/FontFallback.h"
#include "platform/richtext/TableStructure.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>


namespace pgw::editors {
namespace {

using richtext::Paragraph;
using richtext::RichDocument;

// A run's text must not end its paragraph; a stray paragraph end becomes a line break.
QString runText(const std::string& utf8) {
    QString text = QString::fromStdString(utf8);
    for (QChar& c : text) {
        if (c == u'\n' || c == u'\r' || c == QChar::ParagraphSeparator) c = QChar::LineSeparator;
    }
    return text;
}

// Frame boundaries (tables) are structure, not text.
std::string fragmentText(const QString& text) {
    QString kept = text;
    kept.remove(QChar(0xfdd0)).remove(QChar(0xfdd1));
    return kept.toStdString();
}

void readFragment(Paragraph& paragraph, const QTextFragment& fragment, const QTextDocument& document) {
    const QTextCharFormat format = fragment.charFormat();
    if (format.isImageFormat()) {
        // Equal neighbouring images share one fragment, one character each.
        for (qsizetype i = 0; i < fragment.length(); ++i) {
            if (auto picture = pictureOf(format.toImageFormat(), document))
                paragraph.appendPicture(std::move(*picture));
        }
        return;
    }
    paragraph.appendText(fromQtCharFormat(format, document.defaultFont()), fragmentText(fragment.text()));
}

Paragraph readBlock(const QTextBlock& block, const QTextDocument& document, int depth) {
    Paragraph paragraph;
    paragraph.format = fromQtBlockFormat(block.blockFormat());
    if (const QTextList* list = block.textList()) readListFormat(list->format(), &paragraph.format);
    paragraph.markFormat = fromQtCharFormat(block.charFormat(), document.defaultFont());
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        if (it.fragment().isValid()) readFragment(paragraph, it.fragment(), document);
    }
    paragraph.format.tableDepth = uint8_t(depth);
    return paragraph;
}

// Reads a frame's blocks and tables into the page's flat paragraphs.
class FrameReader {
public:
    FrameReader(const QTextDocument& document, std::vector<Paragraph>* paragraphs)
        : document_(document), paragraphs_(*paragraphs) {}

    void read(QTextFrame::iterator it, int depth) {
        for (; !it.atEnd(); ++it) {
            if (QTextFrame* frame = it.currentFrame()) {
                if (auto* table = qobject_cast<QTextTable*>(frame)) readTable(*table, depth + 1);
                else read(frame->begin(), depth);
                continue;
            }
            if (!isTableLead(it)) paragraphs_.push_back(readBlock(it.currentBlock(), document_, depth));
        }
    }

private:
    void readTable(const QTextTable& table, int depth) {
        if (depth > richtext::kMaxTableDepth) depth = richtext::kMaxTableDepth;
        for (int row = 0; row < table.rows(); ++row) {
            for (int column = 0; column < table.columns(); ++column) {
                const QTextTableCell cell = table.cellAt(row, column);
                if (cell.row() != row || cell.column() != column) continue;  // part of a spanning cell
                read(cell.begin(), depth);
                endCell(depth);
            }
            Paragraph end;
            end.format.tableDepth = uint8_t(depth);
            end.end = richtext::ParagraphEnd::Row;
            end.row = readRowLayout(table, row);
            paragraphs_.push_back(std::move(end));
        }
    }

    void endCell(int depth) {
        const bool open = !paragraphs_.empty() && paragraphs_.back().format.tableDepth == depth &&
                          paragraphs_.back().end == richtext::ParagraphEnd::Paragraph;
        if (!open) {
            paragraphs_.emplace_back();
            paragraphs_.back().format.tableDepth = uint8_t(depth);
        }
        paragraphs_.back().end = richtext::ParagraphEnd::Cell;
    }

    // The empty block the builder let Qt put before a table the page starts a cell with.
    static bool isTableLead(QTextFrame::iterator it) {
        const QTextBlock block = it.currentBlock();
        if (block.length() != 1 || !block.blockFormat().boolProperty(kTableLeadProperty)) return false;
        ++it;
        return !it.atEnd() && it.currentFrame();
    }

    const QTextDocument& document_;
    std::vector<Paragraph>& paragraphs_;
};

constexpr size_t kRecentCharFormats = 8;

}  // namespace

DocumentBuilder::DocumentBuilder(QTextDocument& document, RichDocument content)
    : document_(document),
      content_(std::move(content)),
      cursor_(&document),
      undoWasEnabled_(document.isUndoRedoEnabled()),
      blockFormat_{richtext::ParagraphFormat{}, toQtBlockFormat({})} {
    document_.setUndoRedoEnabled(false);
    richtext::normaliseTables(content_);
    if (done()) document_.setUndoRedoEnabled(undoWasEnabled_);
}

bool DocumentBuilder::build(size_t paragraphs) {
    if (done()) return true;
    cursor_.beginEditBlock();
    for (const size_t end = std::min(content_.paragraphs.size(), next_ + paragraphs); next_ < end; ++next_)
        addParagraph(content_.paragraphs[next_]);
    cursor_.endEditBlock();
    if (!done()) return false;
    document_.setUndoRedoEnabled(undoWasEnabled_);
    document_.setModified(false);
    return true;
}

void DocumentBuilder::addParagraph(const Paragraph& paragraph) {
    while (tables_.size() < paragraph.format.tableDepth) openTable(int(tables_.size()) + 1);
    if (paragraph.end == richtext::ParagraphEnd::Row) return endRow(paragraph.row.get());
    const QTextCharFormat& markFormat = charFormat(paragraph.markFormat);
    if (freshBlock_) {
        cursor_.setBlockFormat(blockFormat(paragraph.format));
        cursor_.setBlockCharFormat(markFormat);
    } else {
        cursor_.insertBlock(blockFormat(paragraph.format), markFormat);
    }
    freshBlock_ = false;
    placeInList(paragraph.format);
    for (const richtext::Inline& piece : paragraph.content) {
        if (const auto* run = std::get_if<richtext::TextRun>(&piece))
            cursor_.insertText(runText(run->text), charFormat(run->format));
        else
            insertPicture(cursor_, std::get<richtext::Picture>(piece));
    }
    if (paragraph.end == richtext::ParagraphEnd::Cell) endCell();
}

// Qt puts a table after a block of its own; where the page has none (a table first on the
// page or in a cell) the block Qt made is marked, so that reading the page leaves it out.
void DocumentBuilder::openTable(int depth) {
    const richtext::TableShape shape = richtext::tableShapeAt(content_.paragraphs, next_, depth);
    const int columns = int(std::max<size_t>(1, shape.columns));
    const int rows = int(std::max<size_t>(1, shape.rows));
    if (freshBlock_) {
        QTextBlockFormat lead = cursor_.blockFormat();
        lead.setProperty(kTableLeadProperty, true);
        cursor_.setBlockFormat(lead);
    }
    const richtext::TableRow& widest = content_.paragraphs[std::min(shape.widestRow, content_.paragraphs.size() - 1)].row.get();
    QTextTable* table = cursor_.insertTable(rows, columns, toQtTableFormat(widest, columns));
    tables_.push_back({table});
    enterCell(0, 0);
}

void DocumentBuilder::endCell() {
    OpenTable& open = tables_.back();
    if (open.column + 1 < open.table->columns()) enterCell(open.row, open.column + 1);
}

// A row with fewer cells than its table has columns ends in a cell that spans the rest.
void DocumentBuilder::endRow(const richtext::TableRow& layout) {
    OpenTable& open = tables_.back();
    QTextTable& table = *open.table;
    const int cells = int(layout.cellEdges.size());
    if (cells > 0 && cells < table.columns()) table.mergeCells(open.row, cells - 1, 1, table.columns() - cells + 1);
    storeRowLayout(table, open.row, layout);
    if (open.row + 1 < table.rows()) return enterCell(open.row + 1, 0);
    cursor_.setPosition(table.lastPosition() + 1);
    tables_.pop_back();
    freshBlock_ = true;
    lists_.fill(nullptr);
}

void DocumentBuilder::enterCell(int row, int column) {
    OpenTable& open = tables_.back();
    open.row = row;
    open.column = column;
    cursor_ = open.table->cellAt(row, column).firstCursorPosition();
    freshBlock_ = true;
    lists_.fill(nullptr);
}

// Items of one list at a level make one Qt list, whatever deeper items come between them.
void DocumentBuilder::placeInList(const richtext::ParagraphFormat& format) {
    if (!format.isListItem()) {
        lists_.fill(nullptr);
        return;
    }
    const size_t level = size_t(std::clamp(format.listLevel, 0, richtext::kMaxListLevel));
    std::fill(lists_.begin() + long(level) + 1, lists_.end(), nullptr);
    const QTextListFormat wanted = toQtListFormat(format);
    if (QTextList*& list = lists_[level]; list && list->format() == wanted) {
        list->add(cursor_.block());
    } else {
        list = cursor_.createList(wanted);
    }
}

const QTextCharFormat& DocumentBuilder::charFormat(const richtext::CharFormat& format) {
    for (size_t i = 0; i < charFormats_.size(); ++i) {
        if (charFormats_[i].first != format) continue;
        if (i != 0) std::swap(charFormats_[i], charFormats_[0]);
        return charFormats_[0].second;
    }
    if (charFormats_.size() == kRecentCharFormats) charFormats_.pop_back();
    charFormats_.insert(charFormats_.begin(), {format, toQtCharFormat(format)});
    return charFormats_[0].second;
}

const QTextBlockFormat& DocumentBuilder::blockFormat(const richtext::ParagraphFormat& format) {
    if (blockFormat_.first != format) blockFormat_ = {format, toQtBlockFormat(format)};
    return blockFormat_.second;
}

void setDocumentContent(QTextDocument& document, const RichDocument& content) {
    const bool undoWasEnabled = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);  // also forgets the previous page's history
    document.clear();
    document.setUndoRedoEnabled(undoWasEnabled);
    DocumentBuilder(document, content).build(content.paragraphs.size());
}

RichDocument documentContent(const QTextDocument& document) {
    RichDocument content;
    content.paragraphs.clear();
    FrameReader(document, &content.paragraphs).read(document.rootFrame()->begin(), 0);
    richtext::normaliseTables(content);
    return content;
}

void applyPageDefaults(QTextDocument& document) {
    fonts::installCjkFontFallbacks();
    QFont font(QString::fromUtf8(richtext::kDefaultFace.data(), qsizetype(richtext::kDefaultFace.size())));
    font.setPointSizeF(richtext::kDefaultHalfPoints / 2.0);
    document.setDefaultFont(font);
}

}  // namespace pgw::editors
