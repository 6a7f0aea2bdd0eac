#include "editors/pictures/PictureGeometry.h"

#include <algorithm>
#include <limits>

namespace pgw::pictures {

int32_t clampToInt32(int64_t value) {
    return int32_t(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

int32_t mulDiv(int64_t a, int64_t b, int64_t c) {
    if (c == 0) return -1;
    // Operands are 32-bit values widened, so the product fits in 64 bits.
    const int64_t product = a * b;
    const bool negative = (product < 0) != (c < 0);
    const uint64_t magnitude = product < 0 ? uint64_t(0) - uint64_t(product) : uint64_t(product);
    const uint64_t divisor = c < 0 ? uint64_t(0) - uint64_t(c) : uint64_t(c);
    const uint64_t quotient = (magnitude + divisor / 2) / divisor;
    if (quotient > uint64_t(std::numeric_limits<int32_t>::max()) + (negative ? 1 : 0)) return -1;
    return negative ? int32_t(-int64_t(quotient)) : int32_t(quotient);
}

PictureRect PictureRect::normalized() const {
    return {std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
}

bool PictureRect::contains(PicturePoint point) const {
    return point.x >= left && point.x < right && point.y >= top && point.y < bottom;
}

PictureRect PictureRect::inflated(int32_t dx, int32_t dy) const {
    return {clampToInt32(int64_t(left) - dx), clampToInt32(int64_t(top) - dy), clampToInt32(int64_t(right) + dx),
            clampToInt32(int64_t(bottom) + dy)};
}

PictureRect PictureRect::offset(int64_t dx, int64_t dy) const {
    return {clampToInt32(left + dx), clampToInt32(top + dy), clampToInt32(right + dx), clampToInt32(bottom + dy)};
}

PicturePoint DeviceContext::toDevice(PicturePoint logical) const {
    return {clampToInt32(int64_t(logical.x) + origin.x), clampToInt32(int64_t(logical.y) + origin.y)};
}

PictureRect DeviceContext::toDevice(const PictureRect& logical) const { return logical.offset(origin.x, origin.y); }

}  // namespace pgw::pictures
