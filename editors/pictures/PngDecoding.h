#pragma once
// PNG pictures decoded for storing them as bitmaps the Windows picture object reads.
// Transparency is blended over white, the page's colour. Qt-free, so pgw starts without Qt.

#include "editors/pictures/BmpWriter.h"
#include "editors/pictures/CPictureObj.h"

#include <optional>
#include <string_view>

namespace pgw::pictures {

std::optional<RgbImage> decodePngOverWhite(std::string_view png);

// The PNG bytes as a 24-bit bitmap file's bytes, or nothing when they cannot be decoded.
std::optional<std::string> convertPngToBmp(std::string_view png);

inline PngDecoder pngDecoder() { return decodePngOverWhite; }

}  // namespace pgw::pictures
