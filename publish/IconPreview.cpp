#include "publish/IconPreview.h"

#include "publish/CIconFileReader.h"

#include <QByteArray>
#include <QImage>
#include <QPixmap>

namespace pgw::publish {

std::vector<uint8_t> singleImageIcoFile(const IconDirectoryEntry& entry, const std::vector<uint8_t>& bits) {
    const std::span<const uint8_t> image(bits);
    return icoFileBytes({&entry, 1}, {&image, 1});
}

QIcon CreatePreviewIcon(const CIconFileReader& icons) {
    if (!icons.loaded() || icons.images().empty() || icons.directory().empty()) return {};
    const std::vector<uint8_t>& bits = icons.images().front().bits;
    if (bits.empty()) return {};
    QImage image;
    if (isPngImage(bits)) {
        image = QImage::fromData(bits.data(), int(bits.size()), "PNG");
    } else {
        const std::vector<uint8_t> file = singleImageIcoFile(icons.directory().front(), bits);
        image = QImage::fromData(file.data(), int(file.size()), "ICO");
    }
    if (image.isNull()) return {};
    return QIcon(QPixmap::fromImage(image));
}

}  // namespace pgw::publish
