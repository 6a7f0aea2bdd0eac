#include "TestPe.h"

#include <algorithm>

namespace pgw::pe::test {

namespace {

void put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v)
{
    if (b.size() < at + 2) b.resize(at + 2);
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

std::uint32_t alignTo(std::uint32_t v, std::uint32_t a) { return (v + a - 1) / a * a; }

// A deliberately naive encoder: groups in first-seen order, directories first,
// then names, data entries and data, so the product's reader meets input
// that is not laid out the way its own writer does it.
struct Node {
    ResourceId id;
    std::vector<std::size_t> children; // indices into resources (level 3) or nodes
};

} // namespace

void putU32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v)
{
    if (b.size() < at + 4) b.resize(at + 4);
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint32_t u32(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t{b[at + 3]} << 24);
}

std::uint32_t peOffset(const std::vector<std::uint8_t>& file) { return u32(file, 0x3C); }
std::uint32_t optionalOffset(const std::vector<std::uint8_t>& file) { return peOffset(file) + 24; }

Resource resource(ResourceId type, ResourceId name, std::uint16_t language, std::vector<std::uint8_t> bytes)
{
    return Resource{std::move(type), std::move(name), language, 0, std::move(bytes)};
}

std::vector<std::uint8_t> encodeUnsorted(const std::vector<Resource>& resources, std::uint32_t baseRva)
{
    // type -> name -> list of resource indices, in first-seen order
    std::vector<std::pair<ResourceId, std::vector<std::pair<ResourceId, std::vector<std::size_t>>>>> types;
    for (std::size_t i = 0; i < resources.size(); ++i) {
        auto t = std::find_if(types.begin(), types.end(), [&](auto& e) { return e.first == resources[i].type; });
        if (t == types.end()) t = types.insert(types.end(), {resources[i].type, {}});
        auto n = std::find_if(t->second.begin(), t->second.end(), [&](auto& e) { return e.first == resources[i].name; });
        if (n == t->second.end()) n = t->second.insert(t->second.end(), {resources[i].name, {}});
        n->second.push_back(i);
    }
    std::vector<std::uint8_t> out;
    std::vector<std::pair<std::size_t, std::u16string>> namePatches; // entry offset, name
    std::vector<std::pair<std::size_t, std::size_t>> dataPatches;    // entry offset, resource index
    auto writeDir = [&](std::size_t at, std::size_t count) {
        out.resize(at + 16 + count * 8);
        put16(out, at + 14, static_cast<std::uint16_t>(count)); // all counted as ids; the reader relies on the bits
    };
    auto writeId = [&](std::size_t entry, const ResourceId& id) {
        if (id.isName) namePatches.push_back({entry, id.name});
        else putU32(out, entry, id.id);
    };
    writeDir(0, types.size());
    for (std::size_t t = 0; t < types.size(); ++t) {
        const std::size_t typeEntry = 16 + t * 8;
        writeId(typeEntry, types[t].first);
        const std::size_t nameDir = out.size();
        putU32(out, typeEntry + 4, 0x80000000u | static_cast<std::uint32_t>(nameDir));
        auto& names = types[t].second;
        writeDir(nameDir, names.size());
        for (std::size_t n = 0; n < names.size(); ++n) {
            const std::size_t nameEntry = nameDir + 16 + n * 8;
            writeId(nameEntry, names[n].first);
            const std::size_t langDir = out.size();
            putU32(out, nameEntry + 4, 0x80000000u | static_cast<std::uint32_t>(langDir));
            writeDir(langDir, names[n].second.size());
            for (std::size_t l = 0; l < names[n].second.size(); ++l) {
                const std::size_t langEntry = langDir + 16 + l * 8;
                putU32(out, langEntry, resources[names[n].second[l]].language);
                dataPatches.push_back({langEntry + 4, names[n].second[l]});
            }
        }
    }
    for (auto& [entry, name] : namePatches) {
        const std::size_t at = out.size();
        putU32(out, entry, 0x80000000u | static_cast<std::uint32_t>(at));
        put16(out, at, static_cast<std::uint16_t>(name.size()));
        for (std::size_t i = 0; i < name.size(); ++i) put16(out, at + 2 + i * 2, name[i]);
    }
    std::vector<std::size_t> dataEntryAt;
    for (auto& [entry, index] : dataPatches) {
        out.resize(alignTo(static_cast<std::uint32_t>(out.size()), 4));
        const std::size_t at = out.size();
        putU32(out, entry, static_cast<std::uint32_t>(at));
        out.resize(at + 16);
        dataEntryAt.push_back(at);
    }
    for (std::size_t i = 0; i < dataPatches.size(); ++i) {
        const Resource& r = resources[dataPatches[i].second];
        out.resize(alignTo(static_cast<std::uint32_t>(out.size()), 4));
        putU32(out, dataEntryAt[i], baseRva + static_cast<std::uint32_t>(out.size()));
        putU32(out, dataEntryAt[i] + 4, static_cast<std::uint32_t>(r.bytes.size()));
        putU32(out, dataEntryAt[i] + 8, r.codePage);
        out.insert(out.end(), r.bytes.begin(), r.bytes.end());
    }
    return out;
}

