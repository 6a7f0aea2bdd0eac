// The reader core over compiled books made from real books: what it shows, and what it
// says about every kind of damage.

#include "CompiledBookMaker.h"
#include "stub/reader/CompiledBook.h"
#include "stub/reader/PageContent.h"

#include <gtest/gtest.h>

namespace pgw::stub::testing {
namespace {

using book::testing::gbk;

class CompiledBookTest : public ::testing::Test {
protected:
    std::unique_ptr<CompiledBook> openWhole() {
        const std::string path = writeFile("book.exe", compiled(readerPrefix(), sample.bytes(), sampleInput()));
        std::unique_ptr<CompiledBook> book;
        const BookStatus status = CompiledBook::open(path, &book);
        EXPECT_TRUE(status.ok()) << status.message;
        return book;
    }

    size_t chapterNamed(const CompiledBook& book, const std::string& utf8) {
        for (size_t i = 0; i < book.chapters().size(); ++i)
            if (book.chapters()[i].name == gbk(utf8)) return i;
        ADD_FAILURE() << "no chapter " << utf8;
        return kNoChapter;
    }

    std::vector<std::string> namesOf(const CompiledBook& book, const std::vector<size_t>& chapters) {
        std::vector<std::string> names;
        for (size_t i : chapters) names.push_back(book::testing::utf8(book.chapters()[i].name));
        return names;
    }

