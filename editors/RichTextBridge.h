#pragma once
// The bridge between a page's rich-text model and the QTextDocument an editor shows.
// Model -> document -> model gives the model back unchanged; text typed or images inserted in
// the editor come back in the model's terms (typed text without a charset is GB2312, images
// become DIB pictures).

#include "platform/richtext/RichDocument.h"

#include <QTextCursor>
#include <QTextFormat>

#include <array>
#include <memory>
#include <vector>

class QTextDocument;
class QTextList;
class QTextTable;

namespace pgw::editors {

// Replaces the document's content with the page. Not an edit: nothing to undo, not modified.
void setDocumentContent(QTextDocument& document, const richtext::RichDocument& content);

// Builds a page into an empty document a number of paragraphs at a time, so that the build
// of a huge page can be given up on the way. Not an edit: the document keeps no history of
// it and is not modified once the page is complete.
class DocumentBuilder {
public:
    DocumentBuilder(QTextDocument& document, richtext::RichDocument content);
    DocumentBuilder(const DocumentBuilder&) = delete;
    DocumentBuilder& operator=(const DocumentBuilder&) = delete;

    // Adds up to `paragraphs` more paragraphs; true once the whole page is in the document.
    bool build(size_t paragraphs);
    bool done() const { return next_ >= content_.paragraphs.size(); }

private:
    // A table being filled: the cell the next paragraph goes into.
    struct OpenTable {
        QTextTable* table;
        int row = 0;
        int column = 0;
    };

    void addParagraph(const richtext::Paragraph& paragraph);
    void openTable(int depth);
    void endCell();
    void endRow(const richtext::TableRow& layout);
    void enterCell(int row, int column);
    void placeInList(const richtext::ParagraphFormat& format);
    const QTextCharFormat& charFormat(const richtext::CharFormat& format);
    const QTextBlockFormat& blockFormat(const richtext::ParagraphFormat& format);

    QTextDocument& document_;
    richtext::RichDocument content_;
    QTextCursor cursor_;
    size_t next_ = 0;
    bool undoWasEnabled_;
    bool freshBlock_ = true;  // the cursor's block is one Qt made, which the next paragraph fills
    std::vector<OpenTable> tables_;  // innermost last
    std::array<QTextList*, richtext::kMaxListLevel + 1> lists_{};  // the open list at each level
    // Pages repeat a handful of formats; converting each run's afresh is a good part of the cost.
    std::vector<std::pair<richtext::CharFormat, QTextCharFormat>> charFormats_;
    std::pair<richtext::ParagraphFormat, QTextBlockFormat> blockFormat_;
};

// The document's content as a page.
richtext::RichDocument documentContent(const QTextDocument& document);

// An empty page's look: 宋体 10 pt, with Chinese faces falling back to installed fonts.
void applyPageDefaults(QTextDocument& document);

}  // namespace pgw::editors
