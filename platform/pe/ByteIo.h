#pragma once
// Little-endian access to byte buffers. Callers check ranges first; the
// readers return 0 past the end so a missed check cannot read out of bounds.

#include "platform/bytes/ByteCoding.h"

#include <cstdint>

namespace pgw::pe {

using bytes::fits;
using bytes::readU16;
using bytes::readU32;
using bytes::writeU16;
using bytes::writeU32;

inline std::uint64_t alignUp(std::uint64_t value, std::uint64_t alignment)
{
    return alignment == 0 ? value : (value + alignment - 1) / alignment * alignment;
}

} // namespace pgw::pe
