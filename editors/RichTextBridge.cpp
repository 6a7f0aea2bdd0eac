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

Paragraph readBlock(const QTextBlock& block, const QTextDocument& document) {
    Paragraph paragraph;
    paragraph.format = fromQtBlockFormat(block.blockFormat());
    if (const QTextList* list = block.textList()) readListFormat(list->format(), &paragraph.format);
    paragraph.markFormat = fromQtCharFormat(block.charFormat(), document.defaultFont());
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        if (it.fragment().isValid()) readFragment(paragraph, it.fragment(), document);
    }
    return paragraph;
}

constexpr size_t kRecentCharFormats = 8;

}  // namespace

DocumentBuilder::DocumentBuilder(QTextDocument& document, RichDocument content)
    : document_(document),
      content_(std::move(content)),
      cursor_(&document),
      undoWasEnabled_(document.isUndoRedoEnabled()),
      blockFormat_{richtext::ParagraphFormat{}, toQtBlockFormat({})} {
    document_.setUndoRedoEnabled(false);
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
    const QTextCharFormat& markFormat = charFormat(paragraph.markFormat);
    if (next_ == 0) {
        cursor_.setBlockFormat(blockFormat(paragraph.format));
        cursor_.setBlockCharFormat(markFormat);
    } else {
        cursor_.insertBlock(blockFormat(paragraph.format), markFormat);
    }
    placeInList(paragraph.format);
    for (const richtext::Inline& piece : paragraph.content) {
        if (const auto* run = std::get_if<richtext::TextRun>(&piece))
            cursor_.insertText(runText(run->text), charFormat(run->format));
        else
            insertPicture(cursor_, std::get<richtext::Picture>(piece));
    }
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
