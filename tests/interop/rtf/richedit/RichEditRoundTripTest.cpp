// Our pages through the Windows rich edit control (run with Wine): written by our writer,
// streamed into the control and out again, and the control's RTF read by our reader. The
// control must keep what it knows of the page, its text must be the page's text, and we must
// read the control's own RTF with the text the control holds. Skipped without Wine or MinGW.

#include "platform/richtext/RtfReader.h"
#include "platform/richtext/RtfWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <sys/wait.h>

namespace pgw::richtext {
namespace {

namespace fs = std::filesystem;

// ---- The pages -------------------------------------------------------------------------

CharFormat with(const std::function<void(CharFormat&)>& change) {
    CharFormat format;
    change(format);
    return format;
}

Paragraph paragraph(std::initializer_list<std::pair<CharFormat, std::string>> runs,
                    const std::function<void(ParagraphFormat&)>& change = {}) {
    Paragraph p;
    for (const auto& [format, text] : runs) p.appendText(format, text);
    if (runs.size() > 0) p.markFormat = std::prev(runs.end())->first;
    if (change) change(p.format);
    return p;
}

Paragraph item(ListStyle style, int level, std::string text, int32_t start = 1) {
    return paragraph({{{}, std::move(text)}}, [&](ParagraphFormat& f) {
        f.list = style;
        f.listLevel = level;
        f.listStart = start;
        f.leftIndent = 360 * (level + 1);
        f.firstLineIndent = -360;
    });
}

std::string littleEndian(uint32_t value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) out.push_back(char((value >> (8 * i)) & 0xFF));
    return out;
}

// A 2x2 24-bit device-independent bitmap: header and two rows padded to four bytes.
Picture dib() {
    std::string bytes = littleEndian(40, 4) + littleEndian(2, 4) + littleEndian(2, 4) + littleEndian(1, 2) +
                        littleEndian(24, 2) + littleEndian(0, 4) + littleEndian(16, 4) + std::string(16, '\0');
    bytes += std::string("\x00\x00\xff\x00\xff\x00\x00\x00", 8) + std::string("\xff\x00\x00\xff\xff\xff\x00\x00", 8);
    return Picture{PictureFormat::Dib, bytes, 2, 2, 300, 300, 8};
}

// A 1x1 PNG.
Picture png() {
    static const unsigned char kBytes[] = {
        0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48, 0x44, 0x52, 0x00, 0x00,
        0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x02, 0x00, 0x00, 0x00, 0x90, 0x77, 0x53, 0xde, 0x00, 0x00, 0x00,
        0x0c, 0x49, 0x44, 0x41, 0x54, 0x08, 0xd7, 0x63, 0xf8, 0xcf, 0xc0, 0x00, 0x00, 0x03, 0x01, 0x01, 0x00, 0x18,
        0xdd, 0x8d, 0xb0, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};
    return Picture{PictureFormat::Png, std::string(reinterpret_cast<const char*>(kBytes), sizeof kBytes), 1, 1, 150, 150, 8};
}

RichDocument pageOf(std::vector<Paragraph> paragraphs) {
    RichDocument page;
    page.paragraphs = std::move(paragraphs);
    return page;
}

RichDocument formatsPage() {
    const CharFormat bold = with([](CharFormat& f) { f.bold = true; });
    const CharFormat italic = with([](CharFormat& f) { f.italic = true; });
    const CharFormat strike = with([](CharFormat& f) { f.strikeOut = true; });
    const CharFormat super = with([](CharFormat& f) { f.vertical = VerticalPosition::Superscript; });
    const CharFormat sub = with([](CharFormat& f) { f.vertical = VerticalPosition::Subscript; });
    const CharFormat hei = with([](CharFormat& f) { f.face = "黑体"; f.halfPoints = 32; });
    const CharFormat arial = with([](CharFormat& f) { f.face = "Arial"; f.charset = kAnsiCharset; f.halfPoints = 24; });
    const CharFormat red = with([](CharFormat& f) { f.colour = Colour{255, 0, 0}; });
    const CharFormat marked = with([](CharFormat& f) { f.background = Colour{255, 255, 0}; });
    const auto underlined = [](Underline kind) { return with([&](CharFormat& f) { f.underline = kind; }); };
    return pageOf({
        paragraph({{hei, "居中标题"}}, [](ParagraphFormat& f) { f.alignment = Alignment::Centre; }),
        paragraph({{{}, "普通"}, {bold, "粗体"}, {italic, "斜体"}, {strike, "删除线"}, {super, "上标"}, {sub, "下标"},
                   {arial, " Arial text"}, {red, "红色"}, {marked, "黄底"}}),
        paragraph({{underlined(Underline::Single), "单线"}, {underlined(Underline::Double), "双线"},
                   {underlined(Underline::Words), "词 下"}, {underlined(Underline::Dotted), "点线"},
                   {underlined(Underline::Wave), "波浪"}, {underlined(Underline::Thick), "粗线"}}),
        paragraph({{{}, "超出GBK：한국어 Ç ő ₩ 😀 𠀀 結束"}}),
        paragraph({{{}, "制表\t符\t换行\u2028后一行"}}, [](ParagraphFormat& f) { f.alignment = Alignment::Right; }),
        paragraph({{{}, "缩进 indented"}}, [](ParagraphFormat& f) {
            f.alignment = Alignment::Justify;
            f.leftIndent = 720;
            f.firstLineIndent = 360;
            f.rightIndent = 240;
            f.spaceBefore = 120;
            f.spaceAfter = 240;
        }),
    });
}

RichDocument listsPage() {
    return pageOf({
        paragraph({{{}, "列表："}}),
        item(ListStyle::Bullet, 0, "苹果"),
        item(ListStyle::Bullet, 0, "香蕉"),
        item(ListStyle::Bullet, 1, "小香蕉"),
        paragraph({{{}, "编号："}}),
        item(ListStyle::Decimal, 0, "第一步"),
        item(ListStyle::Decimal, 0, "第二步"),
        item(ListStyle::LowerLetter, 1, "分步"),
        item(ListStyle::UpperRoman, 0, "罗马", 3),
        paragraph({{{}, "完。"}}),
    });
}

RichDocument picturesPage() {
    Paragraph pictures = paragraph({{{}, "前"}});
    pictures.appendPicture(dib());
    pictures.appendText({}, "中");
    pictures.appendPicture(png());
    pictures.appendText({}, "后");
    return pageOf({paragraph({{{}, "图片页"}}), pictures});
}

RichDocument breaksAndLinksPage() {
    const CharFormat link = with([](CharFormat& f) { f.link = "https://example.cn/页"; });
    return pageOf({
        paragraph({{{}, "见"}, {link, "这里"}, {{}, "。"}}),
        paragraph({{{}, "新的一页"}}, [](ParagraphFormat& f) { f.pageBreakBefore = true; }),
    });
}

// ---- What the control is known to keep ------------------------------------------------

// The page as the control (Wine's) holds it. It keeps the text, GBK and beyond; paragraphs;
// centre and right alignment; indents and spacing; bold, italic, strike, super- and
// subscript; underlines (single, double, words and dotted; wave and thick come back
// dotted); faces and sizes; colours and highlight; bullets and numbered items with their
// style and start; DIB pictures, as objects. It drops what this takes away: justification,
// list levels (only the indents show the nesting), page breaks, links together with their
// text, and PNG pictures, which it does not read at all.
// Its own RTF loses more: indents are written garbled (start indent and offset as \fi and
// \li), and writing stops at the first picture, though the control reports success.
RichDocument keptByControl(RichDocument page) {
    for (Paragraph& p : page.paragraphs) {
        if (p.format.alignment == Alignment::Justify) p.format.alignment = Alignment::Left;
        p.format.listLevel = 0;
        p.format.pageBreakBefore = false;
        std::erase_if(p.content, [](const Inline& piece) {
            const auto* run = std::get_if<TextRun>(&piece);
            return run ? !run->format.link.empty() : std::get<Picture>(piece).format == PictureFormat::Png;
        });
    }
    return page;
}

struct Case {
    std::string name;
    RichDocument page;
    bool pictures = false;  // the control's RTF ends at the first picture
};

std::vector<Case> cases() {
    return {{"formats", formatsPage()}, {"lists", listsPage()}, {"pictures", picturesPage(), true},
            {"breaks_links", breaksAndLinksPage()}};
}

// ---- Running the control --------------------------------------------------------------

std::string wineLoader() {
    for (const char* candidate : {"/usr/lib/wine/wine64", "/usr/bin/wine64", "/usr/bin/wine"})
        if (fs::exists(candidate)) return candidate;
    return {};
}

std::string fileText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool writeText(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    return bool(out.flush());
}

// The control's text with its line ends as ours.
std::string normalisedLines(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out.push_back(text[i] == '\r' ? '\n' : text[i]);
    }
    return out;
}

