#include "widgets/CHoverButton.h"

#include "platform/ui/DesktopServices.h"
#include "widgets/ColourConversion.h"
#include "widgets/DisabledText.h"
#include "widgets/PixelEdges.h"
#include "widgets/ReadableInk.h"

#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>

namespace pgw {

namespace {

using widgets::fillEdges;

// Images may come drawn for a 2x screen; placing them goes by the size they cover.
QSize shownSize(const QPixmap& image) { return image.deviceIndependentSize().toSize(); }

}  // namespace

CHoverButton::CHoverButton(const QString& text, unsigned style, QWidget* parent) : QPushButton(text, parent) {
    setMouseTracking(true);
    resetColours();
    subclass(style);
    runMenu_ = [](QMenu& menu, const QPoint& at) { return menu.exec(at); };
    connect(this, &QPushButton::clicked, this, [this] { onClicked(); });
}

void CHoverButton::subclass(unsigned style) {
    const unsigned type = style & kTypeMask;
    defaultButton_ = type == kDefaultPushButton;
    checkBox_ = (style & kCheckBoxBit) != 0;
    setDefault(defaultButton_);
    redraw(true);
}

int CHoverButton::SetColour(int index, colour::ColourRef colour, bool repaint) {
    if (index < 0 || index >= kColourCount) return kBadColourIndex;
    colours_[size_t(index)] = colour;
    redraw(repaint);
    return 0;
}

void CHoverButton::resetColours() {
    const auto face = colour::toColourRef(palette().color(QPalette::Button));
    const auto text = colour::toColourRef(palette().color(QPalette::ButtonText));
    for (int i = 0; i < kColourCount; ++i) colours_[size_t(i)] = i % 2 == 0 ? face : text;
}

void CHoverButton::SetCheck(bool checked) {
    checked_ = checked;
    redraw(true);
}

void CHoverButton::SetFlat(bool flat, bool repaint) {
    flat_ = flat;
    redraw(repaint);
}

void CHoverButton::SetDrawBorder(bool draw, bool repaint) {
    drawBorder_ = draw;
    redraw(repaint);
}

void CHoverButton::SetAlwaysShowFocus(bool always, bool repaint) {
    focusAlways_ = always;
    redraw(repaint);
}

void CHoverButton::SetTransparent(bool transparent, bool repaint) {
    transparent_ = transparent;
    redraw(repaint);
}

void CHoverButton::SetGreyDisabledImages(bool grey, bool repaint) {
    greyDisabled_ = grey;
    redraw(repaint);
}

void CHoverButton::SetImageMargin(QPoint margin, bool repaint) {
    imageMargin_ = margin;
    redraw(repaint);
}

void CHoverButton::SetPressOffset(QPoint offset, bool repaint) {
    pressOffset_ = offset;
    redraw(repaint);
}

void CHoverButton::SetImageAlignment(ImageAlignment alignment, bool repaint) {
    imageAlignment_ = alignment;
    redraw(repaint);
}

void CHoverButton::SetImages(const QPixmap& normal, const QPixmap& hot, bool repaint) {
    normalImage_ = normal;
    hotImage_ = hot;
    redraw(repaint);
}

void CHoverButton::SetButtonCursor(const QCursor& cursor) { setCursor(cursor); }

void CHoverButton::SetTooltipText(const QString& text) { setToolTip(text); }

void CHoverButton::SetMenu(QMenu* menu, std::function<void(QAction*)> owner) {
    menu_ = menu;
    menuOwner_ = std::move(owner);
}

void CHoverButton::SetAddress(const QString& address) { address_ = address; }

void CHoverButton::SetSounds(const QString& hover, const QString& click, SoundPlayer player) {
    hoverSound_ = hover;
    clickSound_ = click;
    playSound_ = std::move(player);
}

void CHoverButton::redraw(bool repaint) {
    if (repaint) QWidget::repaint();
}

bool CHoverButton::drawnPressed() const {
    if (checkBox_) return checked_ || isDown();
    return isDown() || menuShowing_;
}

// Hot tracking

void CHoverButton::mouseMoveEvent(QMouseEvent* event) {
    QPushButton::mouseMoveEvent(event);
    if ((event->buttons() & Qt::LeftButton) && !hot_) return;
    if (!flat_) return;
    const bool over = rect().contains(event->position().toPoint());
    if (over && (trackWhenInactive_ || QApplication::activeWindow() != nullptr)) {
        becomeHot();
    } else {
        leaveHot();
    }
}

void CHoverButton::becomeHot() {
    if (hot_) return;
    hot_ = true;
    redraw(true);
    if (playSound_ && !hoverSound_.isEmpty()) playSound_(hoverSound_);
}

void CHoverButton::leaveHot() {
    if (!hot_) return;
    hot_ = false;
    redraw(true);
}

// A double click counts as one more press, so quick clicks each toggle or open.
void CHoverButton::mouseDoubleClickEvent(QMouseEvent* event) {
    QMouseEvent press(QEvent::MouseButtonPress, event->position(), event->scenePosition(), event->globalPosition(),
                      event->button(), event->buttons(), event->modifiers());
    mousePressEvent(&press);
}

void CHoverButton::leaveEvent(QEvent* event) {
    leaveHot();
    QPushButton::leaveEvent(event);
}

void CHoverButton::focusOutEvent(QFocusEvent* event) {
    leaveHot();
    QPushButton::focusOutEvent(event);
}

void CHoverButton::changeEvent(QEvent* event) {
    QPushButton::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !isActiveWindow()) leaveHot();
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        leaveHot();
        // The focus may not stay on a disabled button.
        if (hasFocus() && !focusNextChild() && parentWidget()) parentWidget()->setFocus();
    }
}

