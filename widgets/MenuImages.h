// Image lists for the menus: one pixmap per image, cut from a strip.
#pragma once

#include <QColor>
#include <QPixmap>

#include <optional>
#include <vector>

namespace pgw {

using ImageList = std::vector<QPixmap>;

// Cuts `strip` into images `imageWidth` wide; `transparent` becomes see-through. A width
// that is not positive gives an empty list; a partial image at the end is dropped.
ImageList splitImageStrip(const QPixmap& strip, int imageWidth,
                          std::optional<QColor> transparent = std::nullopt);

}  // namespace pgw