// What the control's plain text should be for what it holds: no list labels, a picture and
// a line break each as one space, as the control writes them.
std::string expectedControlText(const RichDocument& held) {
    RichDocument page = held;
    for (Paragraph& p : page.paragraphs) {
        p.format.list = ListStyle::None;
        for (Inline& piece : p.content) {
            if (std::holds_alternative<Picture>(piece)) piece = TextRun{{}, " "};
            if (auto* run = std::get_if<TextRun>(&piece)) {
                for (size_t at; (at = run->text.find("\u2028")) != std::string::npos;) run->text.replace(at, 3, " ");
            }
        }
    }
    return plainText(page);
}

// One line per paragraph and one per stretch of equally formatted text, on what the control
// keeps in its RTF; with `upToFirstPicture`, only what comes before the first picture.
std::string keptInRtf(const RichDocument& document, bool upToFirstPicture) {
    std::ostringstream out;
    for (const Paragraph& p : document.paragraphs) {
        out << "align " << int(p.format.alignment) << " list " << int(p.format.list) << "/" << p.format.listStart
            << " sb" << p.format.spaceBefore << " sa" << p.format.spaceAfter << " ri" << p.format.rightIndent << "\n";
        std::string format, text;
        const auto flush = [&] {
            if (!text.empty()) out << "  " << format << " \"" << text << "\"\n";
            text.clear();
        };
        for (const Inline& piece : p.content) {
            const auto* run = std::get_if<TextRun>(&piece);
            if (!run && upToFirstPicture) {
                flush();
                return out.str();
            }
            if (!run) continue;
            const CharFormat& f = run->format;
            std::ostringstream described;
            described << f.face << " " << f.halfPoints << (f.bold ? " b" : "") << (f.italic ? " i" : "")
                      << (f.strikeOut ? " s" : "") << (f.isUnderlined() ? " u" : "") << " v" << int(f.vertical);
            for (const auto& [name, colour] : {std::pair{" cf", f.colour}, std::pair{" hl", f.background}})
                if (colour) described << name << int(colour->red) << "," << int(colour->green) << "," << int(colour->blue);
            if (described.str() != format) flush();
            format = described.str();
            text += run->text;
        }
        flush();
    }
    return out.str();
}

