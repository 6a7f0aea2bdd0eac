#include "shell/SplitterLayout.h"

#include <algorithm>
#include <cstdint>

namespace pgw::splitter {

namespace {

// The position along the split axis is x side by side and y when stacked; these helpers let
// one routine serve both orientations.
int leading(const QRect& r, bool stacked) { return stacked ? r.top() : r.left(); }
int trailing(const QRect& r, bool stacked) { return stacked ? r.bottom() + 1 : r.right() + 1; }

QRect spanAlongAxis(bool stacked, QSize client, int from, int to) {
    return stacked ? rectFromEdges(0, from, client.width(), to)
                   : rectFromEdges(from, 0, to, client.height());
}

int frameLines(unsigned flags) {
    switch (flags & kCaptionFrameMask) {
    case 0: return 0;
    case kCaptionFrameSingle: return 1;
    default: return 2;
    }
}

int captionHeightFor(unsigned flags, const Metrics& m) {
    if (flags & kNormalCaption) return m.captionHeight;
    if (flags & kSmallCaption) return m.smallCaptionHeight;
    return 0;
}

// Rounded multiply-divide; a zero divisor leaves the value alone.
int mulDiv(int value, int numerator, int denominator) {
    if (denominator == 0) return value;
    std::int64_t product = std::int64_t(value) * numerator;
    std::int64_t divisor = denominator;
    if (divisor < 0) {
        product = -product;
        divisor = -divisor;
    }
    const std::int64_t magnitude = ((product < 0 ? -product : product) + divisor / 2) / divisor;
    return int(product < 0 ? -magnitude : magnitude);
}

void applyResizeRule(unsigned style, SplitState& split, int extent) {
    if (split.baseExtent == 0) {
        split.basePosition = split.position;
        split.baseExtent = extent;
    }
    switch (style & kResizeRuleMask) {
    case kSecondKeepsSize:
        split.position = split.basePosition + extent - split.baseExtent;
        split.basePosition = split.position;
        split.baseExtent = extent;
        break;
    case kProportional:
        split.position = mulDiv(split.basePosition, extent, split.baseExtent);
        break;
    default:
        break;
    }
}

// The clamp shapes the layout only: the stored position survives a splitter that is
// briefly too small (before the window has its real size, say).
int clampedPosition(const SplitState& split, const std::array<PaneState, 2>& panes, int extent,
                    const Metrics& m) {
    const int lowest = 2 * borderWidth(panes[0].flags);
    const int highest = extent - (2 * borderWidth(panes[1].flags) + m.barWidth);
    // On a splitter too small for both limits the first pane's border wins.
    return std::max(lowest, std::min(split.position, highest));
}

void layoutBoth(unsigned style, const std::array<PaneState, 2>& panes, SplitState& split,
                QSize client, Geometry& g, const Metrics& m) {
    const bool stacked = isStacked(style);
    const int extent = stacked ? client.height() : client.width();
    applyResizeRule(style, split, extent);
    const int position = clampedPosition(split, panes, extent, m);
    g.panes[0].pane = spanAlongAxis(stacked, client, 0, position);
    g.panes[1].pane = spanAlongAxis(stacked, client, position + m.barWidth, extent);
    g.bar = spanAlongAxis(stacked, client, position, position + m.barWidth);
    g.barShown = true;
    g.viewShown = {true, true};
}

void layoutCollapsed(unsigned style, int collapsed, QSize client, Geometry& g, const Metrics& m) {
    const bool stacked = isStacked(style);
    const int extent = stacked ? client.height() : client.width();
    const int open = 1 - collapsed;
    if (collapsed == 1) {
        g.bar = spanAlongAxis(stacked, client, extent - m.barWidth, extent);
        g.panes[0].pane = spanAlongAxis(stacked, client, 0, extent - m.barWidth);
    } else {
        g.bar = spanAlongAxis(stacked, client, 0, m.barWidth);
        g.panes[1].pane = spanAlongAxis(stacked, client, m.barWidth, extent);
    }
    g.barShown = true;
    g.viewShown[open] = true;
}

}  // namespace

QRect rectFromEdges(int left, int top, int right, int bottom) {
    return QRect(left, top, std::max(0, right - left), std::max(0, bottom - top));
}

int borderWidth(unsigned paneFlags) { return int(paneFlags & kBorderMask); }

bool isStacked(unsigned style) { return (style & kStacked) && !(style & kSideBySide); }

PaneGeometry paneParts(const QRect& pane, unsigned flags, bool borders3D, const Metrics& m) {
    PaneGeometry parts;
    parts.pane = pane;
    const int border = borderWidth(flags);
    const int left = pane.left() + border;
    const int right = pane.left() + pane.width() - border;
    const int bottom = pane.top() + pane.height() - border;
    int top = pane.top() + border;
    const int titleHeight = captionHeightFor(flags, m);
    if (titleHeight > 0) {
        const int lines = frameLines(flags);
        const int height = titleHeight + lines * (borders3D ? 2 : 1);
        parts.caption = rectFromEdges(left, top, right, top + height);
        if (flags & kCloseButton) {
            const int closeRight = right - lines;
            const int closeTop = top + lines;
            if (closeRight - titleHeight >= left + lines)
                parts.closeButton =
                    rectFromEdges(closeRight - titleHeight, closeTop, closeRight, closeTop + titleHeight);
        }
        top += height;
    }
    parts.client = rectFromEdges(left, top, right, bottom);
    return parts;
}

QRect barButtonRect(unsigned style, unsigned paneFlags, int index, const QRect& bar,
                    const Metrics& m) {
    if (!(paneFlags & kBarButtonMask)) return {};
    if (isStacked(style)) {
        const int k = index == 0 ? -2 : 1;
        const int left = bar.left() + bar.width() / 2 + k * m.captionButtonWidth;
        return rectFromEdges(left, bar.top(), left + m.captionButtonWidth, bar.top() + bar.height());
    }
    const int top = bar.top() + bar.height() / 2 - 2 * m.captionButtonWidth +
                    index * 3 * m.captionButtonHeight;
    return rectFromEdges(bar.left(), top, bar.left() + bar.width(), top + m.captionButtonHeight);
}

Geometry computeLayout(unsigned style, const std::array<PaneState, 2>& panes, SplitState& split,
                       QSize client, const Geometry& previous, const Metrics& m) {
    Geometry g;
    // A collapsed or hidden pane keeps the rectangle it had; the restore relies on it.
    g.panes[0].pane = previous.panes[0].pane;
    g.panes[1].pane = previous.panes[1].pane;
    const bool both = panes[0].visible && panes[1].visible;
    if (both && !panes[0].collapsed && !panes[1].collapsed) {
        layoutBoth(style, panes, split, client, g, m);
    } else if (both) {
        layoutCollapsed(style, panes[1].collapsed ? 1 : 0, client, g, m);
    } else if (panes[0].visible || panes[1].visible) {
        const int shown = panes[0].visible ? 0 : 1;
        g.panes[shown].pane = rectFromEdges(0, 0, client.width(), client.height());
        g.viewShown[shown] = true;
    }
    const bool borders3D = style & k3DBorders;
    for (int i = 0; i < 2; ++i) {
        const QRect keep = g.panes[i].pane;
        g.panes[i] = paneParts(keep, panes[i].flags, borders3D, m);
        if (g.barShown) g.barButtons[i] = barButtonRect(style, panes[i].flags, i, g.bar, m);
    }
    return g;
}

int trackerEdge(unsigned style, const Geometry& g, int mouse, const Metrics& m) {
    const bool stacked = isStacked(style);
    const int lowest = stacked ? 0 : std::min(leading(g.panes[0].pane, false), leading(g.bar, false));
    const int highest =
        std::max(trailing(g.panes[1].pane, stacked), trailing(g.bar, stacked)) - m.barWidth;
    return std::max(lowest, std::min(mouse, highest));
}

int restorePosition(unsigned style, const Geometry& g, int index, int current, const Metrics& m) {
    const bool stacked = isStacked(style);
    const QRect& pane = g.panes[index].pane;
    if (pane.isNull()) return current;
    return index == 0 ? trailing(pane, stacked) : leading(pane, stacked) - m.barWidth;
}

}  // namespace pgw::splitter
