// The stored form of a picture page on real bytes: the exact layout, the tolerant reader,
// and damage of every kind loading what came before it.

#include "PictureBytes.h"
#include "editors/pictures/CPictureObjList.h"

#include <gtest/gtest.h>

namespace pgw::pictures::test {
namespace {

using namespace std::string_literals;

std::unique_ptr<CPictureObj> pictureWith(PictureRect pos, std::string image = {}) {
    auto picture = std::make_unique<CPictureObj>();
    picture->m_rcPos = pos;
    picture->m_rcBase = {0, 0, 10, 10};
    if (!image.empty()) picture->m_picture.emplace(std::move(image));
    return picture;
}

// Three pictures: with a bitmap, without an image, with bytes of no known format.
CPictureObjList threePictures() {
    CPictureObjList list;
    list.addTail(pictureWith({5, 30, 69, 78}, solidBmp(3, 2, 1, 2, 3)));
    auto plain = pictureWith({-4, -5, 6, 7});
    plain->m_nHAlign = 2;
    plain->m_nVAlign = 1;
    plain->m_bSelected = 1;
    plain->m_bVisible = 0;
    plain->m_nTrackerStyle = 0x7FFFFFFF;
    plain->m_nZoomX = -1;
    plain->m_nZoomY = 500;
    list.addTail(std::move(plain));
    list.addTail(pictureWith({1, 2, 3, 4}, "metafile bytes we keep"));
    return list;
}

TEST(PictureStream, EmptyPageAndEmptyPictureHaveTheirExactBytes) {
    CPictureObjList list;
    EXPECT_EQ(list.save(), std::string("\x03\x00\x00\x00\x00\x00", 6));
    list.addHead(std::make_unique<CPictureObj>());
    const std::string stored = list.save();
    ASSERT_EQ(stored.size(), 102u);  // count, then a 96-byte record
    const std::string expected = item(1) + recordItems({0, 0, 0, 1, 0, 0, 0, 0, 4, 0, 0, 0, 0, 100, 100}) + item(0);
    EXPECT_EQ(stored, expected);
    EXPECT_EQ(stored.substr(6).size(), 96u);
    EXPECT_EQ(stored.substr(stored.size() - 6), std::string("\x03\x00\x00\x00\x00\x00", 6));
}

TEST(PictureStream, OnePictureWithoutImageIs102BytesWithItsCount) {
    CPictureObjList list;
    list.addHead(std::make_unique<CPictureObj>());
    EXPECT_EQ(list.save().size(), 102u);
}

TEST(PictureStream, SeveralPicturesRoundTripInOrderWithTheirBytes) {
    const CPictureObjList original = threePictures();
    const std::string stored = original.save();
    CPictureObjList loaded;
    const ListLoadResult result = loaded.load(stored);
    EXPECT_EQ(result.status, ReadStatus::Ok);
    EXPECT_EQ(result.end, stored.size());
    ASSERT_EQ(loaded.size(), 3u);
    EXPECT_EQ(loaded.save(), stored);
    auto second = std::next(loaded.begin())->get();
    EXPECT_EQ(second->m_rcPos, (PictureRect{-4, -5, 6, 7}));
    EXPECT_EQ(second->m_nTrackerStyle, 0x7FFFFFFF);
    EXPECT_FALSE(second->hasImage());
    EXPECT_EQ(loaded.begin()->get()->m_picture->format(), PictureFormat::Bmp);
    EXPECT_EQ(std::prev(loaded.end())->get()->m_picture->bytes(), "metafile bytes we keep");
}

TEST(PictureStream, StaleBytesAfterTheLastRecordAreNeverRead) {
    const std::string stored = threePictures().save();
    CPictureObjList shorter;
    shorter.addHead(pictureWith({1, 1, 2, 2}));
    // A shorter page written over the longer one: the stream keeps the old tail.
    std::string stream = stored;
    const std::string over = shorter.save();
    stream.replace(0, over.size(), over);
    CPictureObjList loaded;
    const ListLoadResult result = loaded.load(stream);
    EXPECT_EQ(result.status, ReadStatus::Ok);
    EXPECT_EQ(result.end, over.size());
    ASSERT_EQ(loaded.size(), 1u);
    EXPECT_EQ(loaded.save(), over);
}

struct TagCase {
    uint16_t tag;
    std::string payload;
    int32_t value;
};

class PictureStreamTags : public ::testing::TestWithParam<TagCase> {};

// Every item of the record written with the tag: the stream position stays consistent,
// so the next record still reads.
TEST_P(PictureStreamTags, FixedSizeTagsReadTheirPayloadsAndKeepTheirPlace) {
    const TagCase& c = GetParam();
    std::string record;
    for (size_t i = 0; i < kRecordItems + 1; ++i) record += le16(c.tag) + (i == kRecordItems ? std::string(c.payload.size(), '\0') : c.payload);
    CPictureObjList tail;
    tail.addHead(pictureWith({7, 8, 9, 10}));
    const std::string stored = item(2) + record + tail.save().substr(6);
    CPictureObjList loaded;
    ASSERT_EQ(loaded.load(stored).status, ReadStatus::Ok);
    ASSERT_EQ(loaded.size(), 2u);
    const CPictureObj& first = **loaded.begin();
    EXPECT_EQ(first.m_nHAlign, c.value);
    EXPECT_EQ(first.m_rcBase.bottom, c.value);
    EXPECT_EQ(first.m_nZoomY, c.value);
    EXPECT_EQ((*std::next(loaded.begin()))->m_rcPos, (PictureRect{7, 8, 9, 10}));
}

INSTANTIATE_TEST_SUITE_P(Tags, PictureStreamTags,
                         ::testing::Values(TagCase{2, "\xFF\xFF"s, 0xFFFF}, TagCase{18, "\x34\x12"s, 0x1234},
                                           TagCase{4, "\x01\x02\x03\x04"s, 0x04030201},
                                           TagCase{5, "\x01\x00\x00\x80\xAA\xBB\xCC\xDD"s, int32_t(0x80000001)},
                                           TagCase{16, "\xFE"s, 0xFE}, TagCase{17, "\x07"s, 7}));

TEST(PictureStream, ItemsOfUnsupportedTagsEndTheLoadKeepingThePicturesBefore) {
    const std::string good = threePictures().save().substr(6);
    for (uint16_t tag : {0, 1, 8, 9, 13, 0xFFFF}) {
        const std::string stored = item(4) + good + item(0, tag) + std::string(200, '\0');
        CPictureObjList loaded;
        EXPECT_EQ(loaded.load(stored).status, ReadStatus::UnsupportedTag) << tag;
        EXPECT_EQ(loaded.size(), 3u) << tag;
    }
}

TEST(PictureStream, ANegativeCountReadsRecordsUntilOneFails) {
    const std::string records = threePictures().save().substr(6);
    for (int32_t count : {-1, int32_t(0x80000000), 0x7FFFFFFF}) {
        CPictureObjList loaded;
        EXPECT_EQ(loaded.load(item(count) + records).status, ReadStatus::Truncated) << count;
        EXPECT_EQ(loaded.size(), 3u) << count;
    }
}

TEST(PictureStream, AnImageLongerThanTheStreamLeavesThePictureWithoutImageAndEndsTheList) {
    const std::string fixed = item(2) + recordItems({0, 0, 0, 1, 1, 2, 3, 4, 4, 1, 2, 3, 4, 100, 100});
    for (int32_t claimed : {107, 0x7FFFFFFF}) {  // 106 bytes follow the size item
        CPictureObjList loaded;
        const ListLoadResult result = loaded.load(fixed + item(claimed) + "0123456789" + fixed.substr(6) + item(0));
        ASSERT_EQ(loaded.size(), 1u);
        EXPECT_FALSE((*loaded.begin())->hasImage());
        EXPECT_EQ((*loaded.begin())->m_rcPos, (PictureRect{1, 2, 3, 4}));
        EXPECT_EQ(result.status, ReadStatus::Truncated);
    }
    CPictureObjList negative;  // a negative count of bytes: no image, the next record follows
    EXPECT_EQ(negative.load(fixed + item(-5) + fixed.substr(6) + item(0)).status, ReadStatus::Ok);
    EXPECT_EQ(negative.size(), 2u);
}

// Cut at every offset: never a crash, and exactly the records wholly inside stay.
TEST(PictureStream, CutAtEveryOffsetKeepsThePicturesBeforeTheDamage) {
    CPictureObjList two;
    two.addTail(pictureWith({1, 2, 3, 4}, gifHeader(3, 4)));
    two.addTail(pictureWith({5, 6, 7, 8}, jpegHeader(9, 9)));
    const std::string stored = two.save();
    const size_t firstImage = 6 + 96, firstEnd = firstImage + gifHeader(3, 4).size();
    const size_t secondImage = firstEnd + 96;
    for (size_t cut = 0; cut < stored.size(); ++cut) {
        CPictureObjList loaded;
        const ListLoadResult result = loaded.load(std::string_view(stored).substr(0, cut));
        // A cut inside a record's image bytes keeps that record, without its image; the
        // picture loader's failure is not an error of the list, the next record's is.
        EXPECT_EQ(result.status, cut >= secondImage ? ReadStatus::Ok : ReadStatus::Truncated) << cut;
        const bool firstCut = cut >= firstImage && cut < firstEnd;
        const size_t expected = cut < firstImage ? 0 : firstCut || cut < secondImage ? 1 : 2;
        ASSERT_EQ(loaded.size(), expected) << cut;
        if (expected > 0) {
            EXPECT_EQ((*loaded.begin())->hasImage(), !firstCut) << cut;
        }
        if (expected > 1) {
            EXPECT_FALSE((*std::prev(loaded.end()))->hasImage()) << cut;
        }
        if (expected > 0) {
            EXPECT_EQ((*loaded.begin())->m_rcPos, (PictureRect{1, 2, 3, 4})) << cut;
        }
    }
}

TEST(PictureStream, LoadingAppendsAndCopyIsDeep) {
    const std::string stored = threePictures().save();
    CPictureObjList list;
    list.load(stored);
    list.load(stored);
    EXPECT_EQ(list.size(), 6u);
    CPictureObj copy;
    copy.copyFrom(**list.begin());
    std::string a, b;
    copy.save(a);
    (*list.begin())->save(b);
    EXPECT_EQ(a, b);
    list.deleteAll();
    EXPECT_TRUE(copy.hasImage());
    EXPECT_EQ(copy.m_picture->pixelSize(), (PixelSize{3, 2}));
}

}  // namespace
}  // namespace pgw::pictures::test