struct Report {
    std::map<std::string, long> facts;
    std::vector<std::map<std::string, long>> paragraphs;
};

Report reportOf(const std::string& text) {
    Report report;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string key;
        words >> key;
        if (key != "paragraph") {
            words >> report.facts[key];
            continue;
        }
        std::map<std::string, long> paragraph;
        long index = 0;
        words >> index;
        for (std::string name; words >> name;) words >> paragraph[name];
        report.paragraphs.push_back(paragraph);
    }
    return report;
}

// The control's numbering kinds (none, bullet, 1, a, A, i, I) follow ListStyle's order; its
// effect bits for bold, italic, underline, strike, subscript and superscript.
constexpr long kBold = 1, kItalic = 2, kUnderline = 4, kStrike = 8, kSubscript = 0x10000, kSuperscript = 0x20000;

// The control's facts for a paragraph, as our page predicts them.
std::string predictedFacts(const Paragraph& p) {
    static const int kAlignment[] = {1, 3, 2, 4};  // left, centre, right, justify
    const CharFormat first = p.content.empty() || !std::holds_alternative<TextRun>(p.content.front())
                                 ? p.markFormat
                                 : std::get<TextRun>(p.content.front()).format;
    const long effects = (first.bold ? kBold : 0) | (first.italic ? kItalic : 0) |
                         (first.isUnderlined() ? kUnderline : 0) | (first.strikeOut ? kStrike : 0) |
                         (first.vertical == VerticalPosition::Subscript ? kSubscript : 0) |
                         (first.vertical == VerticalPosition::Superscript ? kSuperscript : 0);
    std::ostringstream out;
    out << "numbering " << int(p.format.list) << " align " << kAlignment[int(p.format.alignment)]
        << " indent " << p.format.startIndent() << " offset " << p.format.offset() << " right " << p.format.rightIndent
        << " effects " << effects << " height " << first.halfPoints * 10;
    return out.str();
}

