#pragma once
// Whether one step of a drag may move a picture: a step that would push it further past
// the page's limits is refused; one that brings it back inside always goes.

#include "editors/pictures/PictureGeometry.h"

namespace pgw::pictures {

struct DragLimits {
    int32_t left = 5;
    int32_t top = 30;
    int32_t right = 800;
    int32_t bottom = 600;
};

bool dragStepAllowed(const PictureRect& rect, PicturePoint last, PicturePoint point, const DragLimits& limits = {});

}  // namespace pgw::pictures
