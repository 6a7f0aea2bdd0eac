#pragma once
// A picture's two sizes: the source size (pixels for bitmaps, 0.01 mm for metafiles) and the
// display size in twips. When a file leaves one out, it is found in the image data or worked
// out from the other, so that no picture is written without a size.

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/richtext/RichDocument.h"

namespace pgw::richtext {

struct ImageExtent {
    int32_t width = 0;
    int32_t height = 0;
};

// The source size the data states: a PNG's IHDR, a JPEG's frame header, a DIB's info header,
// an enhanced metafile's frame. Nothing for damaged data and for Windows metafiles, whose
// records carry no size of their own.
std::optional<ImageExtent> imageExtent(PictureFormat format, std::string_view bytes);

struct PictureSizes {
    int32_t sourceWidth = 0;
    int32_t sourceHeight = 0;
    int32_t widthTwips = 0;
    int32_t heightTwips = 0;
};

// The picture's sizes with what is missing (0 or less) filled in: the source size from the
// data, else from the display size; the display size from the source size at 96 dpi
// (bitmaps) or 1440 twips per 2540 units of 0.01 mm (metafiles). Nothing when the source
// size can be found nowhere.
std::optional<PictureSizes> completedSizes(const Picture& picture);

}  // namespace pgw::richtext
