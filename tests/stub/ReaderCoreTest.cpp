// What the reader remembers, how it finds text, and web pages as text: the Qt-free parts
// the Windows program builds on, over real compiled books.

#include "CompiledBookMaker.h"
#include "platform/text/WebPageText.h"
#include "stub/reader/BookSearch.h"
#include "stub/reader/PageText.h"
#include "stub/reader/ReaderSelfTest.h"
#include "stub/reader/ReaderState.h"

#include <gtest/gtest.h>

namespace pgw::stub::testing {
namespace {

using book::testing::gbk;

std::unique_ptr<CompiledBook> openSample(SampleBook& sample, const std::string& file) {
    std::unique_ptr<CompiledBook> book;
    const BookStatus status = CompiledBook::open(writeFile(file, compiled(readerPrefix(), sample.bytes(), sampleInput())), &book);
    EXPECT_TRUE(status.ok()) << status.message;
    return book;
}

size_t chapterNamed(const CompiledBook& book, const std::string& nameUtf8) {
    for (size_t i = 0; i < book.chapters().size(); ++i)
        if (book.chapters()[i].name == gbk(nameUtf8)) return i;
    ADD_FAILURE() << nameUtf8;
    return 0;
}

TEST(ReaderStateTest, RoundTripsAndDropsWhatNoLongerFitsOrIsHostile) {
    SampleBook sample;
    const auto book = openSample(sample, "state.exe");
    const size_t text = chapterNamed(*book, "正文"), deep = chapterNamed(*book, "深页");
    const size_t directory = chapterNamed(*book, "第一章");

    ReaderState state;
    state.lastPage = deep;
    state.zoomPercent = 150;
    state.dark = true;
    state.window = WindowPlace{-20, 10, 880, 650, true};
    EXPECT_TRUE(state.addBookmark(text, "正文 = 开头"));
    EXPECT_FALSE(state.addBookmark(text, "again"));  // one per page
    EXPECT_TRUE(state.addBookmark(deep, ""));
    EXPECT_EQ(readState(writeState(state), book->chapters()), state);

    const std::string head = "[PagewrightReader]\n";
    const auto read = [&](const std::string& body) { return readState(head + body, book->chapters()); };
    EXPECT_EQ(readState("page=3\n", book->chapters()), ReaderState{});  // no header: not ours
    EXPECT_EQ(readState(head + std::string(kMaxStateFileBytes, 'x'), book->chapters()), ReaderState{});
    EXPECT_FALSE(read("page=" + std::to_string(directory)).lastPage);      // a directory is no page
    EXPECT_FALSE(read("page=99").lastPage);                                // gone from the book
    EXPECT_FALSE(read("page=-1\npage=3x\npage=99999999999999999999").lastPage);
    EXPECT_EQ(read("zoom=5000").zoomPercent, 100);
    EXPECT_EQ(read("zoom=60").zoomPercent, 60);
    EXPECT_FALSE(read("window=1,2,3").window);
    EXPECT_FALSE(read("window=0,0,50,50,0").window);  // too small to be a window
    EXPECT_FALSE(read("window=0,0,800,600,0,9").window);
    const std::string badNames = "bookmark=" + std::to_string(text) + " \xC3\x28\n" +          // not UTF-8
                                 "bookmark=" + std::to_string(deep) + " " + std::string(300, 'n') + "\n" +
                                 "bookmark=" + std::to_string(directory) + " dir\nbookmark=x y\nbookmark=\n" +
                                 "\n=\n" + std::string(100, 'k') + "=1\n";
    EXPECT_TRUE(read(badNames).bookmarks.empty());
    std::string many;
    for (int i = 0; i < 300; ++i) many += "bookmark=" + std::to_string(i % 2 ? text : deep) + " b\n";
    EXPECT_EQ(read(many).bookmarks.size(), 2u);
}

TEST(ReaderStateTest, KeysAreTheBookCodeOrAStableHashThatMakesNoPath) {
    BookFields fields;
    fields.bookCode = "0123ABCD-4567_89EF";
    EXPECT_EQ(stateKey(fields), "0123ABCD-4567_89EF");
    for (const std::string& code : std::vector<std::string>{"", "..\\..\\x", "a/b", std::string(65, 'a'), gbk("图书")}) {
        fields.bookCode = code;
        fields.title = gbk("书名");
        const std::string key = stateKey(fields);
        EXPECT_EQ(key.size(), 21u) << key;
        EXPECT_EQ(key.find_first_not_of("book-0123456789abcdef"), std::string::npos) << key;
        EXPECT_EQ(stateKey(fields), key);
        fields.title = gbk("另一本");
        EXPECT_NE(stateKey(fields), key);
    }
}

TEST(BookSearchTest, MatchesLatinCaseOnlyAndWrapsBothWays) {
    const std::u16string text = u"Ärger ärger ABC abc Ａｂｃ 中文abc";
    EXPECT_EQ(findAll(text, u"abc"), (std::vector<size_t>{12, 16, 26}));
    EXPECT_EQ(findAll(text, u"äRGER"), (std::vector<size_t>{0, 6}));
    EXPECT_EQ(findAll(u"aaaa", u"aa"), (std::vector<size_t>{0, 2}));  // no overlaps
    EXPECT_TRUE(findAll(text, u"").empty());
    EXPECT_TRUE(findAll(u"ab", u"abc").empty());
    bool wrapped = true;
    EXPECT_EQ(findNext(text, u"abc", 13, true, &wrapped), 16u);
    EXPECT_FALSE(wrapped);
    EXPECT_EQ(findNext(text, u"abc", 27, true, &wrapped), 12u);
    EXPECT_TRUE(wrapped);
    EXPECT_EQ(findNext(text, u"abc", 16, false, &wrapped), 12u);
    EXPECT_FALSE(wrapped);
    EXPECT_EQ(findNext(text, u"abc", 12, false, &wrapped), 26u);
    EXPECT_TRUE(wrapped);
    EXPECT_FALSE(findNext(text, u"xyz", 0, true, &wrapped));
}

TEST(BookSearchTest, SearchesTextAndWebPagesOneByOneAndCountsWhatItCannotRead) {
    SampleBook sample;
    sample.writePage("深页", "{\\rtf1 Deep text, deeper \\par Deep end}");
    sample.addWebPage("网页", "<html><head><script>deep()</script></head><body><p>A <b>DEEP</b> web page</p></body>");
    const auto book = openSample(sample, "search.exe");
    const size_t deep = chapterNamed(*book, "深页"), web = chapterNamed(*book, "网页");

    BookSearchResult result = searchBook(*book, "deep");
    ASSERT_EQ(result.hits.size(), 4u);  // three on the page, "deeper" included; none in the script
    EXPECT_EQ(result.hits[2].chapter, deep);
    EXPECT_EQ(result.hits[2].ordinal, 2u);
    EXPECT_EQ(result.hits[3].chapter, web);
    EXPECT_EQ(result.hits[3].snippet, "A DEEP web page");
    EXPECT_EQ(result.unreadablePages, 0u);
    EXPECT_TRUE(searchBook(*book, "").hits.empty());
    EXPECT_EQ(searchBook(*book, "正文").hits.size(), 1u);

    sample.writePage("深页", "not rtf at all, deep");
    EXPECT_EQ(searchBook(*openSample(sample, "damaged.exe"), "deep").unreadablePages, 1u);
}

TEST(WebPageTextTest, DecodesEveryStoredFormAndNeverRefuses) {
    const std::string chinese = "\xE4\xB8\xAD";  // 中
    EXPECT_EQ(text::webPageToUtf8("\xEF\xBB\xBF<p>" + chinese), "<p>" + chinese);
    EXPECT_EQ(text::webPageToUtf8(std::string("\xFF\xFE<\0p\0>\0\x2D\x4E", 10)), "<p>" + chinese);
    EXPECT_EQ(text::webPageToUtf8(std::string("\xFE\xFF\0<\x4E\x2D\0\0stale", 13)), "<" + chinese);
    EXPECT_EQ(text::webPageToUtf8("<p>" + gbk("中") + std::string("\0older", 6)), "<p>" + chinese);
    EXPECT_EQ(text::webPageToUtf8("<meta charset=\"gbk\">" + gbk("中")), "<meta charset=\"gbk\">" + chinese);
    EXPECT_EQ(text::webPageToUtf8("<meta charset=utf-8>\xFF" + chinese), "<meta charset=utf-8>\xEF\xBF\xBD" + chinese);
    EXPECT_EQ(text::webPageToUtf8(std::string("\xFF\xFE<", 3)), "\xEF\xBF\xBD");

    const std::string plain = richtext::plainText(webPageDocument("<h1>Title</h1><script>x()</script><p>One &amp; two"));
    EXPECT_EQ(plain, "Title\nOne & two");
}

TEST(ReaderSelfTestTest, ReadsEveryPagesTextAndTellsDamage) {
    SampleBook sample;
    sample.addWebPage("网页", "<p>page</p>");
    EXPECT_TRUE(readerSelfTest(*openSample(sample, "whole.exe")).whole);
    sample.writePage("深页", "plain bytes");
    const SelfTestReport damaged = readerSelfTest(*openSample(sample, "damaged.exe"));
    EXPECT_FALSE(damaged.whole);
    EXPECT_FALSE(damaged.problems.empty());
}

}  // namespace
}  // namespace pgw::stub::testing
