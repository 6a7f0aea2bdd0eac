// Which drag steps a picture may take near the page's limits.

#include "editors/pictures/PictureDragRule.h"

#include <gtest/gtest.h>

namespace pgw::pictures {
namespace {

struct StepCase {
    const char* name;
    PictureRect rect;
    PicturePoint point;  // from (100, 100)
    bool allowed;
};

class DragStepTest : public ::testing::TestWithParam<StepCase> {};

TEST_P(DragStepTest, RefusesOnlyStepsFurtherOut) {
    const StepCase& c = GetParam();
    EXPECT_EQ(dragStepAllowed(c.rect, {100, 100}, c.point), c.allowed) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Limits, DragStepTest,
    ::testing::Values(StepCase{"left at limit, going left", {5, 40, 50, 80}, {99, 100}, false},
                      StepCase{"left at limit, going right", {5, 40, 50, 80}, {101, 100}, true},
                      StepCase{"left past limit, going left", {2, 40, 50, 80}, {90, 100}, false},
                      StepCase{"left just inside, going left", {6, 40, 50, 80}, {99, 100}, true},
                      StepCase{"right at width, going right", {700, 40, 800, 80}, {101, 100}, false},
                      StepCase{"right at width, going left", {700, 40, 800, 80}, {99, 100}, true},
                      StepCase{"top above limit, going up", {40, 29, 80, 80}, {100, 99}, false},
                      StepCase{"top at limit, going up", {40, 30, 80, 80}, {100, 99}, true},
                      StepCase{"top above limit, going down", {40, 29, 80, 80}, {100, 101}, true},
                      StepCase{"bottom past height, going down", {40, 500, 80, 601}, {100, 101}, false},
                      StepCase{"bottom at height, going down", {40, 500, 80, 600}, {100, 101}, true},
                      StepCase{"bottom past height, going up", {40, 500, 80, 601}, {100, 99}, true},
                      StepCase{"no move at all", {0, 0, 900, 700}, {100, 100}, true},
                      StepCase{"diagonal with one axis refused", {5, 40, 50, 80}, {99, 101}, false}));

}  // namespace
}  // namespace pgw::pictures
