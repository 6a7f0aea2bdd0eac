#include "editors/RichTextBridge.h"

#include "editors/DocumentPictures.h"
#include "editors/FormatMapping.h"
#include "platform/fonts/FontFallback.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>


namespace pgw::editors {
namespace {

using richtext::Paragraph;
using richtext::RichDocument;

// Consecutive bullet paragraphs form one list. The list adds no indent of its own: the
// paragraph's margins already hold the room for the bullet, as in the page.
class BulletLists {
public:
    void place(QTextCursor& cursor, bool bullet) {
        if (!bullet) {
            current_ = nullptr;
        } else if (current_) {
            current_->add(cursor.block());
        } else {
            QTextListFormat format;
            format.setStyle(QTextListFormat::ListDisc);
            format.setIndent(0);
            current_ = cursor.createList(format);
        }
    }

private:
    QTextList* current_ = nullptr;
};

// A run's text must not end its paragraph; a stray paragraph end becomes a line break.
QString runText(const std::string& utf8) {
    QString text = QString::fromStdString(utf8);
    for (QChar& c : text) {
        if (c == u'\n' || c == u'\r' || c == QChar::ParagraphSeparator) c = QChar::LineSeparator;
    }
    return text;
}

void writeContent(QTextCursor& cursor, const Paragraph& paragraph) {
    for (const richtext::Inline& piece : paragraph.content) {
        if (const auto* run = std::get_if<richtext::TextRun>(&piece))
            cursor.insertText(runText(run->text), toQtCharFormat(run->format));
        else
            insertPicture(cursor, std::get<richtext::Picture>(piece));
    }
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

Paragraph readBlock(const QTextBlock& block, const QTextDocument& document) {
    Paragraph paragraph;
    paragraph.format = fromQtBlockFormat(block.blockFormat());
    paragraph.format.bullet = block.textList() != nullptr;
    paragraph.markFormat = fromQtCharFormat(block.charFormat(), document.defaultFont());
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        if (it.fragment().isValid()) readFragment(paragraph, it.fragment(), document);
    }
    return paragraph;
}

}  // namespace

void setDocumentContent(QTextDocument& document, const RichDocument& content) {
    const bool undoWasEnabled = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);  // also forgets the previous page's history
    document.clear();
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    BulletLists lists;
    bool first = true;
    for (const Paragraph& paragraph : content.paragraphs) {
        const QTextBlockFormat blockFormat = toQtBlockFormat(paragraph.format);
        const QTextCharFormat markFormat = toQtCharFormat(paragraph.markFormat);
        if (first) {
            cursor.setBlockFormat(blockFormat);
            cursor.setBlockCharFormat(markFormat);
            first = false;
        } else {
            cursor.insertBlock(blockFormat, markFormat);
        }
        lists.place(cursor, paragraph.format.bullet);
        writeContent(cursor, paragraph);
    }
    cursor.endEditBlock();
    document.setUndoRedoEnabled(undoWasEnabled);
    document.setModified(false);
}

RichDocument documentContent(const QTextDocument& document) {
    RichDocument content;
    content.paragraphs.clear();
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        content.paragraphs.push_back(readBlock(block, document));
    if (content.paragraphs.empty()) content.paragraphs.emplace_back();
    return content;
}

void applyPageDefaults(QTextDocument& document) {
    fonts::installCjkFontFallbacks();
    QFont font(QString::fromUtf8(richtext::kDefaultFace.data(), qsizetype(richtext::kDefaultFace.size())));
    font.setPointSizeF(richtext::kDefaultHalfPoints / 2.0);
    document.setDefaultFont(font);
}

}  // namespace pgw::editors
