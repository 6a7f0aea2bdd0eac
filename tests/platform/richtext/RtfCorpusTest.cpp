// The reader and writer over RTF that other programs wrote (LibreOffice, pandoc) and files in
// the shape a Windows rich edit control writes: the text LibreOffice reads from each file, the
// formats they carry, bytes after the document's end, and our own RTF read back.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "platform/richtext/RtfReader.h"
#include "platform/richtext/RtfWriter.h"

namespace pgw::richtext {
namespace {

namespace fs = std::filesystem;


std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

fs::path corpusDir() { return fs::path(PGW_RTF_CORPUS_DIR); }
std::string corpusFile(const std::string& name) { return readFile(corpusDir() / "corpus" / (name + ".rtf")); }
std::string expectedText(const std::string& name) { return readFile(corpusDir() / "expected" / (name + ".txt")); }

std::vector<std::string> corpusNames() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(corpusDir() / "corpus"))
        if (entry.path().extension() == ".rtf") names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

// --- the comparison the interop checks use -------------------------------------------------
// The expected texts are NFC already (the interop check asserts it) and the reader composes
// nothing, so the Unicode normalisation step is not needed here.

std::u32string decodeUtf8(std::string_view utf8) {
    std::u32string out;
    for (size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const int length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
        if (length == 0 || i + length > utf8.size()) {
            out += U'\uFFFD';
            ++i;
            continue;
        }
        char32_t code = length == 1 ? lead : lead & (0x7F >> length);
        for (int k = 1; k < length; ++k) code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        out += code;
        i += length;
    }
    return out;
}

std::string encodeUtf8(std::u32string_view text) {
    std::string out;
    for (char32_t c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// What Python's str.isspace() calls space, plus the zero-width space.
bool isSpace(char32_t c) {
    return (c >= 0x09 && c <= 0x0D) || (c >= 0x1C && c <= 0x20) || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200B) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
           c == 0x3000;
}

bool isLabelSpace(char32_t c) { return c == U' ' || c == U'\t' || c == 0xA0 || c == 0x2006; }
bool isLineEnd(char32_t c) { return c == U'\n' || c == U'\r' || c == 0x2028 || c == 0x2029; }
bool isBulletSign(char32_t c) { return std::u32string_view(U"\u2022\u25e6\u25aa\u25cf\u25cb\u25a0\u2023\u00b7\uf0b7\u2013").find(c) != std::u32string_view::npos; }

// Length of a list label ("•", "1.", "b)", "iv.") starting at `at`, or 0.
size_t labelLength(std::u32string_view s, size_t at) {
    if (at < s.size() && isBulletSign(s[at])) return 1;
    auto runOf = [&](auto accepts, size_t most) {
        size_t n = 0;
        while (at + n < s.size() && n < most && accepts(s[at + n])) ++n;
        return n;
    };
    auto closed = [&](size_t n) { return n > 0 && at + n < s.size() && (s[at + n] == U'.' || s[at + n] == U')') ? n + 1 : 0; };
    if (size_t n = closed(runOf([](char32_t c) { return c >= U'0' && c <= U'9'; }, 3))) return n;
    if (size_t n = closed(runOf([](char32_t c) { return c >= U'a' && c <= U'z'; }, 1))) return n;
    return closed(runOf([](char32_t c) { return c == U'i' || c == U'v' || c == U'x'; }, 4));
}

// A list label at a line's start goes: LibreOffice writes labels as text, our model keeps a
// bullet as a paragraph format. Then every run of white space becomes one space.
std::string normalise(std::string_view utf8) {
    std::u32string text = decodeUtf8(utf8);
    if (!text.empty() && text.front() == 0xFEFF) text.erase(0, 1);
    std::u32string out;
    bool lineStart = true;
    bool pendingSpace = false;
    for (size_t i = 0; i < text.size();) {
        if (lineStart) {
            lineStart = false;
            size_t at = i;
            while (at < text.size() && isLabelSpace(text[at])) ++at;
            const size_t label = labelLength(text, at);
            size_t after = at + label;
            while (label > 0 && after < text.size() && isLabelSpace(text[after])) ++after;
            if (label > 0 && after > at + label) i = after, pendingSpace = true;
            continue;
        }
        const char32_t c = text[i++];
        if (isLineEnd(c)) lineStart = true;
        if (isSpace(c)) {
            pendingSpace = true;
            continue;
        }
        if (pendingSpace && !out.empty()) out += U' ';
        pendingSpace = false;
        out += c;
    }
    return encodeUtf8(out);
}

TEST(RtfCorpusNormalise, DropsLabelsBomAndSpacing) {
    EXPECT_EQ(normalise("\xEF\xBB\xBF  a\xC2\xA0\xC2\xA0 b\t\n\n c  "), "a b c");
    EXPECT_EQ(normalise("    \xE2\x80\xA2 \xE7\xAC\xAC\n1.\tone\n  iv) four\nx. y\n2.5 stays"), "\xE7\xAC\xAC one four y 2.5 stays");
    EXPECT_EQ(normalise("\xE2\x80\xA2no space after the sign"), "\xE2\x80\xA2no space after the sign");
}

// --- finding things in a document ----------------------------------------------------------

std::string paragraphText(const Paragraph& paragraph) {
    std::string text;
    for (const auto& item : paragraph.content)
        if (const auto* run = std::get_if<TextRun>(&item)) text += run->text;
    return text;
}

const Paragraph* paragraphWith(const RichDocument& document, std::string_view text) {
    for (const auto& paragraph : document.paragraphs)
        if (paragraphText(paragraph).find(text) != std::string::npos) return &paragraph;
    return nullptr;
}

// The format of the run holding `text`; fails the test when no single run holds it.
CharFormat formatOf(const RichDocument& document, std::string_view text) {
    for (const auto& paragraph : document.paragraphs)
        for (const auto& item : paragraph.content)
            if (const auto* run = std::get_if<TextRun>(&item); run && run->text.find(text) != std::string::npos)
                return run->format;
    ADD_FAILURE() << "no run holds \"" << text << "\"";
    return {};
}

std::vector<Picture> picturesOf(const Paragraph& paragraph) {
    std::vector<Picture> pictures;
    for (const auto& item : paragraph.content)
        if (const auto* picture = std::get_if<Picture>(&item)) pictures.push_back(*picture);
    return pictures;
}

std::vector<Picture> picturesOf(const RichDocument& document) {
    std::vector<Picture> pictures;
    for (const auto& paragraph : document.paragraphs)
        for (auto& picture : picturesOf(paragraph)) pictures.push_back(std::move(picture));
    return pictures;
}

constexpr Colour kRed{255, 0, 0};
constexpr Colour kBlue{0, 0, 255};

// --- every corpus file ------------------------------------------------------------------------

class CorpusFile : public testing::TestWithParam<std::string> {};

TEST_P(CorpusFile, ReadsToLibreOfficesText) {
    const RtfReadResult result = readRtf(corpusFile(GetParam()));
    EXPECT_TRUE(result.ok()) << result.error;
    EXPECT_EQ(normalise(plainText(result.document)), normalise(expectedText(GetParam())));
}

// Bytes after the closing brace are not the document's: a trailing NUL as rich edit writes,
// garbage, a second document, and the tail of a longer file that was there before.
TEST_P(CorpusFile, BytesAfterTheEndAreIgnored) {
    const std::string bytes = corpusFile(GetParam());
    const RtfReadResult clean = readRtf(bytes);
    const std::string older = corpusFile("lo_pictures") + corpusFile("lo_multilingual");
    const std::string tails[] = {std::string(1, '\0'), std::string("\0\0\0}}garbage{\\b x}", 18),
                                 "} more text\\par}", older, older.substr(older.size() / 3)};
    for (const auto& tail : tails) {
        const RtfReadResult stale = readRtf(bytes + tail);
        EXPECT_EQ(stale.error, clean.error);
        EXPECT_EQ(stale.consumed, clean.consumed);
        EXPECT_LE(stale.consumed, bytes.size());
        EXPECT_EQ(plainText(stale.document), plainText(clean.document)) << "tail of " << tail.size() << " bytes";
    }
}

// Only what a reader of our RTF can tell apart is compared: a run from a source that named
// no font gets the writer's default face, and the charset is the writer's own choice.
void expectSameLook(const CharFormat& original, const CharFormat& reread, const std::string& text) {
    SCOPED_TRACE("run \"" + text + "\"");
    if (!original.face.empty()) {
        EXPECT_EQ(reread.face, original.face);
    }
    EXPECT_EQ(reread.halfPoints, original.halfPoints);
    EXPECT_EQ(reread.bold, original.bold);
    EXPECT_EQ(reread.italic, original.italic);
    EXPECT_EQ(reread.underline, original.underline);
    EXPECT_EQ(reread.strikeOut, original.strikeOut);
    EXPECT_EQ(reread.colour, original.colour);
    EXPECT_EQ(reread.background, original.background);
    EXPECT_EQ(reread.vertical, original.vertical);
}

std::vector<TextRun> runsOf(const Paragraph& paragraph) {
    std::vector<TextRun> runs;
    for (const auto& item : paragraph.content)
        if (const auto* run = std::get_if<TextRun>(&item)) runs.push_back(*run);
    return runs;
}

TEST_P(CorpusFile, OurRtfReadsBackTheSame) {
    const RtfReadResult original = readRtf(corpusFile(GetParam()));
    const std::string written = writeRtf(original.document);
    const RtfReadResult reread = readRtf(written);
    ASSERT_TRUE(reread.ok()) << reread.error;
    ASSERT_GT(reread.consumed, 0u);
    ASSERT_LE(reread.consumed, written.size());
    EXPECT_EQ(written[reread.consumed - 1], '}');
    EXPECT_EQ(written.find_first_not_of(std::string("\r\n\0", 3), reread.consumed), std::string::npos)
        << "the writer's own output goes on after its end";
    EXPECT_EQ(plainText(reread.document), plainText(original.document));
    ASSERT_EQ(reread.document.paragraphs.size(), original.document.paragraphs.size());
    for (size_t p = 0; p < original.document.paragraphs.size(); ++p) {
        const Paragraph& before = original.document.paragraphs[p];
        const Paragraph& after = reread.document.paragraphs[p];
        EXPECT_EQ(after.format, before.format) << "paragraph " << p;
        const auto runsBefore = runsOf(before);
        const auto runsAfter = runsOf(after);
        ASSERT_EQ(runsAfter.size(), runsBefore.size()) << "paragraph " << p;
        for (size_t r = 0; r < runsBefore.size(); ++r) {
            EXPECT_EQ(runsAfter[r].text, runsBefore[r].text);
            expectSameLook(runsBefore[r].format, runsAfter[r].format, runsBefore[r].text);
        }
        const auto picturesAfter = picturesOf(after);
        const auto picturesBefore = picturesOf(before);
        ASSERT_EQ(picturesAfter.size(), picturesBefore.size()) << "paragraph " << p;
        for (size_t i = 0; i < picturesBefore.size(); ++i) {
            EXPECT_EQ(picturesAfter[i].widthTwips, picturesBefore[i].widthTwips);
            EXPECT_EQ(picturesAfter[i].heightTwips, picturesBefore[i].heightTwips);
        }
    }
    // A page rewritten shorter than before may keep the old bytes after it.
    const RtfReadResult stale = readRtf(written + corpusFile("lo_pictures"));
    EXPECT_EQ(plainText(stale.document), plainText(reread.document));
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusFile, testing::ValuesIn(corpusNames()),
                         [](const testing::TestParamInfo<std::string>& test) { return test.param; });

// --- formats the files carry ----------------------------------------------------------------

TEST(RtfCorpusFormats, RichEditCharacterDeltasAndAlignment) {
    const RtfReadResult result = readRtf(corpusFile("richedit_format"));
    const RichDocument& doc = result.document;
    const CharFormat heading = formatOf(doc, "居中标题");
    EXPECT_TRUE(heading.bold);
    EXPECT_EQ(heading.halfPoints, 32);
    EXPECT_EQ(paragraphWith(doc, "居中标题")->format.alignment, Alignment::Centre);
    EXPECT_FALSE(formatOf(doc, "普通").bold);
    EXPECT_TRUE(formatOf(doc, "粗体").bold);
    EXPECT_TRUE(formatOf(doc, "斜体").italic);
    EXPECT_TRUE(formatOf(doc, "下划线").isUnderlined());
    EXPECT_EQ(formatOf(doc, "红色").colour, kRed);
    EXPECT_TRUE(formatOf(doc, "删除线").strikeOut);
    // Rich edit does not repeat character formats after \par.
    const CharFormat carried = formatOf(doc, "仍是蓝色粗体");
    EXPECT_TRUE(carried.bold);
    EXPECT_EQ(carried.colour, kBlue);
    const CharFormat plain = formatOf(doc, " 正常");
    EXPECT_FALSE(plain.bold);
    EXPECT_FALSE(plain.colour.has_value());
    EXPECT_EQ(paragraphWith(doc, "右对齐")->format.alignment, Alignment::Right);
    const ParagraphFormat indented = paragraphWith(doc, "缩进段落")->format;
    EXPECT_EQ(indented.leftIndent, 720);
    EXPECT_EQ(indented.rightIndent, 360);
    EXPECT_EQ(indented.spaceBefore, 120);
    EXPECT_EQ(indented.spaceAfter, 240);
    EXPECT_EQ(indented.alignment, Alignment::Left);
}

TEST(RtfCorpusFormats, RichEditChineseFontFacesDecodedFromGbk) {
    const RtfReadResult result = readRtf(corpusFile("richedit_gbk"));
    const CharFormat song = formatOf(result.document, "中文测试");
    EXPECT_EQ(song.face, "宋体");
    EXPECT_EQ(song.charset, kGb2312Charset);
    EXPECT_EQ(formatOf(result.document, "黑体段落").face, "黑体");
    EXPECT_EQ(formatOf(result.document, "回到宋体").face, "宋体");
}

TEST(RtfCorpusFormats, RichEditBulletsAreOneBulletEach) {
    const RtfReadResult result = readRtf(corpusFile("richedit_lists"));
    for (const char* item : {"苹果", "香蕉", "橙子"}) {
        const Paragraph* paragraph = paragraphWith(result.document, item);
        ASSERT_NE(paragraph, nullptr) << item;
        EXPECT_TRUE(paragraph->format.isBullet()) << item;
        // The \pntext label is the rendered bullet: kept as text it would show twice.
        EXPECT_EQ(paragraphText(*paragraph), item);
    }
    for (const char* outside : {"项目符号", "编号", "完。"})
        EXPECT_FALSE(paragraphWith(result.document, outside)->format.isBullet()) << outside;
}

TEST(RtfCorpusFormats, LibreOfficeCharacterFormatsAndAlignment) {
    const RtfReadResult result = readRtf(corpusFile("lo_multilingual"));
    const RichDocument& doc = result.document;
    EXPECT_TRUE(formatOf(doc, "bold").bold);
    EXPECT_FALSE(formatOf(doc, "Latin formats").bold);
    EXPECT_TRUE(formatOf(doc, "italic").italic);
    EXPECT_TRUE(formatOf(doc, "underlined").isUnderlined());
    EXPECT_EQ(formatOf(doc, "blue").colour, kBlue);
    EXPECT_TRUE(formatOf(doc, "斜体").italic);
    EXPECT_TRUE(formatOf(doc, "下划线").isUnderlined());
    EXPECT_EQ(formatOf(doc, "红色文字").colour, kRed);
    EXPECT_TRUE(formatOf(doc, "多语言样张").bold);
    EXPECT_EQ(paragraphWith(doc, "多语言样张")->format.alignment, Alignment::Centre);
    EXPECT_EQ(paragraphWith(doc, "右对齐")->format.alignment, Alignment::Right);
}

// LibreOffice marks bold on Chinese text as the associated font's bold (\dbch\ab), not \b.
TEST(RtfCorpusFormats, LibreOfficeBoldOnChineseText) {
    const RtfReadResult result = readRtf(corpusFile("lo_multilingual"));
    EXPECT_TRUE(formatOf(result.document, "粗体").bold);
}

// Word-style lists (\ls with a \listtext label): the bullet shows, as a format or as text.
TEST(RtfCorpusFormats, LibreOfficeListsKeepTheirBullets) {
    const RtfReadResult result = readRtf(corpusFile("lo_lists"));
    for (const char* item : {"第一项", "嵌套甲", "第三项"}) {
        const Paragraph* paragraph = paragraphWith(result.document, item);
        ASSERT_NE(paragraph, nullptr) << item;
        const std::u32string text = decodeUtf8(paragraphText(*paragraph));
        EXPECT_TRUE(paragraph->format.isBullet() || (!text.empty() && isBulletSign(text.front()))) << item;
    }
}

struct PictureCase {
    const char* name;
    const char* file;
    size_t count;  // pictures in the file: a \nonshppict duplicate must not count
    size_t index;
    PictureFormat format;
    int32_t sourceWidth, sourceHeight, widthTwips, heightTwips;
    std::string_view magic;
};

void PrintTo(const PictureCase& c, std::ostream* out) { *out << c.name; }

class CorpusPicture : public testing::TestWithParam<PictureCase> {};

TEST_P(CorpusPicture, KeepsFormatSizesAndBytes) {
    const PictureCase& c = GetParam();
    const RtfReadResult result = readRtf(corpusFile(c.file));
    const auto pictures = picturesOf(result.document);
    ASSERT_EQ(pictures.size(), c.count);
    const Picture& picture = pictures[c.index];
    EXPECT_EQ(picture.format, c.format);
    EXPECT_EQ(picture.sourceWidth, c.sourceWidth);
    EXPECT_EQ(picture.sourceHeight, c.sourceHeight);
    EXPECT_EQ(picture.widthTwips, c.widthTwips);
    EXPECT_EQ(picture.heightTwips, c.heightTwips);
    EXPECT_TRUE(picture.bytes.starts_with(c.magic));
}

const std::string_view kPng("\x89PNG\r\n\x1a\n", 8);
const std::string_view kJpeg("\xff\xd8\xff", 3);
const std::string_view kDibHeader("\x28\0\0\0\x08\0\0\0\x06\0\0\0", 12);  // 40-byte header, 8 x 6

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusPicture, testing::Values(
    // LibreOffice scales its pictures with \picscalex/\picscaley.
    PictureCase{"LibreOfficePng", "lo_pictures", 2, 0, PictureFormat::Png, 24, 16, 720, 480, kPng},
    PictureCase{"LibreOfficeJpeg", "lo_pictures", 2, 1, PictureFormat::Jpeg, 20, 12, 300, 180, kJpeg},
    PictureCase{"PandocPng", "pandoc_markdown", 2, 0, PictureFormat::Png, 24, 16, 480, 320, kPng},
    PictureCase{"PandocJpeg", "pandoc_markdown", 2, 1, PictureFormat::Jpeg, 20, 12, 400, 240, kJpeg},
    PictureCase{"RichEditDib", "richedit_pictures", 1, 0, PictureFormat::Dib, 8, 6, 120, 90, kDibHeader}),
    [](const testing::TestParamInfo<PictureCase>& test) { return std::string(test.param.name); });

// The same PNG and JPEG, hex-wrapped differently by two writers, decode to the same bytes.
TEST(RtfCorpusFormats, PictureBytesAgreeBetweenWriters) {
    const RtfReadResult office = readRtf(corpusFile("lo_pictures"));
    const RtfReadResult pandoc = readRtf(corpusFile("pandoc_markdown"));
    const auto a = picturesOf(office.document);
    const auto b = picturesOf(pandoc.document);
    ASSERT_EQ(a.size(), 2u);
    ASSERT_EQ(b.size(), 2u);
    EXPECT_EQ(a[0].bytes.size(), 757u);
    EXPECT_EQ(a[0].bytes, b[0].bytes);
    EXPECT_EQ(a[1].bytes, b[1].bytes);
}

TEST(RtfCorpusFormats, RichEditPictureSitsBetweenItsText) {
    const RtfReadResult result = readRtf(corpusFile("richedit_pictures"));
    const Paragraph& first = result.document.paragraphs.front();
    ASSERT_EQ(first.content.size(), 3u);
    EXPECT_TRUE(std::holds_alternative<TextRun>(first.content[0]));
    ASSERT_TRUE(std::holds_alternative<Picture>(first.content[1]));
    EXPECT_EQ(std::get<Picture>(first.content[1]).bytes.size(), 40u + 24u * 6u);
    EXPECT_TRUE(std::holds_alternative<TextRun>(first.content[2]));
}

}  // namespace
}  // namespace pgw::richtext
