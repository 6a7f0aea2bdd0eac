#pragma once

#include <cstdint>

namespace pgw::cli {

// pgw runs one command, then ends; its memory is tuned for that.
void tuneMemoryForOneCommand();

// A book of `bookBytes` is about to be read whole into tables.
void expectLargeTables(uint64_t bookBytes);

}  // namespace pgw::cli
