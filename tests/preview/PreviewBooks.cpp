#include "PreviewBooks.h"

#include "BookFixture.h"
#include "tests/stub/CompiledBookMaker.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace pgw::preview::testing {

namespace {

using book::testing::gbk;
using storage::StgResult;

std::string fileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The book's compound file; `breakTable` gives the last record a parent that is not there.
std::string bookBytes(bool breakTable) {
    book::testing::ScratchFolder folder;
    book::testing::ProgramParts parts;
    EXPECT_TRUE(parts.storage.newBook());
    const std::string root = parts.storage.title();
    parts.addDirectory(root, gbk("第一章"));
    parts.addPage(gbk("第一章"), gbk("正文"));
    parts.addPage(gbk("第一章"), gbk("坏页"));
    parts.addPage(root, gbk("插图"), book::NodeType::Picture);
    parts.addPage(root, gbk("网页"), book::NodeType::Web);
    EXPECT_TRUE(parts.storage.writeNodeInfo());
    const auto write = [&](const char* name, const std::string& content) {
        EXPECT_EQ(parts.storage.replacePageContent(*parts.session.index.find(gbk(name)), content), StgResult::Ok) << name;
    };
    write("正文", "{\\rtf1\\ansi\\ansicpg936\\f0 \\'d5\\'fd\\'ce\\'c4\\'b5\\'da\\'d2\\'bb\\'be\\'e4\\par}");
    write("坏页", "not a page at all");
    write("插图", stub::testing::samplePicturePage());
    write("网页", "<html><body><h1>" + gbk("网页标题") + "</h1><p>" + gbk("网页正文") + "</p></body></html>");
    EXPECT_EQ(parts.storage.store().workingCopy->commit(), StgResult::Ok);
    const std::string copy = folder.file("copy.pgw");
    std::filesystem::copy_file(parts.storage.store().workingCopyPath, copy);
    if (breakTable) {
        std::unique_ptr<storage::Storage> file;
        std::unique_ptr<storage::Stream> table;
        std::vector<uint8_t> bytes;
        EXPECT_EQ(storage::openCompoundFile(copy, storage::mode::kOpenExclusive, &file), StgResult::Ok);
        EXPECT_EQ(file->openStream("NodeInfo", storage::mode::kOpenExclusive, &table), StgResult::Ok);
        EXPECT_EQ(table->readAll(&bytes), StgResult::Ok);
        const uint32_t count = uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8;  // a handful of records
        const size_t last = 12 + (count - 1) * book::kRecordSize;
        book::NodeInfoRecord record = book::NodeInfoRecord::fromBytes(&bytes[last]);
        record.parentName = gbk("无此目录");
        const auto recordBytes = record.toBytes();
        EXPECT_EQ(table->seek(int64_t(last), storage::SeekOrigin::Set), StgResult::Ok);
        EXPECT_EQ(table->write(recordBytes.data(), recordBytes.size()), StgResult::Ok);
        EXPECT_EQ(table->commit(), StgResult::Ok);
        table.reset();
        EXPECT_EQ(file->commit(), StgResult::Ok);
    }
    return fileBytes(copy);
}

std::string compiledBook(bool breakTable) {
    return stub::testing::compiled(stub::testing::readerPrefix(), bookBytes(breakTable), stub::testing::sampleInput());
}

}  // namespace

std::string previewBook() { return compiledBook(false); }
std::string previewBookWithDamagedTable() { return compiledBook(true); }

}  // namespace pgw::preview::testing
