#pragma once
// The colour popup's fixed palette and the arithmetic behind it: which box a colour
// opens on, where the arrow keys lead, and how the popup stays on the screen.
// Plain C++ so it can be checked without a display and under the sanitizers.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace pgw::colour {

// A colour reference as the Windows program stores it: 0x00BBGGRR.
using ColourRef = uint32_t;
// The picker's "no colour": the text takes the window text colour.
inline constexpr ColourRef kAutomatic = 0xFF000000;

constexpr ColourRef makeRef(uint8_t red, uint8_t green, uint8_t blue) {
    return ColourRef(red) | ColourRef(green) << 8 | ColourRef(blue) << 16;
}
constexpr uint8_t redOf(ColourRef ref) { return uint8_t(ref & 0xFF); }
constexpr uint8_t greenOf(ColourRef ref) { return uint8_t(ref >> 8 & 0xFF); }
constexpr uint8_t blueOf(ColourRef ref) { return uint8_t(ref >> 16 & 0xFF); }

struct NamedColour {
    std::string_view name;  // also the box's tooltip
    ColourRef colour;
};

inline constexpr int kColourCount = 40;
inline constexpr int kColumnCount = 8;
inline constexpr int kRowCount = (kColourCount + kColumnCount - 1) / kColumnCount;
inline constexpr int kLastColour = kColourCount - 1;

// Box indices besides the colours 0..39.
inline constexpr int kDefaultBox = -3;  // "Automatic", above the grid
inline constexpr int kCustomBox = -2;   // "More Colours...", below the grid
inline constexpr int kNoBox = -1;

// Entry 8 r + c sits at row r, column c.
const std::array<NamedColour, kColourCount>& colourTable();

constexpr int rowOf(int index) { return index / kColumnCount; }
constexpr int columnOf(int index) { return index % kColumnCount; }
// The entry at a grid cell, or nothing outside the grid.
std::optional<int> indexAt(int row, int column);

// Which boxes the popup shows; an empty text means no box.
struct PopupBoxes {
    bool hasDefault = true;
    bool hasCustom = true;
};

// The box marked as the one the popup was opened with.
int initialIndex(ColourRef opened, PopupBoxes boxes);

enum class ArrowKey { Left, Up, Right, Down };
// The box an arrow key moves to from the current box (kNoBox included).
int indexAfterKey(ArrowKey key, int current, PopupBoxes boxes);

// Screen rectangle with exclusive right and bottom edges.
struct ScreenArea {
    int left = 0, top = 0, right = 0, bottom = 0;
};
struct Origin {
    int x = 0, y = 0;
};
// Moves a popup of the given size, opened at origin just under the picker, so that it
// stays on the screen: left past the right edge, right past the left edge, above the
// picker (ending at pickerTop) past the bottom edge, and never above the top edge.
Origin keepOnScreen(Origin origin, int width, int height, ScreenArea screen, int pickerTop);

}  // namespace pgw::colour
