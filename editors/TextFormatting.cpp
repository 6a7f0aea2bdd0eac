#include "editors/TextFormatting.h"

#include "editors/FormatMapping.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QTextList>

#include <cmath>

namespace pgw::editors {
namespace {

constexpr int32_t kBulletRoomTwips = 360;  // a quarter inch: where the text starts after a bullet

constexpr double kTwipsPerPoint = 20.0;
constexpr int kTwipsPerFontUnit = 15;  // the font dialog's logical font counts pixels

// Every paragraph the selection touches, the caret's alone without a selection.
template <typename Step>
void forEachSelectedBlock(const QTextEdit& edit, Step step) {
    const QTextCursor cursor = edit.textCursor();
    QTextDocument* document = edit.document();
    const QTextBlock last = document->findBlock(cursor.selectionEnd());
    for (QTextBlock block = document->findBlock(cursor.selectionStart()); block.isValid(); block = block.next()) {
        step(block);
        if (block == last) break;
    }
}

// The format of the selection's first character.
QTextCharFormat selectionFormat(const QTextEdit& edit) {
    QTextCursor cursor = edit.textCursor();
    cursor.setPosition(cursor.selectionStart() + 1);
    return cursor.charFormat();
}

int32_t twipsOf(const QFont& font) {
    if (font.pointSizeF() > 0) return int32_t(std::lround(font.pointSizeF() * kTwipsPerPoint));
    return font.pixelSize() > 0 ? font.pixelSize() * kTwipsPerFontUnit : 0;
}

}  // namespace

// A paragraph's mark is its block's char format here, which Qt keeps in the separator before
// the paragraph. A selection that takes in paragraph ends formats the separators after
// them, and so, left alone, the marks of the paragraphs after: the first paragraph's mark
// would stay as it was and the mark of the one where the selection ends would change. The
// marks are set as a word processor sets them: those of the paragraphs whose end is selected.
void applyCharFormat(QTextEdit& edit, const QTextCharFormat& format) {
    QTextCursor selection = edit.textCursor();
    const QTextDocument& document = *edit.document();
    const QTextBlock first = document.findBlock(selection.selectionStart());
    const QTextBlock last = document.findBlock(selection.selectionEnd());
    if (first == last) return edit.mergeCurrentCharFormat(format);
    const QTextCharFormat lastMark = last.charFormat();
    selection.beginEditBlock();
    edit.mergeCurrentCharFormat(format);
    QTextCursor(last).setBlockCharFormat(lastMark);
    QTextCursor(first).mergeBlockCharFormat(format);
    selection.endEditBlock();
}

void setEffect(QTextEdit& edit, CharEffect effect, bool on) {
    QTextCharFormat format;
    switch (effect) {
    case CharEffect::Bold: format.setFontWeight(on ? QFont::Bold : QFont::Normal); break;
    case CharEffect::Italic: format.setFontItalic(on); break;
    case CharEffect::Underline:  // the button's underline is a single line
        format.setFontUnderline(on);
        format.setProperty(kUnderlineKindProperty, int(on ? richtext::Underline::Single : richtext::Underline::None));
        break;
    case CharEffect::StrikeOut: format.setFontStrikeOut(on); break;
    }
    applyCharFormat(edit, format);
}

void setFace(QTextEdit& edit, const QString& face) {
    QTextCharFormat format;
    format.setFontFamilies(QStringList{face});
    applyCharFormat(edit, format);
}

void setHeightTwips(QTextEdit& edit, int32_t twips) {
    if (twips <= 0) return;  // no size at all: nothing the text could show
    QTextCharFormat format;
    format.setFontPointSize(twips / kTwipsPerPoint);
    applyCharFormat(edit, format);
}

void setTextColour(QTextEdit& edit, const QColor& colour) {
    QTextCharFormat format;
    // No brush is the automatic colour: the text shows in the palette's text colour.
    format.setForeground(colour.isValid() ? QBrush(colour) : QBrush());
    applyCharFormat(edit, format);
}

void setParagraphAlignment(QTextEdit& edit, Qt::Alignment alignment) {
    QTextBlockFormat format;
    format.setAlignment(alignment);
    edit.textCursor().mergeBlockFormat(format);
}

int32_t startIndentAtCaret(const QTextEdit& edit) {
    return fromQtBlockFormat(edit.textCursor().blockFormat()).startIndent();
}

void setStartIndentAndOffset(QTextEdit& edit, int32_t start, int32_t offset) {
    richtext::ParagraphFormat indent;
    indent.setStartIndentAndOffset(start, offset);
    QTextBlockFormat format;
    format.setLeftMargin(twipsToPixels(indent.leftIndent));
    format.setTextIndent(twipsToPixels(indent.firstLineIndent));
    edit.textCursor().mergeBlockFormat(format);
}

void setBullets(QTextEdit& edit, bool on) {
    QTextCursor cursor = edit.textCursor();
    if (!on) {
        forEachSelectedBlock(edit, [](const QTextBlock& block) {
            if (QTextList* list = block.textList()) list->remove(block);
        });
        return;
    }
    // The same list shape the page loader makes: the margins hold the bullet's room. A
    // paragraph without that room gets the usual hanging indent, or the bullet would be
    // drawn left of the page, out of sight.
    QTextListFormat format;
    format.setStyle(QTextListFormat::ListDisc);
    format.setIndent(0);
    cursor.beginEditBlock();
    forEachSelectedBlock(edit, [](const QTextBlock& block) {
        const QTextBlockFormat current = block.blockFormat();
        if (pixelsToTwips(current.leftMargin() + current.textIndent()) >= kBulletRoomTwips) return;
        QTextBlockFormat roomy;
        roomy.setLeftMargin(twipsToPixels(2 * kBulletRoomTwips));
        roomy.setTextIndent(twipsToPixels(-kBulletRoomTwips));
        QTextCursor(block).mergeBlockFormat(roomy);
    });
    cursor.createList(format);
    cursor.endEditBlock();
}

FontChoice fontChoiceAt(const QTextEdit& edit) {
    const QTextDocument& document = *edit.document();
    const QTextCharFormat format = edit.textCursor().hasSelection() ? selectionFormat(edit) : QTextCharFormat();
    const richtext::CharFormat read = fromQtCharFormat(format, document.defaultFont());
    FontChoice choice;
    choice.font.setFamilies(QStringList{QString::fromStdString(read.face)});
    const int twips = read.halfPoints * 10;
    choice.font.setPixelSize(std::max(1, twips / kTwipsPerFontUnit));
    choice.heightTwips = twips;
    choice.font.setWeight(read.bold ? QFont::Bold : QFont::Normal);
    choice.font.setItalic(read.italic);
    choice.font.setUnderline(read.isUnderlined());
    choice.font.setStrikeOut(read.strikeOut);
    choice.colour = read.colour ? QColor(read.colour->red, read.colour->green, read.colour->blue) : QColor(Qt::black);
    return choice;
}

QTextCharFormat charFormatOf(const FontChoice& choice) {
    QTextCharFormat format;
    // A dialog's font may name its face either way.
    const QString face = choice.font.families().value(0, choice.font.family());
    if (!face.isEmpty()) format.setFontFamilies(QStringList{face});
    if (const int32_t twips = twipsOf(choice.font); twips > 0) format.setFontPointSize(twips / kTwipsPerPoint);
    format.setFontWeight(choice.font.bold() ? QFont::Bold : QFont::Normal);
    format.setFontItalic(choice.font.italic());
    format.setFontUnderline(choice.font.underline());
    format.setFontStrikeOut(choice.font.strikeOut());
    if (choice.colour.isValid()) format.setForeground(choice.colour);
    return format;
}

void applyFontChoice(QTextEdit& edit, const FontChoice& choice) {
    const QTextCharFormat format = charFormatOf(choice);
    QTextCursor cursor = edit.textCursor();
    if (!cursor.hasSelection()) {
        cursor.select(QTextCursor::WordUnderCursor);
        cursor.mergeCharFormat(format);
    }
    applyCharFormat(edit, format);
}

}  // namespace pgw::editors
