#include "widgets/MenuImages.h"

#include <QBitmap>

namespace pgw {

ImageList splitImageStrip(const QPixmap& strip, int imageWidth, std::optional<QColor> transparent) {
    ImageList images;
    if (imageWidth <= 0 || strip.isNull()) return images;
    const int count = strip.width() / imageWidth;
    images.reserve(count);
    for (int i = 0; i < count; ++i) {
        QPixmap image = strip.copy(i * imageWidth, 0, imageWidth, strip.height());
        if (transparent) image.setMask(image.createMaskFromColor(*transparent, Qt::MaskInColor));
        images.push_back(image);
    }
    return images;
}

}  // namespace pgw
