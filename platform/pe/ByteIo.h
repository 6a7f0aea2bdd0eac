#pragma once
// Little-endian access to byte buffers. Callers check ranges first; the
// readers return 0 past the end so a missed check cannot read out of bounds.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace pgw::pe {

inline bool fits(std::size_t total, std::uint64_t offset, std::uint64_t size)
{
    return offset <= total && size <= total - offset;
}

inline std::uint16_t readU16(std::span<const std::uint8_t> b, std::size_t at)
{
    if (!fits(b.size(), at, 2)) return 0;
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

inline std::uint32_t readU32(std::span<const std::uint8_t> b, std::size_t at)
{
    if (!fits(b.size(), at, 4)) return 0;
    return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8)
         | (static_cast<std::uint32_t>(b[at + 2]) << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

inline void writeU16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v)
{
    if (!fits(b.size(), at, 2)) return;
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

inline void writeU32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v)
{
    if (!fits(b.size(), at, 4)) return;
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

inline std::uint64_t alignUp(std::uint64_t value, std::uint64_t alignment)
{
    return alignment == 0 ? value : (value + alignment - 1) / alignment * alignment;
}

} // namespace pgw::pe
