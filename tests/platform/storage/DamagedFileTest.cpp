// Damaged compound files: each case edits a valid file made by the library and expects
// a clean refusal (with a reason), or an open after which the whole tree can be walked
// and read. Cases run in a child process with a time limit, so a crash or a hang fails
// its case alone. Files the library accepts must also survive being rewritten.

#include "DamagedFileSupport.h"

#include "platform/storage/Engine.h"
#include "platform/storage/FileFormat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace pgw::storage::damaged {
namespace {

using namespace format;
using StreamMap = std::map<std::string, std::vector<uint8_t>>;
using Damage = std::function<void(CfbImage&)>;

enum class Expect { NotCompoundFile, Corrupt, Opens };

struct DamageCase {
    std::string name;
    uint16_t version;
    Damage damage;
    Expect expect;
    std::string reason = {};  // Corrupt: a word the detail must hold
    // Opens: how the streams read differ from the sample's (default: not at all).
    std::function<void(StreamMap&)> adjust = {};
};

void PrintTo(const DamageCase& c, std::ostream* os) { *os << c.name; }

std::vector<uint8_t> damaged(const DamageCase& c) {
    CfbImage image(makeSample(c.version));
    c.damage(image);
    return std::move(image.bytes());
}

std::string caseName(const testing::TestParamInfo<DamageCase>& info) { return info.param.name; }

// ---- Building blocks of the table ----

Damage keepFirst(size_t bytes) {
    return [bytes](CfbImage& f) { f.bytes().resize(std::min(bytes, f.bytes().size())); };
}
Damage cutEnd(size_t bytes) {
    return [bytes](CfbImage& f) { f.bytes().resize(f.bytes().size() - bytes); };
}
Damage header16(int offset, uint16_t value) {
    return [=](CfbImage& f) { f.setHeader16(offset, value); };
}
Damage header32(int offset, uint32_t value) {
    return [=](CfbImage& f) { f.setHeader32(offset, value); };
}
// The FAT (or miniFAT, for a small stream) entry of a stream's k-th sector.
Damage chainLink(std::u16string stream, size_t k, std::function<uint32_t(CfbImage&)> value) {
    return [=](CfbImage& f) {
        const auto chain = f.streamChain(stream);
        const uint32_t v = value(f);
        if (f.entry32(stream, dir::kSize) < kMiniStreamCutoff)
            f.setMiniFat(chain.at(k), v);
        else
            f.setFat(chain.at(k), v);
    };
}
std::function<uint32_t(CfbImage&)> fixed(uint32_t value) {
    return [value](CfbImage&) { return value; };
}
std::function<uint32_t(CfbImage&)> sectorOf(std::u16string stream, size_t k) {
    return [=](CfbImage& f) { return f.streamChain(stream).at(k); };
}
Damage entry32(std::u16string name, int field, std::function<uint32_t(CfbImage&)> value) {
    return [=](CfbImage& f) { f.setEntry32(name, field, value(f)); };
}
std::function<uint32_t(CfbImage&)> indexOf(std::u16string name) {
    return [=](CfbImage& f) { return f.entryIndex(name); };
}
Damage entryType(std::u16string name, uint8_t type) {
    return [=](CfbImage& f) { f.entry(name)[dir::kType] = type; };
}
Damage size64(std::u16string name, uint64_t size) {
    return [=](CfbImage& f) { f.setEntry64(name, dir::kSize, size); };
}
Damage both(Damage a, Damage b) {
    return [=](CfbImage& f) { a(f), b(f); };
}

// Pads the file and claims `fatCount` FAT sectors, so that the header's DIFAT runs out
// and DIFAT sectors are read.
uint32_t needDifat(CfbImage& f, uint32_t fatCount) {
    const uint32_t first = f.appendSectors(fatCount + 4);
    f.setHeader32(hdr::kFatSectorCount, fatCount);
    return first;
}

// A DIFAT sector whose "next" pointer is `next`.
void difatSector(CfbImage& f, uint32_t sector, uint32_t next) {
    std::memset(f.sector(sector), 0xFF, f.sectorSize());
    put32(f.sector(sector) + f.sectorSize() - 4, next);
}

// ---- The table ----

const DamageCase kCases[] = {
    // Truncation.
    {"Empty", 3, keepFirst(0), Expect::NotCompoundFile},
    {"SevenBytes", 3, keepFirst(7), Expect::NotCompoundFile},
    {"SignatureOnly", 3, keepFirst(8), Expect::Corrupt, "header"},
    {"HeaderCutShort", 3, keepFirst(511), Expect::Corrupt, "header"},
    {"HeaderOnly", 3, keepFirst(512), Expect::Corrupt, "FAT"},
    {"FatSectorCutShort", 3, keepFirst(1000), Expect::Corrupt, "cut short"},
    {"HalfTheFile", 3, [](CfbImage& f) { f.bytes().resize(f.bytes().size() / 2); }, Expect::Corrupt},
    {"LastSectorMissing", 3, cutEnd(512), Expect::Corrupt, "outside the file"},
    {"LastSectorCutAfterData", 3, cutEnd(100), Expect::Opens},
    {"LastSectorCutIntoData", 3, cutEnd(300), Expect::Opens, "",
     [](StreamMap& s) { std::fill(s["Big2"].end() - 84, s["Big2"].end(), 0); }},
    {"V4HeaderSectorCutShort", 4, keepFirst(4095), Expect::Corrupt},
    {"V4LastSectorCutIntoData", 4, cutEnd(3500), Expect::Opens, "",
     [](StreamMap& s) { std::fill(s["Big2"].end() - 212, s["Big2"].end(), 0); }},
    {"BytesAppended", 3, [](CfbImage& f) { f.bytes().resize(f.bytes().size() + 160, 0xAB); }, Expect::Opens},

    // Header fields.
    {"WrongSignature", 3, [](CfbImage& f) { f.bytes()[7] ^= 1; }, Expect::NotCompoundFile},
    {"WrongByteOrder", 3, header16(hdr::kByteOrder, 0xFEFF), Expect::Corrupt, "byte order"},
    {"SectorShift0x20", 3, header16(hdr::kSectorShift, 0x20), Expect::Corrupt, "sector shift"},
    {"SectorShift12InV3", 3, header16(hdr::kSectorShift, 12), Expect::Corrupt, "sector shift"},
    {"SectorShift9InV4", 4, header16(hdr::kSectorShift, 9), Expect::Corrupt, "sector shift"},
    {"MajorVersion2", 3, header16(hdr::kMajor, 2), Expect::Corrupt, "version"},
    {"MiniSectorShift7", 3, header16(hdr::kMiniShift, 7), Expect::Corrupt, "mini"},
    {"MiniCutoff8192", 3, header32(hdr::kMiniCutoff, 0x2000), Expect::Corrupt, "cut-off"},
    {"MiniCutoffZero", 3, header32(hdr::kMiniCutoff, 0), Expect::Corrupt, "cut-off"},
    {"TransactionSignatureSet", 3, header32(hdr::kTransaction, 7), Expect::Opens},
    {"DirectorySectorCountInV3", 3, header32(hdr::kDirSectorCount, 3), Expect::Opens},

    // FAT and DIFAT.
    {"FatCountAbsurd", 3, header32(hdr::kFatSectorCount, 0xFFFFFFFF), Expect::Corrupt, "FAT sectors"},
    {"FatCountZero", 3, header32(hdr::kFatSectorCount, 0), Expect::Corrupt, "FAT sectors"},
    {"FatSectorOutsideFile", 3, header32(hdr::kDifat, 5000), Expect::Corrupt, "outside the file"},
    {"FatSectorSpecialValue", 3, header32(hdr::kDifat, kEndOfChain), Expect::Corrupt, "outside the file"},
    {"FatSectorListedTwice", 3,
     both(header32(hdr::kFatSectorCount, 2), header32(hdr::kDifat + 4, 0)), Expect::Corrupt, "used twice"},
    {"FatSectorBeyondItsOwnReach", 3,
     [](CfbImage& f) {
         const uint32_t moved = f.appendSectors(200) + 199;  // past the 128 sectors one FAT sector maps
         std::memcpy(f.sector(moved), f.sector(f.header32(hdr::kDifat)), 512);
         f.setHeader32(hdr::kDifat, moved);
     },
     Expect::Corrupt, "does not cover"},
    {"DifatCountWrong", 3, header32(hdr::kDifatCount, 5), Expect::Opens},
    {"DifatStartSetButUnneeded", 3, header32(hdr::kFirstDifat, 3), Expect::Opens},
    {"DifatSlotsZeroPadded", 3,
     [](CfbImage& f) { std::memset(f.bytes().data() + hdr::kDifat + 4, 0, 4 * 108); }, Expect::Opens},
    {"DifatLoopsToItself", 3,
     [](CfbImage& f) {
         const uint32_t d = needDifat(f, 300);  // past the first DIFAT sector
         difatSector(f, d, d);
         f.setHeader32(hdr::kFirstDifat, d);
     },
     Expect::Corrupt, "DIFAT"},
    {"DifatLoopOfTwo", 3,
     [](CfbImage& f) {
         const uint32_t d = needDifat(f, 400);
         difatSector(f, d, d + 1);
         difatSector(f, d + 1, d);
         f.setHeader32(hdr::kFirstDifat, d);
     },
     Expect::Corrupt, "DIFAT"},
    {"DifatEndsEarly", 3, [](CfbImage& f) { needDifat(f, 110); }, Expect::Corrupt, "fewer FAT sectors"},
    {"DifatOutsideFile", 3,
     [](CfbImage& f) {
         needDifat(f, 110);
         f.setHeader32(hdr::kFirstDifat, 90000);
     },
     Expect::Corrupt, "outside the file"},

    // Chains of whole sectors.
    {"FatCycleInStream", 3, chainLink(u"Big", 5, sectorOf(u"Big", 2)), Expect::Corrupt, "used twice"},
    {"ChainPastTheFat", 3, chainLink(u"Big", 4, fixed(100000)), Expect::Corrupt, "past the FAT"},
    {"ChainPastEndOfFile", 3, chainLink(u"Big", 4, [](CfbImage& f) { return f.sectorCount() + 3; }),
     Expect::Corrupt, "outside the file"},
    {"ChainIntoFatSector", 3, chainLink(u"Big", 4, [](CfbImage& f) { return f.header32(hdr::kDifat); }),
     Expect::Corrupt, "used twice"},
    {"ChainIntoDirectory", 3, chainLink(u"Big", 4, [](CfbImage& f) { return f.header32(hdr::kFirstDirSector); }),
     Expect::Corrupt, "used twice"},
    {"ChainEndsEarly", 3, chainLink(u"Big", 4, fixed(kEndOfChain)), Expect::Corrupt, "shorter"},
    {"ChainRunsIntoFreeSector", 3, chainLink(u"Big", 4, fixed(kFreeSector)), Expect::Corrupt},
    {"StreamStartsAtFreeSector", 3, entry32(u"Big", dir::kStart, fixed(kFreeSector)), Expect::Corrupt},
    {"TwoStreamsShareSector", 3, entry32(u"Big2", dir::kStart, sectorOf(u"Big", 3)), Expect::Corrupt, "used twice"},
    {"CycleAfterLastNeededSector", 3, chainLink(u"Big", 9, sectorOf(u"Big", 0)), Expect::Opens},
    {"DirectoryCycle", 3,
     [](CfbImage& f) {
         const auto dirChain = f.chain(f.header32(hdr::kFirstDirSector));
         f.setFat(dirChain.back(), dirChain.front());
     },
     Expect::Corrupt, "used twice"},
    {"DirectoryStartsAtEndOfChain", 3, header32(hdr::kFirstDirSector, kEndOfChain), Expect::Corrupt, "directory"},
    {"DirectoryOutsideFile", 3, header32(hdr::kFirstDirSector, 4000), Expect::Corrupt, "directory"},
    {"V4StreamChainCycle", 4, chainLink(u"Big2", 1, sectorOf(u"Big2", 0)), Expect::Corrupt, "used twice"},

    // The miniFAT and the mini stream.
    {"MiniFatCycle", 3, chainLink(u"Inner", 5, sectorOf(u"Inner", 2)), Expect::Corrupt, "used twice"},
    {"MiniFatSectorChainLoops", 3,
     [](CfbImage& f) {
         const uint32_t s = f.header32(hdr::kFirstMiniFat);
         f.setFat(s, s);
     },
     Expect::Corrupt, "miniFAT"},
    {"MiniFatOutsideFile", 3, header32(hdr::kFirstMiniFat, 7000), Expect::Corrupt, "miniFAT"},
    {"NoMiniFatForSmallStreams", 3, header32(hdr::kFirstMiniFat, kEndOfChain), Expect::Corrupt, "mini"},
    {"MiniChainOutsideMiniStream", 3, entry32(u"Small", dir::kStart, fixed(1000)), Expect::Corrupt, "mini stream"},
    {"RootSizeCutsMiniStream", 3, entry32(u"Root Entry", dir::kSize, fixed(16 * 64)), Expect::Corrupt,
     "mini stream"},
    {"RootSizeHuge", 3, entry32(u"Root Entry", dir::kSize, fixed(0xFFFFFFF0)), Expect::Corrupt},
    {"RootStartOutsideFile", 3, entry32(u"Root Entry", dir::kStart, fixed(5000)), Expect::Corrupt},
    {"RootSizeLargerThanUsed", 3, entry32(u"Root Entry", dir::kSize, fixed(1536)), Expect::Opens},
    {"TwoMiniStreamsShare", 3, entry32(u"Small2", dir::kStart, sectorOf(u"Small", 0)), Expect::Corrupt,
     "used twice"},
    {"EmptyStreamStartsAtZero", 3, entry32(u"Empty", dir::kStart, fixed(0)), Expect::Opens},

    // Sizes.
    {"V3SizeAllOnes", 3, entry32(u"Big", dir::kSize, fixed(0xFFFFFFFF)), Expect::Corrupt},
    {"V3SizeHighHalfGarbage", 3, entry32(u"Big", dir::kSize + 4, fixed(0xDEADBEEF)), Expect::Opens},
    {"SmallStreamClaimsBigSize", 3, entry32(u"Small", dir::kSize, fixed(5000)), Expect::Corrupt},
    {"BigStreamClaimsSmallSize", 3, entry32(u"Big", dir::kSize, fixed(100)), Expect::Corrupt},
    {"V4SizeAllOnes", 4, size64(u"Big", ~0ull), Expect::Corrupt},
    {"V4SizeJustBelowWrap", 4, size64(u"Big", ~0ull - 4094), Expect::Corrupt},
    {"V4Size2Pow62", 4, size64(u"Big", 1ull << 62), Expect::Corrupt},
    {"V4Size4GiB", 4, size64(u"Big", 1ull << 32), Expect::Corrupt},
    {"V4RootSizeJustBelowWrap", 4, size64(u"Root Entry", ~0ull - 3999), Expect::Corrupt},

    // The directory tree.
    {"SiblingLinksToItself", 3, entry32(u"Small", dir::kLeft, indexOf(u"Small")), Expect::Corrupt, "twice"},
    {"SiblingLinksToParent", 3, entry32(u"Inner", dir::kRight, indexOf(u"Folder")), Expect::Corrupt, "twice"},
    {"ChildIsRoot", 3, entry32(u"Folder", dir::kChild, fixed(0)), Expect::Corrupt, "twice"},
    {"ChildIsItself", 3, entry32(u"Folder", dir::kChild, indexOf(u"Folder")), Expect::Corrupt, "twice"},
    {"ChildIsAncestor", 3, entry32(u"Sub", dir::kChild, indexOf(u"Folder")), Expect::Corrupt, "twice"},
    {"LinkPastDirectory", 3, entry32(u"Deep", dir::kRight, fixed(1000)), Expect::Corrupt, "past the directory"},
    {"LinkIsMaxRegularSid", 3, entry32(u"Deep", dir::kLeft, fixed(0xFFFFFFFA)), Expect::Corrupt},
    {"LinkToUnusedEntry", 3, entry32(u"Deep", dir::kLeft, fixed(10)), Expect::Corrupt, "not a storage or stream"},
    {"SecondRootInTree", 3, entryType(u"Small", kRootType), Expect::Corrupt, "not a storage or stream"},
    {"RootIsStorage", 3, entryType(u"Root Entry", kStorageType), Expect::Corrupt, "root"},
    {"RootIsUnused", 3, entryType(u"Root Entry", kUnused), Expect::Corrupt, "root"},
    {"UnknownEntryType", 3, entryType(u"Small", 7), Expect::Opens, "", [](StreamMap& s) { s.erase("Small"); }},
    {"UnreachedEntryWithGarbage", 3,
     [](CfbImage& f) { std::memset(f.entry(11), 0x5A, kDirEntrySize); }, Expect::Opens},
    {"StreamWithChildLink", 3, entry32(u"Big", dir::kChild, indexOf(u"Small")), Expect::Opens},
    {"RootWithSiblingLinks", 3, entry32(u"Root Entry", dir::kLeft, indexOf(u"Small")), Expect::Opens},
    {"StorageWithStartAndSize", 3,
     both(entry32(u"Folder", dir::kStart, fixed(kEndOfChain)), entry32(u"Folder", dir::kSize, fixed(1234))),
     Expect::Opens},
    {"NameLengthZero", 3, [](CfbImage& f) { put16(f.entry(u"Small") + dir::kNameLength, 0); }, Expect::Corrupt,
     "no name"},
    {"NameLength0x1000", 3, [](CfbImage& f) { put16(f.entry(u"Small") + dir::kNameLength, 0x1000); },
     Expect::Opens},
    {"NameLengthOdd", 3, [](CfbImage& f) { put16(f.entry(u"Small") + dir::kNameLength, 11); }, Expect::Opens},
};

// The cases above aim at places in the sample; if the writer lays it out otherwise they
// would hit something else, so the layout they assume is checked here.
TEST(DamagedFileSample, LayoutIsAsTheCasesAssume) {
    for (const uint16_t version : {3, 4}) {
        CfbImage f(makeSample(version));
        const auto big2 = f.streamChain(u"Big2");
        EXPECT_EQ(big2.back(), f.sectorCount() - 1) << "Big2 ends the file, v" << version;
        EXPECT_EQ(f.bytes().size() % f.sectorSize(), 0u);
        EXPECT_EQ(f.streamChain(u"Deep"), std::vector<uint32_t>{16}) << "v" << version;
        EXPECT_EQ(f.streamChain(u"Big").size(), version == 3 ? 10u : 2u);
    }
    CfbImage v3(makeSample(3));
    EXPECT_EQ(v3.entryCount(), 12u);
    for (const uint32_t unused : {10u, 11u}) EXPECT_EQ(v3.entry(unused)[dir::kType], kUnused);
}

class DamagedFile : public testing::TestWithParam<DamageCase> {};

TEST_P(DamagedFile, FailsCleanlyOrOpensWhole) {
    const DamageCase& c = GetParam();
    const std::vector<uint8_t> bytes = damaged(c);
    StreamMap expected = sampleStreams();
    if (c.adjust) c.adjust(expected);

    const Outcome out = runIsolated([&](Outcome& o) {
        StreamMap streams;
        openAndWalk(bytes, o, &streams);
        if (o.result == StgResult::Ok && streams != expected) o.failure += "the streams read differ from the sample";
    });
    ASSERT_TRUE(out.finished) << out.failure;
    switch (c.expect) {
    case Expect::NotCompoundFile: EXPECT_EQ(out.result, StgResult::NotCompoundFile) << describe(out.result); break;
    case Expect::Corrupt:
        EXPECT_EQ(out.result, StgResult::Corrupt) << describe(out.result) << " " << out.failure;
        EXPECT_FALSE(out.detail.empty()) << "a damaged file needs a reason";
        EXPECT_NE(out.detail.find(c.reason), std::string::npos) << "reason given: " << out.detail;
        break;
    case Expect::Opens:
        EXPECT_EQ(out.result, StgResult::Ok) << describe(out.result) << ": " << out.detail;
        EXPECT_EQ(out.failure, "");
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(Table, DamagedFile, testing::ValuesIn(kCases), caseName);

// ---- Accepted damage must not break the writer ----
// A file the reader takes must, after changes and commits, load again with every
// untouched stream as it was; refusing such a file cleanly passes too.

struct RewriteCase {
    std::string name;
    uint16_t version;
    Damage damage;
};

void PrintTo(const RewriteCase& c, std::ostream* os) { *os << c.name; }

// A FAT sector chain past the 109 the header lists, with its one DIFAT sector beyond
// the sectors the FAT maps: the file is longer than its FAT reaches.
void difatBeyondFatReach(CfbImage& f) {
    constexpr uint32_t kFatSectors = 110;
    const uint32_t reach = kFatSectors * 128;
    const uint32_t first = f.appendSectors(reach + 1 - f.sectorCount());
    const uint32_t difat = reach;
    for (uint32_t k = 1; k < kFatSectors; ++k) std::memset(f.sector(first + k), 0xFF, 512);
    for (uint32_t k = 1; k < kHeaderDifatEntries; ++k) f.setHeader32(hdr::kDifat + 4 * int(k), first + k);
    difatSector(f, difat, kEndOfChain);
    put32(f.sector(difat), first + kHeaderDifatEntries);
    f.setHeader32(hdr::kFatSectorCount, kFatSectors);
    f.setHeader32(hdr::kFirstDifat, difat);
    f.setHeader32(hdr::kDifatCount, 1);
}

Damage lastFatEntryFree(std::u16string stream) {
    return [=](CfbImage& f) {
        const auto chain = f.streamChain(stream);
        if (f.entry32(stream, dir::kSize) < kMiniStreamCutoff)
            f.setMiniFat(chain.back(), kFreeSector);
        else
            f.setFat(chain.back(), kFreeSector);
    };
}

const RewriteCase kRewriteCases[] = {
    {"UndamagedV3", 3, [](CfbImage&) {}},
    {"UndamagedV4", 4, [](CfbImage&) {}},
    {"LastSectorCutIntoData", 3, cutEnd(300)},
    {"BytesAppended", 3, [](CfbImage& f) { f.bytes().resize(f.bytes().size() + 160, 0xAB); }},
    {"V3SizeHighHalfGarbage", 3, entry32(u"Big2", dir::kSize + 4, fixed(0xDEADBEEF))},
    {"CycleAfterLastNeededSector", 3, chainLink(u"Big2", 17, sectorOf(u"Big2", 0))},
    {"UnknownEntryType", 3, entryType(u"Small", 7)},
    {"UnreachedEntryWithGarbage", 3, [](CfbImage& f) { std::memset(f.entry(11), 0x5A, kDirEntrySize); }},
    {"StorageWithStartAndSize", 3, entry32(u"Folder", dir::kSize, fixed(1234))},
    {"EmptyStreamStartsAtZero", 3, entry32(u"Empty", dir::kStart, fixed(0))},
    {"RootSizeLargerThanUsed", 3, entry32(u"Root Entry", dir::kSize, fixed(1536))},
    // The last sector of a chain marked free: the reader needs only the size to read
    // the stream, the writer must not hand that sector out again.
    {"StreamLastFatEntryFree", 3, lastFatEntryFree(u"Big2")},
    {"SmallStreamLastMiniFatEntryFree", 3, lastFatEntryFree(u"Small2")},
    {"LastMiniSectorMarkedFree", 3, lastFatEntryFree(u"Deep")},
    {"MiniStreamLastFatEntryFree", 3,
     [](CfbImage& f) { f.setFat(f.chain(f.entry32(u"Root Entry", dir::kStart)).back(), kFreeSector); }},
    {"DifatBeyondFatReach", 3, difatBeyondFatReach},
};

class DamagedFileRewrite : public testing::TestWithParam<RewriteCase> {};

TEST_P(DamagedFileRewrite, StaysLoadableWithStreamsIntact) {
    CfbImage image(makeSample(GetParam().version));
    GetParam().damage(image);
    const std::vector<uint8_t> bytes = std::move(image.bytes());
    const Outcome out = runIsolated([&](Outcome& o) { rewriteAndReopen(bytes, o); });
    ASSERT_TRUE(out.finished) << out.failure;
    if (out.result != StgResult::Ok) {  // refusing the damaged file is fine too
        EXPECT_EQ(out.result, StgResult::Corrupt) << describe(out.result);
        EXPECT_FALSE(out.detail.empty());
        return;
    }
    EXPECT_EQ(out.failure, "");
}

INSTANTIATE_TEST_SUITE_P(Table, DamagedFileRewrite, testing::ValuesIn(kRewriteCases),
                         [](const auto& test) { return test.param.name; });

// A FAT that marks sectors past the end of the file as used is damaged; a commit after
// a small change must not make the file as large as those entries say.
TEST(DamagedFileRewrite, CommitDoesNotGrowFileToFatEntriesPastItsEnd) {
    CfbImage image(makeSample(4));
    image.setFat(1000, kEndOfChain);
    const std::vector<uint8_t> bytes = std::move(image.bytes());
    const Outcome out = runIsolated([&](Outcome& o) {
        auto device = std::make_unique<MemoryDevice>(bytes);
        const MemoryDevice* memory = device.get();
        auto engine = std::make_shared<Engine>(std::move(device), "", true);
        o.result = engine->load(&o.detail);
        if (o.result != StgResult::Ok) return;
        auto root = engine->rootHandle();
        std::unique_ptr<Stream> note;
        const uint8_t text[] = "a few bytes";
        o.result = root->createStream("Note", mode::kCreateExclusive, &note);
        if (o.result == StgResult::Ok) o.result = note->write(text, sizeof text);
        note.reset();
        if (o.result == StgResult::Ok) o.result = root->commit();
        const size_t allowed = bytes.size() + 4 * 4096;  // room for the new stream and its tables
        if (memory->bytes().size() > allowed)
            o.failure = "the file grew from " + std::to_string(bytes.size()) + " to " +
                        std::to_string(memory->bytes().size()) + " bytes";
    });
    ASSERT_TRUE(out.finished) << out.failure;
    EXPECT_EQ(out.result, StgResult::Ok) << out.detail;
    EXPECT_EQ(out.failure, "");
}

// ---- Names other writers use ----

// Whatever names a file holds, an element that is listed must open as itself, or the
// file must be refused.
struct NameCase {
    std::string name;
    std::function<void(CfbImage&)> rename;
};

void PrintTo(const NameCase& c, std::ostream* os) { *os << c.name; }

const NameCase kNameCases[] = {
    // Property sets: a control character first, written by every Windows program.
    {"PropertySetName", [](CfbImage& f) { f.setName(u"Small", u"\x05SummaryInformation"); }},
    {"LoneSurrogate", [](CfbImage& f) { f.setName(u"Small", u"a\xD800z"); }},
    {"Slash", [](CfbImage& f) { f.setName(u"Small", u"a/b"); }},
    {"ThirtyTwoUnitsWithoutNul",
     [](CfbImage& f) {
         f.setName(u"Small", u"ABCDEFGHIJKLMNOPQRSTUVWXYZ012345");
         put16(f.entry(u"ABCDEFGHIJKLMNOPQRSTUVWXYZ012345") + dir::kNameLength, 64);
     }},
    {"SiblingsDifferInCaseOnly", [](CfbImage& f) { f.setName(u"Small2", u"SMALL"); }},
};

class DamagedFileNames : public testing::TestWithParam<NameCase> {};

TEST_P(DamagedFileNames, ListedElementsOpenAsThemselves) {
    CfbImage image(makeSample(3));
    GetParam().rename(image);
    const std::vector<uint8_t> bytes = std::move(image.bytes());
    const Outcome out = runIsolated([&](Outcome& o) { openAndWalk(bytes, o); });
    ASSERT_TRUE(out.finished) << out.failure;
    if (out.result == StgResult::Corrupt) {
        EXPECT_FALSE(out.detail.empty());
        return;
    }
    EXPECT_EQ(out.result, StgResult::Ok) << describe(out.result);
    EXPECT_EQ(out.failure, "");
}

INSTANTIATE_TEST_SUITE_P(Table, DamagedFileNames, testing::ValuesIn(kNameCases),
                         [](const auto& test) { return test.param.name; });

// ---- Files the fuzzer found ----

std::vector<std::filesystem::path> reproducers() {
    std::vector<std::filesystem::path> files;
    const auto folder = std::filesystem::path(__FILE__).parent_path() / "damaged";
    std::error_code ec;
    for (const auto& file : std::filesystem::directory_iterator(folder, ec))
        if (file.is_regular_file()) files.push_back(file.path());
    std::sort(files.begin(), files.end());
    return files;
}

TEST(DamagedFileReproducers, AreThere) { EXPECT_FALSE(reproducers().empty()); }

class DamagedFileReproducer : public testing::TestWithParam<std::filesystem::path> {};

TEST_P(DamagedFileReproducer, FailsCleanlyOrOpensWholeAndRewrites) {
    std::ifstream in(GetParam(), std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    const Outcome out = runIsolated([&](Outcome& o) {
        openAndWalk(bytes, o);
        if (o.result == StgResult::Ok && o.failure.empty()) rewriteAndReopen(bytes, o);
    });
    ASSERT_TRUE(out.finished) << out.failure;
    EXPECT_TRUE(out.result == StgResult::Ok || out.result == StgResult::Corrupt ||
                out.result == StgResult::NotCompoundFile)
        << describe(out.result);
    if (out.result == StgResult::Corrupt) {
        EXPECT_FALSE(out.detail.empty());
    }
    EXPECT_EQ(out.failure, "");
}

INSTANTIATE_TEST_SUITE_P(Files, DamagedFileReproducer, testing::ValuesIn(reproducers()), [](const auto& test) {
    std::string name = test.param.stem().string();
    std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(uint8_t(c)); }, '_');
    return name;
});

}  // namespace
}  // namespace pgw::storage::damaged
