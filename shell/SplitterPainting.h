// Drawing of the splitter's bar, buttons, pane borders and captions. The glyphs are drawn
// as shapes: the symbol font the arrows used to come from does not exist on Linux.
#pragma once

#include "shell/SplitterLayout.h"

#include <QColor>
#include <QRect>
#include <QString>

class QPainter;
class QPalette;

namespace pgw::splitter {

struct Colours {
    QColor face;       // button face
    QColor shadow;
    QColor highlight;
    QColor frame;      // window frame
    QColor text;       // button text
    QColor flatFrame{0, 0, 0};
    QColor hotFill{0xB6, 0xBD, 0xD2};
    QColor hotFrame{0x0A, 0x24, 0x6A};
    QColor barGlyph{0, 0, 0};  // the bar buttons' arrows, on the hot fill

    // The fixed flat-look colours suit a light face; on a dark one the palette's selection
    // colour takes their place.
    static Colours fromPalette(const QPalette& palette);
};

enum class Glyph { Left, Right, Down, Up, Close };

// Arrow shown on a pane's bar button: it points the way the bar will move when clicked.
Glyph barButtonGlyph(int index, bool stacked, bool collapsed);

// Glyph cell size for a pane's bar button (0 when the pane has none).
int barGlyphSize(unsigned paneFlags, const Metrics& metrics);

// state: 0 hot, 1 pressed, 2 normal.
void drawButton(QPainter& painter, const QRect& rect, unsigned paneFlags, int state,
                const Colours& colours);

// The glyph is centred in `button`, ink on a cell of `background`, clipped to the button.
void drawGlyph(QPainter& painter, const QRect& button, Glyph glyph, int glyphSize,
               const QColor& ink, const QColor& background);

void drawPaneBorder(QPainter& painter, const QRect& pane, int border, bool borders3D,
                    const Colours& colours);

void drawCaption(QPainter& painter, const PaneGeometry& parts, unsigned paneFlags, bool borders3D,
                 const QString& caption, int closeState, const Colours& colours,
                 const Metrics& metrics);

}  // namespace pgw::splitter
