#pragma once
// What cfb's commands share when they move bytes between files and elements.

#include <cstddef>
#include <cstring>
#include <string>

namespace pgw::cli {

// Streams are read and written a mebibyte at a time, never held whole.
inline constexpr size_t kChunk = size_t{1} << 20;

inline std::string systemError(int error) { return std::strerror(error); }

}  // namespace pgw::cli
