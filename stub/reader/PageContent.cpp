#include "stub/reader/PageContent.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace pgw::stub {
namespace {

// After "\bin", the decimal count of raw bytes that follow the control word's delimiter.
size_t skipBinary(std::string_view bytes, size_t at) {
    uint64_t count = 0;
    size_t digits = 0;
    while (at < bytes.size() && std::isdigit(static_cast<unsigned char>(bytes[at])) && digits < 10) {
        count = count * 10 + uint64_t(bytes[at] - '0');
        ++at, ++digits;
    }
    if (at < bytes.size() && bytes[at] == ' ') ++at;
    return size_t(std::min<uint64_t>(bytes.size(), at + count));
}

}  // namespace

namespace {

// Just after the brace that closes the outermost group, when it closes.
std::optional<size_t> documentEnd(std::string_view bytes) {
    size_t depth = 0;
    for (size_t at = 0; at < bytes.size(); ++at) {
        const char c = bytes[at];
        if (c == '\\') {
            if (bytes.substr(at + 1, 3) == "bin") {
                at = skipBinary(bytes, at + 4) - 1;
            } else {
                ++at;  // an escaped brace or backslash is text, not structure
            }
        } else if (c == '{') {
            ++depth;
        } else if (c == '}' && depth > 0 && --depth == 0) {
            return at + 1;
        }
    }
    return std::nullopt;
}

}  // namespace

size_t rtfDocumentLength(std::string_view bytes) { return documentEnd(bytes).value_or(bytes.size()); }

bool rtfDocumentCloses(std::string_view bytes) { return documentEnd(bytes).has_value(); }

std::vector<PagePicture> placePictures(const pictures::CPictureObjList& list, const pictures::PictureRect& clip) {
    pictures::DeviceContext dc;
    dc.clipBox = clip;
    std::vector<PagePicture> placed;
    for (const auto& picture : list) {
        const pictures::DrawPlan plan = picture->planDraw(dc);
        if (!plan.drawImage) continue;
        placed.push_back({picture->m_picture->format(), picture->m_picture->bytes(), plan.imageRect.normalized()});
    }
    return placed;
}

pictures::PixelSize pageExtent(const std::vector<PagePicture>& pictures) {
    pictures::PixelSize extent;
    for (const PagePicture& picture : pictures) {
        extent.width = std::max(extent.width, std::max(picture.rect.right, 0));
        extent.height = std::max(extent.height, std::max(picture.rect.bottom, 0));
    }
    return extent;
}

}  // namespace pgw::stub
