#include "publish/PublishLayout.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace pgw::publish;

namespace {

const std::string kZhong = "\xD6\xD0";  // 中 in GBK

std::string repeat(const std::string& piece, size_t count) {
    std::string out;
    for (size_t i = 0; i < count; ++i) out += piece;
    return out;
}

template <size_t Size>
std::string bytesAt(const std::array<uint8_t, Size>& bytes, size_t offset, size_t count) {
    return std::string(reinterpret_cast<const char*>(bytes.data() + offset), count);
}

template <size_t Size>
uint32_t u32At(const std::array<uint8_t, Size>& bytes, size_t offset) {
    return uint32_t(bytes[offset]) | uint32_t(bytes[offset + 1]) << 8 | uint32_t(bytes[offset + 2]) << 16 |
           uint32_t(bytes[offset + 3]) << 24;
}

template <size_t Size>
bool zeroRange(const std::array<uint8_t, Size>& bytes, size_t offset, size_t count) {
    for (size_t i = offset; i < offset + count; ++i)
        if (bytes[i] != 0) return false;
    return true;
}

// ---- the book information record --------------------------------------------------------

struct RecordField {
    std::string BookInfo::*member;
    size_t offset;
    size_t width;
};

const RecordField kRecordFields[] = {
    {&BookInfo::bookId, 16, 260},   {&BookInfo::author, 276, 50}, {&BookInfo::homepage, 326, 200},
    {&BookInfo::email, 526, 200},   {&BookInfo::copyright, 726, 50}, {&BookInfo::date, 776, 50},
    {&BookInfo::other, 826, 300},
};

TEST(BookInfoRecord, EveryFieldFilledToItsWidthLandsAtItsOffsetWithoutTerminator) {
    BookInfo info;
    char letter = 'a';
    for (const auto& field : kRecordFields) info.*field.member = std::string(field.width, letter++);
    BookGuidBytes guid;
    for (size_t i = 0; i < guid.size(); ++i) guid[i] = uint8_t(0xF0 + i);

    const auto record = encodeBookInfoRecord(info, guid);
    EXPECT_EQ(0, std::memcmp(record.data(), guid.data(), 16));
    letter = 'a';
    for (const auto& field : kRecordFields)
        EXPECT_EQ(bytesAt(record, field.offset, field.width), std::string(field.width, letter++)) << field.offset;
    EXPECT_TRUE(zeroRange(record, 1126, 2));

    const auto decoded = decodeBookInfoRecord(record.data());
    EXPECT_EQ(decoded.guid, guid);
    EXPECT_EQ(decoded.info, info);
}

TEST(BookInfoRecord, FullAuthorIsFollowedDirectlyByTheHomepage) {
    BookInfo info;
    info.author = std::string(50, 'A');
    info.homepage = "http://h";
    const auto record = encodeBookInfoRecord(info, {});
    EXPECT_EQ(record[325], 'A');
    EXPECT_EQ(bytesAt(record, 326, 8), "http://h");
    EXPECT_EQ(record[334], 0);
    EXPECT_TRUE(zeroRange(record, 0, 16)) << "no GUID held: zero";
}

TEST(BookInfoRecord, ShortTextsAreZeroPadded) {
    BookInfo info;
    info.email = "a@b";
    const auto record = encodeBookInfoRecord(info, {});
    EXPECT_EQ(bytesAt(record, 526, 3), "a@b");
    EXPECT_TRUE(zeroRange(record, 529, 197));
    EXPECT_EQ(decodeBookInfoRecord(record.data()).info.email, "a@b");
}

struct CutCase {
    std::string text;
    size_t expectedLength;
};

class BookIdCut : public ::testing::TestWithParam<CutCase> {};

TEST_P(BookIdCut, LongTextIsCutOnACharacterBoundaryAndNeverOverruns) {
    BookInfo info;
    info.bookId = GetParam().text;
    info.author = "next";
    const auto record = encodeBookInfoRecord(info, {});
    const size_t length = GetParam().expectedLength;
    EXPECT_EQ(bytesAt(record, 16, length), GetParam().text.substr(0, length));
    EXPECT_TRUE(zeroRange(record, 16 + length, 260 - length));
    EXPECT_EQ(bytesAt(record, 276, 4), "next");
    EXPECT_EQ(decodeBookInfoRecord(record.data()).info.bookId, GetParam().text.substr(0, length));
}

INSTANTIATE_TEST_SUITE_P(
    Gbk, BookIdCut,
    ::testing::Values(CutCase{repeat(kZhong, 130), 260},          // exactly full
                      CutCase{"x" + repeat(kZhong, 130), 259},    // a character straddles 260
                      CutCase{"xy" + repeat(kZhong, 130), 260},   // ends on the boundary
                      CutCase{std::string(400, 'q'), 260},
                      CutCase{std::string(259, 'q') + "\x81", 260}));  // a lone lead byte at the end

// ---- the information block --------------------------------------------------------------

PublishInfoBlock sampleBlock() {
    PublishInfoBlock block;
    block.blockOffset = 0x00123456;
    block.bookOffset = 0x00123456 + 1544;
    block.bookLength = 0x0ABCDEF0;
    block.title = "\xCA\xE9" "book";  // 书book
    for (size_t i = 0; i < block.bookInfo.size(); ++i) block.bookInfo[i] = uint8_t(i * 7);
    block.bookCode = "01234567-89AB-CDEF-0123-456789ABCDEF";
    block.iconFlag = 1;
    return block;
}

TEST(PublishInfoBlock, FieldsSitAtTheirOffsets) {
    const auto block = sampleBlock();
    const auto bytes = encodePublishInfoBlock(block);
    EXPECT_EQ(u32At(bytes, 0), 0x00123456u);
    EXPECT_EQ(u32At(bytes, 4), 0x00123456u + 1544);
    EXPECT_EQ(u32At(bytes, 8), 0x0ABCDEF0u);
    EXPECT_EQ(u32At(bytes, 12), 0u);
    EXPECT_EQ(bytesAt(bytes, 16, 7), block.title + std::string(1, '\0'));
    EXPECT_EQ(0, std::memcmp(bytes.data() + 276, block.bookInfo.data(), 1128));
    EXPECT_TRUE(zeroRange(bytes, 1404, 36));
    EXPECT_EQ(bytesAt(bytes, 1440, 36), block.bookCode);
    EXPECT_TRUE(zeroRange(bytes, 1476, 64));
    EXPECT_EQ(u32At(bytes, 1540), 1u);
}

TEST(PublishInfoBlock, DecodesWhatItEncodes) {
    const auto block = sampleBlock();
    const auto decoded = decodePublishInfoBlock(encodePublishInfoBlock(block).data());
    EXPECT_EQ(decoded.blockOffset, block.blockOffset);
    EXPECT_EQ(decoded.bookOffset, block.bookOffset);
    EXPECT_EQ(decoded.bookLength, block.bookLength);
    EXPECT_EQ(decoded.title, block.title);
    EXPECT_EQ(decoded.bookInfo, block.bookInfo);
    EXPECT_EQ(decoded.bookCode, block.bookCode);
    EXPECT_EQ(decoded.iconFlag, block.iconFlag);
}

TEST(PublishInfoBlock, TitleAlwaysKeepsItsTerminator) {
    for (const auto& [title, kept] : std::vector<std::pair<std::string, size_t>>{
             {std::string(300, 't'), 259}, {"a" + repeat(kZhong, 130), 259}, {"ab" + repeat(kZhong, 130), 258}}) {
        PublishInfoBlock block;
        block.title = title;
        block.bookCode = "code";
        const auto bytes = encodePublishInfoBlock(block);
        EXPECT_EQ(bytesAt(bytes, 16, kept), title.substr(0, kept));
        EXPECT_TRUE(zeroRange(bytes, 16 + kept, 260 - kept)) << kept;
        EXPECT_EQ(bytes[276], 0) << "the record after the title is untouched";
    }
}

// ---- finding the appended book ----------------------------------------------------------

struct ExeImage {
    std::vector<uint8_t> bytes;
    ReadAt reader() const {
        return [this](uint64_t offset, void* buffer, size_t count) -> size_t {
            if (offset >= bytes.size()) return 0;
            const size_t n = std::min<uint64_t>(count, bytes.size() - offset);
            std::memcpy(buffer, bytes.data() + offset, n);
            return n;
        };
    }
};

// A stub of `stubSize` bytes, the block, `bookSize` book bytes and the trailer, then `damage`.
ExeImage compiled(size_t stubSize, size_t bookSize, const std::function<void(PublishInfoBlock&, uint32_t&)>& damage = {}) {
    ExeImage image;
    image.bytes.assign(stubSize, 0x4D);
    PublishInfoBlock block;
    block.blockOffset = uint32_t(stubSize);
    block.bookOffset = uint32_t(stubSize + 1544);
    block.bookLength = bookSize;
    block.title = "t";
    uint32_t trailer = uint32_t(stubSize);
    if (damage) damage(block, trailer);
    const auto encoded = encodePublishInfoBlock(block);
    image.bytes.insert(image.bytes.end(), encoded.begin(), encoded.end());
    image.bytes.insert(image.bytes.end(), bookSize, 0xB0);
    for (int i = 0; i < 4; ++i) image.bytes.push_back(uint8_t(trailer >> (8 * i)));
    return image;
}

TEST(LocateAppendedBook, FindsTheBookOfAWellFormedFile) {
    for (size_t bookSize : {size_t(0), size_t(1), size_t(5000)}) {
        const auto image = compiled(700, bookSize);
        AppendedBook book;
        ASSERT_EQ(locateAppendedBook(image.reader(), image.bytes.size(), &book), AppendedBookError::None) << bookSize;
        EXPECT_EQ(book.bookOffset, 700u + 1544);
        EXPECT_EQ(book.bookLength, bookSize);
        EXPECT_EQ(book.block.title, "t");
    }
    const auto bare = compiled(0, 0);  // no stub at all: S = 0 is still a valid layout
    EXPECT_EQ(locateAppendedBook(bare.reader(), bare.bytes.size(), nullptr), AppendedBookError::None);
}

struct DamageCase {
    const char* name;
    std::function<ExeImage()> make;
    AppendedBookError expected;
};

class LocateDamaged : public ::testing::TestWithParam<DamageCase> {};

TEST_P(LocateDamaged, IsRefusedWithItsKind) {
    const auto image = GetParam().make();
    AppendedBook book;
    book.bookLength = 77;
    EXPECT_EQ(locateAppendedBook(image.reader(), image.bytes.size(), &book), GetParam().expected);
    EXPECT_EQ(book.bookLength, 77u) << "nothing is reported for a damaged file";
}

const DamageCase kDamaged[] = {
    {"Empty", [] { return ExeImage{}; }, AppendedBookError::TooShort},
    {"OneByteShortOfBlockAndTrailer", [] { return ExeImage{std::vector<uint8_t>(1547, 0)}; },
     AppendedBookError::TooShort},
    {"TrailerBeyondTheFile", [] { return compiled(100, 10, [](auto&, uint32_t& t) { t = 0xFFFFFFFF; }); },
     AppendedBookError::BadTrailer},
    {"TrailerLeavesNoRoomForTheBlock", [] { return compiled(100, 10, [](auto&, uint32_t& t) { t = 100 + 11; }); },
     AppendedBookError::BadTrailer},
    {"BlockStartDisagrees", [] { return compiled(100, 10, [](auto& b, uint32_t&) { b.blockOffset = 99; }); },
     AppendedBookError::BadBlock},
    {"BookOffsetDisagrees", [] { return compiled(100, 10, [](auto& b, uint32_t&) { b.bookOffset = 100; }); },
     AppendedBookError::BadBlock},
    {"TrailerPointsIntoTheStub", [] { return compiled(3000, 10, [](auto&, uint32_t& t) { t = 8; }); },
     AppendedBookError::BadBlock},
    {"LengthTooLong", [] { return compiled(100, 10, [](auto& b, uint32_t&) { b.bookLength = 11; }); },
     AppendedBookError::SizeMismatch},
    {"LengthZeroWithBookBytes", [] { return compiled(100, 10, [](auto& b, uint32_t&) { b.bookLength = 0; }); },
     AppendedBookError::SizeMismatch},
    {"LengthHighWordSet",
     [] { return compiled(100, 10, [](auto& b, uint32_t&) { b.bookLength = (uint64_t(1) << 32) + 10; }); },
     AppendedBookError::SizeMismatch},
};

INSTANTIATE_TEST_SUITE_P(Damaged, LocateDamaged, ::testing::ValuesIn(kDamaged),
                         [](const auto& test) { return std::string(test.param.name); });

TEST(LocateAppendedBook, ShortReadsAreReportedAsReadFailures) {
    const auto image = compiled(100, 10);
    const ReadAt failing = [](uint64_t, void*, size_t) -> size_t { return 0; };
    EXPECT_EQ(locateAppendedBook(failing, image.bytes.size(), nullptr), AppendedBookError::ReadFailed);
    // The file shrank after its size was taken: the block read comes back short.
    const ReadAt shrunk = [&](uint64_t offset, void* buffer, size_t count) -> size_t {
        return count == 4 ? image.reader()(offset, buffer, count) : count / 2;
    };
    EXPECT_EQ(locateAppendedBook(shrunk, image.bytes.size(), nullptr), AppendedBookError::ReadFailed);
}

TEST(LocateAppendedBook, EveryErrorHasAMessage) {
    for (auto error : {AppendedBookError::TooShort, AppendedBookError::BadTrailer, AppendedBookError::BadBlock,
                       AppendedBookError::SizeMismatch, AppendedBookError::ReadFailed})
        EXPECT_FALSE(describe(error).empty());
    EXPECT_TRUE(describe(AppendedBookError::None).empty());
}

}  // namespace
