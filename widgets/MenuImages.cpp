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

void addCrispPixmap(QIcon& icon, const QPixmap& image, QIcon::Mode mode) {
    if (image.isNull()) return;
    icon.addPixmap(image, mode);
    for (const int factor : {2, 3}) {
        QPixmap enlarged = image.scaled(image.size() * factor, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        enlarged.setDevicePixelRatio(image.devicePixelRatio() * factor);
        icon.addPixmap(enlarged, mode);
    }
}

QIcon crispIcon(const QPixmap& image) {
    QIcon icon;
    addCrispPixmap(icon, image);
    return icon;
}

}  // namespace pgw
