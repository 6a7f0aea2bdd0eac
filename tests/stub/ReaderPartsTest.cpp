// The reader core's parts on hand-made input: the chapter table, the end of a page's RTF,
// the extent of an executable and the window onto the appended book.

#include "CompiledBookMaker.h"
#include "stub/reader/ChapterTable.h"
#include "stub/reader/ExecutableExtent.h"
#include "stub/reader/PageContent.h"
#include "stub/reader/RangeFileDevice.h"

#include <gtest/gtest.h>

#include <cstring>

namespace pgw::stub::testing {
namespace {

std::string le32(uint32_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }

struct Rec {
    std::string parent, name, obj;
    uint32_t kind;
    int32_t type;
};

std::string table(const std::vector<Rec>& records, uint32_t counted = UINT32_MAX) {
    std::string bytes = le32(counted == UINT32_MAX ? uint32_t(records.size()) : counted) + le32(1) + le32(4);
    for (const Rec& r : records) {
        book::NodeInfoRecord record;
        record.parentName = r.parent, record.itemName = r.name, record.objName = r.obj;
        record.objKind = r.kind, record.nodeType = r.type;
        const auto raw = record.toBytes();
        bytes.append(raw.begin(), raw.end());
    }
    return bytes;
}

const Rec kRoot{"NULL", "Book", "Book", 1, 0};

std::vector<std::string> names(const ChapterTable& t, const std::vector<size_t>& chapters) {
    std::vector<std::string> out;
    for (size_t i : chapters) out.push_back(t.chapters[i].name);
    return out;
}

TEST(ChapterTable, ParentsAreFoundByNameAndPagesFollowTreeOrder) {
    ChapterTable t;
    ASSERT_TRUE(readChapterTable(table({kRoot, {"Book", "A", "stg1", 1, 0}, {"A", "a1", "stm04", 2, 1},
                                        {"Book", "top", "stm05", 2, 2}, {"A", "a2", "stm06", 2, 1}}),
                                 &t)
                    .ok());
    EXPECT_TRUE(t.notes.empty());
    EXPECT_EQ(names(t, pageOrder(t)), (std::vector<std::string>{"a1", "a2", "top"}));
    EXPECT_EQ(elementPath(t, 2), (std::vector<std::string>{"stg1", "stm04"}));
    EXPECT_EQ(elementPath(t, 3), (std::vector<std::string>{"stm05"}));
}

TEST(ChapterTable, WhatDoesNotFitIsShownUnderTheRootWithANote) {
    ChapterTable t;
    ASSERT_TRUE(readChapterTable(table({kRoot, {"gone", "orphan", "stm04", 2, 1}, {"Book", "p", "stm05", 2, 1},
                                        {"p", "under page", "stm06", 2, 1}, {"Book", "odd", "stm07", 9, 1},
                                        {"NULL", "second root", "x", 1, 0}}),
                                 &t)
                    .ok());
    EXPECT_EQ(names(t, t.chapters[0].children), (std::vector<std::string>{"orphan", "p", "under page", "second root"}));
    // The orphan, the page as a parent and the second root; a record of unknown kind is no
    // chapter and no damage: the program keeps it as stored.
    EXPECT_EQ(t.notes.size(), 3u);
}

TEST(ChapterTable, ACountBeyondTheStreamReadsWhatIsThereWithANote) {
    ChapterTable t;
    ASSERT_TRUE(readChapterTable(table({kRoot, {"Book", "p", "stm04", 2, 1}}, 1000000), &t).ok());
    EXPECT_EQ(t.chapters.size(), 2u);
    EXPECT_EQ(t.notes.size(), 1u);
}

TEST(ChapterTable, StaleRecordsBeyondTheCountAreNotRead) {
    ChapterTable t;
    ASSERT_TRUE(readChapterTable(table({kRoot, {"Book", "p", "stm04", 2, 1}, {"Book", "stale", "stm05", 2, 1}}, 2), &t).ok());
    EXPECT_EQ(names(t, pageOrder(t)), (std::vector<std::string>{"p"}));
}

TEST(ChapterTable, TablesWithoutARootAreRefused) {
    const std::string cases[] = {
        "",
        table({}).substr(0, 11),
        table({}),
        table({{"Book", "p", "stm04", 2, 1}}),
        table({{"NULL", "Book", "Book", 2, 1}}),
        table({kRoot}, 0),
    };
    for (const std::string& bytes : cases) {
        ChapterTable t;
        const BookStatus status = readChapterTable(bytes, &t);
        EXPECT_EQ(status.error, BookError::DamagedNodeTable) << bytes.size();
        EXPECT_FALSE(status.message.empty());
        EXPECT_TRUE(t.chapters.empty());
    }
}

TEST(RtfDocumentLength, EndsAtTheBraceClosingTheOutermostGroup) {
    const struct {
        std::string bytes;
        size_t length;
    } cases[] = {
        {"{\\rtf1 a}stale}", 9},
        {"{\\rtf1 {\\b x}y}{z}", 15},
        {"{\\rtf1 \\{ \\} \\\\}tail", 16},
        {"{\\rtf1 {\\bin3 }}}}}x", 19},
        {"{\\rtf1 never closed", 19},
        {"", 0},
        {"}{\\rtf1}", 8},
        {"{\\rtf1 \\bin99999999999999}", 26},
    };
    for (const auto& c : cases) EXPECT_EQ(rtfDocumentLength(c.bytes), c.length) << c.bytes;
}

TEST(PlacePictures, AlignmentIsRelativeToTheVisibleArea) {
    pictures::CPictureObjList list;
    for (const int32_t align : {0, 1, 2}) {
        auto picture = std::make_unique<pictures::CPictureObj>();
        ASSERT_EQ(picture->loadFromBytes(SampleBook::kBitmap), pictures::LoadFileResult::Loaded);  // 4 x 3
        picture->m_nHAlign = align;
        picture->m_nVAlign = align;
        list.addTail(std::move(picture));
    }
    list.addTail(std::make_unique<pictures::CPictureObj>());  // no image: nothing to draw
    const auto placed = placePictures(list, {0, 0, 100, 50});
    ASSERT_EQ(placed.size(), 3u);
    EXPECT_EQ(placed[0].rect, (pictures::PictureRect{0, 0, 4, 3}));
    EXPECT_EQ(placed[1].rect, (pictures::PictureRect{48, 23, 52, 26}));
    EXPECT_EQ(placed[2].rect, (pictures::PictureRect{96, 47, 100, 50}));
}

publish::ReadAt readerOf(const std::string& bytes) {
    return [&bytes](uint64_t offset, void* buffer, size_t count) -> size_t {
        if (offset >= bytes.size()) return 0;
        const size_t n = std::min<size_t>(count, bytes.size() - offset);
        std::memcpy(buffer, bytes.data() + offset, n);
        return n;
    };
}

TEST(ExecutableImageEnd, IsTheEndOfTheLastSectionOrNothingForNonExecutables) {
    const std::string image = readerPrefix();
    EXPECT_EQ(executableImageEnd(readerOf(image), image.size()), 0x400u);
    const std::string longer = image + "appended";
    EXPECT_EQ(executableImageEnd(readerOf(longer), longer.size()), 0x400u);

    std::string manySections = image;
    manySections[0x86] = char(0xFF);
    std::string farHeader = image;
    farHeader.replace(60, 4, le32(0xFFFFFFF0u));
    std::string notPe = image;
    notPe[0x80] = 'X';
    for (const std::string& bad : {std::string("MZ"), std::string(), manySections, farHeader, notPe})
        EXPECT_EQ(executableImageEnd(readerOf(bad), bad.size()), std::nullopt);
}

TEST(RangeFileDevice, ReadsOnlyItsRangeAndRefusesWrites) {
    book::testing::ScratchFolder folder;
    const std::string path = writeFile("range.bin", "0123456789");
    std::shared_ptr<ExecutableFile> file = ExecutableFile::open(path);
    ASSERT_TRUE(file);
    RangeFileDevice device(file, 3, 4);
    EXPECT_EQ(device.size(), 4u);
    char buffer[8] = {};
    size_t got = 0;
    ASSERT_EQ(device.readAt(1, buffer, 8, &got), storage::StgResult::Ok);
    EXPECT_EQ(std::string(buffer, got), "456");
    ASSERT_EQ(device.readAt(4, buffer, 8, &got), storage::StgResult::Ok);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(device.writeAt(0, "x", 1), storage::StgResult::AccessDenied);
    EXPECT_EQ(device.resize(0), storage::StgResult::AccessDenied);

    RangeFileDevice beyond(file, 8, 10);  // the file ended early: a read failure, not garbage
    EXPECT_EQ(beyond.readAt(0, buffer, 4, &got), storage::StgResult::IoError);
}

}  // namespace
}  // namespace pgw::stub::testing
