#include "TestPe.h"

#include "platform/pe/PeResources.h"

#include <gtest/gtest.h>

using namespace pgw::pe;
using namespace pgw::pe::test;

namespace {

struct IcoImage {
    std::uint8_t width;
    std::uint16_t bitCount;
    std::vector<std::uint8_t> bytes;
};

std::vector<std::uint8_t> makeIco(const std::vector<IcoImage>& images)
{
    std::vector<std::uint8_t> ico(6 + images.size() * 16, 0);
    ico[2] = 1;
    ico[4] = static_cast<std::uint8_t>(images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        const std::size_t at = 6 + i * 16;
        ico[at] = images[i].width;
        ico[at + 1] = images[i].width;
        ico[at + 6] = static_cast<std::uint8_t>(images[i].bitCount);
        putU32(ico, at + 8, static_cast<std::uint32_t>(images[i].bytes.size()));
        putU32(ico, at + 12, static_cast<std::uint32_t>(ico.size()));
        ico.insert(ico.end(), images[i].bytes.begin(), images[i].bytes.end());
    }
    return ico;
}

std::vector<IcoImage> images(std::size_t count)
{
    const std::vector<IcoImage> all = {
        {32, 32, std::vector<std::uint8_t>(4264, 0x28)},
        {16, 8, std::vector<std::uint8_t>(1128, 0x11)},
        {0, 32, {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 1, 2, 3}}, // 256x256 stored as PNG
        {48, 4, std::vector<std::uint8_t>(777, 0x44)}};
    return {all.begin(), all.begin() + static_cast<std::ptrdiff_t>(count)};
}

std::vector<Resource> stubResources()
{
    return {resource(ResourceId::number(3), ResourceId::number(1), 0x804, {1, 1}),
            resource(ResourceId::number(3), ResourceId::number(2), 0x804, {2, 2}),
            resource(ResourceId::number(3), ResourceId::number(3), 0x804, {3, 3}),
            resource(ResourceId::number(14), ResourceId::text(u"MAINICON"), 0x804, {0, 0, 1, 0, 1, 0}),
            resource(ResourceId::number(14), ResourceId::number(101), 0x409, {0, 0, 1, 0, 1, 0}),
            resource(ResourceId::number(16), ResourceId::number(1), 0x804, {'v', 'e', 'r'}),
            resource(ResourceId::number(24), ResourceId::number(1), 0x804, {'<', 'm', '/', '>'})};
}

std::uint32_t u16At(const std::vector<std::uint8_t>& b, std::size_t at) { return b[at] | (b[at + 1] << 8); }

class IconReplacement : public ::testing::TestWithParam<std::size_t> {};

TEST_P(IconReplacement, ReplacesIconsAndEveryGroupAndKeepsTheRest)
{
    const auto icoImages = images(GetParam());
    const auto ico = makeIco(icoImages);
    PeLayout layout;
    layout.withReloc = true;
    layout.resources = stubResources();
    std::vector<std::uint8_t> out;
    std::string error;
    ASSERT_TRUE(replaceIcons(buildPe(layout), ico, out, error)) << error;
    ResourceTree tree;
    ASSERT_TRUE(readResources(out, tree, error)) << error;

    std::size_t icons = 0, groups = 0, others = 0;
    for (const Resource& r : tree.resources) {
        if (r.type == ResourceId::number(3)) {
            ++icons;
            ASSERT_FALSE(r.name.isName);
            ASSERT_GE(r.name.id, 1);
            ASSERT_LE(r.name.id, icoImages.size());
            EXPECT_EQ(r.bytes, icoImages[r.name.id - 1].bytes);
            EXPECT_EQ(r.language, 0x804);
        } else if (r.type == ResourceId::number(14)) {
            ++groups;
            ASSERT_EQ(r.bytes.size(), 6 + 14 * icoImages.size());
            EXPECT_EQ(u16At(r.bytes, 2), 1u);
            EXPECT_EQ(u16At(r.bytes, 4), icoImages.size());
            for (std::size_t i = 0; i < icoImages.size(); ++i) {
                const std::size_t at = 6 + i * 14;
                EXPECT_EQ(r.bytes[at], icoImages[i].width);
                EXPECT_EQ(u16At(r.bytes, at + 4), 1u); // planes
                EXPECT_EQ(u16At(r.bytes, at + 6), icoImages[i].bitCount);
                EXPECT_EQ(u32(r.bytes, at + 8), icoImages[i].bytes.size());
                EXPECT_EQ(u16At(r.bytes, at + 12), i + 1);
            }
        } else {
            ++others;
            const auto original = stubResources();
            EXPECT_NE(std::find(original.begin(), original.end(), r), original.end());
        }
    }
    EXPECT_EQ(icons, icoImages.size());
    EXPECT_EQ(groups, 2u); // the named and the numbered group, languages kept
    EXPECT_EQ(others, 2u);
}

INSTANTIATE_TEST_SUITE_P(ImageCounts, IconReplacement, ::testing::Values(1, 2, 4));

TEST(IconReplacement, AFileWithoutGroupGetsOne)
{
    ResourceTree original{{resource(ResourceId::number(24), ResourceId::number(1), 0, {1})}};
    ResourceTree updated;
    std::string error;
    ASSERT_TRUE(replaceIconsInTree(original, makeIco(images(2)), updated, error)) << error;
    ASSERT_EQ(updated.resources.size(), 4u);
    EXPECT_EQ(updated.resources[1].type, ResourceId::number(14));
    EXPECT_EQ(updated.resources[1].name, ResourceId::number(1));
}

TEST(IconReplacement, DamagedIcoIsRefused)
{
    auto good = makeIco(images(2));
    std::vector<std::pair<const char*, std::vector<std::uint8_t>>> cases;
    cases.push_back({"empty", {}});
    auto wrongType = good;
    wrongType[2] = 2; // a cursor file
    cases.push_back({"cursor", wrongType});
    auto noImages = good;
    noImages[4] = 0;
    cases.push_back({"no images", noImages});
    auto truncatedTable = good;
    truncatedTable[4] = 200;
    cases.push_back({"table past the end", truncatedTable});
    auto offsetPastEnd = good;
    putU32(offsetPastEnd, 6 + 16 + 12, 0xFFFFFFF0u);
    cases.push_back({"offset past the end", offsetPastEnd});
    auto sizePastEnd = good;
    putU32(sizePastEnd, 6 + 8, 0x7FFFFFFFu);
    cases.push_back({"size past the end", sizePastEnd});
    for (const auto& [what, ico] : cases) {
        ResourceTree updated;
        std::string error;
        EXPECT_FALSE(replaceIconsInTree({}, ico, updated, error)) << what;
        EXPECT_FALSE(error.empty()) << what;
    }
}

} // namespace

