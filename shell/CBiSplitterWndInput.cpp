// Painting, mouse and cursor handling of the splitter.
#include "shell/CBiSplitterWnd.h"

#include "shell/SplitterPainting.h"
#include "shell/SplitterTracker.h"

#include <QMouseEvent>
#include <QPainter>

namespace pgw {

using namespace splitter;

void CBiSplitterWnd::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const Colours colours = Colours::fromPalette(palette());
    const bool stacked = isStacked(m_style);
    const bool borders3D = m_style & k3DBorders;
    if (m_geometry.barShown) {
        painter.fillRect(m_geometry.bar, colours.face);
        for (int i = 0; i < 2; ++i) {
            const QRect& rect = m_geometry.barButtons[i];
            if (rect.isEmpty()) continue;
            const unsigned flags = m_panes[i].state.flags;
            drawButton(painter, rect, flags, m_buttonStates[BarButton0 + i], colours);
            drawGlyph(painter, rect, barButtonGlyph(i, stacked, m_panes[i].state.collapsed),
                      barGlyphSize(flags, m_metrics), colours.barGlyph, colours.hotFill);
        }
    }
    for (int i = 0; i < 2; ++i) {
        if (!m_geometry.viewShown[i]) continue;
        const PaneGeometry& parts = m_geometry.panes[i];
        const unsigned flags = m_panes[i].state.flags;
        drawPaneBorder(painter, parts.pane, borderWidth(flags), borders3D, colours);
        drawCaption(painter, parts, flags, borders3D, m_panes[i].caption,
                    m_buttonStates[CloseButton0 + i], colours, m_metrics);
    }
}

void CBiSplitterWnd::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const QWidget* top = window();
    if (width() > 0 && height() > 0 && !(top && top->isMinimized())) RecalcLayout();
}

QRect CBiSplitterWnd::buttonRect(Button button) const {
    switch (button) {
    case CloseButton0: return m_geometry.panes[0].closeButton;
    case CloseButton1: return m_geometry.panes[1].closeButton;
    case BarButton0: return m_geometry.barButtons[0];
    case BarButton1: return m_geometry.barButtons[1];
    case NoButton: break;
    }
    return {};
}

CBiSplitterWnd::HitTarget CBiSplitterWnd::hitTest(QPoint point, Button* button) const {
    for (int i = 0; i < 2; ++i) {
        const auto& state = m_panes[i].state;
        const auto close = Button(CloseButton0 + i);
        if (state.visible && !state.collapsed && buttonRect(close).contains(point)) {
            *button = close;
            return HitButton;
        }
    }
    if (!m_geometry.barShown) return HitNothing;
    for (Button bar : {BarButton0, BarButton1}) {
        if (buttonRect(bar).contains(point)) {
            *button = bar;
            return HitButton;
        }
    }
    return m_geometry.bar.contains(point) ? HitBar : HitNothing;
}

CBiSplitterWnd::ButtonState CBiSplitterWnd::buttonState(Button button) const {
    return button == NoButton ? Normal : m_buttonStates[button];
}

void CBiSplitterWnd::setButtonState(Button button, ButtonState state) {
    if (button == NoButton || m_buttonStates[button] == state) return;
    m_buttonStates[button] = state;
    update(buttonRect(button));
}

void CBiSplitterWnd::resetButtons() {
    for (Button b : {CloseButton0, CloseButton1, BarButton0, BarButton1}) setButtonState(b, Normal);
}

void CBiSplitterWnd::updateCursor(HitTarget target) {
    if (target == HitBar || m_drag == DragBar)
        setCursor(isStacked(m_style) ? Qt::SizeVerCursor : Qt::SizeHorCursor);
    else
        setCursor(Qt::ArrowCursor);
}

void CBiSplitterWnd::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || m_drag != NoDrag) return QWidget::mousePressEvent(event);
    Button button = NoButton;
    switch (hitTest(event->position().toPoint(), &button)) {
    case HitButton:
        m_drag = DragButton;
        m_pressed = button;
        setButtonState(button, Pressed);
        break;
    case HitBar:
        setFocus(Qt::MouseFocusReason);
        beginBarDrag();
        break;
    case HitNothing:
        QWidget::mousePressEvent(event);
        break;
    }
}

void CBiSplitterWnd::mouseMoveEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    if (m_drag == DragBar) return moveTracker(point);
    if (m_drag == DragButton) {
        setButtonState(m_pressed, buttonRect(m_pressed).contains(point) ? Pressed : Normal);
        return;
    }
    Button hot = NoButton;
    const HitTarget target = hitTest(point, &hot);
    for (Button b : {CloseButton0, CloseButton1, BarButton0, BarButton1})
        setButtonState(b, b == hot ? Hot : Normal);
    updateCursor(target);
}

void CBiSplitterWnd::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
    if (m_drag == DragBar) {
        const int edge = isStacked(m_style) ? m_tracker.top() : m_tracker.left();
        endDrag();
        SetSplitPosition(edge);
    } else if (m_drag == DragButton) {
        const Button button = m_pressed;
        const bool inside = buttonRect(button).contains(event->position().toPoint());
        endDrag();
        if (inside) clickButton(button);
        if (m_activePane >= 0) SetActivePane(m_activePane);
    }
    Button hot = NoButton;
    updateCursor(hitTest(event->position().toPoint(), &hot));
}

void CBiSplitterWnd::clickButton(Button button) {
    switch (button) {
    case CloseButton0: return HidePane(0);
    case CloseButton1: return HidePane(1);
    case BarButton0: return TogglePane(0);
    case BarButton1: return TogglePane(1);
    case NoButton: return;
    }
}

void CBiSplitterWnd::beginBarDrag() {
    m_drag = DragBar;
    m_tracker = m_geometry.bar;
    m_trackerWidget->showAt(m_tracker);
    updateCursor(HitBar);
}

void CBiSplitterWnd::moveTracker(QPoint point) {
    const bool stacked = isStacked(m_style);
    const int edge = trackerEdge(m_style, m_geometry, stacked ? point.y() : point.x(), m_metrics);
    if (stacked)
        m_tracker.moveTop(edge);
    else
        m_tracker.moveLeft(edge);
    m_trackerWidget->showAt(m_tracker);
}

// Ends a drag without acting on it: the tracker goes, a pressed button turns normal.
void CBiSplitterWnd::endDrag() {
    if (m_drag == DragButton) setButtonState(m_pressed, Normal);
    m_trackerWidget->hide();
    m_drag = NoDrag;
    m_pressed = NoButton;
}

void CBiSplitterWnd::leaveEvent(QEvent* event) {
    if (m_drag == NoDrag) resetButtons();
    QWidget::leaveEvent(event);
}

void CBiSplitterWnd::changeEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::ActivationChange:
        // The mouse grab does not survive losing the window; neither does a drag.
        if (m_drag != NoDrag && !isActiveWindow()) endDrag();
        break;
    case QEvent::PaletteChange:
    case QEvent::StyleChange:
    case QEvent::FontChange:
        RecalcLayout();
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}

// Moving from the bar straight into a view never tells the splitter the mouse left it.
bool CBiSplitterWnd::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Enter && m_drag == NoDrag) resetButtons();
    return QWidget::eventFilter(watched, event);
}

}  // namespace pgw
