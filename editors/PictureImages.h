#pragma once
// Pictures as images: what Qt shows for a picture's stored bytes, and the bytes a picture
// made from a Qt image is stored as. Pages are read by Windows rich edit controls that show
// device-independent bitmaps and metafiles but not PNG, so new pictures are stored as DIBs.

#include "platform/richtext/RichDocument.h"

#include <QImage>

#include <string>
#include <string_view>

namespace pgw::editors {

// The image to show: the decoded picture, or a blank framed placeholder of the picture's
// display size when Qt cannot decode it (metafiles, damaged data).
QImage displayImage(const richtext::Picture& picture);

// Decodes a packed DIB (a bitmap header, colour table and pixels, no file header).
// A null image when the data is damaged or of a kind Qt cannot read.
QImage imageFromPackedDib(std::string_view dib);

// A packed DIB of the image: BITMAPINFOHEADER and 24-bit bottom-up rows. Translucent images
// are laid over white first, because those readers draw DIBs without alpha.
std::string packedDibFromImage(const QImage& image);

// The placeholder's side is bounded so hostile sizes cannot exhaust memory.
inline constexpr int kMaxPlaceholderSide = 2048;

}  // namespace pgw::editors
