#include "editors/pictures/PngDecoding.h"

#include "editors/pictures/PictureImage.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QPainter>

namespace pgw::pictures {

std::optional<RgbImage> decodePngOverWhite(std::string_view png) {
    QByteArray data = QByteArray::fromRawData(png.data(), qsizetype(png.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    // Refuse absurd sizes before anything is decoded.
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > kMaxPictureSide || size.height() > kMaxPictureSide ||
        uint64_t(size.width()) * uint64_t(size.height()) * 3 > kMaxPictureBytes)
        return std::nullopt;
    const QImage decoded = reader.read();
    if (decoded.isNull()) return std::nullopt;
    QImage flat(decoded.size(), QImage::Format_RGB888);
    flat.fill(Qt::white);
    {
        QPainter painter(&flat);
        painter.drawImage(0, 0, decoded);
    }
    RgbImage image;
    image.size = {flat.width(), flat.height()};
    const qsizetype rowBytes = qsizetype(flat.width()) * 3;
    image.rgb.reserve(size_t(rowBytes) * size_t(flat.height()));
    for (int y = 0; y < flat.height(); ++y) {
        const uchar* row = flat.constScanLine(y);
        image.rgb.insert(image.rgb.end(), row, row + rowBytes);
    }
    return image;
}

std::optional<std::string> convertPngToBmp(std::string_view png) {
    const auto pixels = decodePngOverWhite(png);
    return pixels ? bmpFileFromRgb(*pixels) : std::nullopt;
}

}  // namespace pgw::pictures
