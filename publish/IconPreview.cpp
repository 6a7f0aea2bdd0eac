#include "publish/IconPreview.h"

#include "publish/CIconFileReader.h"

#include <QByteArray>
#include <QImage>
#include <QPixmap>

#include <algorithm>

namespace pgw::publish {

namespace {

constexpr size_t kIcoHeaderSize = 6;
constexpr size_t kIcoEntrySize = 16;

void put16(std::vector<uint8_t>& out, uint16_t value) {
    out.push_back(uint8_t(value));
    out.push_back(uint8_t(value >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t value) {
    put16(out, uint16_t(value));
    put16(out, uint16_t(value >> 16));
}

bool isPng(const std::vector<uint8_t>& bits) {
    static const uint8_t kSignature[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    return bits.size() >= sizeof kSignature && std::equal(std::begin(kSignature), std::end(kSignature), bits.begin());
}

}  // namespace

std::vector<uint8_t> singleImageIcoFile(const IconDirectoryEntry& entry, const std::vector<uint8_t>& bits) {
    std::vector<uint8_t> file;
    file.reserve(kIcoHeaderSize + kIcoEntrySize + bits.size());
    put16(file, 0);  // reserved
    put16(file, 1);  // icon
    put16(file, 1);  // one image
    file.push_back(entry.width);
    file.push_back(entry.height);
    file.push_back(entry.colourCount);
    file.push_back(entry.reserved);
    put16(file, entry.planes);
    put16(file, entry.bitCount);
    // The stored bytes, not the directory's claim: the decoder must never read past them.
    put32(file, uint32_t(bits.size()));
    put32(file, uint32_t(kIcoHeaderSize + kIcoEntrySize));
    file.insert(file.end(), bits.begin(), bits.end());
    return file;
}

QIcon CreatePreviewIcon(const CIconFileReader& icons) {
    if (!icons.loaded() || icons.images().empty() || icons.directory().empty()) return {};
    const std::vector<uint8_t>& bits = icons.images().front().bits;
    if (bits.empty()) return {};
    QImage image;
    if (isPng(bits)) {
        image = QImage::fromData(bits.data(), int(bits.size()), "PNG");
    } else {
        const std::vector<uint8_t> file = singleImageIcoFile(icons.directory().front(), bits);
        image = QImage::fromData(file.data(), int(file.size()), "ICO");
    }
    if (image.isNull()) return {};
    return QIcon(QPixmap::fromImage(image));
}

}  // namespace pgw::publish
