#include "publish/PublishLayout.h"

#include "platform/bytes/ByteCoding.h"

#include <algorithm>
#include <cstring>

namespace pgw::publish {

namespace {

using bytes::getU32;
using bytes::putU32;

// Copies the whole characters of `text` that fit `width` bytes (less `reserve`, kept for a
// terminator); the rest of the field stays zero.
template <size_t Size>
void putText(std::array<uint8_t, Size>& bytes, FieldSpan field, std::string_view text, size_t reserve = 0) {
    const size_t length = gbkPrefixLength(text, field.width - reserve);
    std::memcpy(bytes.data() + field.offset, text.data(), length);
}

std::string getText(const uint8_t* bytes, FieldSpan field) {
    const auto* begin = reinterpret_cast<const char*>(bytes + field.offset);
    const auto* end = std::find(begin, begin + field.width, '\0');
    return std::string(begin, end);
}

}  // namespace

size_t gbkPrefixLength(std::string_view text, size_t limit) {
    size_t end = 0;
    for (size_t i = 0; i < text.size();) {
        const uint8_t byte = uint8_t(text[i]);
        const size_t width = (byte >= 0x81 && byte <= 0xFE && i + 1 < text.size()) ? 2 : 1;
        if (i + width > limit) break;
        i += width;
        end = i;
    }
    return end;
}

std::array<uint8_t, kBookInfoRecordSize> encodeBookInfoRecord(const BookInfo& info, const BookGuidBytes& guid) {
    std::array<uint8_t, kBookInfoRecordSize> record{};
    std::copy(guid.begin(), guid.end(), record.begin() + bookinfo::kGuid.offset);
    putText(record, bookinfo::kBookId, info.bookId);
    putText(record, bookinfo::kAuthor, info.author);
    putText(record, bookinfo::kHomepage, info.homepage);
    putText(record, bookinfo::kEmail, info.email);
    putText(record, bookinfo::kCopyright, info.copyright);
    putText(record, bookinfo::kDate, info.date);
    putText(record, bookinfo::kOther, info.other);
    return record;
}

DecodedBookInfo decodeBookInfoRecord(const uint8_t* record) {
    DecodedBookInfo decoded;
    std::copy(record, record + decoded.guid.size(), decoded.guid.begin());
    decoded.info.bookId = getText(record, bookinfo::kBookId);
    decoded.info.author = getText(record, bookinfo::kAuthor);
    decoded.info.homepage = getText(record, bookinfo::kHomepage);
    decoded.info.email = getText(record, bookinfo::kEmail);
    decoded.info.copyright = getText(record, bookinfo::kCopyright);
    decoded.info.date = getText(record, bookinfo::kDate);
    decoded.info.other = getText(record, bookinfo::kOther);
    return decoded;
}

std::array<uint8_t, kPublishInfoBlockSize> encodePublishInfoBlock(const PublishInfoBlock& info) {
    std::array<uint8_t, kPublishInfoBlockSize> bytes{};
    putU32(bytes.data() + block::kBlockOffset, info.blockOffset);
    putU32(bytes.data() + block::kBookOffset, info.bookOffset);
    putU32(bytes.data() + block::kBookLengthLow, uint32_t(info.bookLength));
    putU32(bytes.data() + block::kBookLengthHigh, uint32_t(info.bookLength >> 32));
    putText(bytes, block::kTitle, info.title, 1);  // the title keeps its terminator
    std::copy(info.bookInfo.begin(), info.bookInfo.end(), bytes.begin() + block::kBookInfo);
    putText(bytes, block::kBookCode, info.bookCode);
    putU32(bytes.data() + block::kIconFlag, info.iconFlag);
    return bytes;
}

PublishInfoBlock decodePublishInfoBlock(const uint8_t* bytes) {
    PublishInfoBlock info;
    info.blockOffset = getU32(bytes + block::kBlockOffset);
    info.bookOffset = getU32(bytes + block::kBookOffset);
    info.bookLength = uint64_t(getU32(bytes + block::kBookLengthLow)) |
                      uint64_t(getU32(bytes + block::kBookLengthHigh)) << 32;
    info.title = getText(bytes, block::kTitle);
    std::copy(bytes + block::kBookInfo, bytes + block::kBookInfo + kBookInfoRecordSize, info.bookInfo.begin());
    info.bookCode = getText(bytes, block::kBookCode);
    info.iconFlag = getU32(bytes + block::kIconFlag);
    return info;
}

AppendedBookError locateAppendedBook(const ReadAt& readAt, uint64_t fileSize, AppendedBook* out) {
    constexpr uint64_t kFrame = kPublishInfoBlockSize + kTrailerSize;
    if (fileSize < kFrame) return AppendedBookError::TooShort;

    uint8_t trailer[kTrailerSize];
    if (readAt(fileSize - kTrailerSize, trailer, kTrailerSize) != kTrailerSize) return AppendedBookError::ReadFailed;
    const uint64_t start = getU32(trailer);
    if (start > fileSize - kFrame) return AppendedBookError::BadTrailer;

    std::array<uint8_t, kPublishInfoBlockSize> bytes{};
    if (readAt(start, bytes.data(), bytes.size()) != bytes.size()) return AppendedBookError::ReadFailed;
    PublishInfoBlock info = decodePublishInfoBlock(bytes.data());
    if (info.blockOffset != start || info.bookOffset != start + kPublishInfoBlockSize) {
        return AppendedBookError::BadBlock;
    }
    // start + kFrame <= fileSize was checked above, so this cannot wrap.
    if (info.bookLength != fileSize - kFrame - start) return AppendedBookError::SizeMismatch;

    if (out) {
        out->bookOffset = start + kPublishInfoBlockSize;
        out->bookLength = info.bookLength;
        out->block = std::move(info);
    }
    return AppendedBookError::None;
}

std::string describe(AppendedBookError error) {
    switch (error) {
        case AppendedBookError::None: return "";
        case AppendedBookError::TooShort: return "文件太短，其中没有电子书";
        case AppendedBookError::BadTrailer: return "文件末尾的电子书位置无效";
        case AppendedBookError::BadBlock: return "电子书信息块已损坏";
        case AppendedBookError::SizeMismatch: return "电子书长度与文件大小不符";
        case AppendedBookError::ReadFailed: return "读取文件失败";
    }
    return "未知错误";
}

}  // namespace pgw::publish
