#pragma once
// The book's copy into the executable: 4096-byte pieces, one progress step each.

#include "publish/BookCompiler.h"
#include "publish/OutputFile.h"

#include <cstdio>
#include <optional>
#include <string>

namespace pgw::publish {

// Copies at most `length` bytes of `from` to `out`; stops early when a read returns
// nothing (the file shrank). Returns the bytes copied, or nothing on a read or write
// error (with `error` filled).
std::optional<uint64_t> copyInPieces(std::FILE* from, uint64_t length, OutputFile& out, CompileProgress& progress,
                                     std::string* error);

}  // namespace pgw::publish
