#include "editors/PictureImages.h"

#include "editors/FormatMapping.h"
#include "platform/bytes/ByteCoding.h"

#include <QPainter>

#include <algorithm>
#include <cstdint>
#include <limits>

namespace pgw::editors {
namespace {

using richtext::Picture;
using richtext::PictureFormat;

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;  // BITMAPCOREHEADER
constexpr uint32_t kInfoHeaderSize = 40;  // BITMAPINFOHEADER
constexpr uint32_t kBitFields = 3;        // BI_BITFIELDS: three colour masks follow the header
constexpr uint32_t kAlphaBitFields = 6;   // BI_ALPHABITFIELDS: four
constexpr int32_t kPixelsPerMetre96Dpi = 3780;
constexpr int kPlaceholderFallbackSide = 32;

using bytes::appendU16;
using bytes::appendU32;
using bytes::readU16;
using bytes::readU32;

// Where the pixels start, counted from the start of the packed DIB; 0 when the header is damaged.
uint64_t pixelOffset(std::string_view dib) {
    if (dib.size() < 4) return 0;
    const uint32_t headerSize = readU32(dib, 0);
    if (headerSize == kCoreHeaderSize && dib.size() >= kCoreHeaderSize) {
        const uint32_t bitCount = readU16(dib, 10);
        const uint64_t entries = bitCount <= 8 ? uint64_t(1) << bitCount : 0;
        return headerSize + entries * 3;
    }
    if (headerSize < kInfoHeaderSize || headerSize > dib.size()) return 0;
    const uint32_t bitCount = readU16(dib, 14);
    const uint32_t compression = readU32(dib, 16);
    const uint32_t coloursUsed = readU32(dib, 32);
    uint64_t masks = 0;
    if (headerSize == kInfoHeaderSize && compression == kBitFields) masks = 12;
    if (headerSize == kInfoHeaderSize && compression == kAlphaBitFields) masks = 16;
    const uint64_t entries = coloursUsed ? coloursUsed : (bitCount <= 8 ? uint64_t(1) << bitCount : 0);
    return headerSize + masks + entries * 4;
}

int placeholderSide(int32_t twips, int32_t sourceSize, bool metafile) {
    double pixels = twips / kTwipsPerPixel;
    if (pixels < 1) pixels = metafile ? sourceSize * 96.0 / 2540.0 : sourceSize;  // 0.01 mm or px
    if (pixels < 1) return kPlaceholderFallbackSide;
    return static_cast<int>(std::min<double>(pixels, kMaxPlaceholderSide));
}

QImage placeholder(const Picture& picture) {
    const bool metafile = picture.format == PictureFormat::Metafile || picture.format == PictureFormat::Emf;
    const QSize size(placeholderSide(picture.widthTwips, picture.sourceWidth, metafile),
                     placeholderSide(picture.heightTwips, picture.sourceHeight, metafile));
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setPen(QColor(Qt::lightGray));
    painter.drawRect(QRect(QPoint(0, 0), size).adjusted(0, 0, -1, -1));
    return image;
}

QImage decode(const Picture& picture) {
    const auto* data = reinterpret_cast<const uchar*>(picture.bytes.data());
    const auto size = static_cast<int>(std::min<size_t>(picture.bytes.size(), std::numeric_limits<int>::max()));
    switch (picture.format) {
    case PictureFormat::Png: return QImage::fromData(data, size, "PNG");
    case PictureFormat::Jpeg: return QImage::fromData(data, size, "JPEG");
    case PictureFormat::Dib: return imageFromPackedDib(picture.bytes);
    case PictureFormat::Metafile:
    case PictureFormat::Emf: break;
    }
    return {};
}

QImage overWhite(const QImage& image) {
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    QPainter painter(&flat);
    painter.drawImage(0, 0, image);
    painter.end();
    return flat;
}

}  // namespace

QImage displayImage(const Picture& picture) {
    QImage image = decode(picture);
    return image.isNull() ? placeholder(picture) : image;
}

QImage imageFromPackedDib(std::string_view dib) {
    const uint64_t offset = pixelOffset(dib);
    if (offset == 0 || offset > dib.size()) return {};
    const uint64_t fileSize = kFileHeaderSize + dib.size();
    if (fileSize > std::numeric_limits<uint32_t>::max() || fileSize > size_t(std::numeric_limits<int>::max()))
        return {};
    QByteArray file;
    file.reserve(static_cast<qsizetype>(fileSize));
    std::string header = "BM";
    appendU32(header, static_cast<uint32_t>(fileSize));
    appendU32(header, 0);  // reserved
    appendU32(header, static_cast<uint32_t>(kFileHeaderSize + offset));
    file.append(header.data(), static_cast<qsizetype>(header.size()));
    file.append(dib.data(), static_cast<qsizetype>(dib.size()));
    return QImage::fromData(file, "BMP");
}

std::string packedDibFromImage(const QImage& image) {
    if (image.isNull()) return {};
    const QImage rgb = (image.hasAlphaChannel() ? overWhite(image) : image).convertToFormat(QImage::Format_RGB888);
    const auto width = static_cast<uint32_t>(rgb.width());
    const auto height = static_cast<uint32_t>(rgb.height());
    const size_t rowBytes = (size_t(width) * 3 + 3) & ~size_t(3);
    std::string out;
    out.reserve(kInfoHeaderSize + rowBytes * height);
    appendU32(out, kInfoHeaderSize);
    appendU32(out, width);
    appendU32(out, height);  // positive: rows bottom-up
    appendU16(out, 1);       // planes
    appendU16(out, 24);      // bits per pixel
    appendU32(out, 0);       // BI_RGB
    appendU32(out, static_cast<uint32_t>(rowBytes * height));
    appendU32(out, kPixelsPerMetre96Dpi);
    appendU32(out, kPixelsPerMetre96Dpi);
    appendU32(out, 0);  // colours used
    appendU32(out, 0);  // colours important
    for (int y = rgb.height() - 1; y >= 0; --y) {
        const uchar* line = rgb.constScanLine(y);
        for (uint32_t x = 0; x < width; ++x) {
            out += static_cast<char>(line[3 * x + 2]);
            out += static_cast<char>(line[3 * x + 1]);
            out += static_cast<char>(line[3 * x]);
        }
        out.append(rowBytes - size_t(width) * 3, '\0');
    }
    return out;
}

}  // namespace pgw::editors