bool CHoverButton::event(QEvent* event) {
    if (event->type() == QEvent::ApplicationPaletteChange || event->type() == QEvent::ThemeChange) {
        resetColours();
        redraw(true);
    }
    return QPushButton::event(event);
}

// Clicking

void CHoverButton::onClicked() {
    setFocus(Qt::MouseFocusReason);
    if (playSound_ && !clickSound_.isEmpty()) playSound_(clickSound_);
    if (checkBox_) {
        SetCheck(!checked_);
    } else if (menu_) {
        dropMenu();
    } else if (!address_.isEmpty() && desktop_) {
        desktop_->openUrl(address_.toStdString());
    }
}

void CHoverButton::dropMenu() {
    menuShowing_ = true;
    redraw(true);
    if (menuCallback_) menuCallback_(menu_);
    QAction* chosen = runMenu_ ? runMenu_(*menu_, mapToGlobal(rect().bottomLeft())) : nullptr;
    menuShowing_ = false;
    redraw(true);
    // The owner hears of the choice after the menu has gone, as a posted command would arrive.
    if (chosen && menuOwner_) {
        QMetaObject::invokeMethod(
            this, [owner = menuOwner_, chosen] { owner(chosen); }, Qt::QueuedConnection);
    }
}

// Drawing

QColor CHoverButton::slotColour(int index) const { return colour::toQColor(colours_[size_t(index)]); }

void CHoverButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const bool pressed = drawnPressed();
    drawBackground(painter, pressed);
    drawBorder(painter, pressed);
    drawImage(painter, pressed);
    drawText(painter, pressed);
    if (hasFocus() && (!flat_ || focusAlways_)) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = rect().adjusted(3, 3, -3, -3);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

void CHoverButton::drawBackground(QPainter& painter, bool pressed) const {
    QRect area = rect();
    if (!flat_ && (hasFocus() || defaultButton_)) {
        widgets::fillFrame(painter, area, Qt::black);
        area.adjust(1, 1, -1, -1);
    }
    if (transparent_) return;  // the parent's background shows through
    painter.fillRect(area, slotColour(backgroundSlot(pressed)));
}

