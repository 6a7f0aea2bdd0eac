#include "BookFixture.h"
#include "publish/BookGuid.h"

#include <gtest/gtest.h>

using namespace pgw;
using namespace pgw::publish;
using pgw::book::testing::ProgramParts;
using pgw::book::testing::ScratchFolder;

namespace {

BookGuidBytes sequence(uint8_t first) {
    BookGuidBytes bytes;
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(first + i);
    return bytes;
}

TEST(BookGuidText, GroupsAreLittleEndianAndUpperCase) {
    EXPECT_EQ((BookGuid{sequence(0)}.text()), "03020100-0504-0706-0809-0A0B0C0D0E0F");
    EXPECT_EQ((BookGuid{sequence(0xF0)}.text()), "F3F2F1F0-F5F4-F7F6-F8F9-FAFBFCFDFEFF");
    EXPECT_EQ(BookGuid{}.text().size(), 36u);
    EXPECT_FALSE(BookGuid{}.held());
    BookGuidBytes last{};
    last[15] = 1;
    EXPECT_TRUE(BookGuid{last}.held());
}

TEST(BookGuidText, RandomGuidsAreVersionFourAndDiffer) {
    const auto a = randomGuid(), b = randomGuid();
    ASSERT_TRUE(a && b);
    EXPECT_NE(*a, *b);
    const std::string text = BookGuid{*a}.text();
    EXPECT_EQ(text[14], '4');
    EXPECT_NE(std::string("89AB").find(text[19]), std::string::npos) << text;
}

// An open new book, and the bytes of its working copy's "AboutInfo" stream.
class LoadBookGuid : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(parts.storage.newBook()); }

    std::vector<uint8_t> storedBytes() {
        book::NodeInfoRecord* about = parts.session.index.find("AboutInfo");
        std::vector<uint8_t> bytes;
        if (about && about->stream) {
            EXPECT_EQ(about->stream->readAll(&bytes), pgw::storage::StgResult::Ok);
        }
        return bytes;
    }

    GuidGenerator counting(std::optional<BookGuidBytes> result) {
        return [this, result] {
            ++generated;
            return result;
        };
    }

    ScratchFolder folder;
    ProgramParts parts;
    int generated = 0;
};

TEST_F(LoadBookGuid, EmptyStreamGetsAFreshGuidThatTheNextLoadKeeps) {
    bool failed = true;
    const BookGuid made = loadBookGuid(parts.storage, {}, &failed, counting(sequence(1)));
    EXPECT_FALSE(failed);
    EXPECT_EQ(made.bytes, sequence(1));
    EXPECT_EQ(storedBytes(), std::vector<uint8_t>(made.bytes.begin(), made.bytes.end()));

    const BookGuid again = loadBookGuid(parts.storage, {}, &failed, counting(sequence(50)));
    EXPECT_EQ(again.bytes, sequence(1));
    EXPECT_EQ(generated, 1);
    EXPECT_TRUE(parts.ui.messages().empty());
}

TEST_F(LoadBookGuid, MissingStreamIsCreatedInTheWorkingCopyAndIndexed) {
    parts.session.index.remove("AboutInfo");
    ASSERT_EQ(parts.storage.store().workingCopy->destroyElement("AboutInfo"), storage::StgResult::Ok);
    bool failed = true;
    const BookGuid made = loadBookGuid(parts.storage, {}, &failed, counting(sequence(9)));
    EXPECT_EQ(made.bytes, sequence(9));
    const book::NodeInfoRecord* about = parts.session.index.find("AboutInfo");
    ASSERT_TRUE(about && about->stream);
    EXPECT_EQ(about->objName, "AboutInfo");
    EXPECT_TRUE(about->isPage());
    std::unique_ptr<storage::Stream> reopened;
    about = nullptr;
    parts.session.index.remove("AboutInfo");  // release our handle to open it again
    ASSERT_EQ(parts.storage.store().workingCopy->openStream("AboutInfo", storage::mode::kOpenExclusive, &reopened),
              storage::StgResult::Ok);
    std::vector<uint8_t> bytes;
    EXPECT_EQ(reopened->readAll(&bytes), pgw::storage::StgResult::Ok);
    EXPECT_EQ(bytes, std::vector<uint8_t>(made.bytes.begin(), made.bytes.end()));
}

TEST_F(LoadBookGuid, StoredGuidWithALeadingZeroByteIsKept) {
    BookGuidBytes stored = sequence(0);  // first byte 0, the rest not
    auto& stream = *parts.session.index.find("AboutInfo")->stream;
    ASSERT_EQ(stream.write(stored.data(), stored.size()), storage::StgResult::Ok);
    bool failed = true;
    EXPECT_EQ(loadBookGuid(parts.storage, {}, &failed, counting(sequence(7))).bytes, stored);
    EXPECT_EQ(generated, 0);
}

TEST_F(LoadBookGuid, GeneratorFailureKeepsTheCurrentGuidAndSaysSo) {
    const BookGuid current{sequence(0x30)};
    for (const auto& result : {std::optional<BookGuidBytes>{}, std::optional<BookGuidBytes>{BookGuidBytes{}}}) {
        parts.ui.clearMessages();
        bool failed = false;
        const BookGuid after = loadBookGuid(parts.storage, current, &failed, counting(result));
        EXPECT_TRUE(failed);
        EXPECT_EQ(after.bytes, current.bytes);
        EXPECT_EQ(parts.ui.messageTexts(), std::vector<std::string>{"生成GUID失败."});
        EXPECT_TRUE(storedBytes().empty()) << "nothing written";
    }
}

TEST_F(LoadBookGuid, GuidTravelsWithTheSavedBook) {
    const BookGuid made = loadBookGuid(parts.storage, {}, nullptr, counting(sequence(0x40)));
    const std::string path = folder.file("guid.pgw");
    ASSERT_TRUE(parts.storage.commitBook(path));
    parts.storage.closeBook();
    ProgramParts other;
    ASSERT_TRUE(other.storage.openBook(path));
    EXPECT_EQ(loadBookGuid(other.storage, {}, nullptr, [] { return std::optional<BookGuidBytes>{}; }).bytes,
              made.bytes);
    EXPECT_TRUE(other.ui.messages().empty());
}

}  // namespace
