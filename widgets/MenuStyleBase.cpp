#include "widgets/MenuStyleBase.h"

#include "widgets/PixelEdges.h"

#include <QPainter>
#include <QStyleOptionMenuItem>

namespace pgw {

namespace {

struct SplitText {
    QString label;
    QString shortcut;
};

SplitText splitAtTab(const QString& text) {
    const qsizetype tab = text.indexOf(u'\t');
    if (tab < 0) return {text, {}};
    return {text.left(tab), text.mid(tab + 1)};
}

constexpr int kTextFlags = Qt::AlignVCenter | Qt::TextShowMnemonic | Qt::TextSingleLine;

}  // namespace

MenuColours menuColoursFor(const QPalette& palette, const MenuColours& lightLook) {
    if (palette.color(QPalette::Window).lightness() >= 128) return lightLook;
    MenuColours dark;
    dark.background = palette.color(QPalette::Window);
    dark.text = palette.color(QPalette::WindowText);
    dark.selectedText = palette.color(QPalette::HighlightedText);
    dark.imageColumn = palette.color(QPalette::Button);
    dark.highlightFrame = palette.color(QPalette::Highlight);
    dark.highlightFill = palette.color(QPalette::Highlight).darker(130);
    dark.separator = palette.color(QPalette::Mid);
    return dark;
}

bool isSeparator(const QStyleOptionMenuItem& item) {
    return item.menuItemType == QStyleOptionMenuItem::Separator;
}
bool isChecked(const QStyleOptionMenuItem& item) {
    return item.checkType != QStyleOptionMenuItem::NotCheckable && item.checked;
}
bool isEnabled(const QStyleOptionMenuItem& item) { return item.state & QStyle::State_Enabled; }
bool isSelected(const QStyleOptionMenuItem& item) { return item.state & QStyle::State_Selected; }

void drawEmbossed(QPainter& painter, const QRect& rect, int flags, const QString& text,
                  const QColor& grey, const QColor& shadow) {
    if (shadow.alpha() > 0) {
        painter.setPen(shadow);
        painter.drawText(rect.translated(1, 1), flags, text);
    }
    painter.setPen(grey);
    painter.drawText(rect, flags, text);
}

int MenuStyleBase::pixelMetric(PixelMetric metric, const QStyleOption* option,
                               const QWidget* widget) const {
    switch (metric) {
    case PM_MenuHMargin:
    case PM_MenuVMargin:
    case PM_MenuTearoffHeight:
        return 0;
    case PM_MenuPanelWidth:
        return 1;
    default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
}

QSize MenuStyleBase::sizeFromContents(ContentsType type, const QStyleOption* option,
                                      const QSize& size, const QWidget* widget) const {
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (type != CT_MenuItem || !item) return QProxyStyle::sizeFromContents(type, option, size, widget);
    // A zero width would make the menu drop the row, so a separator is one pixel wide.
    if (isSeparator(*item)) return {1, separatorHeight};
    const SplitText parts = splitAtTab(item->text);
    int width = item->fontMetrics.boundingRect(QRect(), kTextFlags, parts.label).width() + 10;
    if (item->menuItemType == QStyleOptionMenuItem::SubMenu) width += 25;
    // The menu adds the widest shortcut itself.
    if (!parts.shortcut.isEmpty()) width += kShortcutGap;
    return {width + imageSize.width(), imageSize.height() + itemHeightPadding()};
}

void MenuStyleBase::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                  QPainter* painter, const QWidget* widget) const {
    switch (element) {
    case PE_PanelMenu:
        painter->fillRect(option->rect, colours.background.isValid()
                                            ? colours.background
                                            : option->palette.color(QPalette::Window));
        return;
    case PE_FrameMenu:
        widgets::fillFrame(*painter, option->rect, option->palette.color(QPalette::Dark));
        return;
    default:
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }
}

void MenuStyleBase::drawControl(ControlElement element, const QStyleOption* option,
                                QPainter* painter, const QWidget* widget) const {
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (element == CE_MenuItem && item) {
        painter->save();
        drawMenuItem(*item, *painter);
        painter->restore();
        return;
    }
    if (element == CE_MenuEmptyArea) {
        drawPrimitive(PE_PanelMenu, option, painter, widget);
        return;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

QColor MenuStyleBase::backgroundColour(const QStyleOptionMenuItem& item) const {
    return colours.background.isValid() ? colours.background : item.palette.color(QPalette::Window);
}

QColor MenuStyleBase::textColour(const QStyleOptionMenuItem& item, bool selected) const {
    const QColor& chosen = selected ? colours.selectedText : colours.text;
    return chosen.isValid() ? chosen : item.palette.color(QPalette::WindowText);
}

void MenuStyleBase::drawLabelAndShortcut(const QStyleOptionMenuItem& item, QPainter& painter, int textLeft,
                                 const QColor& colour) const {
    const SplitText parts = splitAtTab(item.text);
    const QRect& r = item.rect;
    const QRect labelRect(textLeft, r.top(), r.right() - textLeft, r.height());
    const QRect shortcutRect(textLeft, r.top(), r.right() - textLeft - 4, r.height());
    painter.setFont(item.font);
    const int right = kTextFlags | Qt::AlignRight;
    if (!isEnabled(item)) {
        // The embossed look needs a light background; on a dark one the grey alone reads.
        const bool dark = item.palette.color(QPalette::Window).lightness() < 128;
        const QColor text = item.palette.color(QPalette::WindowText), back = item.palette.color(QPalette::Window);
        const QColor grey = dark ? QColor((text.red() + back.red()) / 2, (text.green() + back.green()) / 2,
                                          (text.blue() + back.blue()) / 2)
                                 : QColor(128, 128, 128);
        const QColor shadow = dark ? QColor(Qt::transparent) : QColor(Qt::white);
        drawEmbossed(painter, labelRect, kTextFlags | Qt::AlignLeft, parts.label, grey, shadow);
        if (!parts.shortcut.isEmpty()) drawEmbossed(painter, shortcutRect, right, parts.shortcut, grey, shadow);
        return;
    }
    painter.setPen(colour);
    painter.drawText(labelRect, kTextFlags | Qt::AlignLeft, parts.label);
    if (!parts.shortcut.isEmpty()) painter.drawText(shortcutRect, right, parts.shortcut);
}

void MenuStyleBase::drawSubMenuArrow(const QStyleOptionMenuItem& item, QPainter& painter,
                                     const QColor& colour) const {
    if (item.menuItemType != QStyleOptionMenuItem::SubMenu) return;
    const QRect& r = item.rect;
    const int x = r.right() - 12;
    const int y = r.center().y();
    for (int i = 0; i < 4; ++i) painter.fillRect(x + i, y - 3 + i, 1, 7 - 2 * i, colour);
}

}  // namespace pgw