std::vector<std::uint8_t> buildPe(const PeLayout& layout)
{
    std::vector<std::uint8_t> f(0x400, 0);
    f[0] = 'M';
    f[1] = 'Z';
    const std::uint32_t pe = 0x80;
    putU32(f, 0x3C, pe);
    putU32(f, pe, 0x00004550);
    const std::uint32_t coff = pe + 4;
    const std::uint16_t sectionCount = layout.withReloc ? 3 : 2;
    const std::uint16_t optionalSize = layout.pe32Plus ? 240 : 224;
    put16(f, coff, layout.pe32Plus ? 0x8664 : 0x14C);
    put16(f, coff + 2, sectionCount);
    put16(f, coff + 16, optionalSize);
    const std::uint32_t opt = coff + 20;
    put16(f, opt, layout.pe32Plus ? 0x20B : 0x10B);
    putU32(f, opt + 32, kSectionAlignment);
    putU32(f, opt + 36, kFileAlignment);
    putU32(f, opt + 60, 0x400);
    putU32(f, opt + (layout.pe32Plus ? 108 : 92), 16);
    const std::uint32_t dirs = opt + (layout.pe32Plus ? 112 : 96);

    const std::vector<std::uint8_t> rsrc = encodeUnsorted(layout.resources, kResourceRva);
    const std::uint32_t rsrcRaw = alignTo(static_cast<std::uint32_t>(std::max<std::size_t>(rsrc.size(), 1)), kFileAlignment);
    const std::uint32_t rsrcVirtual = alignTo(static_cast<std::uint32_t>(std::max<std::size_t>(rsrc.size(), 1)), kSectionAlignment);
    std::uint32_t table = opt + optionalSize;
    auto section = [&](const char* name, std::uint32_t vsize, std::uint32_t va, std::uint32_t raw, std::uint32_t ptr,
                       std::uint32_t flags) {
        for (int i = 0; name[i]; ++i) f[table + i] = static_cast<std::uint8_t>(name[i]);
        putU32(f, table + 8, vsize);
        putU32(f, table + 12, va);
        putU32(f, table + 16, raw);
        putU32(f, table + 20, ptr);
        putU32(f, table + 36, flags);
        table += 40;
    };
    section(".text", 0x10, 0x1000, 0x200, 0x400, 0x60000020);
    section(".rsrc", static_cast<std::uint32_t>(rsrc.size()), kResourceRva, rsrcRaw, kResourceRaw, 0xC0000040);
    const std::uint32_t relocRva = kResourceRva + rsrcVirtual;
    const std::uint32_t relocRaw = kResourceRaw + rsrcRaw;
    if (layout.withReloc) section(".reloc", 12, relocRva, 0x200, relocRaw, 0x42000040);
    putU32(f, dirs + 2 * 8, kResourceRva);
    putU32(f, dirs + 2 * 8 + 4, static_cast<std::uint32_t>(rsrc.size()));
    f.resize(0x600, 0);
    for (int i = 0; i < 0x10; ++i) f[0x400 + i] = 0xC3; // a few bytes of "code"
    f.insert(f.end(), rsrc.begin(), rsrc.end());
    f.resize(kResourceRaw + rsrcRaw, 0);
    std::uint32_t imageEnd = relocRva;
    if (layout.withReloc) {
        putU32(f, dirs + 5 * 8, relocRva);
        putU32(f, dirs + 5 * 8 + 4, 12);
        const std::vector<std::uint8_t> block = {0x00, 0x10, 0, 0, 12, 0, 0, 0, 0x10, 0xA0, 0, 0};
        f.insert(f.end(), block.begin(), block.end());
        f.resize(relocRaw + 0x200, 0);
        imageEnd += kSectionAlignment;
    }
    putU32(f, opt + 56, imageEnd);
    putU32(f, opt + 8, rsrcRaw + (layout.withReloc ? 0x200 : 0));
    f.insert(f.end(), layout.overlay.begin(), layout.overlay.end());
    return f;
}

} // namespace pgw::pe::test
