// The popup's arithmetic: named colours, the box it opens on, arrow-key walks, placement.
#include "widgets/ColourTable.h"

#include <gtest/gtest.h>

#include <ostream>
#include <set>

namespace pgw::colour {
namespace {

TEST(ColourTable, NamedEntriesSitInTheirCells) {
    struct Case {
        int row, column;
        std::string_view name;
        ColourRef colour;
    };
    const Case cases[] = {
        {0, 0, "Black", 0x000000},          {0, 1, "Brown", 0x002AA5},
        {1, 1, "Orange", 0x2068FF},         {2, 5, "Light blue", 0xC09E7D},
        {4, 3, "Pale green ", 0x98FB98},    {4, 7, "White", 0xFFFFFF},
        {1, 7, "Grey - 40", 0x666666},      {3, 5, "Skyblue", 0xFFFFC0},
    };
    for (const Case& c : cases) {
        const auto index = indexAt(c.row, c.column);
        ASSERT_TRUE(index) << c.name;
        EXPECT_EQ(colourTable()[size_t(*index)].name, c.name);
        EXPECT_EQ(colourTable()[size_t(*index)].colour, c.colour) << c.name;
    }
}

TEST(ColourTable, ColoursAreDistinctAndNeverAutomatic) {
    std::set<ColourRef> seen;
    for (const NamedColour& entry : colourTable()) {
        EXPECT_TRUE(seen.insert(entry.colour).second) << entry.name;
        EXPECT_NE(entry.colour, kAutomatic);
    }
}

TEST(ColourTable, CellsOutsideTheGridHaveNoEntry) {
    for (auto [row, column] : {std::pair{-1, 0}, {0, -1}, {0, 8}, {5, 0}, {100, 100}})
        EXPECT_FALSE(indexAt(row, column)) << row << "," << column;
}

TEST(ColourTable, InitialIndexFollowsTheOpeningColour) {
    struct Case {
        ColourRef opened;
        PopupBoxes boxes;
        int expected;
    };
    const Case cases[] = {
        {kAutomatic, {true, true}, kDefaultBox},
        {kAutomatic, {false, true}, kCustomBox},  // no "Automatic" box to mark
        {kAutomatic, {false, false}, kNoBox},
        {makeRef(0, 0, 0), {true, true}, 0},
        {makeRef(255, 255, 255), {false, false}, kLastColour},
        {makeRef(152, 251, 152), {true, true}, 35},
        {makeRef(1, 0, 0), {true, true}, kCustomBox},  // near black is not black
        {makeRef(1, 0, 0), {true, false}, kNoBox},
        {0x01000000, {true, true}, kCustomBox},  // stray high byte: neither black nor automatic
    };
    for (const Case& c : cases)
        EXPECT_EQ(initialIndex(c.opened, c.boxes), c.expected) << std::hex << c.opened;
}

struct KeyCase {
    ArrowKey key;
    int from;
    PopupBoxes boxes;
    int to;
};

std::ostream& operator<<(std::ostream& out, const KeyCase& c) {
    constexpr const char* keys[] = {"Left", "Up", "Right", "Down"};
    return out << keys[int(c.key)] << "_from_" << c.from << (c.boxes.hasDefault ? "_auto" : "")
               << (c.boxes.hasCustom ? "_more" : "");
}

class ArrowKeys : public testing::TestWithParam<KeyCase> {};

TEST_P(ArrowKeys, LeadToTheExpectedBox) {
    const KeyCase& c = GetParam();
    EXPECT_EQ(indexAfterKey(c.key, c.from, c.boxes), c.to);
}

constexpr PopupBoxes kBoth{true, true}, kOnlyDefault{true, false}, kOnlyCustom{false, true}, kNone{false, false};
using enum ArrowKey;

INSTANTIATE_TEST_SUITE_P(Grid, ArrowKeys, testing::Values(
    KeyCase{Left, 9, kBoth, 8}, KeyCase{Left, 8, kBoth, 7},  // column 0 wraps to the row above
    KeyCase{Right, 7, kBoth, 8}, KeyCase{Right, 38, kBoth, 39},
    KeyCase{Up, 20, kBoth, 12}, KeyCase{Down, 12, kBoth, 20}, KeyCase{Down, 31, kBoth, 39}));

INSTANTIATE_TEST_SUITE_P(LeavingBackwards, ArrowKeys, testing::Values(
    KeyCase{Left, 0, kBoth, kDefaultBox}, KeyCase{Left, 0, kOnlyCustom, kCustomBox},
    KeyCase{Left, 0, kNone, kLastColour}, KeyCase{Left, kNoBox, kBoth, kDefaultBox},
    KeyCase{Up, 5, kBoth, kDefaultBox}, KeyCase{Up, 7, kOnlyCustom, kCustomBox},
    KeyCase{Up, 3, kNone, kLastColour}, KeyCase{Up, kNoBox, kNone, kLastColour},
    KeyCase{Left, kDefaultBox, kBoth, kCustomBox}, KeyCase{Left, kDefaultBox, kOnlyDefault, kLastColour},
    KeyCase{Up, kDefaultBox, kBoth, kCustomBox}, KeyCase{Up, kDefaultBox, kOnlyDefault, kLastColour},
    KeyCase{Left, kCustomBox, kBoth, kLastColour}, KeyCase{Up, kCustomBox, kOnlyCustom, kLastColour}));

INSTANTIATE_TEST_SUITE_P(LeavingForwards, ArrowKeys, testing::Values(
    KeyCase{Right, 39, kBoth, kCustomBox}, KeyCase{Right, 39, kOnlyDefault, kDefaultBox},
    KeyCase{Right, 39, kNone, 0}, KeyCase{Down, 32, kBoth, kCustomBox},
    KeyCase{Down, 39, kOnlyDefault, kDefaultBox}, KeyCase{Down, 35, kNone, 0},
    KeyCase{Right, kDefaultBox, kBoth, 0}, KeyCase{Down, kDefaultBox, kOnlyDefault, 0},
    KeyCase{Right, kCustomBox, kBoth, kDefaultBox}, KeyCase{Right, kCustomBox, kOnlyCustom, 0},
    KeyCase{Down, kCustomBox, kBoth, kDefaultBox}, KeyCase{Down, kCustomBox, kOnlyCustom, 0},
    KeyCase{Right, kNoBox, kBoth, 0}, KeyCase{Down, kNoBox, kBoth, 0}));

// An index that cannot occur is treated as "no box" rather than walked from.
INSTANTIATE_TEST_SUITE_P(OutOfRange, ArrowKeys, testing::Values(
    KeyCase{Right, 40, kBoth, 0}, KeyCase{Left, -7, kBoth, kDefaultBox}, KeyCase{Down, 1000, kNone, 0}));

TEST(KeepOnScreen, MovesThePopupBackOntoTheScreen) {
    constexpr ScreenArea screen{0, 0, 800, 600};
    constexpr int width = 150, height = 200, pickerTop = 380;
    struct Case {
        Origin origin;
        Origin expected;
        const char* what;
    };
    const Case cases[] = {
        {{100, 400}, {100, 400}, "fits exactly (bottom at 600)"},
        {{700, 100}, {650, 100}, "past the right edge"},
        {{651, 100}, {650, 100}, "one pixel past the right edge"},
        {{-30, 100}, {0, 100}, "left of the screen"},
        {{100, 401}, {100, 180}, "past the bottom opens above the picker"},
        {{760, 590}, {650, 180}, "bottom-right corner"},
    };
    for (const Case& c : cases) {
        const Origin placed = keepOnScreen(c.origin, width, height, screen, pickerTop);
        EXPECT_EQ(placed.x, c.expected.x) << c.what;
        EXPECT_EQ(placed.y, c.expected.y) << c.what;
    }
}

TEST(KeepOnScreen, UsesTheScreensOwnArea) {
    // A second screen to the right, with a panel at its top.
    constexpr ScreenArea screen{1920, 40, 3200, 1024};
    const Origin placed = keepOnScreen({1900, 900}, 150, 200, screen, 880);
    EXPECT_EQ(placed.x, 1920);
    EXPECT_EQ(placed.y, 680);
}

TEST(KeepOnScreen, TooLowAScreenKeepsTheTopVisible) {
    const Origin placed = keepOnScreen({10, 150}, 150, 200, {0, 0, 800, 250}, 130);
    EXPECT_EQ(placed.y, 0);
}

TEST(KeepOnScreen, TooWideAPopupStartsAtTheLeftEdge) {
    const Origin placed = keepOnScreen({50, 10}, 900, 100, {0, 0, 800, 600}, 0);
    EXPECT_EQ(placed.x, 0);
}

}  // namespace
}  // namespace pgw::colour
