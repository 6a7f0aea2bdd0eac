#pragma once
// Pictures made into PNG for readers that know only the web's image formats: bitmaps
// (a bitmap file, or a packed bitmap as rich text holds it) and icons are decoded here,
// without Qt, and written as PNG by libpng. Transparency is blended over white.

#include "editors/pictures/BmpWriter.h"

#include <optional>
#include <string>
#include <string_view>

namespace pgw::pictures {

// The pixels of a packed device-independent bitmap (its info header, colour table and
// bits): 1, 4, 8, 16, 24 and 32 bits, uncompressed or with bit fields. Nothing for other
// kinds (run-length coded, JPEG inside) and for damaged or absurd headers. `iconMask`: the
// bitmap is an icon's image (twice the height, its lower half the AND mask).
std::optional<RgbImage> decodeDib(std::string_view dib, bool iconMask = false);
// The same for a bitmap file (its 14-byte file header first).
std::optional<RgbImage> decodeBmpFile(std::string_view bmp);

// An icon file's largest image as PNG bytes: a PNG image as it is, a bitmap decoded.
std::optional<std::string> iconToPng(std::string_view ico);

// PNG bytes of the pixels, or nothing when libpng fails.
std::optional<std::string> encodePng(const RgbImage& image);

}  // namespace pgw::pictures