#include "platform/pe/PeFile.h"

#include <filesystem>
#include <fstream>

namespace {

void writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

class IconFileUpdate : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = std::filesystem::temp_directory_path() / ("pgw_pe_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed())
                                                        + "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::filesystem::path dir;
};

TEST_F(IconFileUpdate, WritesTheResultAndLeavesNoPartialFile)
{
    PeLayout layout;
    layout.withReloc = true;
    layout.resources = stubResources();
    writeFile(dir / "stub.exe", buildPe(layout));
    writeFile(dir / "book.ico", makeIco(images(2)));
    std::string error;
    ASSERT_TRUE(replaceIconsInFile(dir / "stub.exe", dir / "book.ico", dir / "book.exe", error)) << error;
    EXPECT_TRUE(std::filesystem::exists(dir / "book.exe"));
    EXPECT_FALSE(std::filesystem::exists(dir / "book.exe.partial"));
}

TEST_F(IconFileUpdate, FailureLeavesTheExistingOutputAlone)
{
    std::vector<std::uint8_t> notAProgram(300, 'x');
    writeFile(dir / "stub.exe", notAProgram);
    writeFile(dir / "book.ico", makeIco(images(1)));
    writeFile(dir / "book.exe", {1, 2, 3});
    std::string error;
    EXPECT_FALSE(replaceIconsInFile(dir / "stub.exe", dir / "book.ico", dir / "book.exe", error));
    EXPECT_NE(error.find("stub.exe"), std::string::npos) << error;
    EXPECT_EQ(std::filesystem::file_size(dir / "book.exe"), 3u);
    EXPECT_FALSE(replaceIconsInFile(dir / "missing.exe", dir / "book.ico", dir / "book.exe", error));
    EXPECT_NE(error.find("missing.exe"), std::string::npos) << error;
}

} // namespace
