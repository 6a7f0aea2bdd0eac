#pragma once
// Lays out a resource tree as the bytes of a resource section.

#include "platform/pe/PeResources.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pgw::pe {

// Encodes `tree` as a resource directory placed at `baseRva`: directory
// entries sorted for the loader's binary search (names first, uppercased and
// ordered by UTF-16 unit, then ids ascending), every blob 8-byte aligned.
bool encodeResourceTree(const ResourceTree& tree, std::uint32_t baseRva, std::vector<std::uint8_t>& out,
                        std::string& error);

} // namespace pgw::pe
