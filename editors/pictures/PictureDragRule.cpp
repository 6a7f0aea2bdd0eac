#include "editors/pictures/PictureDragRule.h"

namespace pgw::pictures {

bool dragStepAllowed(const PictureRect& rect, PicturePoint last, PicturePoint point, const DragLimits& limits) {
    if (point.x < last.x && rect.left <= limits.left) return false;
    if (point.x > last.x && rect.right >= limits.right) return false;
    if (point.y < last.y && rect.top < limits.top) return false;
    if (point.y > last.y && rect.bottom > limits.bottom) return false;
    return true;
}

}  // namespace pgw::pictures
