// Chapters from files: encodings told apart, headings found, folders in natural order, and
// generated novels imported into a real book and read back page by page; the import is one
// step that undo takes back byte for byte, and a plan with a bad file changes nothing.

#include "../tree/ChapterFixture.h"

#include "editors/pictures/BmpWriter.h"
#include "import/ChapterImport.h"
#include "platform/richtext/RtfReader.h"
#include "platform/text/CodePage.h"
#include "platform/text/TextDetection.h"

#include <gtest/gtest.h>

#include <fstream>

namespace pgw::import {
namespace {

namespace fs = std::filesystem;
using book::testing::gbk;
using text::TextEncoding;
using text::TextVerdict;

std::string utf16(const std::u16string& units, bool little, bool mark) {
    std::string bytes = mark ? (little ? "\xFF\xFE" : "\xFE\xFF") : "";
    for (const char16_t unit : units) {
        const char low = char(unit & 0xFF), high = char(unit >> 8);
        bytes += little ? std::string{low, high} : std::string{high, low};
    }
    return bytes;
}

TEST(TextDetection, TellsTheEncodingsApartAndRefusesWhatIsNoText) {
    const std::string utf8 = "第一章 天下\nChapter one\n";
    struct Case {
        std::string bytes;
        TextVerdict verdict;
        TextEncoding encoding;
    };
    const std::vector<Case> cases{
        {utf8, TextVerdict::Text, TextEncoding::Utf8},
        {"\xEF\xBB\xBF" + utf8, TextVerdict::Text, TextEncoding::Utf8},
        {gbk(utf8), TextVerdict::Text, TextEncoding::Gbk},
        {utf16(u"第一章 天下\nChapter one\n", true, true), TextVerdict::Text, TextEncoding::Utf16LE},
        {utf16(u"第一章 天下\nChapter one\n", false, true), TextVerdict::Text, TextEncoding::Utf16BE},
        {utf16(u"Chapter one\nThe start of it all\n", true, false), TextVerdict::Text, TextEncoding::Utf16LE},
        {utf16(u"Chapter one\nThe start of it all\n", false, false), TextVerdict::Text, TextEncoding::Utf16BE},
        {std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16), TextVerdict::NotText, TextEncoding::Utf8},
        {"text\x01with a control byte", TextVerdict::NotText, TextEncoding::Utf8},
        {"\xFF\x81\xFF", TextVerdict::Undecodable, TextEncoding::Utf8},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        const text::DetectedText detected = text::decodeTextFile(cases[i].bytes);
        EXPECT_EQ(detected.verdict, cases[i].verdict);
        if (detected.verdict != TextVerdict::Text) continue;
        EXPECT_EQ(detected.encoding, cases[i].encoding);
        EXPECT_TRUE(detected.utf8 == utf8 || detected.utf8 == "Chapter one\nThe start of it all\n") << detected.utf8;
    }
}

TEST(ChapterHeadings, FindsChaptersAndVolumesByTheRules) {
    using L = std::optional<HeadingLevel>;
    const L chapter = HeadingLevel::Chapter, volume = HeadingLevel::Volume, none;
    const HeadingMatcher chinese(HeadingRule::Chinese), english(HeadingRule::English);
    const HeadingMatcher custom(HeadingRule::Custom, "Part [0-9]+");
    const std::vector<std::tuple<const HeadingMatcher*, const char*, L>> cases{
        {&chinese, "第一章 风起", chapter},
        {&chinese, "　　第12回　相会\r", chapter},
        {&chinese, "第三卷 北境", volume},
        {&chinese, "第一百零一节", chapter},
        {&chinese, "第１０章", chapter},
        {&chinese, "第一章说的是很久以前的事情，那时候天下还没有统一，各路诸侯纷纷起兵争夺地盘，百姓流离失所。", none},
        {&chinese, "第章", none},
        {&chinese, "第一天", none},
        {&chinese, "Chapter 1", none},
        {&english, "Chapter 12", chapter},
        {&english, "CHAPTER XII: The End", chapter},
        {&english, "Chapters of life", none},
        {&english, "Chapter 1a", none},
        {&custom, "Part 3 — home", chapter},
        {&custom, "A Part 3", none},
    };
    for (const auto& [matcher, line, expected] : cases) EXPECT_EQ(matcher->match(line), expected) << line;
    EXPECT_FALSE(HeadingMatcher(HeadingRule::Custom, "(").isValid());
    EXPECT_FALSE(HeadingMatcher(HeadingRule::Custom, "").isValid());

    std::vector<std::string> names{"file10", "第10章", "file2", "第2章", "a", "file02b", "file2a"};
    std::sort(names.begin(), names.end(), naturallyBefore);
    EXPECT_EQ(names, (std::vector<std::string>{"a", "file2", "file2a", "file02b", "file10", "第2章", "第10章"}));
}

// A novel of `volumes` volumes of `chapters` chapters each, with a preface, as UTF-8, and
// the text each chapter's page must hold.
struct Novel {
    std::string text;
    std::vector<std::pair<std::string, std::string>> pages;  // name, plain text
};

Novel makeNovel(int volumes, int chapters) {
    Novel novel{"序言：这是一部小说。\n\n", {{"novel", "序言：这是一部小说。\n"}}};
    int number = 0;
    for (int v = 1; v <= volumes; ++v) {
        novel.text += "第" + std::to_string(v) + "卷 山河\n";
        for (int c = 1; c <= chapters; ++c) {
            const std::string heading = "第" + std::to_string(++number) + "章 风起" + std::to_string(c);
            const std::string body = heading + "\n天下大势，分久必合。" + std::to_string(number) + "\n";
            novel.text += body;
            novel.pages.push_back({heading, body.substr(0, body.size() - 1)});
        }
    }
    return novel;
}

class Import : public tree::testing::ChapterFixture {
protected:
    std::string write(const std::string& name, const std::string& bytes) {
        const std::string path = folder.file(name);
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    std::string pageText(const std::string& name) const {
        return richtext::plainText(richtext::readRtf(storedContent(name)).document);
    }
    ChapterImport importer{parts.storage, parts.document};
    book::testing::ListHistory history;
};

TEST_F(Import, ANovelInEitherEncodingBecomesVolumesOfChaptersAndUndoTakesItAllBack) {
    const Novel novel = makeNovel(2, 100);
    for (const bool asGbk : {false, true}) {
        SCOPED_TRACE(asGbk ? "GBK" : "UTF-8");
        const std::string path = write("novel.txt", asGbk ? gbk(novel.text) : novel.text);
        const auto before = book::testing::streamsOf(workingCopy());
        const ImportPlan plan = planImport({path}, HeadingMatcher(HeadingRule::Chinese));
        ASSERT_TRUE(plan.ok());
        EXPECT_EQ(plan.chapterCount(), 203u);
        const std::optional<ImportOutcome> done = importer.apply(plan, parts.tree.rootItem(), &history);
        ASSERT_TRUE(done);
        EXPECT_EQ(done->chapters, 203u);
        EXPECT_TRUE(done->renamed.empty());
        for (const auto& [name, text] : novel.pages) ASSERT_EQ(pageText(name), text) << name;
        const book::NodeId volume = item("第2卷 山河");
        ASSERT_NE(volume, tree::kNoItem);
        EXPECT_EQ(parts.tree.label(parts.tree.firstChild(volume)), gbk("第101章 风起1"));
        ASSERT_TRUE(history.undo());
        EXPECT_EQ(book::testing::streamsOf(workingCopy()), before);
        EXPECT_EQ(item("第1章 风起1"), tree::kNoItem);
    }
    ASSERT_TRUE(history.redo());
    EXPECT_EQ(pageText("第200章 风起100"), novel.pages.back().second);
}

TEST_F(Import, AFolderComesInNaturalOrderWithPicturesNamesMadeFreeAndBadFilesStopEverything) {
    fs::create_directories(folder.path() / "稿件");
    write("稿件/第10章.txt", "十");
    write("稿件/第2章.txt", gbk("二"));
    write("稿件/封面.bmp", *pictures::bmpFileFromRgb({{2, 2}, std::vector<uint8_t>(12, 200)}));
    write("稿件/notes.odt", "PK\x03\x04");
    write("稿件/a1.rtf", "{\\rtf1 {\\b a1} text}");  // the book has a chapter a1 already
    buildSampleChapters();
    const ImportPlan plan = planImport({(folder.path() / "稿件").string()}, HeadingMatcher(HeadingRule::None));
    ASSERT_TRUE(plan.ok()) << describe(plan.problems.front(), true);
    EXPECT_EQ(plan.skipped.size(), 1u);
    const std::optional<ImportOutcome> done = importer.apply(plan, parts.tree.rootItem(), &history);
    ASSERT_TRUE(done);
    const book::NodeId made = item("稿件");
    std::vector<std::string> children;
    for (book::NodeId child = parts.tree.firstChild(made); child; child = parts.tree.nextSibling(child))
        children.push_back(book::testing::utf8(parts.tree.label(child)));
    EXPECT_EQ(children, (std::vector<std::string>{"a1(2)", "封面", "第2章", "第10章"}));
    EXPECT_EQ(pageText("第2章"), "二");
    EXPECT_EQ(record("封面")->type(), book::NodeType::Picture);
    ASSERT_EQ(done->renamed.size(), 1u);

    // A file that is no text, or a name GBK cannot hold: nothing changes.
    const auto before = book::testing::streamsOf(workingCopy());
    const ImportPlan binary = planImport({write("data.txt", std::string("\0\x01\x02", 3))}, HeadingMatcher(HeadingRule::None));
    ASSERT_EQ(binary.problems.size(), 1u);
    EXPECT_EQ(describe(binary.problems[0], true), folder.file("data.txt") + "：不是文本文件");
    const ImportPlan emoji = planImport({write("\xF0\x9F\x98\x80.txt", "smile")}, HeadingMatcher(HeadingRule::None));
    ASSERT_TRUE(emoji.ok());
    EXPECT_FALSE(importer.apply(emoji, parts.tree.rootItem(), &history));
    EXPECT_EQ(messages().size(), 1u);
    EXPECT_EQ(book::testing::streamsOf(workingCopy()), before);
    EXPECT_EQ(history.edits.size(), 1u);
}

}  // namespace
}  // namespace pgw::import
