#pragma once
// How the rich-text model's character and paragraph formats sit in Qt's text formats.
// Lengths: the model counts twips, Qt pixels at 96 dpi, so 1 px = 15 twips; the way back
// rounds, which gives every whole twips value back exactly.

#include "platform/richtext/RichDocument.h"

#include <QFont>
#include <QTextFormat>

namespace pgw::editors {

// Our own QTextFormat properties, for what Qt has no slot for.
enum FormatProperty : int {
    kCharsetProperty = QTextFormat::UserProperty + 0x5047,  // the font's RTF charset
    kNoFaceProperty,         // the text named no font: it shows in the document's font
    kPictureFormatProperty,  // a stored picture: its richtext::PictureFormat
    kPictureBytesProperty,   // ... its original bytes
    kPictureSourceWidthProperty,
    kPictureSourceHeightProperty,
    kPictureMapModeProperty,
    kListLevelProperty,  // a list's level in the page (its indent is the paragraph's)
    kListStartProperty,  // a numbered list's first number, which Qt cannot show here
    kUnderlineKindProperty,  // the page's underline kind, where Qt draws a single line for it
    kCellEdgeProperty,       // a table cell's right edge in its row's layout (twips)
    kRowLeftProperty,        // on a row's first cell: where the row starts (twips)
    kCellGapProperty,        // ... and half the space between its cells (twips)
    kRowBordersProperty,     // ... and whether its cells have borders
    kTableLeadProperty,      // an empty block Qt needs before a table, which the page does not have
    kTabLeadersProperty,     // the tab stops' leaders, which Qt does not draw: one digit each
};

inline constexpr double kTwipsPerPixel = 15.0;

qreal twipsToPixels(int32_t twips);
int32_t pixelsToTwips(qreal pixels);  // rounded, clamped to the int32 range

QTextCharFormat toQtCharFormat(const richtext::CharFormat& format);
// `documentFont` stands in for the family and size the format leaves to the document.
richtext::CharFormat fromQtCharFormat(const QTextCharFormat& format, const QFont& documentFont);

// A list item is list membership in Qt, so neither direction carries it: the list's own
// format does.
QTextBlockFormat toQtBlockFormat(const richtext::ParagraphFormat& format);
richtext::ParagraphFormat fromQtBlockFormat(const QTextBlockFormat& format);

QTextListFormat toQtListFormat(const richtext::ParagraphFormat& format);
// Fills `format`'s list, level and start from the list its paragraph is in.
void readListFormat(const QTextListFormat& list, richtext::ParagraphFormat* format);

}  // namespace pgw::editors
