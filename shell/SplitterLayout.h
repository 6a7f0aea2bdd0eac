// Geometry of the two-pane splitter: pure arithmetic over rectangles, no painting,
// so every figure can be checked without a window.
#pragma once

#include <QRect>
#include <QSize>

#include <array>

namespace pgw::splitter {

// Splitter style bits.
inline constexpr unsigned kSideBySide = 0x01;
inline constexpr unsigned kStacked = 0x02;
inline constexpr unsigned kResizeRuleMask = 0x1C;
inline constexpr unsigned kSecondKeepsSize = 0x08;
inline constexpr unsigned kProportional = 0x10;
inline constexpr unsigned k3DBorders = 0x20;

// Pane flag bits.
inline constexpr unsigned kBorderMask = 0x003;
inline constexpr unsigned kCaptionFrameMask = 0x00C;
inline constexpr unsigned kCaptionFrameSingle = 0x004;
inline constexpr unsigned kCaptionFrameDouble = 0x008;
inline constexpr unsigned kCaptionMask = 0x030;
inline constexpr unsigned kSmallCaption = 0x010;
inline constexpr unsigned kNormalCaption = 0x020;
inline constexpr unsigned kButtonLookMask = 0x1C0;
inline constexpr unsigned kButtonSingleEdge = 0x040;
inline constexpr unsigned kButtonDoubleEdge = 0x080;
inline constexpr unsigned kButtonFlat = 0x100;
inline constexpr unsigned kCloseButton = 0x200;
inline constexpr unsigned kBarButtonMask = 0xC00;
inline constexpr unsigned kBarButtonLarge = 0x400;
inline constexpr unsigned kBarButtonSmall = 0x800;

inline constexpr int kBarWidth = 8;

// Linux has no caption metrics of its own that mean the same thing, so the splitter uses the
// classic Windows sizes; the glyphs are sized from them as the symbol fonts would be.
struct Metrics {
    int captionHeight = 18;
    int smallCaptionHeight = 15;
    int captionButtonWidth = 18;
    int captionButtonHeight = 18;
    int barWidth = kBarWidth;
    int largeGlyphSize() const { return captionHeight - 4; }
    int smallGlyphSize() const { return smallCaptionHeight - 4; }
};

// Rectangles are built from edges the way the layout reasons about them: right and bottom
// are exclusive. Negative extents collapse to empty.
QRect rectFromEdges(int left, int top, int right, int bottom);

struct PaneState {
    unsigned flags = 0;
    bool visible = true;
    bool collapsed = false;
};

struct PaneGeometry {
    QRect pane;
    QRect caption;
    QRect closeButton;
    QRect client;
};

// Where the bar sits; the bases drive the proportional and keep-second resize rules.
struct SplitState {
    int position = 0;
    int basePosition = 0;
    int baseExtent = 0;  // 0 until the first layout
};

struct Geometry {
    std::array<PaneGeometry, 2> panes;
    std::array<bool, 2> viewShown{false, false};
    QRect bar;
    bool barShown = false;
    std::array<QRect, 2> barButtons;
};

int borderWidth(unsigned paneFlags);
bool isStacked(unsigned style);

// Lays out the splitter. `previous` supplies the rectangle a collapsed pane keeps; `split`
// is updated by the resize rule. The bar lies at the clamped position.
Geometry computeLayout(unsigned style, const std::array<PaneState, 2>& panes, SplitState& split,
                       QSize client, const Geometry& previous, const Metrics& metrics = {});

// Caption, close button and client area of one pane inside its rectangle.
PaneGeometry paneParts(const QRect& pane, unsigned flags, bool borders3D, const Metrics& metrics);

// Bar button rectangle of pane `index` on `bar`, empty when the pane has no bar button.
QRect barButtonRect(unsigned style, unsigned paneFlags, int index, const QRect& bar,
                    const Metrics& metrics);

// Leading edge of the drag tracker for a mouse coordinate along the split axis: it stops at
// the range spanned by the two panes.
int trackerEdge(unsigned style, const Geometry& geometry, int mouse, const Metrics& metrics);

// Split position that puts the bar back where it was before pane `index` collapsed.
// A pane that was never laid out keeps the current position.
int restorePosition(unsigned style, const Geometry& geometry, int index, int current,
                    const Metrics& metrics);

}  // namespace pgw::splitter
