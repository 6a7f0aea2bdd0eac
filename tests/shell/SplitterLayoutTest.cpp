// Figures of the splitter layout, computed without a window.
#include "shell/SplitterLayout.h"

#include <gtest/gtest.h>

namespace pgw::splitter {
namespace {

constexpr unsigned kFrameStyle = 0x25;
constexpr unsigned kTreePane = 0x501;
constexpr unsigned kContentPane = 0x101;

std::array<PaneState, 2> panes(unsigned flags0 = kTreePane, unsigned flags1 = kContentPane) {
    return {PaneState{flags0, true, false}, PaneState{flags1, true, false}};
}

Geometry layout(unsigned style, const std::array<PaneState, 2>& p, int position, QSize client,
                const Geometry& previous = {}) {
    SplitState split{position, position, 0};
    return computeLayout(style, p, split, client, previous);
}

TEST(SplitterLayout, SideBySideFrameLayout) {
    const Geometry g = layout(kFrameStyle, panes(), 235, {600, 400});
    EXPECT_EQ(g.panes[0].pane, QRect(0, 0, 235, 400));
    EXPECT_EQ(g.bar, QRect(235, 0, 8, 400));
    EXPECT_EQ(g.panes[1].pane, QRect(243, 0, 357, 400));
    EXPECT_EQ(g.panes[0].client, QRect(1, 1, 233, 398));
    EXPECT_EQ(g.panes[1].client, QRect(244, 1, 355, 398));
    EXPECT_TRUE(g.barShown);
    // Top = 400/2 - 2*18; only pane 0 has a bar button.
    EXPECT_EQ(g.barButtons[0], QRect(235, 164, 8, 18));
    EXPECT_TRUE(g.barButtons[1].isEmpty());
    EXPECT_TRUE(g.panes[0].caption.isEmpty());
}

TEST(SplitterLayout, SecondBarButtonSitsThreeButtonHeightsLower) {
    const Geometry g = layout(kFrameStyle, panes(kTreePane, kTreePane), 235, {600, 400});
    EXPECT_EQ(g.barButtons[1], QRect(235, 164 + 54, 8, 18));
}

TEST(SplitterLayout, StackedBarButtonsSpanTheBarHeight) {
    const Geometry g = layout(0x22, panes(kTreePane, kTreePane), 200, {400, 600});
    EXPECT_EQ(g.bar, QRect(0, 200, 400, 8));
    EXPECT_EQ(g.panes[0].pane, QRect(0, 0, 400, 200));
    EXPECT_EQ(g.panes[1].pane, QRect(0, 208, 400, 392));
    EXPECT_EQ(g.barButtons[0], QRect(200 - 36, 200, 18, 8));
    EXPECT_EQ(g.barButtons[1], QRect(200 + 18, 200, 18, 8));
}

struct ClampCase {
    int position;
    unsigned flags0, flags1;
    int expectedBar;
};

class SplitterClamp : public testing::TestWithParam<ClampCase> {};

TEST_P(SplitterClamp, BarStaysWhereBothPanesKeepTheirBorders) {
    const ClampCase c = GetParam();
    SplitState split{c.position, c.position, 0};
    const Geometry g = computeLayout(kFrameStyle, panes(c.flags0, c.flags1), split, {600, 400}, {});
    EXPECT_EQ(g.bar.left(), c.expectedBar);
    EXPECT_EQ(g.panes[1].pane.width(), 600 - c.expectedBar - 8);
    EXPECT_EQ(split.position, c.position) << "the clamp must not forget the chosen position";
}

INSTANTIATE_TEST_SUITE_P(Edges, SplitterClamp,
                         testing::Values(ClampCase{1000, kTreePane, kContentPane, 600 - 2 - 8},
                                         ClampCase{595, kTreePane, 0x103, 600 - 6 - 8},
                                         ClampCase{-40, kTreePane, kContentPane, 2},
                                         ClampCase{0, 0x503, kContentPane, 6},
                                         ClampCase{0, 0x500, kContentPane, 0}));

struct ResizeCase {
    unsigned rule;
    int newWidth;
    int expectedBar;
};

class SplitterResizeRule : public testing::TestWithParam<ResizeCase> {};

TEST_P(SplitterResizeRule, PositionFollowsTheRule) {
    const ResizeCase c = GetParam();
    const unsigned style = 0x21 | c.rule;
    SplitState split{200, 200, 0};
    computeLayout(style, panes(), split, {600, 400}, {});
    const Geometry g = computeLayout(style, panes(), split, {c.newWidth, 400}, {});
    EXPECT_EQ(g.bar.left(), c.expectedBar);
}

INSTANTIATE_TEST_SUITE_P(Rules, SplitterResizeRule,
                         testing::Values(ResizeCase{0x00, 800, 200},  // first pane keeps its size
                                         ResizeCase{0x04, 800, 200},
                                         ResizeCase{0x08, 800, 400},  // second pane keeps its size
                                         ResizeCase{0x08, 300, 2},    // ...clamped at the left
                                         ResizeCase{0x10, 800, 267},  // 200*800/600 rounded
                                         ResizeCase{0x10, 300, 100},
                                         ResizeCase{0x00, 150, 140}));

TEST(SplitterLayout, KeepSecondRuleTracksSuccessiveResizes) {
    SplitState split{200, 200, 0};
    const unsigned style = 0x29;
    computeLayout(style, panes(), split, {600, 400}, {});
    computeLayout(style, panes(), split, {700, 400}, {});
    const Geometry g = computeLayout(style, panes(), split, {650, 400}, {});
    EXPECT_EQ(g.bar.left(), 250);
    EXPECT_EQ(g.panes[1].pane.width(), 600 - 200 - 8);
}

TEST(SplitterLayout, CollapsedPaneKeepsItsRectangleForTheRestore) {
    const Geometry open = layout(kFrameStyle, panes(), 235, {600, 400});
    auto p = panes();
    p[0].collapsed = true;
    const Geometry g = layout(kFrameStyle, p, 235, {600, 400}, open);
    EXPECT_EQ(g.bar, QRect(0, 0, 8, 400));
    EXPECT_EQ(g.panes[1].pane, QRect(8, 0, 592, 400));
    EXPECT_EQ(g.viewShown, (std::array<bool, 2>{false, true}));
    EXPECT_EQ(g.barButtons[0], QRect(0, 164, 8, 18));
    EXPECT_EQ(restorePosition(kFrameStyle, g, 0, 0, {}), 235);

    p = panes();
    p[1].collapsed = true;
    const Geometry h = layout(kFrameStyle, p, 235, {600, 400}, open);
    EXPECT_EQ(h.bar, QRect(592, 0, 8, 400));
    EXPECT_EQ(h.panes[0].pane, QRect(0, 0, 592, 400));
    EXPECT_EQ(restorePosition(kFrameStyle, h, 1, 0, {}), 235);
}

TEST(SplitterLayout, RestoreOfANeverLaidOutPaneKeepsThePosition) {
    EXPECT_EQ(restorePosition(kFrameStyle, Geometry{}, 0, 123, {}), 123);
    EXPECT_EQ(restorePosition(kFrameStyle, Geometry{}, 1, 123, {}), 123);
}

TEST(SplitterLayout, SingleVisiblePaneFillsTheClientWithoutBar) {
    for (int shown : {0, 1}) {
        auto p = panes();
        p[1 - shown].visible = false;
        const Geometry g = layout(kFrameStyle, p, 235, {600, 400});
        EXPECT_EQ(g.panes[shown].pane, QRect(0, 0, 600, 400)) << shown;
        EXPECT_FALSE(g.barShown);
        EXPECT_FALSE(g.viewShown[1 - shown]);
        EXPECT_TRUE(g.barButtons[0].isEmpty());
    }
    auto none = panes();
    none[0].visible = none[1].visible = false;
    const Geometry g = layout(kFrameStyle, none, 235, {600, 400});
    EXPECT_FALSE(g.barShown);
    EXPECT_EQ(g.viewShown, (std::array<bool, 2>{false, false}));
}

TEST(SplitterLayout, CaptionAndCloseButton) {
    const Metrics m;
    // Border 1, single caption frame, normal caption, close button; 3D doubles the frame lines.
    const PaneGeometry parts = paneParts(QRect(0, 0, 200, 300), 0x225, true, m);
    EXPECT_EQ(parts.caption, QRect(1, 1, 198, 18 + 2));
    EXPECT_EQ(parts.closeButton, QRect(199 - 1 - 18, 2, 18, 18));
    EXPECT_EQ(parts.client, QRect(1, 21, 198, 278));

    const PaneGeometry flat = paneParts(QRect(0, 0, 200, 300), 0x218, false, m);
    EXPECT_EQ(flat.caption, QRect(0, 0, 200, 15 + 2));
    EXPECT_EQ(flat.closeButton, QRect(200 - 2 - 15, 2, 15, 15));

    const PaneGeometry narrow = paneParts(QRect(0, 0, 12, 300), 0x225, true, m);
    EXPECT_TRUE(narrow.closeButton.isEmpty());
}

TEST(SplitterLayout, TrackerStopsAtTheRange) {
    const Geometry g = layout(kFrameStyle, panes(), 235, {600, 400});
    EXPECT_EQ(trackerEdge(kFrameStyle, g, 1000, {}), 592);
    EXPECT_EQ(trackerEdge(kFrameStyle, g, -50, {}), 0);
    EXPECT_EQ(trackerEdge(kFrameStyle, g, 300, {}), 300);
    const Geometry s = layout(0x22, panes(), 200, {400, 600});
    EXPECT_EQ(trackerEdge(0x22, s, 900, {}), 592);
    EXPECT_EQ(trackerEdge(0x22, s, -1, {}), 0);
}

TEST(SplitterLayout, EmptyClientDoesNotProduceNegativeRectangles) {
    const Geometry g = layout(kFrameStyle, panes(), 235, {0, 0});
    for (const auto& pane : g.panes) {
        EXPECT_GE(pane.pane.width(), 0);
        EXPECT_GE(pane.client.width(), 0);
        EXPECT_GE(pane.client.height(), 0);
    }
}

}  // namespace
}  // namespace pgw::splitter
