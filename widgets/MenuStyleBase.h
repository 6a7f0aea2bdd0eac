// What both owner-drawn menu looks share: item sizes measured from the image size, no Qt
// margins, the background as the menu's own colour, and the text helpers.
#pragma once

#include <QColor>
#include <QPalette>
#include <QProxyStyle>
#include <QSize>

class QStyleOptionMenuItem;

namespace pgw {

struct MenuColours {
    QColor background;  // invalid: the system menu colour
    QColor text;        // invalid: the system menu-text colour
    QColor selectedText;
    QColor imageColumn{236, 233, 216};
    QColor highlightFrame{49, 106, 197};
    QColor highlightFill{200, 220, 253};
    QColor separator{197, 194, 184};
};

// The menu's colours under `palette`: the light look as given when the palette is light; under
// a dark palette, the palette's own colours, so that its light text stays readable.
MenuColours menuColoursFor(const QPalette& palette, const MenuColours& lightLook);

class MenuStyleBase : public QProxyStyle {
public:
    MenuColours colours;
    QSize imageSize{20, 20};
    int separatorHeight = 10;

    // Room between an item's text and its shortcut column.
    static constexpr int kShortcutGap = 24;

    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;

protected:
    virtual int itemHeightPadding() const = 0;
    virtual void drawMenuItem(const QStyleOptionMenuItem& item, QPainter& painter) const = 0;

    QColor backgroundColour(const QStyleOptionMenuItem& item) const;
    QColor textColour(const QStyleOptionMenuItem& item, bool selected) const;
    // Label and shortcut, the shortcut right-aligned; `textLeft` is where the label starts.
    void drawLabelAndShortcut(const QStyleOptionMenuItem& item, QPainter& painter, int textLeft,
                      const QColor& colour) const;
    void drawSubMenuArrow(const QStyleOptionMenuItem& item, QPainter& painter,
                          const QColor& colour) const;
};

// The look of disabled text: a light copy one pixel down-right under a grey one.
void drawEmbossed(QPainter& painter, const QRect& rect, int flags, const QString& text,
                  const QColor& grey = QColor(128, 128, 128), const QColor& shadow = Qt::white);

bool isSeparator(const QStyleOptionMenuItem& item);
bool isChecked(const QStyleOptionMenuItem& item);
bool isEnabled(const QStyleOptionMenuItem& item);
bool isSelected(const QStyleOptionMenuItem& item);

}  // namespace pgw
