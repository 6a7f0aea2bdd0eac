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

std::vector<QPixmap> readableOn(const QPalette& palette, std::vector<QPixmap> images) {
    if (palette.color(QPalette::Button).lightness() >= 128) return images;
    const QColor ink = palette.color(QPalette::ButtonText);
    for (QPixmap& pixmap : images) {
        QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const QColor colour = QColor::fromRgba(line[x]);
                if (colour.alpha() == 0 || colour.lightness() >= 100 || colour.hslSaturation() > 60) continue;
                line[x] = qRgba(ink.red(), ink.green(), ink.blue(), colour.alpha());
            }
        }
        pixmap = QPixmap::fromImage(image);
    }
    return images;
}

std::vector<QPixmap> disabledOn(const QPalette& palette, std::vector<QPixmap> images) {
    const QColor face = palette.color(QPalette::Button);
    if (face.lightness() >= 128) return images;
    const auto sunk = [](int channel, int faceChannel) { return (2 * channel + 3 * faceChannel) / 5; };
    for (QPixmap& pixmap : images) {
        QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const QRgb pixel = line[x];
                line[x] = qRgba(sunk(qRed(pixel), face.red()), sunk(qGreen(pixel), face.green()),
                                sunk(qBlue(pixel), face.blue()), qAlpha(pixel));
            }
        }
        pixmap = QPixmap::fromImage(image);
    }
    return images;
}

QIcon stripIcon(const std::vector<QPixmap>& normal, const std::vector<QPixmap>& disabled, size_t index) {
    QIcon icon;
    if (index < normal.size()) addCrispPixmap(icon, normal[index], QIcon::Normal);
    if (index < disabled.size()) addCrispPixmap(icon, disabled[index], QIcon::Disabled);
    return icon;
}

}  // namespace pgw::widgets
