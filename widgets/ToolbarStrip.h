#pragma once
// Toolbar and menu images come as strips: one bitmap, one image per fixed width, and the
// colour of the bitmap's first pixel (bottom-left, as bitmaps are stored bottom-up) marks
// what is transparent.

#include <QIcon>
#include <QPalette>
#include <QPixmap>
#include <QString>

#include <vector>

namespace pgw::widgets {

// The strip's images; empty when the bitmap cannot be read or is narrower than one image.
std::vector<QPixmap> loadToolbarImages(const QString& path, int imageWidth);

// The images as they read on the palette's buttons: on a dark palette their black and dark
// grey strokes take the button text's colour; colours and a light palette leave them as drawn.
std::vector<QPixmap> readableOn(const QPalette& palette, std::vector<QPixmap> images);

// The disabled strip's images as they read on the palette's buttons. They are drawn light
// grey to fade into a light face; on a dark one light grey stands out as if enabled, so there
// they are sunk most of the way into the face.
std::vector<QPixmap> disabledOn(const QPalette& palette, std::vector<QPixmap> images);

// An icon of image `index`, with the disabled strip's image for the disabled look when
// there is one.
QIcon stripIcon(const std::vector<QPixmap>& normal, const std::vector<QPixmap>& disabled, size_t index);

}  // namespace pgw::widgets
