// add-picture and pictures on real books: pictures land on the page in front, at their
// natural size, byte for byte; wrong pages, bad pictures and damaged pages are refused
// leaving the book alone; a page left and reopened keeps its pictures.

#include "PgwToolFixture.h"
#include "platform/storage/CompoundFile.h"

namespace pgw::cli::test {
namespace {

using namespace std::string_literals;
using storage::StgResult;

std::string le16(uint32_t v) { return {char(v), char(v >> 8)}; }
std::string le32(uint32_t v) { return le16(v & 0xFFFF) + le16(v >> 16); }
std::string be32(uint32_t v) { return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; }

std::string bmpFile(int32_t width, int32_t height) {
    const uint32_t stride = (uint32_t(width) * 3 + 3) & ~3u, pixels = stride * uint32_t(height);
    return "BM"s + le32(54 + pixels) + le32(0) + le32(54) + le32(40) + le32(uint32_t(width)) + le32(uint32_t(height)) +
           le16(1) + le16(24) + std::string(24, '\0') + std::string(pixels, '\x80');
}
std::string gifFile(uint32_t width, uint32_t height) { return "GIF89a" + le16(width) + le16(height) + "\0\0\0;"s; }
std::string iconFile() { return "\0\0\1\0\1\0\x10\x20"s + std::string(14, '\0'); }

uint32_t crc32(const std::string& bytes) {
    uint32_t crc = 0xFFFFFFFF;
    for (unsigned char byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

// A 2 x 1 RGBA PNG, its pixels in one stored (uncompressed) deflate block.
std::string pngFile() {
    const std::string raw = "\0\xFF\0\0\xFF\0\0\0\0"s;  // filter 0, opaque red, transparent black
    uint32_t a = 1, b = 0;
    for (unsigned char byte : raw) a = (a + byte) % 65521, b = (b + a) % 65521;
    const std::string zlib = "\x78\x01\x01"s + le16(uint32_t(raw.size())) + le16(uint32_t(~raw.size() & 0xFFFF)) +
                             raw + be32(b << 16 | a);
    const auto chunk = [](const std::string& type, const std::string& data) {
        return be32(uint32_t(data.size())) + type + data + be32(crc32(type + data));
    };
    return "\x89PNG\r\n\x1A\n"s + chunk("IHDR", be32(2) + be32(1) + "\x08\x06\0\0\0"s) + chunk("IDAT", zlib) +
           chunk("IEND", "");
}

class PgwPicture : public PgwTool {
protected:
    void SetUp() override {
        PgwTool::SetUp();
        book_ = newBook("画册");
        ok({"add", book_, "画册", "picture", "插图"});
        ok({"add", book_, "画册", "dir", "目录"});
    }
    std::string image(const std::string& name, const std::string& bytes) {
        writeFile(io_ / name, bytes);
        return (io_ / name).string();
    }
    std::string pictures(const std::string& page = "插图") { return ok({"pictures", book_, page}); }
    // Overwrites the start of a page's stream, as an older or damaged writer might have.
    void overwritePage(const std::string& page, const std::string& bytes) {
        const std::string element =
            python("import json,sys\nd=json.load(sys.stdin)\n"
                   "print([r['element'] for r in d['records'] if r['name']=='" + page + "'][0], end='')",
                   ok({"dump", book_}));
        std::unique_ptr<storage::Storage> root;
        ASSERT_EQ(storage::openCompoundFile(book_, storage::mode::kOpenExclusive, &root), StgResult::Ok);
        std::unique_ptr<storage::Stream> stream;
        ASSERT_EQ(root->openStream(element, storage::mode::kShareExclusive | storage::mode::kReadWrite, &stream),
                  StgResult::Ok);
        ASSERT_EQ(stream->write(bytes.data(), bytes.size()), StgResult::Ok);
        stream.reset();
        ASSERT_EQ(root->commit(), StgResult::Ok);
    }
    std::string book_;
};

TEST_F(PgwPicture, PicturesGoInFrontAtTheirNaturalSizeWithTheirBytes) {
    EXPECT_EQ(pictures(), "");
    ok({"add-picture", book_, "插图", image("a.bmp", bmpFile(3, 2))});
    ok({"add-picture", book_, "插图", image("b.GIF", gifFile(320, 200)), "100", "-20"});
    ok({"add-picture", book_, "插图", image("c.ico", iconFile()), "0", "0"});
    EXPECT_EQ(pictures(), "0 0 16 32 100% 100% 22 ico\n"
                          "100 -20 320 200 100% 100% 14 gif\n"
                          "5 30 3 2 100% 100% 78 bmp\n");
}

TEST_F(PgwPicture, PngIsStoredAsABitmap) {
    ok({"add-picture", book_, "插图", image("p.png", pngFile())});
    EXPECT_EQ(pictures(), "5 30 2 1 100% 100% 62 bmp\n");
}

TEST_F(PgwPicture, WrongPagesAndBadPicturesAreRefusedLeavingTheBookAlone) {
    const std::string bmp = image("a.bmp", bmpFile(3, 2));
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string says;
    };
    const std::vector<Case> cases = {
        {{"新建文本", bmp}, 1, "not a picture page"},
        {{"目录", bmp}, 1, "not a picture page"},
        {{"无此页", bmp}, 1, "no chapter"},
        {{"插图", (io_ / "missing.jpg").string()}, 2, "no such file"},
        {{"插图", image("t.jpg", "plain text")}, 2, "not a JPEG"},
        {{"插图", image("cut.jpg", "\xFF\xD8\xFF\xE0\x00\x10JFIF"s)}, 2, "damaged"},
        {{"插图", bmp, "5"}, 2, "both X and Y"},
        {{"插图", bmp, "5", "y"}, 2, "integers"},
        {{"插图", bmp, "100001", "0"}, 2, "integers"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"add-picture", book_};
        args.insert(args.end(), c.args.begin(), c.args.end());
        EXPECT_NE(refusedUnchanged(args, book_, c.exitCode).find(c.says), std::string::npos) << c.args[1];
    }
    EXPECT_NE(fails({"pictures", book_, "新建文本"}, 1).find("not a picture page"), std::string::npos);
    fails({"pictures", book_, "无此页"}, 1);
    fails({"pictures", book_}, 2);
}

TEST_F(PgwPicture, APageLeftAndReopenedKeepsItsPictures) {
    ok({"add-picture", book_, "插图", image("a.bmp", bmpFile(3, 2))});
    // Another page is edited: the picture page is opened first, then left unchanged.
    ok({"set-text", book_, "新建文本", image("t.txt", "文字\n")});
    EXPECT_EQ(ok({"get-text", book_, "新建文本"}), "文字\n");
    ok({"add-picture", book_, "插图", image("b.gif", gifFile(7, 9)), "40", "50"});
    EXPECT_EQ(pictures(), "40 50 7 9 100% 100% 14 gif\n5 30 3 2 100% 100% 78 bmp\n");
}

TEST_F(PgwPicture, StaleAndDamagedStoredPagesAreReadAsFarAsTheyGo) {
    ok({"add-picture", book_, "插图", image("a.bmp", bmpFile(3, 2))});
    ok({"add-picture", book_, "插图", image("b.gif", gifFile(7, 9))});
    // One picture without an image written over the two: the rest is stale.
    const std::string one = le16(3) + le32(1) + std::string(102 - 12, '\0') + le16(3) + le32(0);
    std::string record = one.substr(6);
    for (size_t at = 0; at < record.size(); at += 6) record[at] = 3;
    overwritePage("插图", one.substr(0, 6) + record);
    EXPECT_EQ(pictures(), "0 0 0 0 0% 0% 0 none\n");
    // A count of three over the two pictures: the third record is missing.
    overwritePage("插图", le16(3) + le32(3) + record + record);
    const ToolRun run = pgw({"pictures", book_, "插图"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "0 0 0 0 0% 0% 0 none\n0 0 0 0 0% 0% 0 none\n");
    EXPECT_NE(run.err.find("damaged"), std::string::npos) << run.err;
    EXPECT_NE(refusedUnchanged({"add-picture", book_, "插图", image("c.gif", gifFile(1, 1))}, book_).find("damaged"),
              std::string::npos);
}

}  // namespace
}  // namespace pgw::cli::test
