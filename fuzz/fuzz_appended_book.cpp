// Finding the book appended to a compiled reader: any file (and a size that may claim
// more than the file holds) is located or refused without reading outside it; a found
// book lies exactly between its block and the trailer, and its block reads back the same.

#include "publish/PublishLayout.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace pgw::publish;
    // The first byte, when odd, makes the file claim a few bytes more than it has, as a
    // file that shrank after its size was taken.
    const uint64_t claimed = size + (size > 0 && (data[0] & 1) ? data[0] : 0);
    const ReadAt readAt = [&](uint64_t offset, void* buffer, size_t count) -> size_t {
        if (offset > size) return 0;
        const size_t n = size_t(std::min<uint64_t>(count, size - offset));
        if (n) std::memcpy(buffer, data + offset, n);
        return n;
    };
    AppendedBook book;
    const AppendedBookError error = locateAppendedBook(readAt, claimed, &book);
    if (describe(error).empty() != (error == AppendedBookError::None)) std::abort();
    if (error != AppendedBookError::None) return 0;
    if (book.bookOffset != uint64_t(book.block.blockOffset) + kPublishInfoBlockSize) std::abort();
    if (book.bookOffset + book.bookLength + kTrailerSize != claimed) std::abort();

    // Decoded, encoded and decoded again: the same fields.
    const auto encoded = encodePublishInfoBlock(book.block);
    const PublishInfoBlock again = decodePublishInfoBlock(encoded.data());
    if (again.blockOffset != book.block.blockOffset || again.bookLength != book.block.bookLength ||
        again.bookCode != book.block.bookCode || again.iconFlag != book.block.iconFlag ||
        again.bookInfo != book.block.bookInfo)
        std::abort();
    // The title keeps its terminator, so it may lose its last character, never gain one.
    if (again.title.size() > 259 || book.block.title.compare(0, again.title.size(), again.title) != 0) std::abort();
    const auto info = decodeBookInfoRecord(book.block.bookInfo.data());
    const auto reencoded = decodeBookInfoRecord(encodeBookInfoRecord(info.info, info.guid).data());
    if (reencoded.info != info.info || reencoded.guid != info.guid) std::abort();
    return 0;
}
