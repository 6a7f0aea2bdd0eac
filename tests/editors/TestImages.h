#pragma once
// Small images with distinct pixels, and their encoded bytes, for the editor tests.

#include <QBuffer>
#include <QImage>

#include <string>

namespace pgw::editors {

inline QImage testImage(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image.setPixel(x, y, qRgb(x * 40 % 256, y * 70 % 256, (x + y) * 13 % 256));
    return image;
}

inline std::string encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, 100);
    return bytes.toStdString();
}

}  // namespace pgw::editors
