#pragma once
// The formatting steps of the text view's commands, on the editor's selection. A character
// format goes to the selection, or with nothing selected to the insertion point (the text
// typed next); a paragraph format goes to every paragraph the selection touches.

#include <QColor>
#include <QFont>
#include <QTextCharFormat>

#include <cstdint>

class QTextEdit;

namespace pgw::editors {

enum class CharEffect { Bold, Italic, Underline, StrikeOut };

void applyCharFormat(QTextEdit& edit, const QTextCharFormat& format);
void setEffect(QTextEdit& edit, CharEffect effect, bool on);
void setFace(QTextEdit& edit, const QString& face);
void setHeightTwips(QTextEdit& edit, int32_t twips);
// An invalid colour is the automatic (window text) colour.
void setTextColour(QTextEdit& edit, const QColor& colour);

void setParagraphAlignment(QTextEdit& edit, Qt::Alignment alignment);
// Where the first line of the caret's paragraph starts, in twips.
int32_t startIndentAtCaret(const QTextEdit& edit);
// A rich edit control's paragraph indent: the first line starts at `start`, the others
// `offset` further right.
void setStartIndentAndOffset(QTextEdit& edit, int32_t start, int32_t offset);
void setBullets(QTextEdit& edit, bool on);

// What the font dialog shows and gives back: a font sized in pixels (the logical font's
// height) or points, and the text colour. The colour shown for automatic text is black; a
// choice without a valid colour leaves the text's colour as it is.
struct FontChoice {
    QFont font;
    QColor colour;
    int32_t heightTwips = 0;  // the text's own height, which the logical font rounds; 0: none
};

// The selection's character format, or the editor's default one when nothing is selected.
FontChoice fontChoiceAt(const QTextEdit& edit);
QTextCharFormat charFormatOf(const FontChoice& choice);
// Applies the dialog's choice: to the selection, or with nothing selected to the insertion
// point and the word around it.
void applyFontChoice(QTextEdit& edit, const FontChoice& choice);

}  // namespace pgw::editors
