#include "platform/richtext/PictureSize.h"

#include <algorithm>
#include <limits>

#include "platform/bytes/ByteCoding.h"

namespace pgw::richtext {

namespace {

constexpr int64_t kTwipsPerPixel = 15;  // at 96 dpi
constexpr int64_t kTwipsPerInch = 1440;
constexpr int64_t kHimetricPerInch = 2540;

const auto* bytesOf(std::string_view data) { return reinterpret_cast<const uint8_t*>(data.data()); }

uint16_t bigU16(std::string_view data, size_t at) {
    return bytes::fits(data.size(), at, 2) ? bytes::getU16Be(bytesOf(data) + at) : 0;
}

uint32_t bigU32(std::string_view data, size_t at) {
    return bytes::fits(data.size(), at, 4) ? bytes::getU32Be(bytesOf(data) + at) : 0;
}

int32_t littleI32(std::string_view data, size_t at) { return int32_t(bytes::readU32(data, at)); }

std::optional<ImageExtent> positive(int64_t width, int64_t height) {
    constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
    if (width <= 0 || height <= 0 || width > kMax || height > kMax) return std::nullopt;
    return ImageExtent{int32_t(width), int32_t(height)};
}

std::optional<ImageExtent> pngExtent(std::string_view data) {
    if (data.size() < 24 || !data.starts_with("\x89PNG\r\n\x1a\n") || data.substr(12, 4) != "IHDR") return std::nullopt;
    return positive(bigU32(data, 16), bigU32(data, 20));
}

// Walks the markers up to the first frame header (SOF0..SOF15 but for DHT, JPG and DAC).
std::optional<ImageExtent> jpegExtent(std::string_view data) {
    if (!data.starts_with("\xff\xd8")) return std::nullopt;
    size_t at = 2;
    while (at + 4 <= data.size()) {
        if (static_cast<uint8_t>(data[at]) != 0xFF) return std::nullopt;
        const auto marker = static_cast<uint8_t>(data[at + 1]);
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {  // markers without a length
            at += 2;
            continue;
        }
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) return positive(bigU16(data, at + 7), bigU16(data, at + 5));
        const uint16_t length = bigU16(data, at + 2);
        if (length < 2) return std::nullopt;
        at += 2 + size_t(length);
    }
    return std::nullopt;
}

std::optional<ImageExtent> dibExtent(std::string_view data) {
    const uint32_t headerSize = bytes::readU32(data, 0);
    if (headerSize == 12) return positive(bytes::readU16(data, 4), bytes::readU16(data, 6));  // BITMAPCOREHEADER
    if (headerSize < 40 || headerSize > data.size()) return std::nullopt;
    const int64_t height = littleI32(data, 8);
    return positive(littleI32(data, 4), height < 0 ? -height : height);  // negative: top-down rows
}

// An EMR_HEADER record with its " EMF" signature; the frame is in 0.01 mm.
std::optional<ImageExtent> emfExtent(std::string_view data) {
    if (bytes::readU32(data, 0) != 1 || bytes::readU32(data, 40) != 0x464D4520) return std::nullopt;
    return positive(int64_t(littleI32(data, 32)) - littleI32(data, 24), int64_t(littleI32(data, 36)) - littleI32(data, 28));
}

int32_t clampTo32(int64_t value) { return int32_t(std::clamp<int64_t>(value, 1, std::numeric_limits<int32_t>::max())); }

bool isMetafile(PictureFormat format) { return format == PictureFormat::Metafile || format == PictureFormat::Emf; }

int32_t sourceFromDisplay(PictureFormat format, int32_t twips) {
    if (isMetafile(format)) return clampTo32((int64_t(twips) * kHimetricPerInch + kTwipsPerInch / 2) / kTwipsPerInch);
    return clampTo32((int64_t(twips) + kTwipsPerPixel / 2) / kTwipsPerPixel);
}

int32_t displayFromSource(PictureFormat format, int32_t source) {
    if (isMetafile(format)) return clampTo32((int64_t(source) * kTwipsPerInch + kHimetricPerInch / 2) / kHimetricPerInch);
    return clampTo32(int64_t(source) * kTwipsPerPixel);
}

}  // namespace

std::optional<ImageExtent> imageExtent(PictureFormat format, std::string_view bytes) {
    switch (format) {
    case PictureFormat::Png: return pngExtent(bytes);
    case PictureFormat::Jpeg: return jpegExtent(bytes);
    case PictureFormat::Dib: return dibExtent(bytes);
    case PictureFormat::Emf: return emfExtent(bytes);
    case PictureFormat::Metafile: return std::nullopt;
    }
    return std::nullopt;
}

std::optional<PictureSizes> completedSizes(const Picture& picture) {
    PictureSizes sizes{picture.sourceWidth, picture.sourceHeight, picture.widthTwips, picture.heightTwips};
    if (sizes.sourceWidth <= 0 || sizes.sourceHeight <= 0) {
        const std::optional<ImageExtent> extent = imageExtent(picture.format, picture.bytes);
        if (sizes.sourceWidth <= 0) {
            if (extent) sizes.sourceWidth = extent->width;
            else if (sizes.widthTwips > 0) sizes.sourceWidth = sourceFromDisplay(picture.format, sizes.widthTwips);
        }
        if (sizes.sourceHeight <= 0) {
            if (extent) sizes.sourceHeight = extent->height;
            else if (sizes.heightTwips > 0) sizes.sourceHeight = sourceFromDisplay(picture.format, sizes.heightTwips);
        }
    }
    if (sizes.sourceWidth <= 0 || sizes.sourceHeight <= 0) return std::nullopt;
    if (sizes.widthTwips <= 0) sizes.widthTwips = displayFromSource(picture.format, sizes.sourceWidth);
    if (sizes.heightTwips <= 0) sizes.heightTwips = displayFromSource(picture.format, sizes.sourceHeight);
    return sizes;
}

}  // namespace pgw::richtext
