// A stream's chain is checked when the stream is first opened. A file whose tables are
// sound opens read-only even when some chains are damaged: each damaged stream answers
// Corrupt with a reason, whichever stream is opened first (a cross-link damages both),
// and every other stream reads whole. A writer must know every chain, so it refuses
// such a file at open, as it always has.

#include "DamagedFileSupport.h"

#include "platform/storage/Engine.h"
#include "platform/storage/FileFormat.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace pgw::storage::damaged {
namespace {

using namespace format;
using Edit = std::function<void(CfbImage&)>;

struct ChainCase {
    std::string name;
    uint16_t version;
    Edit damage;
    std::vector<std::string> damaged;  // paths of the streams that must answer Corrupt
    std::string reason;                // a phrase one of their reasons holds
};

void PrintTo(const ChainCase& c, std::ostream* os) { *os << c.name; }

// Points the k-th link of a stream's chain (FAT or miniFAT after its size) elsewhere.
Edit link(std::u16string stream, size_t k, std::function<uint32_t(CfbImage&)> target) {
    return [=](CfbImage& f) {
        const uint32_t sector = f.streamChain(stream).at(k);
        const uint32_t value = target(f);
        if (f.entry32(stream, dir::kSize) < kMiniStreamCutoff)
            f.setMiniFat(sector, value);
        else
            f.setFat(sector, value);
    };
}
Edit start(std::u16string stream, std::function<uint32_t(CfbImage&)> target) {
    return [=](CfbImage& f) { f.setEntry32(stream, dir::kStart, target(f)); };
}
std::function<uint32_t(CfbImage&)> fixed(uint32_t value) {
    return [value](CfbImage&) { return value; };
}
std::function<uint32_t(CfbImage&)> sectorOf(std::u16string stream, size_t k) {
    return [=](CfbImage& f) { return f.streamChain(stream).at(k); };
}

const ChainCase kCases[] = {
    {"LoopInChain", 3, link(u"Big", 5, sectorOf(u"Big", 2)), {"Big"}, "used twice"},
    {"LoopToFirstSector", 4, link(u"Big2", 1, sectorOf(u"Big2", 0)), {"Big2"}, "used twice"},
    {"PastTheFat", 3, link(u"Big", 4, fixed(100000)), {"Big"}, "past the FAT"},
    {"OutsideTheFile", 3, link(u"Big", 4, [](CfbImage& f) { return f.sectorCount() + 3; }), {"Big"},
     "outside the file"},
    {"IntoTheFat", 3, link(u"Big", 4, [](CfbImage& f) { return f.header32(hdr::kDifat); }), {"Big"}, "used twice"},
    {"IntoTheDirectory", 3, link(u"Big", 4, [](CfbImage& f) { return f.header32(hdr::kFirstDirSector); }),
     {"Big"}, "used twice"},
    {"EndsEarly", 3, link(u"Big", 4, fixed(kEndOfChain)), {"Big"}, "shorter than its size"},
    {"RunsIntoFreeSector", 3, link(u"Big", 4, fixed(kFreeSector)), {"Big"}, "past the FAT"},
    {"SizeBeyondTheFile", 3, [](CfbImage& f) { f.setEntry32(u"Big", dir::kSize, 0x7FFFFF00); }, {"Big"},
     "larger than the file"},
    // The stream opened first ("Big") looks sound on its own.
    {"CrossLinkedStart", 3, start(u"Big2", sectorOf(u"Big", 3)), {"Big", "Big2"}, "used twice"},
    {"CrossLinkedMidChain", 3, link(u"Big2", 2, sectorOf(u"Big", 6)), {"Big", "Big2"}, "used twice"},
    {"MiniLoop", 3, link(u"Inner", 5, sectorOf(u"Inner", 2)), {"Folder/Inner"}, "used twice"},
    {"MiniOutsideMiniStream", 3, start(u"Small", fixed(1000)), {"Small"}, "outside the mini stream"},
    {"MiniEndsEarly", 3, link(u"Small2", 1, fixed(kEndOfChain)), {"Small2"}, "shorter than its size"},
    {"MiniCrossLinked", 3, start(u"Small2", sectorOf(u"Small", 0)), {"Small", "Small2"}, "used twice"},
};

std::string leaf(const std::string& path) { return path.substr(path.rfind('/') + 1); }

// Opens every sample stream in the order given; damaged ones must answer Corrupt with
// a reason naming them, the rest must read whole. Returns the reasons given.
std::string visit(Storage& root, const ChainCase& c, std::vector<std::string> order, Outcome& o) {
    std::string reasons;
    for (const std::string& path : order) {
        std::unique_ptr<Storage> folder, sub;
        Storage* parent = &root;
        if (path.starts_with("Folder/")) {
            if (root.openStorage("Folder", mode::kShareExclusive, &folder) != StgResult::Ok) {
                o.failure += "Folder does not open; ";
                continue;
            }
            parent = folder.get();
            if (path.starts_with("Folder/Sub/")) {
                if (folder->openStorage("Sub", mode::kShareExclusive, &sub) != StgResult::Ok) continue;
                parent = sub.get();
            }
        }
        std::unique_ptr<Stream> stream;
        const StgResult opened = parent->openStream(leaf(path), mode::kShareExclusive, &stream);
        const bool isDamaged = std::count(c.damaged.begin(), c.damaged.end(), path) > 0;
        if (isDamaged) {
            const std::string detail = parent->damageDetail();
            if (opened != StgResult::Corrupt) o.failure += path + " opened as if sound; ";
            if (detail.find("\"" + leaf(path) + "\"") == std::string::npos)
                o.failure += path + ": the reason does not name it: " + detail + "; ";
            reasons += detail + "\n";
            continue;
        }
        std::vector<uint8_t> bytes;
        if (opened != StgResult::Ok || stream->readAll(&bytes) != StgResult::Ok ||
            bytes != sampleStreams().at(path))
            o.failure += path + " does not read whole (" + std::string(describe(opened)) + "); ";
    }
    return reasons;
}

class LazyChain : public testing::TestWithParam<ChainCase> {};

TEST_P(LazyChain, OnlyTheDamagedStreamsAreRefusedReadOnlyAndAWriterRefusesTheFile) {
    const ChainCase& c = GetParam();
    CfbImage image(makeSample(c.version));
    c.damage(image);
    const std::vector<uint8_t> bytes = std::move(image.bytes());
    const Outcome out = runIsolated([&](Outcome& o) {
        std::vector<std::string> order;
        for (const auto& [path, content] : sampleStreams()) order.push_back(path);
        // Both orders: a cross-link is found whichever of its streams comes first.
        for (int pass = 0; pass < 2; ++pass) {
            std::unique_ptr<Storage> root;
            o.result = openCompoundMemory(bytes, &root, &o.detail);
            if (o.result != StgResult::Ok) return;
            const std::string reasons = visit(*root, c, order, o);
            std::string whole;
            if (root->checkStreams(&whole) != StgResult::Corrupt || whole.empty())
                o.failure += "checking every stream passed; ";
            if (reasons.find(c.reason) == std::string::npos) o.failure += "no reason says \"" + c.reason + "\"; ";
            std::reverse(order.begin(), order.end());
        }
        auto engine = std::make_shared<Engine>(std::make_unique<MemoryDevice>(bytes), "", true);
        std::string detail;
        if (engine->load(&detail) != StgResult::Corrupt || detail.empty())
            o.failure += "a writable open took the damaged file; ";
    });
    ASSERT_TRUE(out.finished) << out.failure;
    EXPECT_EQ(out.result, StgResult::Ok) << "the read-only open failed: " << out.detail;
    EXPECT_EQ(out.failure, "");
}

INSTANTIATE_TEST_SUITE_P(Kinds, LazyChain, testing::ValuesIn(kCases),
                         [](const auto& test) { return test.param.name; });

}  // namespace
}  // namespace pgw::storage::damaged
