#include "platform/richtext/RtfPictureReader.h"

#include "platform/bytes/ByteCoding.h"
#include "platform/richtext/PictureSize.h"

#include <algorithm>
#include <array>
#include <limits>

namespace pgw::richtext::detail {

namespace {

constexpr size_t kInfoHeaderSize = 40;  // BITMAPINFOHEADER

constexpr std::array<int8_t, 256> kNibbles = [] {
    std::array<int8_t, 256> table{};
    table.fill(-1);
    for (int c = '0'; c <= '9'; ++c) table[c] = int8_t(c - '0');
    for (int c = 'a'; c <= 'f'; ++c) table[c] = int8_t(c - 'a' + 10);
    for (int c = 'A'; c <= 'F'; ++c) table[c] = int8_t(c - 'A' + 10);
    return table;
}();

// \picscalex and \picscaley in percent; never down to nothing.
int32_t scaled(int32_t twips, int32_t percent) {
    const int64_t value = int64_t(twips) * (percent > 0 ? percent : 100) / 100;
    return int32_t(std::clamp<int64_t>(value, 1, std::numeric_limits<int32_t>::max()));
}

using bytes::appendU16;
using bytes::appendU32;

}  // namespace

void RtfPictureReader::setWord(Keyword keyword, bool hasParameter, int32_t parameter) {
    switch (keyword) {
    case Keyword::PngBlip: type_ = Type::Png; break;
    case Keyword::JpegBlip: type_ = Type::Jpeg; break;
    case Keyword::DibBitmap: type_ = Type::Dib; break;
    case Keyword::DeviceBitmap: type_ = Type::DeviceBitmap; break;
    case Keyword::EmfBlip: type_ = Type::Emf; break;
    case Keyword::WindowsMetafile:
        type_ = Type::Metafile;
        if (hasParameter) mapMode_ = parameter;
        break;
    case Keyword::PictureWidth: width_ = parameter; break;
    case Keyword::PictureHeight: height_ = parameter; break;
    case Keyword::PictureWidthGoal: widthGoal_ = parameter; break;
    case Keyword::PictureHeightGoal: heightGoal_ = parameter; break;
    case Keyword::PictureScaleX: scaleX_ = parameter; break;
    case Keyword::PictureScaleY: scaleY_ = parameter; break;
    case Keyword::BitmapBitsPerPixel: bitsPerPixel_ = parameter; break;
    case Keyword::BitmapPlanes: planes_ = parameter; break;
    case Keyword::BitmapWidthBytes: widthBytes_ = parameter; break;
    default: break;
    }
}

bool RtfPictureReader::room(size_t more) {
    if (tooLarge_) return false;
    if (data_.size() + more > kMaxPictureBytes) {
        tooLarge_ = true;
        data_.clear();
        data_.shrink_to_fit();
        return false;
    }
    return true;
}

void RtfPictureReader::addHex(std::string_view text) {
    if (!room(text.size() / 2 + 1)) return;
    for (const char c : text) {
        const int nibble = kNibbles[static_cast<unsigned char>(c)];
        if (nibble < 0) continue;
        if (pendingNibble_ < 0) {
            pendingNibble_ = nibble;
        } else {
            data_.push_back(char(pendingNibble_ << 4 | nibble));
            pendingNibble_ = -1;
        }
    }
}

void RtfPictureReader::addBinary(std::string_view bytes) {
    if (!room(bytes.size())) return;
    pendingNibble_ = -1;  // an odd digit before binary data has no partner
    data_.append(bytes);
}

std::optional<Picture> RtfPictureReader::leaveOut(std::string_view why) {
    problem_ = why;
    return std::nullopt;
}

// Builds a top-down packed DIB from the bits of a device-dependent bitmap. Only the depths
// whose colours need no device palette can be converted: 1 (black and white), 24 and 32.
std::optional<std::string> RtfPictureReader::deviceBitmapAsDib() const {
    const int32_t bits = bitsPerPixel_;
    if (planes_ != 1 || (bits != 1 && bits != 24 && bits != 32) || width_ <= 0 || height_ <= 0) return std::nullopt;
    const uint64_t rowBits = uint64_t(width_) * uint64_t(bits);
    const uint64_t sourceStride = widthBytes_ > 0 ? uint64_t(widthBytes_) : (rowBits + 15) / 16 * 2;
    const uint64_t stride = (rowBits + 31) / 32 * 4;
    if (sourceStride * 8 < rowBits || sourceStride * uint64_t(height_) > data_.size()) return std::nullopt;
    if (stride * uint64_t(height_) > kMaxPictureBytes) return std::nullopt;

    std::string dib;
    dib.reserve(kInfoHeaderSize + 8 + stride * uint64_t(height_));
    appendU32(dib, kInfoHeaderSize);
    appendU32(dib, uint32_t(width_));
    appendU32(dib, uint32_t(-height_));  // negative: the first row is the top one
    appendU16(dib, 1);
    appendU16(dib, uint16_t(bits));
    appendU32(dib, 0);  // BI_RGB
    appendU32(dib, uint32_t(stride * uint64_t(height_)));
    appendU32(dib, 0);
    appendU32(dib, 0);
    appendU32(dib, 0);
    appendU32(dib, 0);
    if (bits == 1) {  // a monochrome bitmap: 0 is black, 1 is white
        appendU32(dib, 0x00000000);
        appendU32(dib, 0x00FFFFFF);
    }
    const size_t copied = size_t(std::min(stride, sourceStride));
    for (int32_t row = 0; row < height_; ++row) {
        dib.append(data_, size_t(uint64_t(row) * sourceStride), copied);
        dib.append(size_t(stride - copied), '\0');
    }
    return dib;
}

std::optional<Picture> RtfPictureReader::finish() {
    if (tooLarge_) return leaveOut("a picture larger than 64 MiB was left out");
    Picture picture;
    switch (type_) {
    case Type::Png: picture.format = PictureFormat::Png; break;
    case Type::Jpeg: picture.format = PictureFormat::Jpeg; break;
    case Type::Dib: picture.format = PictureFormat::Dib; break;
    case Type::DeviceBitmap: picture.format = PictureFormat::Dib; break;
    case Type::Metafile: picture.format = PictureFormat::Metafile; break;
    case Type::Emf: picture.format = PictureFormat::Emf; break;
    case Type::Unknown: return leaveOut("a picture of a kind this program cannot show was left out");
    }
    if (data_.empty()) return leaveOut("a picture without data was left out");
    if (type_ == Type::DeviceBitmap) {
        std::optional<std::string> dib = deviceBitmapAsDib();
        if (!dib) return leaveOut("a device-dependent bitmap picture this program cannot convert was left out");
        picture.bytes = std::move(*dib);
    } else {
        picture.bytes = std::move(data_);
    }
    picture.sourceWidth = width_;
    picture.sourceHeight = height_;
    picture.widthTwips = widthGoal_;
    picture.heightTwips = heightGoal_;
    const std::optional<PictureSizes> sizes = completedSizes(picture);
    if (!sizes) return leaveOut("a picture whose data is damaged was left out");
    picture.sourceWidth = sizes->sourceWidth;
    picture.sourceHeight = sizes->sourceHeight;
    picture.widthTwips = scaled(sizes->widthTwips, scaleX_);
    picture.heightTwips = scaled(sizes->heightTwips, scaleY_);
    if (type_ == Type::Metafile) picture.metafileMapMode = mapMode_;
    return picture;
}

}  // namespace pgw::richtext::detail
