#include "CompiledBookMaker.h"

#include "editors/pictures/CPictureObjList.h"
#include "editors/pictures/BmpWriter.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace pgw::stub::testing {

using book::testing::gbk;

namespace {

std::string le32(uint32_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }

std::string solidBitmap(int32_t width, int32_t height) {
    pictures::RgbImage image{{width, height}, {}};
    for (int32_t i = 0; i < width * height; ++i) image.rgb.insert(image.rgb.end(), {200, 40, 40});
    return *pictures::bmpFileFromRgb(image);
}

}  // namespace

std::string samplePicturePage() {
    pictures::CPictureObjList list;
    auto shown = std::make_unique<pictures::CPictureObj>();
    EXPECT_EQ(shown->loadFromBytes(SampleBook::kBitmap), pictures::LoadFileResult::Loaded);
    shown->m_rcPos = shown->m_rcBase = {10, 20, 50, 60};
    auto hidden = std::make_unique<pictures::CPictureObj>();
    EXPECT_EQ(hidden->loadFromBytes(solidBitmap(2, 2)), pictures::LoadFileResult::Loaded);
    hidden->m_bVisible = 0;
    list.addTail(std::move(shown));
    list.addTail(std::move(hidden));
    return list.save();
}

const std::string SampleBook::kText = "{\\rtf1\\ansi\\ansicpg936{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}"
                                      "\\f0 \\'d5\\'fd\\'ce\\'c4 \\{braces\\} \\\\\\par}";
const std::string SampleBook::kStaleTail = "older, longer page}}";
const std::string SampleBook::kBitmap = solidBitmap(4, 3);

SampleBook::SampleBook() {
    EXPECT_TRUE(parts_.storage.newBook());
    const std::string root = parts_.storage.title();
    parts_.addDirectory(root, gbk("第一章"));
    parts_.addPage(gbk("第一章"), gbk("正文"));
    parts_.addDirectory(gbk("第一章"), gbk("小节"));
    parts_.addPage(gbk("小节"), gbk("深页"));
    parts_.addPage(root, gbk("插图"), book::NodeType::Picture);
    parts_.storage.writeNodeInfo();
    writePage("正文", kText + kStaleTail);
    writePage("深页", "{\\rtf1 deep}");
    writePage("插图", samplePicturePage());
}

void SampleBook::writePage(const std::string& nameUtf8, const std::string& content) {
    book::NodeInfoRecord* record = parts_.session.index.find(gbk(nameUtf8));
    ASSERT_TRUE(record && record->stream) << nameUtf8;
    ASSERT_EQ(record->stream->seek(0, storage::SeekOrigin::Set), storage::StgResult::Ok);
    ASSERT_EQ(record->stream->write(content.data(), content.size()), storage::StgResult::Ok);
    ASSERT_EQ(record->stream->commit(), storage::StgResult::Ok);
}

void SampleBook::addWebPage(const std::string& nameUtf8, const std::string& stored) {
    parts_.addPage(parts_.storage.title(), gbk(nameUtf8), book::NodeType::Web);
    parts_.storage.writeNodeInfo();
    writePage(nameUtf8, stored);
}

void SampleBook::removePageStream(const std::string& nameUtf8) {
    book::NodeInfoRecord* record = parts_.session.index.find(gbk(nameUtf8));
    ASSERT_TRUE(record);
    book::NodeInfoRecord* parent = parts_.session.index.find(record->parentName);
    ASSERT_TRUE(parent && parent->storage);
    record->stream.reset();
    ASSERT_EQ(parent->storage->destroyElement(record->objName), storage::StgResult::Ok);
    ASSERT_EQ(parent->storage->commit(), storage::StgResult::Ok);
}

std::string SampleBook::bytes() {
    EXPECT_EQ(parts_.storage.store().workingCopy->commit(), storage::StgResult::Ok);
    std::ifstream file(parts_.storage.store().workingCopyPath, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::string readerPrefix() {
    std::string image(0x400, '\0');
    const auto put = [&](size_t at, const std::string& bytes) { image.replace(at, bytes.size(), bytes); };
    put(0, "MZ");
    put(60, le32(0x80));
    put(0x80, std::string("PE\0\0", 4));
    put(0x84, std::string{'\x64', '\x86', '\x01', '\x00'});  // x86-64, one section
    put(0x94, std::string{'\xF0', '\x00'});                  // optional header size
    put(0x98, std::string{'\x0B', '\x02'});                  // PE32+
    put(0x188, ".text");
    put(0x188 + 16, le32(0x200));  // raw size
    put(0x188 + 20, le32(0x200));  // raw pointer
    return image;
}

CompileInput sampleInput() {
    CompileInput input;
    input.title = gbk("测试之书");
    input.info.bookId = "ISBN-1";
    input.info.author = gbk("作者甲");
    input.info.homepage = "http://example.invalid/";
    input.info.email = "a@example.invalid";
    input.info.copyright = gbk("版权所有");
    input.info.date = "2026-12-08";
    input.info.other = gbk("其它：第二版，有插图");
    input.bookCode = "0123ABCD-4567-89EF-0123-456789ABCDEF";
    return input;
}

std::string compiled(const std::string& prefix, const std::string& book, const CompileInput& input) {
    publish::PublishInfoBlock block;
    block.blockOffset = uint32_t(prefix.size());
    block.bookOffset = uint32_t(prefix.size() + publish::kPublishInfoBlockSize);
    block.bookLength = book.size();
    block.title = input.title;
    block.bookInfo = publish::encodeBookInfoRecord(input.info, publish::BookGuidBytes{});
    block.bookCode = input.bookCode;
    const auto encoded = publish::encodePublishInfoBlock(block);
    return prefix + std::string(encoded.begin(), encoded.end()) + book + le32(uint32_t(prefix.size()));
}

std::string writeFile(const std::string& name, const std::string& bytes) {
    const std::string path = (std::filesystem::current_path() / name).string();
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    return path;
}

}  // namespace pgw::stub::testing
