#pragma once
// The layout of a compiled book: the reader stub, then a 1544-byte information block at
// offset S, then the book file (N bytes), then S again as a 4-byte trailer. All integers
// are little-endian. Text fields are GBK bytes exactly as written.
//
// Information block (1544 bytes):
//   0     4    S, where the block starts
//   4     4    S + 1544, where the book starts
//   8     4    N, low word
//   12    4    N, high word (0 for every book the format can carry)
//   16    260  title, zero-terminated (at most 259 bytes)
//   276   1128 book information record, below
//   1404  36   reserved, zero
//   1440  100  book code: the GUID text, 36 characters, no terminator
//   1540  4    icon flag: 1 when an icon was chosen
//
// Book information record (1128 bytes): guid 0 (16, zero when the book holds none),
// book ID 16 (260), author 276 (50), homepage 326 (200), e-mail 526 (200), copyright
// 726 (50), date 776 (50), other 826 (300), zero 1126 (2). A text fills its field
// without a terminator when it is as long as the field.
//
// Std-only on purpose: the Windows reader stub compiles this file as well.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace pgw::publish {

inline constexpr size_t kBookInfoRecordSize = 1128;
inline constexpr size_t kPublishInfoBlockSize = 1544;
inline constexpr size_t kTrailerSize = 4;
using BookGuidBytes = std::array<uint8_t, 16>;

// Field offsets and widths, in one place for the encoder, the decoder and the tests.
struct FieldSpan {
    size_t offset;
    size_t width;
};
namespace bookinfo {
inline constexpr FieldSpan kGuid{0, 16};
inline constexpr FieldSpan kBookId{16, 260};
inline constexpr FieldSpan kAuthor{276, 50};
inline constexpr FieldSpan kHomepage{326, 200};
inline constexpr FieldSpan kEmail{526, 200};
inline constexpr FieldSpan kCopyright{726, 50};
inline constexpr FieldSpan kDate{776, 50};
inline constexpr FieldSpan kOther{826, 300};
}  // namespace bookinfo
namespace block {
inline constexpr size_t kBlockOffset = 0;
inline constexpr size_t kBookOffset = 4;
inline constexpr size_t kBookLengthLow = 8;
inline constexpr size_t kBookLengthHigh = 12;
inline constexpr FieldSpan kTitle{16, 260};
inline constexpr size_t kBookInfo = 276;
inline constexpr FieldSpan kReserved{1404, 36};
inline constexpr FieldSpan kBookCode{1440, 100};
inline constexpr size_t kIconFlag = 1540;
}  // namespace block

// The book information the author types in the publish form (GBK).
struct BookInfo {
    std::string bookId, author, homepage, email, copyright, date, other;
    bool operator==(const BookInfo&) const = default;
};

std::array<uint8_t, kBookInfoRecordSize> encodeBookInfoRecord(const BookInfo&, const BookGuidBytes&);
// Reading back: fields up to their first zero or full width.
struct DecodedBookInfo {
    BookGuidBytes guid{};
    BookInfo info;
};
DecodedBookInfo decodeBookInfoRecord(const uint8_t* record /* 1128 bytes */);

struct PublishInfoBlock {
    uint32_t blockOffset = 0;  // S
    uint32_t bookOffset = 0;   // S + 1544
    uint64_t bookLength = 0;   // N
    std::string title;         // GBK
    std::array<uint8_t, kBookInfoRecordSize> bookInfo{};
    std::string bookCode;  // 36 characters
    uint32_t iconFlag = 0;
};
std::array<uint8_t, kPublishInfoBlockSize> encodePublishInfoBlock(const PublishInfoBlock&);
PublishInfoBlock decodePublishInfoBlock(const uint8_t* block /* 1544 bytes */);

// Finding the book appended to a compiled executable, bounded against damaged files:
// the last 4 bytes give S; S + 1544 + N + 4 must equal the file size, the block's own S
// must equal the trailer's, bookOffset must be S + 1544.
enum class AppendedBookError { None, TooShort, BadTrailer, BadBlock, SizeMismatch, ReadFailed };
struct AppendedBook {
    PublishInfoBlock block;
    uint64_t bookOffset = 0;
    uint64_t bookLength = 0;
};
// `readAt(offset, buffer, count)` returns the bytes read; `fileSize` is the whole file's size.
using ReadAt = std::function<size_t(uint64_t offset, void* buffer, size_t count)>;
AppendedBookError locateAppendedBook(const ReadAt& readAt, uint64_t fileSize, AppendedBook* out);
std::string describe(AppendedBookError);  // a short Chinese message for the author

// The longest prefix of GBK `text` of at most `limit` bytes that ends on a character
// boundary: a lead byte (0x81..0xFE) never loses its trail byte.
size_t gbkPrefixLength(std::string_view text, size_t limit);

}  // namespace pgw::publish
