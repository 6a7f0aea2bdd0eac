#include "widgets/CColourDropDown.h"

#include "widgets/ColourConversion.h"
#include "widgets/PixelEdges.h"

#include <QApplication>
#include <QColorDialog>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QToolTip>
#include <qdrawutil.h>

#include <algorithm>

namespace pgw {

using namespace colour;

namespace {

constexpr int kEdgeWidth = 2;  // the classic 3-D edge, which also spaces the popup's boxes
constexpr int kPreferredBoxSize = 18;

QColor tableColour(int index) { return toQColor(colourTable()[size_t(index)].colour); }

}  // namespace

ColourDialogHook systemColourDialog() {
    return [](const QColor& initial, QWidget* parent) -> std::optional<QColor> {
        // "Automatic" means the window text colour, so the dialog starts on black.
        const QColor chosen = QColorDialog::getColor(initial.isValid() ? initial : QColor(Qt::black), parent);
        if (!chosen.isValid()) return std::nullopt;
        return chosen;
    };
}

CColourDropDown::CColourDropDown(QPoint origin, int pickerTop, const QColor& initial,
                                 const ColourPopupTexts& texts, ColourDialogHook dialog, QWidget* picker)
    : QWidget(picker, Qt::Popup | Qt::FramelessWindowHint),
      initial_(initial),
      chosen_(initial),
      texts_(texts),
      dialog_(std::move(dialog)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setFont(QApplication::font("QMenu"));
    margin_ = kEdgeWidth;
    boxSize_ = std::max(kPreferredBoxSize, 2 * margin_ + 7);
    initialIndex_ = colour::initialIndex(toColourRef(initial), boxes());
    layOut();
    placeOnScreen(origin, pickerTop);
}

PopupBoxes CColourDropDown::boxes() const {
    return PopupBoxes{!texts_.defaultText.isEmpty(), !texts_.customText.isEmpty()};
}

void CColourDropDown::layOut() {
    const QFontMetrics metrics(font());
    const int textWidth = std::max(metrics.horizontalAdvance(texts_.customText),
                                   metrics.horizontalAdvance(texts_.defaultText)) + 2 * margin_;
    const int textBoxHeight = metrics.height() + 4 * margin_ + 2;
    int width = kColumnCount * boxSize_ + 2 * margin_;
    int height = kRowCount * boxSize_ + 2 * margin_;
    gridTop_ = margin_;
    if (!texts_.defaultText.isEmpty()) {
        width = std::max(width, textWidth);
        defaultRect_ = QRect(margin_, margin_, width - 2 * margin_, textBoxHeight + margin_);
        height += 2 * margin_ + defaultRect_.height();
        gridTop_ += defaultRect_.height() + margin_;
    }
    if (!texts_.customText.isEmpty()) {
        width = std::max(width, textWidth);
        customRect_ = QRect(margin_, height, width - 2 * margin_, textBoxHeight + margin_);
        height += 2 * margin_ + customRect_.height();
    }
    setFixedSize(width, height);
}

void CColourDropDown::placeOnScreen(QPoint origin, int pickerTop) {
    QScreen* screen = QGuiApplication::screenAt(origin);
    if (!screen && parentWidget()) screen = parentWidget()->screen();
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) {
        move(origin);
        return;
    }
    const QRect area = screen->availableGeometry();
    const Origin placed = keepOnScreen({origin.x(), origin.y()}, width(), height(),
                                       {area.left(), area.top(), area.right() + 1, area.bottom() + 1}, pickerTop);
    move(placed.x, placed.y);
}

QRect CColourDropDown::boxRect(int index) const {
    if (index == kDefaultBox) return defaultRect_;
    if (index == kCustomBox) return customRect_;
    if (index < 0 || index >= kColourCount) return {};
    return QRect(columnOf(index) * boxSize_ + margin_, rowOf(index) * boxSize_ + gridTop_, boxSize_, boxSize_);
}

// Hits follow the drawn boxes exactly, so the top pixels of a cell never pick the cell above.
int CColourDropDown::indexAt(QPoint point) const {
    if (customRect_.contains(point)) return kCustomBox;
    if (defaultRect_.contains(point)) return kDefaultBox;
    const int x = point.x() - margin_;
    const int y = point.y() - gridTop_;
    if (x < 0 || y < 0) return kNoBox;
    return colour::indexAt(y / boxSize_, x / boxSize_).value_or(kNoBox);
}

QString CColourDropDown::toolTipAt(QPoint point) const {
    const int index = indexAt(point);
    if (index < 0) return {};
    const std::string_view name = colourTable()[size_t(index)].name;
    return QString::fromUtf8(name.data(), qsizetype(name.size()));
}

bool CColourDropDown::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QString tip = toolTipAt(help->pos());
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tip, this, boxRect(indexAt(help->pos())));
        return true;
    }
    return QWidget::event(event);
}

