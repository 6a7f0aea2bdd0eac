#pragma once
// Appends to a string through a small buffer (internal to the RTF reader and writer). Text
// made a few bytes at a time (an escape, a decoded character) then costs a store per byte,
// not a string append per piece.

#include <cstddef>
#include <cstring>
#include <string>

namespace pgw::richtext::detail {

class BufferedAppend {
public:
    explicit BufferedAppend(std::string* out) : out_(*out) {}
    ~BufferedAppend() { flush(); }
    BufferedAppend(const BufferedAppend&) = delete;
    BufferedAppend& operator=(const BufferedAppend&) = delete;

    void put(char c) {
        if (used_ == kSize) flush();
        buffer_[used_++] = c;
    }

    void put(const char* data, size_t count) {
        if (used_ + count > kSize) {
            flush();
            if (count > kSize / 2) {  // long runs go straight through
                out_.append(data, count);
                return;
            }
        }
        std::memcpy(buffer_ + used_, data, count);
        used_ += count;
    }

    // Room for `count` bytes (at most kMaxPiece), to be filled and then taken with commit().
    char* room(size_t count) {
        if (used_ + count > kSize) flush();
        return buffer_ + used_;
    }
    void commit(char* end) { used_ = size_t(end - buffer_); }

    // Everything put so far is in the string; needed before writing to it directly.
    void flush() {
        out_.append(buffer_, used_);
        used_ = 0;
    }

    static constexpr size_t kMaxPiece = 256;

private:
    static constexpr size_t kSize = 4096;

    std::string& out_;
    char buffer_[kSize];
    size_t used_ = 0;
};

}  // namespace pgw::richtext::detail
