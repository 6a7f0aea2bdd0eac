// Image lists for the menus: one pixmap per image, cut from a strip.
#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>

#include <optional>
#include <vector>

namespace pgw {

using ImageList = std::vector<QPixmap>;

// Cuts `strip` into images `imageWidth` wide; `transparent` becomes see-through. A width
// that is not positive gives an empty list; a partial image at the end is dropped.
ImageList splitImageStrip(const QPixmap& strip, int imageWidth,
                          std::optional<QColor> transparent = std::nullopt);

// Bitmap images are drawn for 1x screens. Beside `image` the icon gets copies enlarged by
// whole pixels (nearest neighbour) for 2x and 3x screens, so they stay sharp there instead
// of being smoothed into a blur; at 1x the image itself is used, as before.
void addCrispPixmap(QIcon& icon, const QPixmap& image, QIcon::Mode mode = QIcon::Normal);
QIcon crispIcon(const QPixmap& image);

}  // namespace pgw
