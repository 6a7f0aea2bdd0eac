#include "editors/pictures/PictureStream.h"

#include "platform/bytes/ByteCoding.h"

#include <algorithm>
#include <optional>

namespace pgw::pictures {
namespace {

// Payload sizes of the fixed-size variant tags.
std::optional<uint64_t> payloadBytes(uint16_t tag) {
    switch (tag) {
        case 16: case 17: return 1;
        case 2: case 11: case 18: return 2;
        case 3: case 4: case 10: case 19: case 22: case 23: return 4;
        case 5: case 6: case 7: return 8;
        default: return std::nullopt;
    }
}

}  // namespace

void writeItem(std::string& out, int32_t value) {
    bytes::appendU16(out, kInt32Tag);
    bytes::appendI32(out, value);
}

std::string_view describe(ReadStatus status) {
    switch (status) {
        case ReadStatus::Ok: return "ok";
        case ReadStatus::Truncated: return "cut short";
        case ReadStatus::UnsupportedTag: return "an item of an unsupported kind";
    }
    return "damaged";
}

ReadStatus PictureStreamReader::readItem(PictureItem* item) {
    std::string_view tag;
    if (!readBytes(2, &tag)) return ReadStatus::Truncated;
    item->tag = bytes::getU16(tag.data());
    const auto size = payloadBytes(item->tag);
    if (!size) return ReadStatus::UnsupportedTag;
    std::string_view payload;
    if (!readBytes(*size, &payload)) return ReadStatus::Truncated;
    // A wider payload keeps its low four bytes.
    char low[4] = {};
    std::copy_n(payload.data(), std::min<size_t>(payload.size(), 4), low);
    item->value = bytes::getI32(low);
    return ReadStatus::Ok;
}

bool PictureStreamReader::readBytes(uint64_t count, std::string_view* out) {
    if (count > remaining()) return false;
    *out = bytes_.substr(size_t(position_), size_t(count));
    position_ += count;
    return true;
}

}  // namespace pgw::pictures
