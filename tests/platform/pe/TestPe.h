#pragma once
// Builds tiny executables in memory for the tests: headers, a .text section,
// a resource section and optionally a .reloc section and an overlay.

#include "platform/pe/PeResources.h"

#include <cstdint>
#include <vector>

namespace pgw::pe::test {

inline constexpr std::uint32_t kFileAlignment = 0x200;
inline constexpr std::uint32_t kSectionAlignment = 0x1000;
inline constexpr std::uint32_t kResourceRva = 0x2000;
inline constexpr std::uint32_t kResourceRaw = 0x600;

struct PeLayout {
    bool pe32Plus = true;
    std::vector<Resource> resources; // encoded in this order, unsorted
    bool withReloc = false;
    std::vector<std::uint8_t> overlay;
};

// Encodes `resources` as a resource directory at `baseRva`, in the given order.
std::vector<std::uint8_t> encodeUnsorted(const std::vector<Resource>& resources, std::uint32_t baseRva);
std::vector<std::uint8_t> buildPe(const PeLayout& layout);

// Offsets inside the built file.
std::uint32_t peOffset(const std::vector<std::uint8_t>& file);
std::uint32_t optionalOffset(const std::vector<std::uint8_t>& file);
std::uint32_t u32(const std::vector<std::uint8_t>& file, std::size_t at);
void putU32(std::vector<std::uint8_t>& file, std::size_t at, std::uint32_t value);

Resource resource(ResourceId type, ResourceId name, std::uint16_t language, std::vector<std::uint8_t> bytes);

} // namespace pgw::pe::test
