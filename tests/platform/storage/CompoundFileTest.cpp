// Layout of the files we write, stream contents across every size boundary, names.

#include "StorageTestSupport.h"

#include "platform/storage/ElementName.h"
#include "platform/storage/FileFormat.h"

#include <gtest/gtest.h>

namespace pgw::storage::testing {
namespace {

using format::get16;
using format::get32;

void expectSound(const std::string& path) {
    const auto problems = wastedSectors(readFileBytes(path));
    EXPECT_TRUE(problems.empty()) << path << ": " << problems.front();
}

TEST(CompoundFileLayout, OneEmptyStreamMakesTheSmallestFile) {
    TempDir dir;
    const std::string path = dir.file("empty.cfb");
    {
        std::unique_ptr<Storage> root;
        ASSERT_EQ(createCompoundFile(path, mode::kCreateExclusive, &root), StgResult::Ok);
        makeStream(*root, "empty", {});
        ASSERT_EQ(root->commit(), StgResult::Ok);
    }
    const auto bytes = readFileBytes(path);
    ASSERT_EQ(bytes.size(), 1536u);  // header, one FAT sector, one directory sector
    const uint8_t signature[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    EXPECT_TRUE(std::equal(signature, signature + 8, bytes.begin()));
    EXPECT_EQ(get16(&bytes[0x18]), 0x3E);
    EXPECT_EQ(get16(&bytes[0x1A]), 3);
    EXPECT_EQ(get16(&bytes[0x1C]), 0xFFFE);
    EXPECT_EQ(get16(&bytes[0x1E]), 9);
    EXPECT_EQ(get32(&bytes[0x2C]), 1u);                      // FAT sectors
    EXPECT_EQ(get32(&bytes[0x3C]), format::kEndOfChain);     // no miniFAT
    EXPECT_EQ(get32(&bytes[0x44]), format::kEndOfChain);     // no DIFAT sectors
    EXPECT_EQ(get32(&bytes[1024 + 128 + 0x74]), format::kEndOfChain);  // the empty stream
    expectSound(path);
}

TEST(CompoundFileLayout, RootReportsTheFullPathAndNewFilesRefuseToOverwrite) {
    TempDir dir;
    const std::string path = dir.file("book.pgw");
    std::unique_ptr<Storage> root;
    ASSERT_EQ(createCompoundFile(path, mode::kCreateExclusive, &root), StgResult::Ok);
    ElementStat stat;
    ASSERT_EQ(root->stat(&stat), StgResult::Ok);
    EXPECT_EQ(stat.name, path);
    EXPECT_EQ(stat.kind, ElementKind::Root);
    root.reset();
    EXPECT_TRUE(isCompoundFile(path));
    EXPECT_EQ(createCompoundFile(path, mode::kReadWrite | mode::kShareExclusive, &root), StgResult::AlreadyExists);
    EXPECT_EQ(createCompoundFile(dir.file("no/such/folder.pgw"), mode::kCreateExclusive, &root),
              StgResult::PathNotFound);
    EXPECT_EQ(openCompoundFile(dir.file("missing.pgw"), mode::kOpenExclusive, &root), StgResult::FileNotFound);
}

class StreamSizes : public ::testing::TestWithParam<size_t> {};

TEST_P(StreamSizes, RoundTripThroughTheFile) {
    TempDir dir;
    const std::string path = dir.file("sizes.cfb");
    const size_t size = GetParam();
    {
        std::unique_ptr<Storage> root;
        ASSERT_EQ(createCompoundFile(path, mode::kCreateExclusive, &root), StgResult::Ok);
        makeStream(*root, "data", pattern(size, 7));
        makeStream(*root, "after", pattern(100, 8));  // a neighbour must not be disturbed
    }
    auto root = openFile(path, mode::kOpenReadOnly);
    ASSERT_TRUE(root);
    EXPECT_EQ(streamBytes(*root, "data"), pattern(size, 7));
    EXPECT_EQ(streamBytes(*root, "after"), pattern(100, 8));
    expectSound(path);
}

INSTANTIATE_TEST_SUITE_P(AroundSectorAndCutoff, StreamSizes,
                         ::testing::Values(0, 1, 63, 64, 65, 511, 512, 513, 4095, 4096, 4097, 100000));

TEST(StreamBoundary, GrowingAndShrinkingAcrossTheCutoffKeepsBytesAndFreesSectors) {
    TempDir dir;
    const std::string path = dir.file("cutoff.cfb");
    std::unique_ptr<Storage> root;
    ASSERT_EQ(createCompoundFile(path, mode::kCreateExclusive, &root), StgResult::Ok);
    const auto bytes = pattern(5000, 3);
    auto stream = makeStream(*root, "s", std::vector<uint8_t>(bytes.begin(), bytes.begin() + 4095));
    uintmax_t firstCycleSize = 0;
    for (int cycle = 0; cycle < 4; ++cycle) {
        ASSERT_EQ(stream->seek(4095, SeekOrigin::Set), StgResult::Ok);
        ASSERT_EQ(stream->write(&bytes[4095], 2), StgResult::Ok);  // 4097: now in whole sectors
        ASSERT_EQ(root->commit(), StgResult::Ok);
        std::vector<uint8_t> read;
        ASSERT_EQ(stream->readAll(&read), StgResult::Ok);
        EXPECT_EQ(read, std::vector<uint8_t>(bytes.begin(), bytes.begin() + 4097));
        ASSERT_EQ(stream->setSize(4095), StgResult::Ok);  // back into the mini stream
        ASSERT_EQ(root->commit(), StgResult::Ok);
        ASSERT_EQ(stream->readAll(&read), StgResult::Ok);
        EXPECT_EQ(read, std::vector<uint8_t>(bytes.begin(), bytes.begin() + 4095));
        expectSound(path);
        if (cycle == 1) firstCycleSize = std::filesystem::file_size(path);
        if (cycle > 1) {
            EXPECT_EQ(std::filesystem::file_size(path), firstCycleSize) << "sectors leak";
        }
    }
    ASSERT_EQ(stream->setSize(0), StgResult::Ok);
    ASSERT_EQ(root->commit(), StgResult::Ok);
    expectSound(path);
}

TEST(StreamRewrite, ShorterWriteAtStartKeepsTheTailAndGapsReadAsZero) {
    TempDir dir;
    std::unique_ptr<Storage> root;
    ASSERT_EQ(createCompoundFile(dir.file("rewrite.cfb"), mode::kCreateExclusive, &root), StgResult::Ok);
    for (const size_t size : {300u, 9000u}) {
        const auto old = pattern(size, 1);
        auto stream = makeStream(*root, "s" + std::to_string(size), old);
        const auto fresh = pattern(size / 3, 2);
        ASSERT_EQ(stream->seek(0, SeekOrigin::Set), StgResult::Ok);
        ASSERT_EQ(stream->write(fresh.data(), fresh.size()), StgResult::Ok);
        std::vector<uint8_t> expected = old;
        std::copy(fresh.begin(), fresh.end(), expected.begin());
        std::vector<uint8_t> read;
        ASSERT_EQ(stream->readAll(&read), StgResult::Ok);
        EXPECT_EQ(read, expected) << "a write never shrinks a stream";

        // Shrink, then grow: the regrown bytes are zero, not the old ones.
        ASSERT_EQ(stream->setSize(10), StgResult::Ok);
        ASSERT_EQ(stream->setSize(size), StgResult::Ok);
        ASSERT_EQ(stream->readAll(&read), StgResult::Ok);
        expected.assign(size, 0);
        std::copy(fresh.begin(), fresh.begin() + 10, expected.begin());
        EXPECT_EQ(read, expected);

        // A write past the end fills the gap with zeros.
        uint64_t position = 0;
        ASSERT_EQ(stream->seek(size + 5000, SeekOrigin::Set, &position), StgResult::Ok);
        ASSERT_EQ(stream->write("xy", 2), StgResult::Ok);
        ASSERT_EQ(stream->readAll(&read), StgResult::Ok);
        ASSERT_EQ(read.size(), size + 5002);
        EXPECT_TRUE(std::all_of(read.begin() + size, read.begin() + size + 5000, [](uint8_t b) { return b == 0; }));
        EXPECT_EQ(read[size + 5000], 'x');
    }
}

TEST(StreamSeek, RefusesPositionsBeforeTheStartAndReadsNothingPastTheEnd) {
    TempDir dir;
    std::unique_ptr<Storage> root;
    ASSERT_EQ(createCompoundFile(dir.file("seek.cfb"), mode::kCreateExclusive, &root), StgResult::Ok);
    auto stream = makeStream(*root, "s", pattern(100, 1));
    uint64_t position = 0;
    EXPECT_EQ(stream->seek(-101, SeekOrigin::End), StgResult::InvalidArgument);
    EXPECT_EQ(stream->seek(-10, SeekOrigin::End, &position), StgResult::Ok);
    EXPECT_EQ(position, 90u);
    EXPECT_EQ(stream->seek(5, SeekOrigin::Current, &position), StgResult::Ok);
    EXPECT_EQ(position, 95u);
    uint8_t buffer[64];
    size_t got = 0;
    EXPECT_EQ(stream->read(buffer, sizeof buffer, &got), StgResult::Ok);
    EXPECT_EQ(got, 5u);
    EXPECT_EQ(stream->read(buffer, sizeof buffer, &got), StgResult::Ok);
    EXPECT_EQ(got, 0u);
}

TEST(LargeFiles, FilesBeyondOneHundredAndNineFatSectorsUseTheDifat) {
    TempDir dir;
    const std::string path = dir.file("difat.cfb");
    // 110 FAT sectors describe 14,080 sectors: 7.5 MB of stream needs more.
    const auto big = pattern(7500000, 11);
    {
        std::unique_ptr<Storage> root;
        ASSERT_EQ(createCompoundFile(path, mode::kCreateExclusive, &root), StgResult::Ok);
        auto stream = makeStream(*root, "big", {});
        for (size_t at = 0; at < big.size(); at += 65536)
            ASSERT_EQ(stream->write(&big[at], std::min<size_t>(65536, big.size() - at)), StgResult::Ok);
    }
    const auto bytes = readFileBytes(path);
    const uint32_t fatSectors = get32(&bytes[0x2C]);
    EXPECT_GT(fatSectors, 109u);
    EXPECT_EQ(get32(&bytes[0x48]), 1u);
    // The FAT grew in runs of sectors side by side, and the commit gave back what the
    // file did not come to use: it covers the file and no more.
    int runs = 1;
    for (size_t i = 1; i < 109; ++i) runs += get32(&bytes[0x4C + 4 * i]) != get32(&bytes[0x4C + 4 * (i - 1)]) + 1;
    EXPECT_LE(runs, 40);  // one a sector were it grown one sector at a time
    EXPECT_EQ(fatSectors, (bytes.size() / 512 - 1 + 127) / 128);
    expectSound(path);
    auto root = openFile(path);
    ASSERT_TRUE(root);
    EXPECT_EQ(streamBytes(*root, "big"), big);
}

// How many runs of sectors side by side the chain from `start` takes, for a file whose
// FAT the header lists in full.
int chainRuns(const std::vector<uint8_t>& bytes, uint32_t start) {
    std::vector<uint32_t> fat;
    for (uint32_t i = 0; i < get32(&bytes[0x2C]); ++i) {
        const uint8_t* sector = &bytes[(size_t(get32(&bytes[0x4C + 4 * i])) + 1) * 512];
        for (size_t k = 0; k < 128; ++k) fat.push_back(get32(sector + 4 * k));
    }
    int runs = 1;
    for (uint32_t s = start; fat.at(s) < 0xFFFFFFFA; s = fat[s]) runs += fat[s] != s + 1;
    return runs;
}

TEST(LargeFiles, TablesAndTheMiniStreamWrittenAmongManyStreamsStayInFewRuns) {
    TempDir dir;
    const std::string path = dir.file("many.cfb");
    constexpr uint32_t kStreams = 800;  // a directory of 200 sectors and a miniFAT of 75
    {
        std::unique_ptr<Storage> root;
        ASSERT_EQ(createCompoundFile(path, mode::kCreateExclusive, &root), StgResult::Ok);
        for (uint32_t i = 0; i < kStreams; ++i) makeStream(*root, "s" + std::to_string(i), pattern(i % 2 ? 5000 : 1500, i));
    }
    const auto bytes = readFileBytes(path);
    EXPECT_LE(chainRuns(bytes, get32(&bytes[0x30])), 40);  // the directory: 200 runs if grown a sector at a time
    EXPECT_LE(chainRuns(bytes, get32(&bytes[0x3C])), 40);  // the miniFAT: 75
    const uint8_t* rootEntry = &bytes[(size_t(get32(&bytes[0x30])) + 1) * 512];
    EXPECT_LE(chainRuns(bytes, get32(rootEntry + 0x74)), 80);  // the mini stream: 421
    expectSound(path);
    auto root = openFile(path);
    ASSERT_TRUE(root);
    for (const uint32_t i : {0u, 1u, kStreams / 2, kStreams - 1})
        EXPECT_EQ(streamBytes(*root, "s" + std::to_string(i)), pattern(i % 2 ? 5000 : 1500, i));
}

TEST(LargeFiles, TwoHundredMegabytesRoundTripChunkByChunk) {
    TempDir dir;
    const std::string path = dir.file("large.cfb");
    constexpr size_t kChunk = 1 << 20, kChunks = 200;
    {
        std::unique_ptr<Storage> root;
        ASSERT_EQ(createCompoundFile(path, mode::kCreateExclusive, &root), StgResult::Ok);
        makeStream(*root, "before", pattern(1000, 1));
        auto stream = makeStream(*root, "large", {});
        for (size_t k = 0; k < kChunks; ++k) {
            const auto chunk = pattern(kChunk, uint32_t(k));
            ASSERT_EQ(stream->write(chunk.data(), chunk.size()), StgResult::Ok);
        }
        makeStream(*root, "after", pattern(1000, 2));
    }
    EXPECT_GT(std::filesystem::file_size(path), kChunk * kChunks);
    auto root = openFile(path, mode::kOpenReadOnly);
    ASSERT_TRUE(root);
    std::unique_ptr<Stream> stream;
    ASSERT_EQ(root->openStream("large", mode::kShareExclusive, &stream), StgResult::Ok);
    std::vector<uint8_t> chunk(kChunk);
    for (size_t k = 0; k < kChunks; ++k) {
        size_t got = 0;
        ASSERT_EQ(stream->read(chunk.data(), chunk.size(), &got), StgResult::Ok);
        ASSERT_EQ(got, kChunk);
        ASSERT_EQ(chunk, pattern(kChunk, uint32_t(k))) << "chunk " << k;
    }
    EXPECT_EQ(streamBytes(*root, "before"), pattern(1000, 1));
    EXPECT_EQ(streamBytes(*root, "after"), pattern(1000, 2));
}

TEST(Version4, SectorsOfFourKilobytesWriteAndReadBack) {
    TempDir dir;
    const std::string path = dir.file("v4.cfb");
    {
        std::unique_ptr<Storage> root;
        ASSERT_EQ(createCompoundFile(path, mode::kCreateExclusive, &root, CreateOptions{4}), StgResult::Ok);
        makeStream(*root, "small", pattern(100, 1));
        makeStream(*root, "large", pattern(300000, 2));
        std::unique_ptr<Storage> sub;
        ASSERT_EQ(root->createStorage("sub", mode::kCreateExclusive, &sub), StgResult::Ok);
        for (int i = 0; i < 40; ++i) makeStream(*sub, "s" + std::to_string(i), pattern(i * 50, i));
    }
    EXPECT_EQ(std::filesystem::file_size(path) % 4096, 0u);
    auto root = openFile(path);
    ASSERT_TRUE(root);
    EXPECT_EQ(streamBytes(*root, "small"), pattern(100, 1));
    EXPECT_EQ(streamBytes(*root, "large"), pattern(300000, 2));
    std::unique_ptr<Storage> sub;
    ASSERT_EQ(root->openStorage("sub", mode::kOpenExclusive, &sub), StgResult::Ok);
    for (int i = 0; i < 40; ++i) EXPECT_EQ(streamBytes(*sub, "s" + std::to_string(i)), pattern(i * 50, i));
}

// ---- Names ----

TEST(ElementNames, LengthAndCharacterRules) {
    std::u16string name;
    EXPECT_EQ(toElementName(std::string(31, 'a'), &name), StgResult::Ok);
    EXPECT_EQ(toElementName(std::string(32, 'a'), &name), StgResult::InvalidName);
    EXPECT_EQ(toElementName("", &name), StgResult::InvalidName);
    for (const char* bad : {"a/b", "a\\b", "a:b", "a!b", "\xff"})
        EXPECT_EQ(toElementName(bad, &name), StgResult::InvalidName) << bad;
    EXPECT_EQ(toElementName("\x05SummaryInformation", &name), StgResult::Ok);  // property sets
    // A character beyond the BMP takes two units: 15 of them plus one fit, 16 do not.
    std::string emoji;
    for (int i = 0; i < 15; ++i) emoji += "\xF0\x9F\x98\x80";
    EXPECT_EQ(toElementName(emoji + "a", &name), StgResult::Ok);
    EXPECT_EQ(toElementName(emoji + "\xF0\x9F\x98\x80", &name), StgResult::InvalidName);
    EXPECT_EQ(toElementName("新建文本", &name), StgResult::Ok);
    EXPECT_EQ(name.size(), 4u);
}

TEST(ElementNames, SiblingOrderIsLengthThenUppercasedUnits) {
    EXPECT_LT(compareElementNames(u"zz", u"aaa"), 0);    // shorter first
    EXPECT_LT(compareElementNames(u"AA", u"_A"), 0);     // uppercase, not lowercase: 'A' < '_'
    EXPECT_EQ(compareElementNames(u"Big", u"BIG"), 0);   // case-insensitive clash
    EXPECT_EQ(compareElementNames(u"\u00e9t\u00e9", u"\u00c9T\u00c9"), 0);
    EXPECT_EQ(compareElementNames(u"\u03c3", u"\u03a3"), 0);  // Greek sigma
    EXPECT_NE(compareElementNames(u"\u00df", u"SS"), 0);      // no full case mapping
    EXPECT_EQ(simpleUpperCase(u'\uff41'), u'\uff21');          // fullwidth a
    EXPECT_EQ(simpleUpperCase(u'\u4e2d'), u'\u4e2d');          // CJK has no case
}

TEST(ElementNames, DuplicatesClashCaseInsensitivelyUnlessReplacing) {
    TempDir dir;
    std::unique_ptr<Storage> root;
    ASSERT_EQ(createCompoundFile(dir.file("names.cfb"), mode::kCreateExclusive, &root), StgResult::Ok);
    makeStream(*root, "Big", pattern(10, 1)).reset();
    std::unique_ptr<Stream> stream;
    EXPECT_EQ(root->createStream("BIG", mode::kReadWrite | mode::kShareExclusive, &stream),
              StgResult::AlreadyExists);
    std::unique_ptr<Storage> storage;
    EXPECT_EQ(root->createStorage("bIg", mode::kCreateExclusive, &storage), StgResult::Ok);  // replaces
    std::vector<ElementStat> elements;
    ASSERT_EQ(root->enumElements(&elements), StgResult::Ok);
    ASSERT_EQ(elements.size(), 1u);
    EXPECT_EQ(elements[0].name, "bIg");
    EXPECT_EQ(elements[0].kind, ElementKind::Storage);
}

TEST(ElementNames, EnumerationFollowsTheFileOrderAndTreesStaySound) {
    TempDir dir;
    const std::string path = dir.file("order.cfb");
    std::unique_ptr<Storage> root;
    ASSERT_EQ(createCompoundFile(path, mode::kCreateExclusive, &root), StgResult::Ok);
    for (const char* name : {"_A", "AA", "b", "stm10", "stm03", "新建文本", "NodeInfo", "AboutInfo"})
        makeStream(*root, name, {});
    std::vector<ElementStat> elements;
    ASSERT_EQ(root->enumElements(&elements), StgResult::Ok);
    std::vector<std::string> names;
    for (const auto& e : elements) names.push_back(e.name);
    EXPECT_EQ(names, (std::vector<std::string>{"b", "AA", "_A", "新建文本", "stm03", "stm10", "NodeInfo", "AboutInfo"}));
    ASSERT_EQ(root->commit(), StgResult::Ok);
    expectSound(path);
}

}  // namespace
}  // namespace pgw::storage::testing
