// Tables: read from the forms word processors and rich edit controls write, made well formed
// whatever the input, and written so that our reader gets the same model back.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

#include "platform/richtext/RtfReader.h"
#include "platform/richtext/RtfWriter.h"
#include "platform/richtext/TableStructure.h"

namespace pgw::richtext {
namespace {

std::string textOf(const Paragraph& paragraph) {
    std::string text;
    for (const Inline& piece : paragraph.content)
        if (const auto* run = std::get_if<TextRun>(&piece)) text += run->text;
    return text;
}

// "1c:a" a cell's last paragraph "a" at depth 1, "1p:" a paragraph inside a cell, "1r[100,200]"
// a row end with its edges, "0p:x" a paragraph outside tables.
std::string structure(const RichDocument& document) {
    std::ostringstream out;
    for (const Paragraph& p : document.paragraphs) {
        out << int(p.format.tableDepth) << "pcr"[int(p.end)];
        if (p.end == ParagraphEnd::Row) {
            out << "[";
            for (size_t i = 0; i < p.row->cellEdges.size(); ++i) out << (i ? "," : "") << p.row->cellEdges[i];
            out << "]" << (p.row->borders ? "b" : "");
        } else {
            out << ":" << textOf(p);
        }
        out << " ";
    }
    return out.str();
}

RichDocument readOk(const std::string& rtf) {
    const RtfReadResult read = readRtf(rtf);
    EXPECT_TRUE(read.ok()) << read.error;
    return read.document;
}

TEST(RtfTables, ReadsEveryFormIntoWellFormedRows) {
    const struct {
        const char* rtf;
        const char* expected;
    } cases[] = {
        // The usual form: the layout, then the cells, then \row.
        {R"({\rtf1\trowd\trgaph108\trleft0\clbrdrt\brdrs\cellx1000\cellx2000\pard\intbl a\cell b\cell\row\pard after\par})",
         "1c:a 1c:b 1r[1000,2000]b 0p:after "},
        // Paragraphs in a cell; the layout stated again before \row; no text after the table.
        {R"({\rtf1\trowd\cellx900\pard\intbl one\par two\cell\trowd\cellx1500\row})", "1p:one 1c:two 1r[1500] 0p: "},
        // \cell without \intbl; text left before \row is the last cell's.
        {R"({\rtf1\trowd\cellx1000\cellx2000 a\cell b\row x})", "1c:a 1c:b 1r[1000,2000] 0p:x "},
        // Nested: the inner row's layout in \nesttableprops, a copy for old readers skipped.
        {R"({\rtf1\trowd\cellx3000\cellx6000\pard\intbl out\par\pard\intbl\itap2 in1\nestcell in2\nestcell)"
         R"({\*\nesttableprops\trowd\cellx1000\cellx2000\nestrow}{\nonesttables\par}\pard\intbl\itap1 \cell)"
         R"(\pard\intbl right\cell\row\pard end\par})",
         "1p:out 2c:in1 2c:in2 2r[1000,2000] 1c: 1c:right 1r[3000,6000] 0p:end "},
        // A cell that starts with a nested table; depth jumps from 0 to 2.
        {R"({\rtf1\pard\intbl\itap2 x\nestcell{\*\nesttableprops\trowd\cellx500\nestrow}\pard\intbl\itap1\cell\trowd\cellx900\row})",
         "2c:x 2r[500] 1c: 1r[900] 0p: "},
        // Broken input: rows without cells, too few or too many edges, a table left open,
        // an unknown depth, a cell end outside tables.
        {R"({\rtf1\trowd\cellx100\row\pard\intbl a\cell b\cell c\cell\row})", "1c:a 1c:b 1c:c 1r[100,1540,2980] 0p: "},
        {R"({\rtf1\trowd\cellx300\cellx200\cellx900\pard\intbl a\cell\row})", "1c:a 1r[300] 0p: "},
        {R"({\rtf1\trowd\cellx300\cellx200\pard\intbl a\cell b\cell\row})", "1c:a 1c:b 1r[300,301] 0p: "},
        {R"({\rtf1\pard\intbl a\cell b\par\pard c})", "1c:a 1c:b 1r[1440,2880] 0p:c "},
        {R"({\rtf1\pard\intbl\itap99 deep\nestcell\nestrow\pard x})",
         "8c:deep 8r[1440] 7c: 7r[1440] 6c: 6r[1440] 5c: 5r[1440] 4c: 4r[1440] 3c: 3r[1440] 2c: 2r[1440] 1c: 1r[1440] 0p:x "},
        {R"({\rtf1 a\par\row b})", "0p:a 0p:b "},
    };
    for (const auto& c : cases) {
        const RichDocument document = readOk(c.rtf);
        EXPECT_EQ(structure(document), c.expected) << c.rtf;
        // What was read is written and read back the same.
        EXPECT_EQ(structure(readOk(writeRtf(document))), c.expected) << c.rtf << "\n" << writeRtf(document);
    }
}

// A word processor's table (LibreOffice's, in the shared corpus): 4 rows of 3 cells, one with
// two paragraphs.
TEST(RtfTables, ReadsAWordProcessorsTable) {
    std::ifstream file(std::string(PGW_RTF_CORPUS_DIR) + "/corpus/lo_table.rtf", std::ios::binary);
    const RichDocument document = readOk(std::string(std::istreambuf_iterator<char>(file), {}));
    size_t rows = 0, cells = 0;
    for (const Paragraph& p : document.paragraphs) {
        rows += p.end == ParagraphEnd::Row;
        cells += p.end == ParagraphEnd::Cell;
        if (p.end == ParagraphEnd::Row) {
            EXPECT_EQ(p.row->cellEdges.size(), 3u);
        }
    }
    EXPECT_EQ(rows, 4u);
    EXPECT_EQ(cells, 12u);
}

TEST(RtfTables, ARowHasNoMoreCellsThanWordProcessorsAllow) {
    std::string rtf = R"({\rtf1\pard\intbl )";
    for (int i = 0; i < 100; ++i) rtf += "c" + std::to_string(i) + R"(\cell )";
    const RichDocument document = readOk(rtf + R"(\row})");
    ASSERT_EQ(document.paragraphs.size(), 102u);
    EXPECT_EQ(document.paragraphs[100].row->cellEdges.size(), kMaxCellsPerRow);
    EXPECT_EQ(textOf(document.paragraphs[99]), "c99");  // in the last cell, nothing lost
}

// Any sequence of depths and ends becomes well formed without losing text, stays as it is
// when normalised again, and survives writing and reading.
TEST(RtfTables, NormalisingKeepsTextAndIsStable) {
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        RichDocument document;
        document.paragraphs.clear();
        std::string allText;
        for (int i = int(random() % 12); i >= 0; --i) {
            Paragraph p;
            p.format.tableDepth = uint8_t(random() % 4);
            p.end = ParagraphEnd(random() % 3);
            if (random() % 3 != 0) {
                const std::string text = "t" + std::to_string(i);
                p.appendText(CharFormat{}, text);
                allText += text;
            }
            if (random() % 2) p.row = TableRow{0, 0, false, {int32_t(random() % 3000) - 500, int32_t(random() % 3000)}};
            document.paragraphs.push_back(std::move(p));
        }
        normaliseTables(document);
        std::string kept;
        for (const Paragraph& p : document.paragraphs) kept += textOf(p);
        EXPECT_EQ(kept, allText);
        RichDocument again = document;
        normaliseTables(again);
        EXPECT_EQ(structure(again), structure(document));
        EXPECT_EQ(structure(readOk(writeRtf(document))), structure(document)) << writeRtf(document);
    }
}

TEST(RtfTables, PlainTextJoinsCellsWithTabsAndRowsWithLines) {
    const RichDocument document = readOk(R"({\rtf1 before\par\pard\intbl a\cell b\cell\row\pard\intbl c\cell d\cell\row\pard after})");
    EXPECT_EQ(plainText(document), "before\na\tb\nc\td\nafter");
}

}  // namespace
}  // namespace pgw::richtext
