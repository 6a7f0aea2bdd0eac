#pragma once
// Integers in byte buffers: little-endian, as every format the book writes stores them,
// and the two big-endian widths that picture headers use. Header-only and Qt-free, so
// the reader stub and the fuzzers have it too.
//
//   getU32(p), putU32(p, v)        at a pointer; the caller has checked the range
//   readU32(bytes, at), writeU32   bounded: past the end a read gives 0, a write does nothing
//   appendU32(out, v)              onto a std::vector<uint8_t> or a std::string
//   ByteReader                     fields one after another from input that may be cut short

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pgw::bytes {

template <class T>
concept Byte = std::same_as<T, uint8_t> || std::same_as<T, char> || std::same_as<T, signed char> ||
               std::same_as<T, std::byte>;

namespace detail {

template <std::unsigned_integral U, Byte B>
constexpr U getLittle(const B* p) {
    U value = 0;
    for (size_t i = 0; i < sizeof(U); ++i) value |= U(U(static_cast<uint8_t>(p[i])) << (8 * i));
    return value;
}

template <std::unsigned_integral U, Byte B>
constexpr void putLittle(B* p, U value) {
    for (size_t i = 0; i < sizeof(U); ++i) p[i] = static_cast<B>(static_cast<uint8_t>(value >> (8 * i)));
}

template <std::unsigned_integral U, Byte B>
constexpr U getBig(const B* p) {
    U value = 0;
    for (size_t i = 0; i < sizeof(U); ++i) value = U(U(value << 8) | static_cast<uint8_t>(p[i]));
    return value;
}

}  // namespace detail

template <Byte B> constexpr uint16_t getU16(const B* p) { return detail::getLittle<uint16_t>(p); }
template <Byte B> constexpr uint32_t getU32(const B* p) { return detail::getLittle<uint32_t>(p); }
template <Byte B> constexpr uint64_t getU64(const B* p) { return detail::getLittle<uint64_t>(p); }
template <Byte B> constexpr int32_t getI32(const B* p) { return int32_t(getU32(p)); }
template <Byte B> constexpr uint16_t getU16Be(const B* p) { return detail::getBig<uint16_t>(p); }
template <Byte B> constexpr uint32_t getU32Be(const B* p) { return detail::getBig<uint32_t>(p); }

template <Byte B> constexpr void putU16(B* p, uint16_t v) { detail::putLittle(p, v); }
template <Byte B> constexpr void putU32(B* p, uint32_t v) { detail::putLittle(p, v); }
template <Byte B> constexpr void putU64(B* p, uint64_t v) { detail::putLittle(p, v); }
template <Byte B> constexpr void putI32(B* p, int32_t v) { putU32(p, uint32_t(v)); }

// Whether `size` bytes at `offset` lie within `total`, without overflowing.
constexpr bool fits(size_t total, uint64_t offset, uint64_t size) { return offset <= total && size <= total - offset; }

inline uint16_t readU16(std::span<const uint8_t> b, size_t at) { return fits(b.size(), at, 2) ? getU16(&b[at]) : 0; }
inline uint32_t readU32(std::span<const uint8_t> b, size_t at) { return fits(b.size(), at, 4) ? getU32(&b[at]) : 0; }
inline uint64_t readU64(std::span<const uint8_t> b, size_t at) { return fits(b.size(), at, 8) ? getU64(&b[at]) : 0; }
inline uint16_t readU16(std::string_view b, size_t at) { return fits(b.size(), at, 2) ? getU16(&b[at]) : 0; }
inline uint32_t readU32(std::string_view b, size_t at) { return fits(b.size(), at, 4) ? getU32(&b[at]) : 0; }

inline void writeU16(std::span<uint8_t> b, size_t at, uint16_t v) {
    if (fits(b.size(), at, 2)) putU16(&b[at], v);
}
inline void writeU32(std::span<uint8_t> b, size_t at, uint32_t v) {
    if (fits(b.size(), at, 4)) putU32(&b[at], v);
}

template <class Out>
concept ByteString = std::same_as<Out, std::vector<uint8_t>> || std::same_as<Out, std::string>;

namespace detail {
template <ByteString Out, std::unsigned_integral U>
void appendLittle(Out& out, U value) {
    const size_t at = out.size();
    out.resize(at + sizeof(U));
    putLittle(out.data() + at, value);
}
}  // namespace detail

template <ByteString Out> void appendU16(Out& out, uint16_t v) { detail::appendLittle(out, v); }
template <ByteString Out> void appendU32(Out& out, uint32_t v) { detail::appendLittle(out, v); }
template <ByteString Out> void appendU64(Out& out, uint64_t v) { detail::appendLittle(out, v); }
template <ByteString Out> void appendI32(Out& out, int32_t v) { detail::appendLittle(out, uint32_t(v)); }

// Reads fields in order from bytes that may end too soon. A read past the end gives 0
// (or nothing) and marks the reader short, so a run of fields is checked once.
class ByteReader {
public:
    explicit ByteReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    explicit ByteReader(std::string_view bytes)
        : bytes_(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()) {}

    uint16_t u16() { return field<uint16_t>(); }
    uint32_t u32() { return field<uint32_t>(); }
    uint64_t u64() { return field<uint64_t>(); }
    int32_t i32() { return int32_t(u32()); }

    // The next `count` bytes; none when fewer are left.
    std::span<const uint8_t> take(size_t count) {
        if (!fits(bytes_.size(), at_, count)) {
            short_ = true;
            return {};
        }
        const auto taken = bytes_.subspan(at_, count);
        at_ += count;
        return taken;
    }

    size_t position() const { return at_; }
    size_t remaining() const { return bytes_.size() - at_; }
    bool ranShort() const { return short_; }

private:
    template <std::unsigned_integral U>
    U field() {
        const auto taken = take(sizeof(U));
        return taken.empty() ? U(0) : detail::getLittle<U>(taken.data());
    }

    std::span<const uint8_t> bytes_;
    size_t at_ = 0;
    bool short_ = false;
};

}  // namespace pgw::bytes
