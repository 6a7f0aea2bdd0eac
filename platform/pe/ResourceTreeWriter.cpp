#include "platform/pe/ResourceTreeWriter.h"

#include "platform/pe/ByteIo.h"

#include <algorithm>
#include <map>

namespace pgw::pe {

namespace {

constexpr std::uint32_t kHighBit = 0x80000000u;
constexpr std::uint64_t kMaxSectionSize = 0x7FFFFFFF;

// The loader upper-cases the name it is asked for, so names are stored upper-case.
ResourceId normalised(const ResourceId& id)
{
    if (!id.isName) return id;
    std::u16string upper = id.name;
    for (char16_t& c : upper)
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    return ResourceId::text(std::move(upper));
}

// Named entries before ids; names by code unit, ids by value.
struct LoaderOrder {
    bool operator()(const ResourceId& a, const ResourceId& b) const
    {
        if (a.isName != b.isName) return a.isName;
        return a.isName ? a.name < b.name : a.id < b.id;
    }
};

using LanguageMap = std::map<std::uint16_t, const Resource*>;
using NameMap = std::map<ResourceId, LanguageMap, LoaderOrder>;
using TypeMap = std::map<ResourceId, NameMap, LoaderOrder>;

std::string describe(const ResourceId& id)
{
    if (!id.isName) return std::to_string(id.id);
    std::string text;
    for (char16_t c : id.name) text.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return text;
}

class Layout {
public:
    Layout(const TypeMap& types, std::uint32_t baseRva) : m_types(types), m_baseRva(baseRva) {}
    std::vector<std::uint8_t> write();

private:
    void writeDirectory(std::size_t at, std::size_t named, std::size_t ids);
    void writeIdField(std::size_t entry, const ResourceId& id);
    template <typename Map> void writeEntries(std::size_t dirAt, const Map& map, std::vector<std::size_t>& entryAts);

    const TypeMap& m_types;
    std::uint32_t m_baseRva;
    std::vector<std::uint8_t> m_out;
    std::vector<std::pair<std::size_t, std::u16string>> m_names; // entry offset, name
};

void Layout::writeDirectory(std::size_t at, std::size_t named, std::size_t ids)
{
    m_out.resize(at + 16 + (named + ids) * 8, 0);
    writeU16(m_out, at + 12, static_cast<std::uint16_t>(named));
    writeU16(m_out, at + 14, static_cast<std::uint16_t>(ids));
}

void Layout::writeIdField(std::size_t entry, const ResourceId& id)
{
    if (id.isName) m_names.push_back({entry, id.name});
    else writeU32(m_out, entry, id.id);
}

template <typename Map>
void Layout::writeEntries(std::size_t dirAt, const Map& map, std::vector<std::size_t>& entryAts)
{
    std::size_t named = 0;
    for (const auto& item : map)
        if constexpr (std::is_same_v<typename Map::key_type, ResourceId>) named += item.first.isName ? 1 : 0;
    writeDirectory(dirAt, named, map.size() - named);
    std::size_t entry = dirAt + 16;
    for (const auto& item : map) {
        if constexpr (std::is_same_v<typename Map::key_type, ResourceId>) writeIdField(entry, item.first);
        else writeU32(m_out, entry, item.first);
        entryAts.push_back(entry);
        entry += 8;
    }
}

std::vector<std::uint8_t> Layout::write()
{
    // Breadth first: root, name directories, language directories, data entries, names, data.
    std::vector<std::size_t> typeEntries, nameEntries, languageEntries;
    writeEntries(0, m_types, typeEntries);
    std::size_t i = 0;
    for (const auto& [type, names] : m_types) {
        const std::size_t at = m_out.size();
        writeU32(m_out, typeEntries[i++] + 4, kHighBit | static_cast<std::uint32_t>(at));
        writeEntries(at, names, nameEntries);
    }
    i = 0;
    std::vector<const Resource*> leaves;
    for (const auto& [type, names] : m_types)
        for (const auto& [name, languages] : names) {
            const std::size_t at = m_out.size();
            writeU32(m_out, nameEntries[i++] + 4, kHighBit | static_cast<std::uint32_t>(at));
            writeEntries(at, languages, languageEntries);
            for (const auto& [language, resource] : languages) leaves.push_back(resource);
        }
    std::vector<std::size_t> dataEntries;
    for (std::size_t l = 0; l < leaves.size(); ++l) {
        const std::size_t at = m_out.size();
        writeU32(m_out, languageEntries[l] + 4, static_cast<std::uint32_t>(at));
        m_out.resize(at + 16, 0);
        dataEntries.push_back(at);
    }
    for (const auto& [entry, name] : m_names) {
        const std::size_t at = m_out.size();
        writeU32(m_out, entry, kHighBit | static_cast<std::uint32_t>(at));
        m_out.resize(at + 2 + name.size() * 2, 0);
        writeU16(m_out, at, static_cast<std::uint16_t>(name.size()));
        for (std::size_t c = 0; c < name.size(); ++c) writeU16(m_out, at + 2 + c * 2, name[c]);
    }
    for (std::size_t l = 0; l < leaves.size(); ++l) {
        m_out.resize(alignUp(m_out.size(), 8), 0);
        writeU32(m_out, dataEntries[l], m_baseRva + static_cast<std::uint32_t>(m_out.size()));
        writeU32(m_out, dataEntries[l] + 4, static_cast<std::uint32_t>(leaves[l]->bytes.size()));
        writeU32(m_out, dataEntries[l] + 8, leaves[l]->codePage);
        m_out.insert(m_out.end(), leaves[l]->bytes.begin(), leaves[l]->bytes.end());
    }
    return std::move(m_out);
}

bool checkSize(const ResourceTree& tree, std::uint32_t baseRva, std::string& error)
{
    std::uint64_t total = 16;
    for (const Resource& r : tree.resources) {
        if (r.type.name.size() > 0xFFFF || r.name.name.size() > 0xFFFF) {
            error = "A resource name is too long.";
            return false;
        }
        total += 3 * 24 + 16 + 2 * (r.type.name.size() + r.name.name.size() + 2) + alignUp(r.bytes.size(), 8);
    }
    if (total > kMaxSectionSize - baseRva || tree.resources.size() > 0xFFFF) {
        error = "The resources are too large for an executable.";
        return false;
    }
    return true;
}

} // namespace

bool encodeResourceTree(const ResourceTree& tree, std::uint32_t baseRva, std::vector<std::uint8_t>& out,
                        std::string& error)
{
    if (!checkSize(tree, baseRva, error)) return false;
    TypeMap types;
    for (const Resource& r : tree.resources) {
        LanguageMap& languages = types[normalised(r.type)][normalised(r.name)];
        if (!languages.emplace(r.language, &r).second) {
            error = "Resource " + describe(r.type) + "/" + describe(r.name) + " language " + std::to_string(r.language)
                  + " appears twice.";
            return false;
        }
    }
    out = Layout(types, baseRva).write();
    return true;
}

} // namespace pgw::pe
