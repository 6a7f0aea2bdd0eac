#pragma once
// Reading and rewriting the resources of a Windows executable (PE32 and
// PE32+), without any Windows API. Every function reports damage through
// `error` and leaves its output untouched on failure.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace pgw::pe {

// A resource type or name: either a 16-bit id or a UTF-16 string.
struct ResourceId {
    bool isName = false;
    std::uint16_t id = 0;
    std::u16string name;

    static ResourceId number(std::uint16_t value) { return {false, value, {}}; }
    static ResourceId text(std::u16string value) { return {true, 0, std::move(value)}; }
    bool operator==(const ResourceId&) const = default;
};

struct Resource {
    ResourceId type;
    ResourceId name;
    std::uint16_t language = 0;
    std::uint32_t codePage = 0;
    std::vector<std::uint8_t> bytes;
    bool operator==(const Resource&) const = default;
};

struct ResourceTree {
    std::vector<Resource> resources; // in directory order
};

inline constexpr std::uint16_t kIconType = 3;
inline constexpr std::uint16_t kGroupIconType = 14;

// Reads the resource tree of `file`. A file without resources gives an empty tree.
bool readResources(std::span<const std::uint8_t> file, ResourceTree& tree, std::string& error);

// Rebuilds the resource section of `file` from `tree` and writes the whole
// executable to `out`. Sections after the resource section are shifted, an
// overlay is kept, a signature (which cannot survive) is removed.
bool replaceResources(std::span<const std::uint8_t> file, const ResourceTree& tree,
                      std::vector<std::uint8_t>& out, std::string& error);

// Builds the resource tree after an icon change: all icon images replaced by
// the images of `icoFile` (ids 1..N), every group icon rewritten to name them,
// every other resource kept as it was.
bool replaceIconsInTree(const ResourceTree& original, std::span<const std::uint8_t> icoFile,
                        ResourceTree& updated, std::string& error);

// The whole icon update on an executable's bytes.
bool replaceIcons(std::span<const std::uint8_t> file, std::span<const std::uint8_t> icoFile,
                  std::vector<std::uint8_t>& out, std::string& error);

} // namespace pgw::pe