    SampleBook sample;
};

TEST_F(CompiledBookTest, ShowsTheInformationTheAuthorEntered) {
    const auto book = openWhole();
    ASSERT_TRUE(book);
    const BookFields& fields = book->fields();
    const CompileInput input = sampleInput();
    EXPECT_EQ(fields.title, input.title);
    EXPECT_EQ(fields.author, input.info.author);
    EXPECT_EQ(fields.homepage, input.info.homepage);
    EXPECT_EQ(fields.email, input.info.email);
    EXPECT_EQ(fields.copyright, input.info.copyright);
    EXPECT_EQ(fields.date, input.info.date);
    EXPECT_EQ(fields.other, input.info.other);
    EXPECT_EQ(fields.bookId, input.info.bookId);
    EXPECT_EQ(fields.bookCode, input.bookCode);
}

TEST_F(CompiledBookTest, BuildsTheChapterTreeWithDirectoriesAndPageKinds) {
    const auto book = openWhole();
    ASSERT_TRUE(book);
    const auto& chapters = book->chapters();
    ASSERT_EQ(chapters.size(), 7u);
    EXPECT_TRUE(chapters[0].directory);
    EXPECT_EQ(chapters[0].parent, kNoChapter);
    EXPECT_EQ(namesOf(*book, chapters[0].children), (std::vector<std::string>{"新建文本", "第一章", "插图"}));
    const size_t section = chapterNamed(*book, "小节");
    EXPECT_TRUE(chapters[section].directory);
    EXPECT_EQ(chapters[section].parent, chapterNamed(*book, "第一章"));
    EXPECT_EQ(namesOf(*book, chapters[section].children), (std::vector<std::string>{"深页"}));
    EXPECT_EQ(chapters[chapterNamed(*book, "插图")].type, book::NodeType::Picture);
    EXPECT_EQ(chapters[chapterNamed(*book, "深页")].type, book::NodeType::Text);
    EXPECT_TRUE(book->table().notes.empty());
}

TEST_F(CompiledBookTest, TextPageGivesItsRtfWithoutTheStaleTail) {
    const auto book = openWhole();
    ASSERT_TRUE(book);
    std::string rtf;
    ASSERT_TRUE(book->readTextPage(chapterNamed(*book, "正文"), &rtf).ok());
    EXPECT_EQ(rtf, SampleBook::kText);
    ASSERT_TRUE(book->readTextPage(chapterNamed(*book, "深页"), &rtf).ok());
    EXPECT_EQ(rtf, "{\\rtf1 deep}");
    ASSERT_TRUE(book->readTextPage(chapterNamed(*book, "新建文本"), &rtf).ok());
    EXPECT_EQ(rtf, "");
}

TEST_F(CompiledBookTest, PicturePageGivesTheVisiblePicturesInPlace) {
    const auto book = openWhole();
    ASSERT_TRUE(book);
    pictures::CPictureObjList list;
    ASSERT_TRUE(book->readPicturePage(chapterNamed(*book, "插图"), &list).ok());
    ASSERT_EQ(list.size(), 2u);
    const auto placed = placePictures(list, {0, 0, 400, 300});
    ASSERT_EQ(placed.size(), 1u);
    EXPECT_EQ(placed[0].format, pictures::PictureFormat::Bmp);
    EXPECT_EQ(placed[0].bytes, SampleBook::kBitmap);
    EXPECT_EQ(placed[0].rect, (pictures::PictureRect{10, 20, 50, 60}));
    EXPECT_EQ(pageExtent(placed), (pictures::PixelSize{50, 60}));
}

TEST_F(CompiledBookTest, PagesRunInTreeOrderAndStopAtBothEnds) {
    const auto book = openWhole();
    ASSERT_TRUE(book);
    EXPECT_EQ(namesOf(*book, book->pages()), (std::vector<std::string>{"新建文本", "正文", "深页", "插图"}));
    const size_t first = *book->firstPage();
    EXPECT_EQ(book->previousPage(first), std::nullopt);
    EXPECT_EQ(book->nextPage(first), chapterNamed(*book, "正文"));
    EXPECT_EQ(book->previousPage(chapterNamed(*book, "插图")), chapterNamed(*book, "深页"));
    EXPECT_EQ(book->nextPage(chapterNamed(*book, "插图")), std::nullopt);
    EXPECT_EQ(book->nextPage(0), std::nullopt);  // a directory is not in the page order
}

TEST_F(CompiledBookTest, AskingForDirectoriesOrUnknownChaptersIsRefused) {
    const auto book = openWhole();
    ASSERT_TRUE(book);
    std::string bytes;
    EXPECT_EQ(book->readPageBytes(chapterNamed(*book, "第一章"), &bytes).error, BookError::NotAPage);
    EXPECT_EQ(book->readPageBytes(99, &bytes).error, BookError::NoSuchChapter);
    pictures::CPictureObjList list;
    EXPECT_EQ(book->readPicturePage(kNoChapter, &list).error, BookError::NoSuchChapter);
}

TEST_F(CompiledBookTest, SelfTestReadsEveryPageOfAWholeBook) {
    const auto book = openWhole();
    ASSERT_TRUE(book);
    const SelfTestReport report = book->selfTest();
    EXPECT_TRUE(report.whole);
    EXPECT_EQ(report.pagesRead, 4u);
    EXPECT_TRUE(report.problems.empty());
}

TEST_F(CompiledBookTest, SelfTestNamesAMissingPageAndTheRestStillReads) {
    sample.removePageStream("深页");
    const auto book = openWhole();
    ASSERT_TRUE(book);
    std::string rtf;
    const BookStatus status = book->readTextPage(chapterNamed(*book, "深页"), &rtf);
    EXPECT_EQ(status.error, BookError::MissingPageContent);
    EXPECT_NE(status.message.find("深页"), std::string::npos) << status.message;
    const SelfTestReport report = book->selfTest();
    EXPECT_FALSE(report.whole);
    EXPECT_EQ(report.pagesRead, 3u);
    ASSERT_EQ(report.problems.size(), 1u);
}

TEST_F(CompiledBookTest, SelfTestFindsACutPicturePage) {
    std::string page = samplePicturePage();
    page[2] = 3;  // claims three pictures, holds two
    sample.writePage("插图", page);
    const auto book = openWhole();
    ASSERT_TRUE(book);
    pictures::CPictureObjList list;
    EXPECT_EQ(book->readPicturePage(chapterNamed(*book, "插图"), &list).error, BookError::DamagedPicturePage);
    EXPECT_FALSE(book->selfTest().whole);
}

TEST_F(CompiledBookTest, SelfTestFindsAPictureWhoseBytesAreNoPicture) {
    pictures::CPictureObjList list;
    auto picture = std::make_unique<pictures::CPictureObj>();
    std::string stored;
    picture->save(stored);
    stored.resize(stored.size() - 6);
    stored += std::string{3, 0, 5, 0, 0, 0} + "junk!";  // five bytes of no known format
    sample.writePage("插图", std::string{3, 0, 1, 0, 0, 0} + stored);
    const auto book = openWhole();
    ASSERT_TRUE(book);
    EXPECT_FALSE(book->selfTest().whole);
}

// Damage to the appended parts, each with its own error, never a crash.
struct Damage {
    const char* what;
    std::function<std::string(const std::string& prefix, const std::string& book)> make;
    BookError expected;
};

std::string withTrailer(std::string file, uint32_t value) {
    file.resize(file.size() - 4);
    return file + std::string{char(value), char(value >> 8), char(value >> 16), char(value >> 24)};
}

const Damage kDamages[] = {
    {"cut trailer",
     [](const std::string& p, const std::string& b) {
         std::string f = compiled(p, b, sampleInput());
         return f.substr(0, f.size() - 1);
     },
     BookError::DamagedTrailer},
    {"S beyond the file",
     [](const std::string& p, const std::string& b) { return withTrailer(compiled(p, b, sampleInput()), 0xFFFFFFF0u); },
     BookError::DamagedTrailer},
    {"block S differs from the trailer",
     [](const std::string& p, const std::string& b) {
         std::string f = compiled(p, b, sampleInput());
         f[p.size()] ^= 1;
         return f;
     },
     BookError::DamagedBlock},
    {"N differs from the book",
     [](const std::string& p, const std::string& b) {
         std::string f = compiled(p, b, sampleInput());
         f[p.size() + 8] ^= 1;
         return f;
     },
     BookError::SizeMismatch},
    {"bytes added after the book",
     [](const std::string& p, const std::string& b) {
         std::string f = compiled(p, b, sampleInput());
         return f.insert(f.size() - 4, "extra");
     },
     BookError::SizeMismatch},
    {"garbage instead of the compound file",
     [](const std::string& p, const std::string& b) { return compiled(p, std::string(b.size(), 'x'), sampleInput()); },
     BookError::DamagedBook},
    {"empty book",
     [](const std::string& p, const std::string&) { return compiled(p, "", sampleInput()); }, BookError::DamagedBook},
    {"plain reader", [](const std::string& p, const std::string&) { return p; }, BookError::NoAppendedBook},
    {"empty file", [](const std::string&, const std::string&) { return std::string(); }, BookError::DamagedTrailer},
};

TEST_F(CompiledBookTest, DamagedFilesGiveTheirErrorWithAMessage) {
    const std::string book = sample.bytes();
    for (const Damage& damage : kDamages) {
        SCOPED_TRACE(damage.what);
        const std::string path = writeFile("damaged.exe", damage.make(readerPrefix(), book));
        std::unique_ptr<CompiledBook> opened;
        const BookStatus status = CompiledBook::open(path, &opened);
        EXPECT_EQ(status.error, damage.expected);
        EXPECT_EQ(opened != nullptr, status.ok());
        EXPECT_EQ(status.message.empty(), status.ok());
    }
}

TEST_F(CompiledBookTest, ABookWithoutItsNodeTableIsRefused) {
    // The table's stream renamed, byte for byte, so the file stays a sound compound file;
    // earlier copies of the directory left in free sectors are renamed too.
    std::string book = sample.bytes();
    const std::u16string name = u"NodeInfo";
    const std::string utf16le(reinterpret_cast<const char*>(name.data()), name.size() * 2);
    ASSERT_NE(book.find(utf16le), std::string::npos);
    for (size_t at = book.find(utf16le); at != std::string::npos; at = book.find(utf16le, at + 1)) book[at] = 'X';
    std::unique_ptr<CompiledBook> opened;
    const BookStatus status = CompiledBook::open(writeFile("notable.exe", compiled(readerPrefix(), book, sampleInput())), &opened);
    EXPECT_EQ(status.error, BookError::NoNodeTable);
}

TEST_F(CompiledBookTest, AMissingFileCannotBeOpened) {
    std::unique_ptr<CompiledBook> opened;
    EXPECT_EQ(CompiledBook::open("no-such-file.exe", &opened).error, BookError::CannotOpenFile);
    EXPECT_EQ(CompiledBook::open(std::filesystem::current_path(), &opened).error, BookError::CannotOpenFile);
}

}  // namespace
}  // namespace pgw::stub::testing
