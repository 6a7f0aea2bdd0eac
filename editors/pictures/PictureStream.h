#pragma once
// The unit of a picture page's stream: a PictureItem of 6 bytes, a little-endian 16-bit
// type tag (3, a 32-bit signed integer, whenever we write) and a 32-bit value.
//
// Page:    item N (number of pictures), then N picture records, the list's head first.
// Record:  15 items (horizontal and vertical alignment, selected, visible, placement
//          rectangle left/top/right/bottom, tracker style, base rectangle
//          left/top/right/bottom, zoom x, zoom y), item S (image byte count, 0 without an
//          image), then S bytes: the picture file's own bytes.
// No class id, version or padding; a record is 96 + S bytes. A page's stream is never
// shortened, so whatever follows the last record is an older page and is never read.
//
// Readers also accept the other fixed-size tags an older writer may have used: their
// payload size follows the tag, the value being its first 4 bytes (zero-padded).

#include <cstdint>
#include <string>
#include <string_view>

namespace pgw::pictures {

struct PictureItem {
    uint16_t tag = 3;
    int32_t value = 0;
};

inline constexpr uint16_t kInt32Tag = 3;
inline constexpr size_t kItemBytes = 6;
inline constexpr size_t kRecordItems = 15;
inline constexpr size_t kRecordFixedBytes = (kRecordItems + 1) * kItemBytes;

void writeItem(std::string& out, int32_t value);

enum class ReadStatus {
    Ok,
    Truncated,       // the stream ended inside an item, a record or the count
    UnsupportedTag,  // a tag whose payload size is not fixed (text, embedded objects)
};

std::string_view describe(ReadStatus status);

// Reads items and bytes from memory. The position may move past the end (as a seek in a
// stream may); reads there fail.
class PictureStreamReader {
public:
    explicit PictureStreamReader(std::string_view bytes) : bytes_(bytes) {}

    ReadStatus readItem(PictureItem* item);
    // Exactly `count` bytes, or false (and nothing consumed) when fewer remain.
    bool readBytes(uint64_t count, std::string_view* out);
    void skip(uint64_t count) { position_ += count; }
    uint64_t position() const { return position_; }

private:
    uint64_t remaining() const { return position_ < bytes_.size() ? bytes_.size() - position_ : 0; }

    std::string_view bytes_;
    uint64_t position_ = 0;
};

}  // namespace pgw::pictures
