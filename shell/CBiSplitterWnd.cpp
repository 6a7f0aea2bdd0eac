// Views, panes and layout of the splitter. Painting and the mouse live in
// CBiSplitterWndInput.cpp.
#include "shell/CBiSplitterWnd.h"

#include "shell/SplitterTracker.h"

#include <QEvent>

namespace pgw {

CBiSplitterWnd::CBiSplitterWnd(QWidget* parent, unsigned style)
    : QWidget(parent), m_style(style), m_trackerWidget(new SplitterTracker(this)) {
    setMouseTracking(true);
}

CBiSplitterWnd::~CBiSplitterWnd() = default;

QWidget* CBiSplitterWnd::addView(int id, QWidget* view) {
    if (!view) return nullptr;
    auto found = m_views.find(id);
    if (found != m_views.end() && found->second && found->second != view) {
        for (auto& pane : m_panes)
            if (pane.view == found->second) pane.view = nullptr;
        delete found->second.data();
    }
    // Views outside a pane stay hidden until a pane shows them.
    view->setParent(this);
    view->hide();
    view->installEventFilter(this);
    m_views[id] = view;
    m_trackerWidget->raise();
    return view;
}

QWidget* CBiSplitterWnd::GetView(int id) const {
    auto found = m_views.find(id);
    return found == m_views.end() ? nullptr : found->second.data();
}

bool CBiSplitterWnd::SetPane(int index, unsigned flags, const QString& caption, QWidget* view) {
    if (!validIndex(index)) return false;
    Pane& pane = m_panes[index];
    pane.state.flags = flags;
    pane.caption = caption;
    if (view) {
        if (view->parentWidget() != this) view->setParent(this);
        if (pane.view && pane.view != view) pane.view->hide();
        pane.view = view;
    }
    RecalcLayout();
    // A top-level splitter is left for its owner to show.
    if (pane.state.visible && isHidden() && parentWidget()) show();
    SetActivePane(index);
    return true;
}

bool CBiSplitterWnd::ShowView(int id, int index) {
    QWidget* view = GetView(id);
    if (!validIndex(index) || !view) return false;
    Pane& pane = m_panes[index];
    if (pane.view && pane.view != view) pane.view->hide();
    pane.view = view;
    placeViews();
    emit viewShown(id, index);
    return true;
}

QWidget* CBiSplitterWnd::GetPaneView(int index) const {
    return validIndex(index) ? m_panes[index].view.data() : nullptr;
}

int CBiSplitterWnd::GetPaneViewId(int index) const {
    QWidget* view = GetPaneView(index);
    if (!view) return -1;
    for (const auto& [id, candidate] : m_views)
        if (candidate == view) return id;
    return -1;
}

void CBiSplitterWnd::ModifyStyle(unsigned remove, unsigned add) {
    m_style = add | (m_style & ~remove);
    RecalcLayout();
}

unsigned CBiSplitterWnd::GetPaneFlags(int index) const {
    return validIndex(index) ? m_panes[index].state.flags : 0;
}

void CBiSplitterWnd::ModifyPaneFlags(int index, unsigned remove, unsigned add) {
    if (!validIndex(index)) return;
    unsigned& flags = m_panes[index].state.flags;
    flags = add | (flags & ~remove);
    RecalcLayout();
}

QString CBiSplitterWnd::paneCaption(int index) const {
    return validIndex(index) ? m_panes[index].caption : QString();
}

std::array<splitter::PaneState, 2> CBiSplitterWnd::paneStates() const {
    return {m_panes[0].state, m_panes[1].state};
}

void CBiSplitterWnd::RecalcLayout() {
    // Until the window has a size of its own there is nothing to lay out; the first resize
    // does it, and the resize rules then start from the real extent.
    if (!testAttribute(Qt::WA_Resized)) return;
    m_geometry = splitter::computeLayout(m_style, paneStates(), m_split, size(), m_geometry,
                                         m_metrics);
    placeViews();
    update();
}

void CBiSplitterWnd::placeViews() {
    for (int i = 0; i < 2; ++i) {
        QWidget* view = m_panes[i].view;
        if (!view) continue;
        if (m_geometry.viewShown[i] && m_panes[i].state.visible) {
            view->setGeometry(m_geometry.panes[i].client);
            view->show();
        } else {
            view->hide();
        }
    }
}

void CBiSplitterWnd::SetSplitPosition(int position) {
    m_split.position = position;
    m_split.basePosition = position;
    const bool sized = testAttribute(Qt::WA_Resized);
    m_split.baseExtent = !sized ? 0 : splitter::isStacked(m_style) ? height() : width();
    RecalcLayout();
}

CBiSplitterWnd* CBiSplitterWnd::parentSplitter() const {
    return qobject_cast<CBiSplitterWnd*>(parentWidget());
}

void CBiSplitterWnd::HidePane(int index) {
    if (!validIndex(index)) return;
    Pane& pane = m_panes[index];
    if (m_panes[1 - index].state.visible) {
        if (pane.view) pane.view->hide();
        pane.state.visible = false;
        RecalcLayout();
        return;
    }
    if (CBiSplitterWnd* outer = parentSplitter()) {
        outer->HideViewPane(this);
        return;
    }
    if (pane.view) pane.view->hide();
    pane.state.visible = false;
    hide();
    if (parentWidget()) parentWidget()->update(geometry());
}

void CBiSplitterWnd::ShowPane(int index) {
    if (!validIndex(index)) return;
    if (CBiSplitterWnd* outer = parentSplitter(); outer && isHidden())
        outer->ShowViewPane(this);
    else if (isHidden() && parentWidget())
        show();
    m_panes[index].state.visible = true;
    RecalcLayout();
}

void CBiSplitterWnd::HideViewPane(QWidget* view) {
    for (int i = 0; i < 2; ++i)
        if (view && m_panes[i].view == view) HidePane(i);
}

void CBiSplitterWnd::ShowViewPane(QWidget* view) {
    for (int i = 0; i < 2; ++i)
        if (view && m_panes[i].view == view) ShowPane(i);
}

void CBiSplitterWnd::TogglePane(int index) {
    if (!validIndex(index)) return;
    const int other = 1 - index;
    if (!m_panes[index].state.collapsed) {
        m_panes[index].state.collapsed = true;
        m_panes[other].state.collapsed = false;
        RecalcLayout();
        return;
    }
    m_panes[index].state.collapsed = false;
    m_panes[other].state.collapsed = false;
    SetSplitPosition(
        splitter::restorePosition(m_style, m_geometry, index, m_split.position, m_metrics));
}

bool CBiSplitterWnd::IsPaneVisible(int index) const {
    return validIndex(index) && m_panes[index].state.visible && isVisible();
}

bool CBiSplitterWnd::isPaneCollapsed(int index) const {
    return validIndex(index) && m_panes[index].state.collapsed;
}

void CBiSplitterWnd::SetActivePane(int index) {
    if (!validIndex(index)) return;
    if (QWidget* view = m_panes[index].view) view->setFocus(Qt::OtherFocusReason);
    if (m_activePane == index) return;
    m_activePane = index;
    emit activePaneChanged(index);
}

}  // namespace pgw