std::string reportedFacts(const std::map<std::string, long>& p) {
    std::ostringstream out;
    const long effects = p.at("effects") & (kBold | kItalic | kUnderline | kStrike | kSubscript | kSuperscript);
    out << "numbering " << p.at("numbering") << " align " << p.at("align") << " indent " << p.at("indent")
        << " offset " << p.at("offset") << " right " << p.at("right") << " effects " << effects << " height "
        << p.at("height");
    return out.str();
}

class RichEditRoundTrip : public ::testing::Test {
protected:
    void SetUp() override {
        wine_ = wineLoader();
        if (wine_.empty()) GTEST_SKIP() << "Wine is not installed (Debian: wine64)";
        if (!fs::exists(PGW_RICHEDIT_TOOL)) GTEST_SKIP() << "the rich edit tool was not cross-built (Debian: g++-mingw-w64-x86-64)";
        work_ = fs::path(PGW_RICHEDIT_WORK);
        fs::remove_all(work_ / "pages");
        fs::create_directories(work_ / "pages");
    }

    // Passes every file through the control in one run of Wine; the prefix is kept in the
    // build tree, so only the first run ever sets it up.
    int passThroughControl(const std::vector<fs::path>& files) {
        std::string command = "WINEPREFIX='" + (work_ / "wine").string() + "' WINEDEBUG=-all DISPLAY= timeout 600 " +
                              wine_ + " '" + std::string(PGW_RICHEDIT_TOOL) + "'";
        for (const fs::path& file : files) command += " 'Z:" + file.string() + "'";
        const int status = std::system((command + " >'" + (work_ / "pages" / "tool.log").string() + "' 2>&1").c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string wine_;
    fs::path work_;
};

TEST_F(RichEditRoundTrip, OurPagesKeepWhatTheControlKnows) {
    const std::vector<Case> all = cases();
    std::vector<fs::path> files;
    for (const Case& c : all) {
        files.push_back(work_ / "pages" / (c.name + ".rtf"));
        ASSERT_TRUE(writeText(files.back(), writeRtf(c.page)));
    }
    // A file that is no RTF is refused, and said to be, without stopping the others.
    files.push_back(work_ / "pages" / "not_rtf.rtf");
    ASSERT_TRUE(writeText(files.back(), "plain words, no rich text"));
    ASSERT_EQ(passThroughControl(files), 1) << fileText(work_ / "pages" / "tool.log");
    EXPECT_FALSE(fs::exists(files.back().string() + ".out.rtf"));

    for (size_t i = 0; i < all.size(); ++i) {
        const Case& c = all[i];
        SCOPED_TRACE(c.name);
        const RichDocument held = keptByControl(c.page);
        const std::string base = files[i].string();
        const std::string controlText = normalisedLines(fileText(base + ".txt"));
        EXPECT_EQ(controlText, expectedControlText(held));

        const Report report = reportOf(fileText(base + ".report"));
        ASSERT_EQ(report.paragraphs.size(), held.paragraphs.size()) << fileText(base + ".report");
        long pictures = 0;
        for (size_t p = 0; p < report.paragraphs.size(); ++p) {
            EXPECT_EQ(reportedFacts(report.paragraphs[p]), predictedFacts(held.paragraphs[p])) << "paragraph " << p;
            pictures += std::count_if(held.paragraphs[p].content.begin(), held.paragraphs[p].content.end(),
                                      [](const Inline& piece) { return std::holds_alternative<Picture>(piece); });
        }
        EXPECT_EQ(report.facts.at("objects"), pictures);

        // The control's own RTF, read by us: what it kept, and the text it holds.
        const RtfReadResult back = readRtf(fileText(base + ".out.rtf"));
        EXPECT_EQ(back.ok(), !c.pictures) << back.error;
        EXPECT_EQ(keptInRtf(back.document, c.pictures), keptInRtf(held, c.pictures));
        if (!c.pictures) {
            EXPECT_EQ(expectedControlText(back.document), controlText);
        }
    }
}

// RTF in the shape rich edit controls and word processors write (the shared corpus) through
// the control: what the control then writes, we read with the text the control holds. The
// corpus's other files show only the control's own losses: its RTF writes fullwidth
// punctuation as ASCII look-alikes and a symbol font's bullet as '?', and it stops at a
// picture. Tables have a test of their own.
TEST_F(RichEditRoundTrip, WeReadTheControlsRtfWithTheTextItHolds) {
    std::vector<fs::path> files;
    for (const char* name : {"richedit_format", "richedit_gbk", "richedit_lists", "word_uc2"}) {
        files.push_back(work_ / "pages" / (std::string(name) + ".rtf"));
        fs::copy_file(fs::path(PGW_RTF_CORPUS_DIR) / "corpus" / files.back().filename(), files.back());
    }
    ASSERT_EQ(passThroughControl(files), 0) << fileText(work_ / "pages" / "tool.log");
    for (const fs::path& file : files) {
        const RtfReadResult back = readRtf(fileText(file.string() + ".out.rtf"));
        EXPECT_TRUE(back.ok()) << file.filename() << ": " << back.error;
        EXPECT_EQ(expectedControlText(back.document), normalisedLines(fileText(file.string() + ".txt"))) << file.filename();
    }
}

// A table, nested in one cell, through the control: its RTF, read by us, has the same rows
// and cells with the same text (the control's plain text puts an empty line between cells,
// so the cells are compared, not the text).
TEST_F(RichEditRoundTrip, TablesComeBackAsRowsOfCells) {
    const char* page = R"({\rtf1\ansi\ansicpg936{\fonttbl{\f0\fcharset134 \'cb\'ce\'cc\'e5;}}\f0 before\par)"
                       R"(\trowd\trgaph108\cellx2000\cellx4000\pard\intbl \'bc\'d7\cell second\cell\row)"
                       R"(\trowd\trgaph108\cellx2000\cellx4000\pard\intbl c\cell\pard\intbl\itap2 in1\nestcell in2\nestcell)"
                       R"({\*\nesttableprops\trowd\cellx1000\cellx2000\nestrow}{\nonesttables\par}\pard\intbl\itap1\cell\row)"
                       R"(\pard after\par})";
    const RichDocument original = readRtf(page).document;
    const auto cells = [](const RichDocument& document) {
        std::vector<std::string> out;
        for (const Paragraph& p : document.paragraphs) {
            std::string text;
            for (const Inline& piece : p.content)
                if (const auto* run = std::get_if<TextRun>(&piece)) text += run->text;
            if (p.end != ParagraphEnd::Paragraph || !text.empty())
                out.push_back(std::to_string(p.format.tableDepth) + "pcr"[int(p.end)] + text);
        }
        return out;
    };
    const fs::path file = work_ / "pages" / "tables.rtf";
    ASSERT_TRUE(writeText(file, writeRtf(original)));
    ASSERT_EQ(passThroughControl({file}), 0) << fileText(work_ / "pages" / "tool.log");
    const RtfReadResult back = readRtf(fileText(file.string() + ".out.rtf"));
    EXPECT_TRUE(back.ok()) << back.error;
    EXPECT_EQ(cells(back.document), cells(original)) << fileText(file.string() + ".out.rtf");
}

}  // namespace
}  // namespace pgw::richtext
