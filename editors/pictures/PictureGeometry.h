#pragma once
// Rectangles, sizes and the device a picture is measured and drawn on. Logical units are
// pixels; a device differs from them only by its origin (the scroll position) and its
// resolution, which converts the picture's HIMETRIC size.

#include <cstdint>

namespace pgw::pictures {

struct PixelSize {
    int32_t width = 0;
    int32_t height = 0;
    bool operator==(const PixelSize&) const = default;
};

struct PicturePoint {
    int32_t x = 0;
    int32_t y = 0;
};

// left, top, right, bottom as stored; not necessarily normalised.
struct PictureRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    int64_t width() const { return int64_t(right) - left; }
    int64_t height() const { return int64_t(bottom) - top; }
    bool isEmpty() const { return width() <= 0 || height() <= 0; }
    PictureRect normalized() const;
    // Right and bottom edges are outside, as for window rectangles.
    bool contains(PicturePoint point) const;
    PictureRect inflated(int32_t dx, int32_t dy) const;
    PictureRect offset(int64_t dx, int64_t dy) const;
    bool operator==(const PictureRect&) const = default;
};

// a * b / c rounded to the nearest integer, halves away from zero; -1 when c is 0 or the
// result does not fit in 32 bits. The zoom and unit arithmetic is defined this way.
int32_t mulDiv(int64_t a, int64_t b, int64_t c);

// Saturates instead of wrapping: rectangles come from files and may hold any value.
int32_t clampToInt32(int64_t value);

inline constexpr int32_t kScreenDpi = 96;
inline constexpr int32_t kHimetricPerInch = 2540;

struct DeviceContext {
    int32_t dpiX = kScreenDpi;
    int32_t dpiY = kScreenDpi;
    PicturePoint origin;     // device position of logical (0, 0)
    PictureRect clipBox;     // logical
    bool printing = false;

    PicturePoint toDevice(PicturePoint logical) const;
    PictureRect toDevice(const PictureRect& logical) const;
};

}  // namespace pgw::pictures
