// The icon change a published book needs: the .ico file's images become icon
// images 1..N and every group icon lists them. Explorer shows whichever group
// it enumerates first, so every group is rewritten, not just one.

#include "platform/pe/ByteIo.h"
#include "platform/pe/PeResources.h"

namespace pgw::pe {

namespace {

constexpr std::size_t kIconDirSize = 6;
constexpr std::size_t kIconEntrySize = 16;
constexpr std::size_t kGroupEntrySize = 14;

struct IcoImage {
    std::span<const std::uint8_t> entry; // the first 12 bytes of its directory entry
    std::span<const std::uint8_t> bytes;
};

bool parseIco(std::span<const std::uint8_t> ico, std::vector<IcoImage>& images, std::string& error)
{
    if (ico.size() < kIconDirSize || readU16(ico, 0) != 0 || readU16(ico, 2) != 1) {
        error = "The icon file is not an .ico file.";
        return false;
    }
    const std::uint16_t count = readU16(ico, 4);
    if (count == 0 || !fits(ico.size(), kIconDirSize, std::uint64_t{count} * kIconEntrySize)) {
        error = "The icon file's directory is empty or truncated.";
        return false;
    }
    for (std::uint16_t i = 0; i < count; ++i) {
        const std::size_t at = kIconDirSize + i * kIconEntrySize;
        const std::uint32_t size = readU32(ico, at + 8);
        const std::uint32_t offset = readU32(ico, at + 12);
        if (size == 0 || !fits(ico.size(), offset, size)) {
            error = "Image " + std::to_string(i + 1) + " of the icon file lies outside the file.";
            return false;
        }
        images.push_back({ico.subspan(at, 12), ico.subspan(offset, size)});
    }
    return true;
}

std::vector<std::uint8_t> groupDirectory(const std::vector<IcoImage>& images)
{
    std::vector<std::uint8_t> group(kIconDirSize + images.size() * kGroupEntrySize, 0);
    writeU16(group, 2, 1);
    writeU16(group, 4, static_cast<std::uint16_t>(images.size()));
    for (std::size_t i = 0; i < images.size(); ++i) {
        const std::size_t at = kIconDirSize + i * kGroupEntrySize;
        std::copy(images[i].entry.begin(), images[i].entry.end(), group.begin() + static_cast<std::ptrdiff_t>(at));
        if (readU16(group, at + 4) == 0) writeU16(group, at + 4, 1); // planes: 0 in some .ico writers
        writeU16(group, at + 12, static_cast<std::uint16_t>(i + 1));
    }
    return group;
}

bool isType(const Resource& r, std::uint16_t type) { return !r.type.isName && r.type.id == type; }

std::uint16_t iconLanguage(const ResourceTree& tree)
{
    for (std::uint16_t type : {kGroupIconType, kIconType})
        for (const Resource& r : tree.resources)
            if (isType(r, type)) return r.language;
    return 0;
}

} // namespace

bool replaceIconsInTree(const ResourceTree& original, std::span<const std::uint8_t> icoFile, ResourceTree& updated,
                        std::string& error)
{
    std::vector<IcoImage> images;
    if (!parseIco(icoFile, images, error)) return false;
    const std::uint16_t language = iconLanguage(original);
    const std::vector<std::uint8_t> group = groupDirectory(images);
    ResourceTree result;
    bool anyGroup = false;
    for (const Resource& r : original.resources) {
        if (isType(r, kIconType)) continue;
        if (isType(r, kGroupIconType)) {
            anyGroup = true;
            result.resources.push_back({r.type, r.name, r.language, r.codePage, group});
            continue;
        }
        result.resources.push_back(r);
    }
    if (!anyGroup)
        result.resources.push_back({ResourceId::number(kGroupIconType), ResourceId::number(1), language, 0, group});
    for (std::size_t i = 0; i < images.size(); ++i)
        result.resources.push_back({ResourceId::number(kIconType), ResourceId::number(static_cast<std::uint16_t>(i + 1)),
                                    language, 0, {images[i].bytes.begin(), images[i].bytes.end()}});
    updated = std::move(result);
    return true;
}

bool replaceIcons(std::span<const std::uint8_t> file, std::span<const std::uint8_t> icoFile,
                  std::vector<std::uint8_t>& out, std::string& error)
{
    ResourceTree original, updated;
    return readResources(file, original, error) && replaceIconsInTree(original, icoFile, updated, error)
        && replaceResources(file, updated, out, error);
}

} // namespace pgw::pe
