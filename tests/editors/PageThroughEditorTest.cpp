// A page's whole way through the editor: RTF that other programs wrote is read, shown in a
// QTextDocument, taken back and written in our dialect, and nothing is lost on the way.

#include "editors/RichTextBridge.h"
#include "platform/richtext/RtfReader.h"
#include "platform/richtext/RtfWriter.h"

#include <QTextDocument>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace pgw::editors {
namespace {

using namespace richtext;

std::string corpusFile(const std::string& name) {
    std::ifstream in(std::filesystem::path(PGW_RTF_CORPUS_DIR) / "corpus" / (name + ".rtf"), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class PageThroughEditor : public ::testing::TestWithParam<const char*> {};

TEST_P(PageThroughEditor, ComesBackAsTheSamePage) {
    const RtfReadResult read = readRtf(corpusFile(GetParam()));
    ASSERT_TRUE(read.ok()) << read.error;
    QTextDocument shown;
    applyPageDefaults(shown);
    setDocumentContent(shown, read.document);
    const RichDocument back = documentContent(shown);
    EXPECT_EQ(back, read.document);
    // Stored and shown again, the page is still the same text.
    const RtfReadResult stored = readRtf(writeRtf(back));
    ASSERT_TRUE(stored.ok()) << stored.error;
    EXPECT_EQ(plainText(stored.document), plainText(read.document));
    QTextDocument again;
    setDocumentContent(again, stored.document);
    EXPECT_EQ(again.toPlainText(), shown.toPlainText());
}

INSTANTIATE_TEST_SUITE_P(Corpus, PageThroughEditor,
                         ::testing::Values("lo_multilingual", "lo_lists", "lo_table", "lo_pictures", "pandoc_markdown",
                                           "pandoc_html", "richedit_gbk", "richedit_format", "richedit_lists",
                                           "richedit_pictures", "word_uc2"));

}  // namespace
}  // namespace pgw::editors
