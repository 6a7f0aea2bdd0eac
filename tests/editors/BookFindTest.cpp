// Finding and replacing through a whole book: the matching rules, formats and pictures kept
// by a replacement, and Replace All on a real book as one step that undo takes back byte for
// byte, leaving alone what it must not change.

#include "../tree/ChapterFixture.h"

#include "editors/BookFind.h"
#include "platform/richtext/RtfReader.h"

#include <gtest/gtest.h>

namespace pgw::editors {
namespace {

using namespace richtext;

SearchQuery plain(const char* text, bool matchCase = false, bool wholeWord = false) {
    return {QString::fromUtf8(text), false, matchCase, wholeWord};
}
SearchQuery regex(const char* text) { return {QString::fromUtf8(text), true, false, false}; }

std::vector<std::pair<int, int>> matchesOf(const SearchQuery& query, const char* text) {
    std::vector<std::pair<int, int>> found;
    TextMatcher(query).forEachMatch(QString::fromUtf8(text), [&](int start, int length) { found.push_back({start, length}); });
    return found;
}

TEST(TextSearch, MatchesAsTheOptionsSay) {
    using M = std::vector<std::pair<int, int>>;
    EXPECT_EQ(matchesOf(plain("ab"), "xAbyab"), (M{{1, 2}, {4, 2}}));
    EXPECT_EQ(matchesOf(plain("ab", true), "xAbyab"), (M{{4, 2}}));
    EXPECT_EQ(matchesOf(plain("cat", false, true), "cat concat cat."), (M{{0, 3}, {11, 3}}));
    EXPECT_EQ(matchesOf(plain("a.c"), "abc a.c"), (M{{4, 3}}));  // plain text is no expression
    EXPECT_EQ(matchesOf(regex("\\d+章"), "第12章与第3章"), (M{{1, 3}, {6, 2}}));
    EXPECT_EQ(matchesOf(regex("x*"), "abc"), M{});  // empty matches are no matches
    EXPECT_EQ(matchesOf(plain("天"), "天天"), (M{{0, 1}, {1, 1}}));
    for (const SearchQuery& bad : {regex("("), plain("")}) {
        const TextMatcher matcher(bad);
        EXPECT_FALSE(matcher.isValid());
        EXPECT_FALSE(matcher.errorText().isEmpty());
        EXPECT_TRUE(matchesOf(bad, "((").empty());
    }
}

CharFormat styled(bool bold, bool italic) {
    CharFormat format;
    format.bold = bold;
    format.italic = italic;
    return format;
}

TEST(TextSearch, ReplacingKeepsFormatsAndPictures) {
    const CharFormat bold = styled(true, false), italic = styled(false, true);
    Picture picture;
    picture.bytes = "png";
    RichDocument document;
    document.paragraphs[0].appendText(bold, "Hello ");
    document.paragraphs[0].appendText(italic, "world");
    document.paragraphs[0].appendPicture(picture);
    document.paragraphs.emplace_back().appendText(CharFormat{}, "mail me@home now");
    struct Case {
        SearchQuery query;
        const char* replacement;
        std::vector<Inline> first;
        std::string second;
    };
    const std::vector<Case> cases{
        // Across two runs: the replacement takes the first character's format.
        {plain("o wo"), "_", {TextRun{bold, "Hell_"}, TextRun{italic, "rld"}, picture}, "mail me@home now"},
        // A picture inside a match stays, behind the replacement.
        {regex("d."), "D", {TextRun{bold, "Hello "}, TextRun{italic, "worlD"}, picture}, "mail me@home now"},
        {regex("(\\w+)@(\\w+)"), "\\2 at \\1\\\\", document.paragraphs[0].content, "mail home at me\\ now"},
        {plain("HELLO"), "", {TextRun{bold, " "}, TextRun{italic, "world"}, picture}, "mail me@home now"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.query.text.toStdString());
        RichDocument replaced = document;
        const TextMatcher matcher(c.query);
        EXPECT_EQ(replaceInDocument(replaced, matcher, QString::fromUtf8(c.replacement)), 1);
        EXPECT_EQ(replaced.paragraphs[0].content, c.first);
        EXPECT_EQ(plainText(RichDocument{{replaced.paragraphs[1]}}), c.second);
    }
}

class BookFindTest : public tree::testing::ChapterFixture {
protected:
    void SetUp() override {
        ChapterFixture::SetUp();
        buildSampleChapters();
        parts.ui.clearMessages();
    }
    std::vector<std::string> foundNames(const BookMatches& found) const {
        std::vector<std::string> names;
        for (const ChapterMatches& chapter : found.chapters)
            names.push_back(chapter.name.toStdString() + ":" + std::to_string(chapter.nameMatches) + "+" +
                            std::to_string(chapter.textMatches.size()));
        return names;
    }
    std::string pageText(const char* name) const { return plainText(readRtf(storedContent(name)).document); }
    BookFind find{parts.storage, parts.document};
    book::testing::ListHistory history;
};

TEST_F(BookFindTest, FindsInNamesAndPagesInTreeOrderIncludingUnstoredTyping) {
    // Typed into a2 and not yet stored: the search sees what the author sees.
    select("a2");
    parts.editors.text = "{\\rtf1 a1 again}";
    record("a2")->storePending = true;
    const std::optional<BookMatches> found = find.findAll(TextMatcher(plain("a1")));
    ASSERT_TRUE(found);
    EXPECT_EQ(foundNames(*found), (std::vector<std::string>{"a1:1+1", "a2:0+1"}));
    EXPECT_EQ(found->count(), 3);
    EXPECT_EQ(found->chapters[0].textMatches[0].context, QStringLiteral("text of a1"));
    EXPECT_EQ(found->chapters[0].textMatches[0].contextStart, 8);
}

TEST_F(BookFindTest, ReplaceAllIsOneStepThatUndoAndRedoGiveBackByteForByte) {
    typeAndLeave("b1", "{\\rtf1 text of b1 {\\b cut");  // damaged: never written back
    const auto before = book::testing::streamsOf(workingCopy());
    const std::optional<BookReplacement> done =
        find.replaceAll(TextMatcher(regex("([abc])[12]")), QStringLiteral("\\1X"), &history);
    ASSERT_TRUE(done);
    // a2 would become a second "aX"; b1 could not be read whole.
    EXPECT_EQ(done->texts, 3);
    EXPECT_EQ(done->pages, 3);
    EXPECT_EQ(done->names, 3);
    EXPECT_EQ(done->skipped.size(), 2u) << done->skipped.join('\n').toStdString();
    EXPECT_EQ(pageText("aX"), "text of aX");
    EXPECT_EQ(pageText("a2"), "text of aX");
    EXPECT_EQ(pageText("cX"), "text of cX");
    EXPECT_EQ(storedContent("bX"), "{\\rtf1 text of b1 {\\b cut");
    EXPECT_TRUE(parts.document.isModified());
    ASSERT_EQ(history.edits.size(), 1u);
    const auto after = book::testing::streamsOf(workingCopy());
    ASSERT_TRUE(history.undo());
    EXPECT_EQ(book::testing::streamsOf(workingCopy()), before);
    EXPECT_NE(record("a1"), nullptr);
    ASSERT_TRUE(history.redo());
    EXPECT_EQ(book::testing::streamsOf(workingCopy()), after);
    // Nothing to replace: no step, no change.
    ASSERT_TRUE(find.replaceAll(TextMatcher(plain("nowhere")), QStringLiteral("x"), &history));
    EXPECT_EQ(history.edits.size(), 1u);
    EXPECT_TRUE(parts.ui.messageTexts().empty());
}

}  // namespace
}  // namespace pgw::editors