// Each state's text colour sits in the slot after its background's.
int CHoverButton::backgroundSlot(bool pressed) const {
    if (hot_ || pressed) return BackgroundHot;
    return hasFocus() ? BackgroundFocused : BackgroundNormal;
}

void CHoverButton::drawBorder(QPainter& painter, bool pressed) const {
    const QPalette& p = palette();
    // The edges take the outermost pixels, inside the black frame when there is one.
    QRect r = rect();
    if (!flat_ && (hasFocus() || defaultButton_)) r.adjust(1, 1, -1, -1);
    if (pressed) {
        if (!flat_) {
            widgets::fillFrame(painter, r, p.color(QPalette::Dark));
        } else if (drawBorder_) {
            fillEdges(painter, r, p.color(QPalette::Dark), p.color(QPalette::Light));
        }
        return;
    }
    if (!flat_) {
        fillEdges(painter, r, p.color(QPalette::Light), p.color(QPalette::Shadow));
        fillEdges(painter, r.adjusted(1, 1, -1, -1), p.color(QPalette::Midlight), p.color(QPalette::Dark));
    } else if (hot_ && drawBorder_) {
        fillEdges(painter, r, p.color(QPalette::Light), p.color(QPalette::Dark));
    }
}

void CHoverButton::drawImage(QPainter& painter, bool pressed) const {
    const QPixmap& chosen = (hot_ || pressed) && !hotImage_.isNull() ? hotImage_ : normalImage_;
    if (chosen.isNull()) return;
    QPixmap image = chosen;
    if (!isEnabled()) {
        image = greyDisabled_ ? QIcon(chosen).pixmap(shownSize(chosen), devicePixelRatioF(), QIcon::Disabled) : chosen;
    }
    const QSize size = shownSize(image);
    const QRect client = rect();
    QPoint at;
    switch (imageAlignment_) {
    case ImageAlignment::Left:
        at = QPoint(imageMargin_.x(), (client.height() - size.height()) / 2);
        break;
    case ImageAlignment::Top:
        at = QPoint((client.width() - size.width()) / 2, imageMargin_.y());
        break;
    case ImageAlignment::Right:
        at = QPoint(client.width() - size.width() - imageMargin_.x(), (client.height() - size.height()) / 2);
        break;
    }
    if (pressed && !checkBox_) at += pressOffset_;
    painter.drawPixmap(at, image);
}

// The text goes beside the image, not over it.
QRect CHoverButton::textRect() const {
    QRect r = rect();
    if (normalImage_.isNull()) return r;
    const int w = shownSize(normalImage_).width() + imageMargin_.x();
    const int h = shownSize(normalImage_).height() + imageMargin_.y();
    switch (imageAlignment_) {
    case ImageAlignment::Left: return r.adjusted(w, 0, 0, 0);
    case ImageAlignment::Top: return r.adjusted(0, h, 0, 0);
    case ImageAlignment::Right: return r.adjusted(0, 0, -w, 0);
    }
    return r;
}

void CHoverButton::drawText(QPainter& painter, bool pressed) const {
    if (text().isEmpty()) return;
    QRect r = textRect();
    if (pressed && !checkBox_) r.translate(pressOffset_);
    const int flags = Qt::AlignCenter | Qt::TextWordWrap;
    painter.setFont(font());
    if (!isEnabled()) {
        widgets::drawDisabledText(painter, r, flags, text(), palette());
        return;
    }
    // A caller's light face keeps the palette's text readable under a dark theme too.
    const QColor background = transparent_ ? palette().color(QPalette::Window) : slotColour(backgroundSlot(pressed));
    painter.setPen(widgets::readableOn(slotColour(backgroundSlot(pressed) + 1), background));
    painter.drawText(r, flags, text());
}

}  // namespace pgw
