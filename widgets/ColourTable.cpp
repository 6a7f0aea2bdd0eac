#include "widgets/ColourTable.h"

namespace pgw::colour {

const std::array<NamedColour, kColourCount>& colourTable() {
    static constexpr std::array<NamedColour, kColourCount> table{{
        {"Black", makeRef(0, 0, 0)},
        {"Brown", makeRef(165, 42, 0)},
        {"Dark Olive Green", makeRef(0, 64, 64)},
        {"Dark Green", makeRef(0, 85, 0)},
        {"Dark Teal", makeRef(0, 0, 94)},
        {"Dark blue", makeRef(0, 0, 139)},
        {"Indigo", makeRef(75, 0, 130)},
        {"Dark grey", makeRef(40, 40, 40)},
        {"Dark red", makeRef(139, 0, 0)},
        {"Orange", makeRef(255, 104, 32)},
        {"Dark yellow", makeRef(139, 139, 0)},
        {"Green", makeRef(0, 147, 0)},
        {"Teal", makeRef(56, 142, 142)},
        {"Blue", makeRef(0, 0, 255)},
        {"Blue-grey", makeRef(123, 123, 192)},
        {"Grey - 40", makeRef(102, 102, 102)},
        {"Red", makeRef(255, 0, 0)},
        {"Light orange", makeRef(255, 173, 91)},
        {"Lime", makeRef(50, 205, 50)},
        {"Sea green", makeRef(60, 179, 113)},
        {"Aqua", makeRef(127, 255, 212)},
        {"Light blue", makeRef(125, 158, 192)},
        {"Violet", makeRef(128, 0, 128)},
        {"Grey - 50", makeRef(127, 127, 127)},
        {"Pink", makeRef(255, 192, 203)},
        {"Gold", makeRef(255, 215, 0)},
        {"Yellow", makeRef(255, 255, 0)},
        {"Bright green", makeRef(0, 255, 0)},
        {"Turquoise", makeRef(64, 224, 208)},
        {"Skyblue", makeRef(192, 255, 255)},
        {"Plum", makeRef(72, 0, 72)},
        {"Light grey", makeRef(192, 192, 192)},
        {"Rose", makeRef(255, 228, 225)},
        {"Tan", makeRef(210, 180, 140)},
        {"Light yellow", makeRef(255, 255, 224)},
        {"Pale green ", makeRef(152, 251, 152)},  // the trailing space is part of the name
        {"Pale turquoise", makeRef(175, 238, 238)},
        {"Pale blue", makeRef(104, 131, 139)},
        {"Lavender", makeRef(230, 230, 250)},
        {"White", makeRef(255, 255, 255)},
    }};
    return table;
}

std::optional<int> indexAt(int row, int column) {
    if (row < 0 || column < 0 || column >= kColumnCount) return std::nullopt;
    const int index = row * kColumnCount + column;
    if (index >= kColourCount) return std::nullopt;
    return index;
}

int initialIndex(ColourRef opened, PopupBoxes boxes) {
    if (opened == kAutomatic && boxes.hasDefault) return kDefaultBox;
    const auto& table = colourTable();
    for (int i = 0; i < kColourCount; ++i)
        if (table[size_t(i)].colour == opened) return i;
    return boxes.hasCustom ? kCustomBox : kNoBox;
}

namespace {

// Leaving the grid backwards: the box above it, else the one below, else wrap to the end.
int beforeGrid(PopupBoxes boxes) {
    if (boxes.hasDefault) return kDefaultBox;
    if (boxes.hasCustom) return kCustomBox;
    return kLastColour;
}

// Leaving the grid forwards: the box below it, else the one above, else wrap to the start.
int afterGrid(PopupBoxes boxes) {
    if (boxes.hasCustom) return kCustomBox;
    if (boxes.hasDefault) return kDefaultBox;
    return 0;
}

int backwards(int current, int step, PopupBoxes boxes) {
    if (current == kDefaultBox) return boxes.hasCustom ? kCustomBox : kLastColour;
    if (current == kCustomBox) return kLastColour;
    if (current == kNoBox || current - step < 0) return beforeGrid(boxes);
    return current - step;
}

int forwards(int current, int step, PopupBoxes boxes) {
    if (current == kDefaultBox || current == kNoBox) return 0;
    if (current == kCustomBox) return boxes.hasDefault ? kDefaultBox : 0;
    if (current + step > kLastColour) return afterGrid(boxes);
    return current + step;
}

}  // namespace

int indexAfterKey(ArrowKey key, int current, PopupBoxes boxes) {
    // Anything outside the known range behaves like "no box".
    if (current < kDefaultBox || current > kLastColour) current = kNoBox;
    switch (key) {
    case ArrowKey::Left: return backwards(current, 1, boxes);
    case ArrowKey::Up: return backwards(current, kColumnCount, boxes);
    case ArrowKey::Right: return forwards(current, 1, boxes);
    case ArrowKey::Down: return forwards(current, kColumnCount, boxes);
    }
    return current;
}

Origin keepOnScreen(Origin origin, int width, int height, ScreenArea screen, int pickerTop) {
    Origin placed = origin;
    if (placed.x + width > screen.right) placed.x = screen.right - width;
    if (placed.x < screen.left) placed.x = screen.left;
    if (placed.y + height > screen.bottom) placed.y = pickerTop - height;
    // A screen too low for either side: show the top of the popup rather than lose it.
    if (placed.y < screen.top) placed.y = screen.top;
    return placed;
}

}  // namespace pgw::colour
