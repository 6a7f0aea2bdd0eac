#include "widgets/ToolbarStrip.h"

#include "widgets/MenuImages.h"

#include <QImage>

namespace pgw::widgets {

std::vector<QPixmap> loadToolbarImages(const QString& path, int imageWidth) {
    const QImage strip(path);
    if (strip.isNull() || imageWidth <= 0 || strip.width() < imageWidth) return {};
    const QColor key = strip.pixelColor(0, strip.height() - 1);
    return splitImageStrip(QPixmap::fromImage(strip), imageWidth, key);
}

QIcon stripIcon(const std::vector<QPixmap>& normal, const std::vector<QPixmap>& disabled, size_t index) {
    QIcon icon;
    if (index < normal.size()) icon.addPixmap(normal[index], QIcon::Normal);
    if (index < disabled.size()) icon.addPixmap(disabled[index], QIcon::Disabled);
    return icon;
}

}  // namespace pgw::widgets
