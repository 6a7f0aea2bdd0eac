// Reads the three-level resource directory (type, name, language). The levels
// are walked with plain loops, never recursion, and every directory may be
// visited once only, so a hostile file cannot loop or multiply the work.

#include "platform/pe/ByteIo.h"
#include "platform/pe/PeImage.h"
#include "platform/pe/PeResources.h"

#include <set>

namespace pgw::pe {

namespace {

constexpr std::uint32_t kHighBit = 0x80000000u;
constexpr std::size_t kDirectoryHeaderSize = 16;
constexpr std::size_t kEntrySize = 8;
constexpr std::size_t kDataEntrySize = 16;

struct Entry {
    ResourceId id;
    std::uint32_t target = 0; // offset with the subdirectory bit removed
    bool isDirectory = false;
};

class DirectoryReader {
public:
    DirectoryReader(std::span<const std::uint8_t> file, const PeImage& image, std::span<const std::uint8_t> area)
        : m_file(file), m_image(image), m_area(area) {}

    bool read(ResourceTree& tree, std::string& error);

private:
    bool readDirectory(std::uint32_t offset, std::vector<Entry>& entries);
    bool readName(std::uint32_t offset, std::u16string& name);
    bool readData(std::uint32_t offset, Resource& resource);
    bool fail(const std::string& message)
    {
        m_error = "Damaged resources: " + message;
        return false;
    }

    std::span<const std::uint8_t> m_file;
    const PeImage& m_image;
    std::span<const std::uint8_t> m_area; // from the resource directory root to the end of its section
    std::set<std::uint32_t> m_visited;
    std::uint64_t m_dataTotal = 0;
    std::string m_error;
};

bool DirectoryReader::readDirectory(std::uint32_t offset, std::vector<Entry>& entries)
{
    if (!m_visited.insert(offset).second) return fail("a directory is reached twice (a loop).");
    if (!fits(m_area.size(), offset, kDirectoryHeaderSize)) return fail("a directory lies outside the section.");
    const std::uint32_t count = std::uint32_t{readU16(m_area, offset + 12)} + readU16(m_area, offset + 14);
    if (!fits(m_area.size(), offset + kDirectoryHeaderSize, std::uint64_t{count} * kEntrySize))
        return fail("a directory's entries run past the section.");
    entries.clear();
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t at = offset + kDirectoryHeaderSize + i * kEntrySize;
        const std::uint32_t nameField = readU32(m_area, at);
        const std::uint32_t targetField = readU32(m_area, at + 4);
        Entry entry;
        if (nameField & kHighBit) {
            entry.id.isName = true;
            if (!readName(nameField & ~kHighBit, entry.id.name)) return false;
        } else {
            if (nameField > 0xFFFF) return fail("an entry's id is out of range.");
            entry.id.id = static_cast<std::uint16_t>(nameField);
        }
        entry.isDirectory = (targetField & kHighBit) != 0;
        entry.target = targetField & ~kHighBit;
        entries.push_back(std::move(entry));
    }
    return true;
}

bool DirectoryReader::readName(std::uint32_t offset, std::u16string& name)
{
    const std::uint16_t length = readU16(m_area, offset);
    if (!fits(m_area.size(), offset, 2 + std::uint64_t{length} * 2)) return fail("a name lies outside the section.");
    name.clear();
    for (std::uint16_t i = 0; i < length; ++i) name.push_back(static_cast<char16_t>(readU16(m_area, offset + 2 + i * 2)));
    return true;
}

bool DirectoryReader::readData(std::uint32_t offset, Resource& resource)
{
    if (!fits(m_area.size(), offset, kDataEntrySize)) return fail("a data entry lies outside the section.");
    const std::uint32_t rva = readU32(m_area, offset);
    const std::uint32_t size = readU32(m_area, offset + 4);
    resource.codePage = readU32(m_area, offset + 8);
    const SectionHeader* section = m_image.sectionHolding(rva, size);
    if (!section) return fail("a resource's data lies outside the file.");
    // Honest files never share data, so more bytes than the section holds means overlap.
    m_dataTotal += size;
    if (m_dataTotal > m_file.size()) return fail("the resources' data overlaps.");
    const std::size_t start = section->pointerToRawData + (rva - section->virtualAddress);
    resource.bytes.assign(m_file.begin() + static_cast<std::ptrdiff_t>(start),
                          m_file.begin() + static_cast<std::ptrdiff_t>(start + size));
    return true;
}

bool DirectoryReader::read(ResourceTree& tree, std::string& error)
{
    std::vector<Entry> types, names, languages;
    bool ok = readDirectory(0, types);
    for (std::size_t t = 0; ok && t < types.size(); ++t) {
        ok = types[t].isDirectory ? readDirectory(types[t].target, names) : fail("a type entry is not a directory.");
        for (std::size_t n = 0; ok && n < names.size(); ++n) {
            ok = names[n].isDirectory ? readDirectory(names[n].target, languages) : fail("a name entry is not a directory.");
            for (std::size_t l = 0; ok && l < languages.size(); ++l) {
                if (languages[l].isDirectory || languages[l].id.isName) {
                    ok = fail("a language entry is not a plain language id.");
                    break;
                }
                Resource resource{types[t].id, names[n].id, languages[l].id.id, 0, {}};
                ok = readData(languages[l].target, resource);
                if (ok) tree.resources.push_back(std::move(resource));
            }
        }
    }
    if (!ok) error = m_error;
    return ok;
}

} // namespace

bool readResources(std::span<const std::uint8_t> file, ResourceTree& tree, std::string& error)
{
    const std::optional<PeImage> image = parsePeImage(file, error);
    if (!image) return false;
    ResourceTree result;
    const DataDirectory root = image->directory(kResourceDirectory);
    if (root.virtualAddress != 0) {
        const SectionHeader* section = image->sectionHolding(root.virtualAddress, kDirectoryHeaderSize);
        if (!section) {
            error = "Damaged resources: the resource directory lies outside the file.";
            return false;
        }
        const std::size_t start = section->pointerToRawData + (root.virtualAddress - section->virtualAddress);
        const std::size_t end = std::size_t{section->pointerToRawData} + section->sizeOfRawData;
        DirectoryReader reader(file, *image, file.subspan(start, end - start));
        if (!reader.read(result, error)) return false;
    }
    tree = std::move(result);
    return true;
}

} // namespace pgw::pe
