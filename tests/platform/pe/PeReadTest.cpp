#include "TestPe.h"

#include "platform/pe/PeResources.h"

#include <gtest/gtest.h>

using namespace pgw::pe;
using namespace pgw::pe::test;

namespace {

std::vector<Resource> sampleResources()
{
    return {
        resource(ResourceId::number(3), ResourceId::number(2), 0x804, {1, 2, 3}),
        resource(ResourceId::number(14), ResourceId::text(u"MAIN"), 0x804, {9, 9}),
        resource(ResourceId::number(3), ResourceId::number(1), 0x804, {4, 5, 6, 7, 8}),
        resource(ResourceId::text(u"BOOK"), ResourceId::number(7), 0x409, std::vector<std::uint8_t>(300, 0xAB)),
        resource(ResourceId::number(3), ResourceId::number(1), 0x409, {})};
}

// Reading returns resources grouped by type then name, as the directory holds them.
std::vector<Resource> grouped(const std::vector<Resource>& in)
{
    return {in[0], in[2], in[4], in[1], in[3]};
}

class PeReadBothKinds : public ::testing::TestWithParam<bool> {};

TEST_P(PeReadBothKinds, ReadsEveryResourceWithItsBytes)
{
    PeLayout layout;
    layout.pe32Plus = GetParam();
    layout.resources = sampleResources();
    layout.resources[2].codePage = 936;
    const auto file = buildPe(layout);
    ResourceTree tree;
    std::string error;
    ASSERT_TRUE(readResources(file, tree, error)) << error;
    EXPECT_EQ(tree.resources, grouped(layout.resources));
}

INSTANTIATE_TEST_SUITE_P(Pe32AndPe32Plus, PeReadBothKinds, ::testing::Bool());

TEST(PeRead, NoResourceDirectoryGivesAnEmptyTree)
{
    PeLayout layout;
    auto file = buildPe(layout);
    putU32(file, optionalOffset(file) + 112 + 16, 0);
    ResourceTree tree;
    tree.resources.push_back({});
    std::string error;
    ASSERT_TRUE(readResources(file, tree, error)) << error;
    EXPECT_TRUE(tree.resources.empty());
}

struct Damage {
    const char* what;
    void (*apply)(std::vector<std::uint8_t>&);
    const char* messagePart;
};

std::size_t rsrc(std::size_t offset) { return kResourceRaw + offset; }

const Damage kDamages[] = {
    {"no MZ", [](auto& f) { f[0] = 'X'; }, "MZ"},
    {"truncated to the DOS header", [](auto& f) { f.resize(40); }, "MZ"},
    {"e_lfanew past the end", [](auto& f) { putU32(f, 0x3C, 0x7FFFFFF0); }, "PE signature"},
    {"bad PE signature", [](auto& f) { f[peOffset(f)] = 'Q'; }, "PE signature"},
    {"too many sections", [](auto& f) { f[peOffset(f) + 6] = 0xFF; f[peOffset(f) + 7] = 0xFF; }, "number of sections"},
    {"section table past the end", [](auto& f) { f[peOffset(f) + 6] = 90; }, "section table"},
    {"bad magic", [](auto& f) { f[optionalOffset(f)] = 0x77; }, "PE32"},
    {"optional header too small", [](auto& f) { f[peOffset(f) + 20] = 100; }, "truncated"},
    {"too many directories", [](auto& f) { putU32(f, optionalOffset(f) + 108, 200); }, "data directories"},
    {"zero file alignment", [](auto& f) { putU32(f, optionalOffset(f) + 36, 0); }, "alignment"},
    {"section past the end", [](auto& f) { f.resize(0x700); }, "past the end"},
    {"resource root outside the file", [](auto& f) { putU32(f, optionalOffset(f) + 112 + 16, 0x900000); }, "outside"},
    {"root entry count past the section", [](auto& f) { f[rsrc(14)] = 0xFF; f[rsrc(15)] = 0xFF; }, "entries run past"},
    {"type entry not a directory", [](auto& f) { f[rsrc(16 + 7)] = 0; }, "not a directory"},
    {"directory loop to the root", [](auto& f) { putU32(f, rsrc(16 + 4), 0x80000000u); }, "loop"},
    {"subdirectory past the section", [](auto& f) { putU32(f, rsrc(16 + 4), 0x80100000u); }, "outside the section"},
    {"name past the section", [](auto& f) { putU32(f, rsrc(16), 0x80100000u); }, "name"},
    {"id above 16 bits", [](auto& f) { putU32(f, rsrc(16), 0x00120000u); }, "id"},
};

void PrintTo(const Damage& d, std::ostream* os) { *os << d.what; }

class PeReadDamaged : public ::testing::TestWithParam<Damage> {};

TEST_P(PeReadDamaged, IsRefusedWithAMessage)
{
    PeLayout layout;
    layout.resources = {resource(ResourceId::number(3), ResourceId::number(1), 0, {1, 2, 3, 4})};
    auto file = buildPe(layout);
    GetParam().apply(file);
    ResourceTree tree;
    std::string error;
    EXPECT_FALSE(readResources(file, tree, error));
    EXPECT_NE(error.find(GetParam().messagePart), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(Headers, PeReadDamaged, ::testing::ValuesIn(kDamages));

TEST(PeRead, DataOutsideTheFileIsRefused)
{
    PeLayout layout;
    layout.resources = {resource(ResourceId::number(3), ResourceId::number(1), 0, {1, 2, 3, 4})};
    for (std::uint32_t badRva : {0x0u, 0x1FFFu, 0x2000u + 0x1FFu, 0x7FFFFFFFu}) {
        auto file = buildPe(layout);
        // The only data entry follows the three 24-byte directories.
        putU32(file, rsrc(3 * 24), badRva);
        ResourceTree tree;
        std::string error;
        EXPECT_FALSE(readResources(file, tree, error)) << badRva;
        EXPECT_NE(error.find("outside the file"), std::string::npos) << error;
    }
}

TEST(PeRead, SharedDataIsRefusedInsteadOfMultiplied)
{
    // Many language entries pointing at one big blob would copy it many times.
    PeLayout layout;
    for (std::uint16_t lang = 0; lang < 40; ++lang)
        layout.resources.push_back(resource(ResourceId::number(10), ResourceId::number(1), lang, std::vector<std::uint8_t>(8)));
    auto file = buildPe(layout);
    const std::size_t firstData = rsrc(16 + 8 + 16 + 8 + 16 + 40 * 8);
    for (int i = 0; i < 40; ++i) {
        putU32(file, firstData + i * 16, kResourceRva);
        putU32(file, firstData + i * 16 + 4, 0x200);
    }
    ResourceTree tree;
    std::string error;
    EXPECT_FALSE(readResources(file, tree, error));
    EXPECT_NE(error.find("overlaps"), std::string::npos) << error;
}

} // namespace