void CColourDropDown::select(int index) {
    const int previous = currentIndex_;
    currentIndex_ = index;
    update(boxRect(previous));
    update(boxRect(index));
    QColor colour;  // the "Automatic" box: no colour
    if (index == kCustomBox) colour = initial_;
    else if (index >= 0) colour = tableColour(index);
    if (index != kCustomBox) chosen_ = colour;
    emit selectionChanged(colour);
}

void CColourDropDown::mouseMoveEvent(QMouseEvent* event) {
    const int index = indexAt(event->position().toPoint());
    if (index != kNoBox && index != currentIndex_) select(index);
}

void CColourDropDown::mousePressEvent(QMouseEvent* event) {
    // A press outside ends the choice; one inside waits for its release.
    if (!rect().contains(event->position().toPoint())) finish(false);
}

void CColourDropDown::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint point = event->position().toPoint();
    // A click that arrives without a move first still picks the box under it.
    const int index = indexAt(point);
    if (index != kNoBox && index != currentIndex_) select(index);
    finish(rect().contains(point));
}

void CColourDropDown::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space: finish(true); return;
    case Qt::Key_Escape: finish(false); return;
    case Qt::Key_Left: select(indexAfterKey(ArrowKey::Left, currentIndex_, boxes())); return;
    case Qt::Key_Up: select(indexAfterKey(ArrowKey::Up, currentIndex_, boxes())); return;
    case Qt::Key_Right: select(indexAfterKey(ArrowKey::Right, currentIndex_, boxes())); return;
    case Qt::Key_Down: select(indexAfterKey(ArrowKey::Down, currentIndex_, boxes())); return;
    default: QWidget::keyPressEvent(event);
    }
}

// Qt closes a popup by itself when the application loses the focus: that is a cancel.
void CColourDropDown::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (!finished_) finish(false);
}

void CColourDropDown::finish(bool accepted) {
    if (finished_) return;
    finished_ = true;
    if (!accepted) {
        chosen_ = initial_;
    } else if (currentIndex_ == kCustomBox) {
        hide();  // out of the dialog's way; the popup lives on until the answer
        const QPointer<CColourDropDown> alive(this);
        const std::optional<QColor> picked = dialog_ ? dialog_(initial_, parentWidget()) : std::nullopt;
        if (!alive) return;  // the picker went away while the dialog was open
        if (picked && picked->isValid()) {
            chosen_ = *picked;
        } else {
            accepted = false;
            chosen_ = initial_;
        }
    }
    emit ended(chosen_, accepted);
    close();
}

void CColourDropDown::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Button));
    if (!defaultRect_.isEmpty()) paintTextBox(painter, kDefaultBox, texts_.defaultText);
    for (int index = 0; index < kColourCount; ++index) paintColourBox(painter, index);
    if (!customRect_.isEmpty()) paintTextBox(painter, kCustomBox, texts_.customText);
    qDrawWinPanel(&painter, rect(), palette(), false);
}

void CColourDropDown::paintBoxEdges(QPainter& painter, const QRect& box, int index) const {
    const QColor light = palette().color(QPalette::Light);
    const QColor shadow = palette().color(QPalette::Dark);
    if (index == currentIndex_) widgets::fillEdges(painter, box, light, shadow);   // raised
    if (index == initialIndex_) widgets::fillEdges(painter, box, shadow, light);   // sunken
}

void CColourDropDown::paintColourBox(QPainter& painter, int index) const {
    const QRect box = boxRect(index);
    const bool marked = index == initialIndex_ && index != currentIndex_;
    painter.fillRect(box, palette().color(marked ? QPalette::Light : QPalette::Button));
    paintBoxEdges(painter, box, index);
    const int inset = margin_ + 1;
    const QRect swatch = box.adjusted(inset, inset, -inset, -inset);
    painter.fillRect(swatch, tableColour(index));
    widgets::fillFrame(painter, swatch, palette().color(QPalette::Dark));
}

void CColourDropDown::paintTextBox(QPainter& painter, int index, const QString& text) const {
    const QRect box = boxRect(index);
    const bool marked = index == initialIndex_ && index != currentIndex_;
    painter.fillRect(box, palette().color(QPalette::Button));
    painter.fillRect(box.adjusted(1, 1, -1, -1), palette().color(marked ? QPalette::Midlight : QPalette::Button));
    const int inset = 2 * margin_;
    widgets::fillFrame(painter, box.adjusted(inset, inset, -inset, -inset), palette().color(QPalette::Dark));
    if (index == kCustomBox) {
        // The separator between the grid and "More Colours...".
        const QRect line(2 * margin_, box.top(), box.width() - 6 * margin_, 1);
        painter.fillRect(line, palette().color(QPalette::Dark));
        painter.fillRect(line.translated(0, 1), palette().color(QPalette::Light));
    }
    paintBoxEdges(painter, box, index);
    painter.setPen(palette().color(QPalette::ButtonText));
    painter.drawText(box, Qt::AlignCenter | Qt::TextSingleLine, text);
}

}  // namespace pgw
