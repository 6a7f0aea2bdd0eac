#pragma once
// A 24-bit bitmap file from decoded pixels: the form in which pictures of a format the
// Windows picture object cannot read (PNG) are stored, losslessly.

#include "editors/pictures/PictureGeometry.h"

#include <optional>
#include <string>
#include <vector>

namespace pgw::pictures {

// Pixels as red, green, blue bytes, rows top to bottom without padding.
struct RgbImage {
    PixelSize size;
    std::vector<uint8_t> rgb;
};

// The file's bytes, or nothing when the pixels do not match the size or the file would
// be larger than a picture may be.
std::optional<std::string> bmpFileFromRgb(const RgbImage& image);

}  // namespace pgw::pictures
