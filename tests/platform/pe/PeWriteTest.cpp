#include "TestPe.h"

#include "platform/pe/PeResources.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

using namespace pgw::pe;
using namespace pgw::pe::test;

namespace {

constexpr std::size_t kSectionTable = 0x80 + 24 + 240; // PE32+ built by buildPe

auto key(const Resource& r)
{
    return std::make_tuple(r.type.isName, r.type.id, r.type.name, r.name.isName, r.name.id, r.name.name, r.language);
}

std::vector<Resource> sortedByKey(std::vector<Resource> in)
{
    std::sort(in.begin(), in.end(), [](const Resource& a, const Resource& b) { return key(a) < key(b); });
    return in;
}

std::vector<Resource> mixedResources(std::size_t bigSize)
{
    return {resource(ResourceId::number(24), ResourceId::number(1), 0, {'<', 'x', '>'}),
            resource(ResourceId::text(u"ZETA"), ResourceId::text(u"B"), 0x804, {1}),
            resource(ResourceId::number(3), ResourceId::number(2), 0x804, std::vector<std::uint8_t>(bigSize, 7)),
            resource(ResourceId::text(u"ALPHA"), ResourceId::number(9), 0x804, {2, 3}),
            resource(ResourceId::number(3), ResourceId::number(1), 0x804, {4, 5, 6}),
            resource(ResourceId::number(14), ResourceId::text(u"APP"), 0x804, {8, 8, 8, 8, 8}),
            resource(ResourceId::number(14), ResourceId::number(100), 0x409, {9})};
}

std::vector<std::uint8_t> rewrite(const std::vector<std::uint8_t>& file, const std::vector<Resource>& resources)
{
    std::vector<std::uint8_t> out;
    std::string error;
    EXPECT_TRUE(replaceResources(file, ResourceTree{resources}, out, error)) << error;
    return out;
}

// Walks one directory and checks the loader's order; returns the subdirectory offsets.
void checkDirectory(const std::vector<std::uint8_t>& s, std::uint32_t at, std::vector<std::uint32_t>& next, bool leaves)
{
    const std::uint16_t named = static_cast<std::uint16_t>(s[at + 12] | (s[at + 13] << 8));
    const std::uint16_t ids = static_cast<std::uint16_t>(s[at + 14] | (s[at + 15] << 8));
    std::u16string previousName;
    std::uint32_t previousId = 0;
    for (std::uint32_t i = 0; i < std::uint32_t{named} + ids; ++i) {
        const std::uint32_t nameField = u32(s, at + 16 + i * 8);
        const std::uint32_t target = u32(s, at + 16 + i * 8 + 4);
        ASSERT_EQ((nameField & 0x80000000u) != 0, i < named) << "named entries must come first";
        if (i < named) {
            const std::uint32_t off = nameField & 0x7FFFFFFFu;
            std::u16string name;
            for (std::uint16_t c = 0; c < (s[off] | (s[off + 1] << 8)); ++c)
                name.push_back(static_cast<char16_t>(s[off + 2 + c * 2] | (s[off + 3 + c * 2] << 8)));
            EXPECT_TRUE(i == 0 || previousName < name);
            EXPECT_TRUE(std::none_of(name.begin(), name.end(), [](char16_t c) { return c >= u'a' && c <= u'z'; }));
            previousName = name;
        } else {
            EXPECT_TRUE(i == named || previousId < nameField);
            previousId = nameField;
        }
        EXPECT_EQ((target & 0x80000000u) != 0, !leaves);
        next.push_back(target & 0x7FFFFFFFu);
    }
}

std::vector<std::uint8_t> resourceSection(const std::vector<std::uint8_t>& file)
{
    const std::size_t header = kSectionTable + 40;
    const std::uint32_t raw = u32(file, header + 20);
    return {file.begin() + raw, file.begin() + raw + u32(file, header + 16)};
}

// The reference sum, computed by 32-bit words as the image help library documents it.
std::uint32_t referenceCheckSum(const std::vector<std::uint8_t>& f, std::size_t checkSumAt)
{
    std::uint64_t sum = 0;
    for (std::size_t at = 0; at < f.size(); at += 4) {
        if (at == checkSumAt) continue;
        std::uint32_t word = 0;
        for (std::size_t b = 0; b < 4 && at + b < f.size(); ++b) word |= std::uint32_t{f[at + b]} << (8 * b);
        sum = (sum & 0xFFFFFFFFu) + word + (sum >> 32);
        if (sum > 0xFFFFFFFFu) sum = (sum & 0xFFFFFFFFu) + (sum >> 32);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    sum = sum + (sum >> 16);
    return static_cast<std::uint32_t>((sum & 0xFFFF) + f.size());
}

struct Layout {
    bool pe32Plus;
    bool withReloc;
    std::size_t bigSize; // grows the section past page boundaries or not
};

class PeRewrite : public ::testing::TestWithParam<Layout> {};

TEST_P(PeRewrite, RoundTripKeepsEveryResourceAndFixesTheHeaders)
{
    const Layout layout = GetParam();
    PeLayout pe;
    pe.pe32Plus = layout.pe32Plus;
    pe.withReloc = layout.withReloc;
    pe.resources = {resource(ResourceId::number(3), ResourceId::number(1), 0, {1})};
    pe.overlay = {'B', 'O', 'O', 'K', 0, 1, 2};
    const auto input = buildPe(pe);
    const auto wanted = mixedResources(layout.bigSize);
    const auto output = rewrite(input, wanted);
    ASSERT_FALSE(output.empty());

    ResourceTree back;
    std::string error;
    ASSERT_TRUE(readResources(output, back, error)) << error;
    EXPECT_EQ(sortedByKey(back.resources), sortedByKey(wanted));
    // Rewriting what was read gives the same bytes again.
    EXPECT_EQ(rewrite(output, back.resources), output);

    const std::uint32_t opt = optionalOffset(output);
    const std::uint32_t dirs = opt + (layout.pe32Plus ? 112 : 96);
    const std::size_t table = opt + (layout.pe32Plus ? 240 : 224);
    const std::uint32_t treeSize = u32(output, table + 40 + 8);
    const std::uint32_t rsrcRaw = u32(output, table + 40 + 16);
    EXPECT_EQ(u32(output, dirs + 16), kResourceRva);
    EXPECT_EQ(u32(output, dirs + 20), treeSize);
    EXPECT_EQ(rsrcRaw % kFileAlignment, 0u);
    EXPECT_GE(rsrcRaw, treeSize);
    const std::uint32_t rsrcEnd = kResourceRva + (treeSize + kSectionAlignment - 1) / kSectionAlignment * kSectionAlignment;
    std::uint32_t imageEnd = rsrcEnd;
    std::uint32_t initialised = rsrcRaw;
    if (layout.withReloc) {
        const std::size_t reloc = table + 80;
        EXPECT_EQ(u32(output, reloc + 12), rsrcEnd);
        EXPECT_EQ(u32(output, reloc + 20), kResourceRaw + rsrcRaw);
        EXPECT_EQ(u32(output, dirs + 40), rsrcEnd);
        const std::vector<std::uint8_t> block = {0x00, 0x10, 0, 0, 12, 0, 0, 0, 0x10, 0xA0, 0, 0};
        EXPECT_TRUE(std::equal(block.begin(), block.end(), output.begin() + kResourceRaw + rsrcRaw));
        imageEnd += kSectionAlignment;
        initialised += 0x200;
    }
    EXPECT_EQ(u32(output, opt + 56), imageEnd);
    EXPECT_EQ(u32(output, opt + 8), initialised);
    EXPECT_EQ(u32(output, opt + 64), referenceCheckSum(output, opt + 64));
    EXPECT_TRUE(std::equal(pe.overlay.begin(), pe.overlay.end(), output.end() - 7));
    EXPECT_EQ(output.size(), kResourceRaw + rsrcRaw + (layout.withReloc ? 0x200 : 0) + pe.overlay.size());
}

INSTANTIATE_TEST_SUITE_P(Layouts, PeRewrite,
                         ::testing::Values(Layout{true, false, 10}, Layout{true, true, 10}, Layout{true, true, 9000},
                                           Layout{false, true, 9000}, Layout{false, false, 5000}));

TEST(PeRewrite, ShrinkingMovesTheFollowingSectionBack)
{
    PeLayout layout;
    layout.withReloc = true;
    layout.resources = {resource(ResourceId::number(10), ResourceId::number(1), 0, std::vector<std::uint8_t>(9000, 1))};
    const auto output = rewrite(buildPe(layout), {resource(ResourceId::number(10), ResourceId::number(1), 0, {1})});
    const std::size_t reloc = kSectionTable + 80;
    EXPECT_EQ(u32(output, reloc + 12), kResourceRva + kSectionAlignment);
    EXPECT_EQ(u32(output, reloc + 20), kResourceRaw + kFileAlignment);
    EXPECT_EQ(u32(output, optionalOffset(output) + 56), kResourceRva + 2 * kSectionAlignment);
}

TEST(PeRewrite, DirectoriesAreSortedAndDataAligned)
{
    PeLayout layout;
    layout.resources = {resource(ResourceId::number(3), ResourceId::number(1), 0, {1})};
    auto wanted = mixedResources(13);
    wanted.push_back(resource(ResourceId::text(u"lower"), ResourceId::text(u"mixedCase"), 7, {1, 2, 3}));
    wanted.push_back(resource(ResourceId::number(3), ResourceId::number(1), 0x409, {1}));
    const auto output = rewrite(buildPe(layout), wanted);
    const auto section = resourceSection(output);
    std::vector<std::uint32_t> names, languages, data;
    checkDirectory(section, 0, names, false);
    for (std::uint32_t at : names) checkDirectory(section, at, languages, false);
    for (std::uint32_t at : languages) checkDirectory(section, at, data, true);
    ASSERT_EQ(data.size(), wanted.size());
    const std::uint32_t virtualSize = u32(output, kSectionTable + 40 + 8);
    for (std::uint32_t entry : data) {
        const std::uint32_t rva = u32(section, entry);
        EXPECT_EQ(rva % 8, 0u);
        EXPECT_LE(rva + u32(section, entry + 4), kResourceRva + virtualSize);
    }
    ResourceTree back;
    std::string error;
    ASSERT_TRUE(readResources(output, back, error));
    EXPECT_EQ(back.resources.front().type, ResourceId::text(u"ALPHA"));
    EXPECT_EQ(back.resources[1].type, ResourceId::text(u"LOWER"));
    EXPECT_EQ(back.resources[1].name, ResourceId::text(u"MIXEDCASE"));
}

TEST(PeRewrite, SignatureAtTheEndIsRemoved)
{
    PeLayout layout;
    layout.withReloc = true;
    layout.overlay = std::vector<std::uint8_t>(64, 0x5A);
    auto input = buildPe(layout);
    const std::uint32_t dirs = optionalOffset(input) + 112;
    putU32(input, dirs + 32, static_cast<std::uint32_t>(input.size() - 48));
    putU32(input, dirs + 36, 48);
    const auto output = rewrite(input, {});
    EXPECT_EQ(u32(output, dirs + 32), 0u);
    EXPECT_EQ(u32(output, dirs + 36), 0u);
    EXPECT_EQ(std::count(output.end() - 16, output.end(), 0x5A), 16); // the 16 bytes before the signature stay
    EXPECT_EQ(output.size() % 0x200, 16u);
}

struct Refusal {
    const char* what;
    void (*apply)(std::vector<std::uint8_t>&);
    const char* messagePart;
};

void PrintTo(const Refusal& r, std::ostream* os) { *os << r.what; }

const Refusal kRefusals[] = {
    {"an ordinary section after the resources",
     [](auto& f) { f[kSectionTable + 80 + 1] = 'd'; putU32(f, kSectionTable + 80 + 36, 0xC0000040); }, "cannot be moved"},
    {"a symbol table", [](auto& f) { putU32(f, 0x80 + 12, 0x1234); }, "symbol table"},
    {"resources not at their section's start",
     [](auto& f) { putU32(f, optionalOffset(f) + 112 + 16, kResourceRva + 0x10); }, "own section"},
    {"no resources", [](auto& f) { putU32(f, optionalOffset(f) + 112 + 16, 0); }, "no resource section"},
    {"a signature before the end", [](auto& f) { putU32(f, optionalOffset(f) + 112 + 32, 0x600); putU32(f, optionalOffset(f) + 112 + 36, 8); },
     "signature"},
    {"another directory inside the resources", [](auto& f) { putU32(f, optionalOffset(f) + 112 + 8, kResourceRva + 4); },
     "points into the resource section"},
    {"debug data in a section that moves", [](auto& f) { putU32(f, optionalOffset(f) + 112 + 48, 0x3000); },
     "would have to move"},
    {"relocations for the resources' page", [](auto& f) { putU32(f, kResourceRaw + 0x200, kResourceRva); },
     "Relocations apply"},
    {"a relocation block of size zero", [](auto& f) { putU32(f, kResourceRaw + 0x200 + 4, 0); }, "relocation table is damaged"},
};

class PeRewriteRefused : public ::testing::TestWithParam<Refusal> {};

TEST_P(PeRewriteRefused, WithAMessageAndNoOutput)
{
    PeLayout layout;
    layout.withReloc = true;
    layout.resources = {resource(ResourceId::number(3), ResourceId::number(1), 0, {1})};
    auto input = buildPe(layout);
    GetParam().apply(input);
    std::vector<std::uint8_t> out{42};
    std::string error;
    EXPECT_FALSE(replaceResources(input, ResourceTree{layout.resources}, out, error));
    EXPECT_NE(error.find(GetParam().messagePart), std::string::npos) << error;
    EXPECT_EQ(out, std::vector<std::uint8_t>{42});
}

INSTANTIATE_TEST_SUITE_P(Files, PeRewriteRefused, ::testing::ValuesIn(kRefusals));

TEST(PeRewrite, SameResourceTwiceIsRefused)
{
    PeLayout layout;
    const auto input = buildPe(layout);
    std::vector<std::uint8_t> out;
    std::string error;
    const ResourceTree twice{{resource(ResourceId::text(u"Icon"), ResourceId::number(1), 0, {1}),
                              resource(ResourceId::text(u"ICON"), ResourceId::number(1), 0, {2})}};
    EXPECT_FALSE(replaceResources(input, twice, out, error));
    EXPECT_NE(error.find("appears twice"), std::string::npos) << error;
    const ResourceTree longName{{resource(ResourceId::text(std::u16string(70000, u'A')), ResourceId::number(1), 0, {1})}};
    EXPECT_FALSE(replaceResources(input, longName, out, error));
    EXPECT_NE(error.find("too long"), std::string::npos) << error;
}

} // namespace
