// File > Export EPUB in the main window: the page being edited goes into the e-book, the
// book's own code is its identifier, the book stays open; a failure says why.
#include "../book/BookFixture.h"
#include "editors/CRTFView.h"
#include "publish/CDRMView.h"
#include "shell/CMainFrame.h"
#include "tree/widgets/CManageView.h"

#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <zlib.h>

namespace pgw::publish {
namespace {

namespace cmd = framework::cmd;
using book::testing::ScratchFolder;

uint32_t le(const std::string& bytes, size_t at, int width) {
    uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i) value = value << 8 | uint8_t(bytes[at + i]);
    return value;
}

// The entries of a zip file, read by their local headers, deflated ones inflated.
std::map<std::string, std::string> zipEntries(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string zip{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::map<std::string, std::string> entries;
    for (size_t at = 0; at + 30 <= zip.size() && le(zip, at, 4) == 0x04034b50;) {
        const uint32_t method = le(zip, at + 8, 2), packed = le(zip, at + 18, 4), size = le(zip, at + 22, 4);
        const size_t name = le(zip, at + 26, 2), data = at + 30 + name + le(zip, at + 28, 2);
        std::string content(size, '\0');
        if (method == 8) {
            z_stream stream{};
            inflateInit2(&stream, -15);
            stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zip.data() + data));
            stream.avail_in = packed;
            stream.next_out = reinterpret_cast<Bytef*>(content.data());
            stream.avail_out = size;
            EXPECT_EQ(inflate(&stream, Z_FINISH), Z_STREAM_END);
            inflateEnd(&stream);
        } else {
            content = zip.substr(data, packed);
        }
        entries[zip.substr(at + 30, name)] = content;
        at = data + packed;
    }
    return entries;
}

std::string lower(std::string text) {
    for (char& c : text) c = char(std::tolower(uint8_t(c)));
    return text;
}

class EpubWindowTest : public ::testing::Test {
protected:
    EpubWindowTest() : frame(session) {
        frame.ui().setMessageBoxRunner([this](QMessageBox& box) {
            seen.push_back(box.text().toStdString());
            return int(QMessageBox::Ok);
        });
    }
    ~EpubWindowTest() override { frame.close(); }

    void answerSaveDialogWith(const std::string& path) {
        frame.ui().setFileDialogRunner([path](QFileDialog& dialog) {
            dialog.selectFile(QString::fromStdString(path));
            return int(QDialog::Accepted);
        });
    }

    ScratchFolder folder;
    book::BookSession session;
    shell::CMainFrame frame;
    std::vector<std::string> seen;
};

TEST_F(EpubWindowTest, ExportTakesThePageBeingEditedAndKeepsTheBookOpen) {
    session.chapters.selectItem(session.chapters.rootItem());
    ASSERT_TRUE(frame.chapterPane()->addTextPage());
    QTest::keyClicks(frame.textView()->editor(), QStringLiteral("typed, not saved"));
    // A web page goes through the HTML import.
    book::BookStorage& storage = frame.storage();
    const book::NodeId web = storage.createPage(session.chapters.rootItem(), book::testing::gbk("网页"), book::NodeType::Web);
    ASSERT_NE(web, book::kNoNode);
    ASSERT_EQ(storage.replacePageContent(*session.chapters.record(web), "<p>web <b>bold</b></p>"), storage::StgResult::Ok);
    answerSaveDialogWith(folder.file("out"));  // the suffix comes by itself
    ASSERT_TRUE(frame.runCommand(cmd::kExportEpub));

    EXPECT_TRUE(seen.empty()) << seen.front();
    const auto entries = zipEntries(folder.file("out.epub"));
    ASSERT_EQ(entries.count("mimetype"), 1u);
    EXPECT_NE(entries.at("OEBPS/text/p2.xhtml").find("typed, not saved"), std::string::npos);
    const std::string webPage = entries.at("OEBPS/text/p3.xhtml");
    const size_t bold = webPage.find("\">bold<");
    ASSERT_NE(bold, std::string::npos) << webPage;
    const std::string boldClass = webPage.substr(webPage.rfind('"', bold - 1) + 1, bold - webPage.rfind('"', bold - 1) - 1);
    EXPECT_NE(entries.at("OEBPS/styles/book.css").find("." + boldClass + " { font-family: \"宋体\", serif; font-size: 10pt; font-weight: bold; }"),
              std::string::npos) << boldClass;
    const std::string code = frame.publishForm()->state().bookCode;
    ASSERT_FALSE(code.empty());
    EXPECT_NE(entries.at("OEBPS/content.opf").find("urn:uuid:" + lower(code)), std::string::npos);
    EXPECT_EQ(frame.statusPane(1)->text().toStdString(), "已导出EPUB：" + folder.file("out.epub"));
    EXPECT_TRUE(frame.storage().isOpen());
    EXPECT_EQ(frame.textView()->editor()->toPlainText(), QStringLiteral("typed, not saved"));

    // A folder that is not there: nothing is written, the author is told why.
    answerSaveDialogWith(folder.file("missing/out.epub"));
    frame.runCommand(cmd::kExportEpub);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].rfind("导出EPUB失败：无法创建文件 " + folder.file("missing/out.epub,tmp"), 0), 0u) << seen[0];
    EXPECT_TRUE(frame.storage().isOpen());
}

}  // namespace
}  // namespace pgw::publish
