#include "editors/DocumentPictures.h"

#include "editors/FormatMapping.h"
#include "editors/PictureImages.h"

#include <QByteArray>
#include <QPixmap>
#include <QUrl>

#include <algorithm>
#include <atomic>

namespace pgw::editors {
namespace {

using richtext::Picture;
using richtext::PictureFormat;

// Unique across documents, so a picture copied between pages never meets a namesake.
QString newResourceName() {
    static std::atomic<quint64> counter{0};
    return QStringLiteral("pgw-picture:%1").arg(++counter);
}

std::optional<PictureFormat> storedFormat(const QTextImageFormat& format) {
    if (!format.hasProperty(kPictureFormatProperty)) return std::nullopt;
    const int value = format.intProperty(kPictureFormatProperty);
    if (value < int(PictureFormat::Png) || value > int(PictureFormat::Emf)) return std::nullopt;
    return static_cast<PictureFormat>(value);
}

Picture storedPicture(const QTextImageFormat& format, PictureFormat pictureFormat) {
    Picture picture;
    picture.format = pictureFormat;
    const QByteArray bytes = format.property(kPictureBytesProperty).toByteArray();
    picture.bytes.assign(bytes.constData(), static_cast<size_t>(bytes.size()));
    picture.sourceWidth = format.intProperty(kPictureSourceWidthProperty);
    picture.sourceHeight = format.intProperty(kPictureSourceHeightProperty);
    picture.metafileMapMode = format.intProperty(kPictureMapModeProperty);
    // The display size may have been changed in the editor; unset means "natural size".
    if (format.hasProperty(QTextFormat::ImageWidth)) picture.widthTwips = pixelsToTwips(format.width());
    if (format.hasProperty(QTextFormat::ImageHeight)) picture.heightTwips = pixelsToTwips(format.height());
    return picture;
}

QImage resourceImage(const QTextImageFormat& format, const QTextDocument& document) {
    const QVariant resource = document.resource(QTextDocument::ImageResource, QUrl(format.name()));
    if (resource.typeId() == QMetaType::QByteArray) return QImage::fromData(resource.toByteArray());
    if (resource.typeId() == QMetaType::QPixmap) return resource.value<QPixmap>().toImage();
    return resource.value<QImage>();
}

// The size Qt shows the image at: a missing side follows the image's proportions.
QSizeF shownSize(const QTextImageFormat& format, const QImage& image) {
    const bool hasWidth = format.hasProperty(QTextFormat::ImageWidth);
    const bool hasHeight = format.hasProperty(QTextFormat::ImageHeight);
    const qreal ratio = qreal(image.width()) / image.height();
    if (hasWidth && hasHeight) return {format.width(), format.height()};
    if (hasWidth) return {format.width(), format.width() / ratio};
    if (hasHeight) return {format.height() * ratio, format.height()};
    return image.size();
}

std::optional<Picture> pictureFromImage(const QTextImageFormat& format, const QImage& image) {
    if (image.isNull()) return std::nullopt;
    Picture picture;
    picture.format = PictureFormat::Dib;
    picture.bytes = packedDibFromImage(image);
    picture.sourceWidth = image.width();
    picture.sourceHeight = image.height();
    const QSizeF shown = shownSize(format, image);
    picture.widthTwips = pixelsToTwips(shown.width());
    picture.heightTwips = pixelsToTwips(shown.height());
    return picture;
}

// A page keeps pictures made here as uncompressed bitmaps, which the readers of a compiled
// book show; a photo at full size would make a page of a hundred megabytes. Larger pictures
// are scaled down to this many pixels on their longer side.
constexpr int kMaxPictureSide = 2048;

QImage pagePicture(const QImage& image) {
    if (std::max(image.width(), image.height()) <= kMaxPictureSide) return image;
    return image.scaled(kMaxPictureSide, kMaxPictureSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

}  // namespace

void insertPicture(QTextCursor& cursor, const Picture& picture) {
    const QString name = newResourceName();
    cursor.document()->addResource(QTextDocument::ImageResource, QUrl(name), displayImage(picture));
    QTextImageFormat format;
    format.setName(name);
    if (picture.widthTwips > 0) format.setWidth(twipsToPixels(picture.widthTwips));
    if (picture.heightTwips > 0) format.setHeight(twipsToPixels(picture.heightTwips));
    format.setProperty(kPictureFormatProperty, int(picture.format));
    format.setProperty(kPictureBytesProperty,
                       QByteArray(picture.bytes.data(), static_cast<qsizetype>(picture.bytes.size())));
    format.setProperty(kPictureSourceWidthProperty, picture.sourceWidth);
    format.setProperty(kPictureSourceHeightProperty, picture.sourceHeight);
    format.setProperty(kPictureMapModeProperty, picture.metafileMapMode);
    cursor.insertImage(format);
}

void insertImage(QTextCursor& cursor, const QImage& image) {
    const QString name = newResourceName();
    cursor.document()->addResource(QTextDocument::ImageResource, QUrl(name), pagePicture(image));
    QTextImageFormat format;
    format.setName(name);
    cursor.insertImage(format);
}

std::optional<Picture> pictureOf(const QTextImageFormat& format, const QTextDocument& document) {
    if (const auto stored = storedFormat(format)) return storedPicture(format, *stored);
    return pictureFromImage(format, resourceImage(format, document));
}

}  // namespace pgw::editors
