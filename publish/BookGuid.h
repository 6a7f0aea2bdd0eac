#pragma once
// The book's GUID: 16 bytes in the "AboutInfo" stream of the book, made once and kept,
// so every executable compiled from the same book carries the same code.

#include "book/BookStorage.h"
#include "publish/PublishLayout.h"

#include <functional>
#include <optional>
#include <string>

namespace pgw::publish {

struct BookGuid {
    BookGuidBytes bytes{};
    bool held() const;         // any byte non-zero
    std::string text() const;  // "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", 36 chars
};

using GuidGenerator = std::function<std::optional<BookGuidBytes>()>;
// A version-4 random GUID, or nothing when the system has no randomness to give.
std::optional<BookGuidBytes> randomGuid();

// Reads the GUID of the open book from its "AboutInfo" stream (creating and indexing the
// stream when missing) and makes and stores one when the stream holds none. Returns the
// GUID held afterwards; when generation fails it shows "生成GUID失败." and returns
// `current` unchanged with `*failed = true`.
BookGuid loadBookGuid(book::BookStorage& storage, const BookGuid& current, bool* failed,
                      const GuidGenerator& generate = randomGuid);

}  // namespace pgw::publish
