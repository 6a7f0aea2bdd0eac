#pragma once
// A file an author brings (a text, a document, a novel), read whole up to a bound: larger
// files are surely no page, and reading them whole could exhaust memory.

#include <cstdint>
#include <string>

namespace pgw::import {

inline constexpr uintmax_t kMaxSourceBytes = uintmax_t(256) << 20;

enum class SourceRead { Read, NoSuchFile, Unreadable, TooLarge };

// Reads in blocks up to the bound: the size the file had before is no promise, and a read
// error never passes for the file's end.
SourceRead readSourceFile(const std::string& path, std::string* bytes);

}  // namespace pgw::import
