#include "stub/reader/ReaderState.h"

#include "platform/text/Utf8Codec.h"

#include <algorithm>
#include <charconv>
#include <cstdint>

namespace pgw::stub {
namespace {

constexpr std::string_view kHeader = "[PagewrightReader]";
constexpr size_t kMaxKeyLength = 64;

bool isPage(const std::vector<Chapter>& chapters, size_t chapter) {
    return chapter < chapters.size() && chapters[chapter].isPage();
}

template <typename Number>
std::optional<Number> number(std::string_view text, Number low, Number high) {
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) return std::nullopt;
    return value;
}

bool validUtf8(std::string_view text) {
    for (size_t at = 0; at < text.size();) {
        char32_t c = 0;
        const size_t length = text::detail::decodeUtf8(text, at, &c);
        if (length == 0 || c < 0x20) return false;  // no control characters in a name
        at += length;
    }
    return true;
}

// "left,top,right,bottom,maximised"
std::optional<WindowPlace> windowPlace(std::string_view text) {
    int values[5] = {};
    for (int i = 0; i < 5; ++i) {
        const size_t comma = i < 4 ? text.find(',') : text.size();
        if (comma == std::string_view::npos) return std::nullopt;
        const auto value = number<int>(text.substr(0, comma), -100000, 100000);
        if (!value) return std::nullopt;
        values[i] = *value;
        text.remove_prefix(std::min(text.size(), comma + 1));
    }
    const WindowPlace place{values[0], values[1], values[2], values[3], values[4] != 0};
    return place.valid() ? std::optional(place) : std::nullopt;
}

void readBookmark(std::string_view value, const std::vector<Chapter>& chapters, ReaderState* state) {
    const size_t space = value.find(' ');
    const auto chapter = number<size_t>(value.substr(0, space), 0, chapters.size());
    const std::string_view name = space == std::string_view::npos ? std::string_view() : value.substr(space + 1);
    if (!chapter || !isPage(chapters, *chapter) || name.size() > kMaxBookmarkNameBytes || !validUtf8(name)) return;
    state->addBookmark(*chapter, std::string(name));
}

void readLine(std::string_view key, std::string_view value, const std::vector<Chapter>& chapters, ReaderState* state) {
    if (key == "page") {
        if (const auto page = number<size_t>(value, 0, chapters.size()); page && isPage(chapters, *page))
            state->lastPage = page;
    } else if (key == "zoom") {
        state->zoomPercent = number<int>(value, kMinZoomPercent, kMaxZoomPercent).value_or(100);
    } else if (key == "dark") {
        state->dark = value == "1";
    } else if (key == "window") {
        state->window = windowPlace(value);
    } else if (key == "bookmark") {
        readBookmark(value, chapters, state);
    }
}

}  // namespace

bool ReaderState::addBookmark(size_t chapter, std::string name) {
    if (bookmarks.size() >= kMaxBookmarks) return false;
    if (std::any_of(bookmarks.begin(), bookmarks.end(), [&](const Bookmark& b) { return b.chapter == chapter; }))
        return false;
    bookmarks.push_back({chapter, std::move(name)});
    return true;
}

bool ReaderState::removeBookmarks(size_t chapter) {
    return std::erase_if(bookmarks, [&](const Bookmark& b) { return b.chapter == chapter; }) > 0;
}

std::string writeState(const ReaderState& state) {
    std::string out = std::string(kHeader) + "\r\n";
    if (state.lastPage) out += "page=" + std::to_string(*state.lastPage) + "\r\n";
    out += "zoom=" + std::to_string(state.zoomPercent) + "\r\n";
    out += std::string("dark=") + (state.dark ? "1" : "0") + "\r\n";
    if (const auto& w = state.window)
        out += "window=" + std::to_string(w->left) + ',' + std::to_string(w->top) + ',' + std::to_string(w->right) + ',' +
               std::to_string(w->bottom) + ',' + (w->maximised ? "1" : "0") + "\r\n";
    for (const Bookmark& bookmark : state.bookmarks)
        out += "bookmark=" + std::to_string(bookmark.chapter) + ' ' + bookmark.name + "\r\n";
    return out;
}

ReaderState readState(std::string_view bytes, const std::vector<Chapter>& chapters) {
    ReaderState state;
    if (bytes.size() > kMaxStateFileBytes || !bytes.starts_with(kHeader)) return state;
    while (!bytes.empty()) {
        const size_t end = std::min(bytes.find('\n'), bytes.size());
        std::string_view line = bytes.substr(0, end);
        bytes.remove_prefix(std::min(bytes.size(), end + 1));
        if (line.ends_with('\r')) line.remove_suffix(1);
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos || equals > kMaxKeyLength) continue;
        readLine(line.substr(0, equals), line.substr(equals + 1), chapters, &state);
    }
    return state;
}

std::string stateKey(const BookFields& fields) {
    const std::string& code = fields.bookCode;
    const bool plain = !code.empty() && code.size() <= 64 && std::all_of(code.begin(), code.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' || c == '_';
    });
    if (plain) return code;
    uint64_t hash = 14695981039346656037ull;
    for (const std::string* field : {&fields.bookCode, &fields.title, &fields.author, &fields.bookId}) {
        for (const char c : *field) hash = (hash ^ uint8_t(c)) * 1099511628211ull;
        hash = (hash ^ 0xFF) * 1099511628211ull;  // "ab"+"c" and "a"+"bc" differ
    }
    static constexpr char kHex[] = "0123456789abcdef";
    std::string key = "book-";
    for (int shift = 60; shift >= 0; shift -= 4) key += kHex[(hash >> shift) & 0xF];
    return key;
}

}  // namespace pgw::stub
