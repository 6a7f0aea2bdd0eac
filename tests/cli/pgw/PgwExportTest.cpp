// pgw export: a book with every construct written as an EPUB and read back by Python's
// zip and XML readers; and the failures, which leave no file behind.

#include "DamagedBooks.h"
#include "PgwToolFixture.h"

#include <unistd.h>

namespace pgw::cli::test {
namespace {

namespace fs = std::filesystem;

// A 24-bit bitmap file of 3 x 2 pixels, bottom row first.
std::string bitmapFile() {
    std::string bmp = "BM";
    const auto u32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) bmp += char(v >> (8 * i)); };
    const auto u16 = [&](uint16_t v) { bmp += char(v), bmp += char(v >> 8); };
    u32(14 + 40 + 24), u32(0), u32(14 + 40);
    u32(40), u32(3), u32(2), u16(1), u16(24), u32(0), u32(24), u32(2835), u32(2835), u32(0), u32(0);
    for (int row = 0; row < 2; ++row) bmp += std::string("\x00\x00\xff\x00\xff\x00\xff\x00\x00", 9) + std::string(3, '\0');
    return bmp;
}

// 1 x 1 PNG, red.
constexpr const char* kPngHex =
    "89504e470d0a1a0a0000000d4948445200000001000000010802000000907753de0000000c49444154789c63f8cfc000000301"
    "0100c9fe92ef0000000049454e44ae426082";

constexpr const char* kHtmlPage =
    "<p><b>粗体</b> <i>斜体</i> <u>下划线</u> <s>删除线</s> <font color=\"#008000\">绿色</font> "
    "<a href=\"https://example.com/a?b=1&amp;c=2\">链接</a></p>\n"
    "<p align=\"center\">居中</p><ul><li>甲</li><li>乙</li></ul><ol><li>一</li><li>二</li></ol>\n"
    "<table border=\"1\"><tr><td>a</td><td>b</td></tr><tr><td>c</td><td>d</td></tr></table>\n";

// Sizes, an indent, a face, a colour, a picture in the text, and a character beyond GBK.
std::string rtfPage() {
    return std::string("{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}"
                       "{\\f1\\fswiss\\fcharset0 Arial;}}{\\colortbl ;\\red0\\green128\\blue0;}"
                       "\\pard\\qr\\li720\\fi-360\\f1\\fs32\\cf1\\b Big\\b0\\par"
                       "\\pard\\f0\\fs20\\cf0 \\u-10179?\\u-8704? smile {\\pict\\pngblip\\picw1\\pich1\\picwgoal300\\pichgoal300 ") +
           kPngHex + "}\\par}";
}

class PgwExport : public PgwTool {
protected:
    void SetUp() override {
        PgwTool::SetUp();
        book = newBook("小说");
        for (const auto& [parent, kind, name] : std::vector<std::array<std::string, 3>>{
                 {"小说", "dir", "第一卷"}, {"第一卷", "text", "第一章"}, {"第一卷", "dir", "子目录"},
                 {"子目录", "picture", "插图"}, {"子目录", "text", "第二章"}, {"小说", "dir", "空目录"}})
            ok({"add", book, parent, kind, name});
        writeFile(path("a.html"), kHtmlPage);
        writeFile(path("b.rtf"), rtfPage());
        writeFile(path("c.bmp"), bitmapFile());
        ok({"set-text", book, "第一章", path("a.html")});
        ok({"set-text", book, "第二章", path("b.rtf")});
        ok({"add-picture", book, "插图", path("c.bmp"), "40", "12"});
    }

    std::string book;
};

// Run by Python on the EPUB whose path comes on standard input; prints what fails.
constexpr const char* kChecks = R"(
import re, sys, zipfile, xml.etree.ElementTree as ET
path = sys.stdin.read()
z = zipfile.ZipFile(path)
bad = []
def check(cond, what):
    if not cond: bad.append(what)
first = z.infolist()[0]
check(first.filename == 'mimetype' and first.compress_type == 0 and first.extra == b'', 'mimetype first, stored')
check(z.read('mimetype') == b'application/epub+zip', 'mimetype text')
raw = open(path, 'rb').read()
check(raw[30:38] == b'mimetype' and raw[38:58] == b'application/epub+zip', 'mimetype at offset 38')
check(z.testzip() is None, 'crc')
O = '{http://www.idpf.org/2007/opf}'; D = '{http://purl.org/dc/elements/1.1/}'
X = '{http://www.w3.org/1999/xhtml}'; N = '{http://www.daisy.org/z3986/2005/ncx/}'
c = ET.fromstring(z.read('META-INF/container.xml'))
opf_path = c.find('.//{urn:oasis:names:tc:opendocument:xmlns:container}rootfile').get('full-path')
opf = ET.fromstring(z.read(opf_path))
meta = opf.find(O + 'metadata')
check(re.fullmatch(r'urn:uuid:[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}', meta.find(D + 'identifier').text), 'uuid')
check(meta.find(D + 'title').text == '小说' and meta.find(D + 'language').text == 'zh-CN', 'title, language')
check(meta.find(D + 'creator').text == '王小明' and meta.find(D + 'date').text == '2024-05-01', 'author, date')
check(meta.find(D + 'rights').text == '版权所有', 'rights')
check(re.fullmatch(r'\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ', meta.find(O + 'meta').text), 'modified')
base = opf_path.rsplit('/', 1)[0] + '/'
items = {i.get('id'): i for i in opf.find(O + 'manifest')}
for i in items.values():
    check(base + i.get('href') in z.namelist(), 'manifest ' + i.get('href'))
spine = [items[r.get('idref')].get('href') for r in opf.find(O + 'spine')]
check(len(spine) == 4, 'four pages in the spine: %r' % spine)
pages = [ET.fromstring(z.read(base + h)) for h in spine]
titles = [p.find(X + 'head/' + X + 'title').text for p in pages]
check(titles == ['新建文本', '第一章', '插图', '第二章'], 'page order %r' % titles)
def toc(ol):
    return [(li.find(X + 'a').text, li.find(X + 'a').get('href'), toc(li.find(X + 'ol')) if li.find(X + 'ol') is not None else [])
            for li in ol.findall(X + 'li')]
nav = ET.fromstring(z.read(base + 'nav.xhtml'))
tree = toc(nav.find('.//' + X + 'nav/' + X + 'ol'))
check(tree == [('新建文本', spine[0], []), ('第一卷', spine[1], [('第一章', spine[1], []),
       ('子目录', spine[2], [('插图', spine[2], []), ('第二章', spine[3], [])])])], 'nav %r' % tree)
ncx = ET.fromstring(z.read(base + 'toc.ncx'))
points = ncx.findall('.//' + N + 'navPoint')
orders = {}
for p in points:
    orders.setdefault(p.find(N + 'content').get('src'), set()).add(p.get('playOrder'))
check(len(points) == 6 and all(len(o) == 1 for o in orders.values()), 'ncx play order %r' % orders)
css = z.read(base + 'styles/book.css').decode()
def rule(cls):
    m = re.search(r'\.' + cls + r' \{([^}]*)\}', css); return m.group(1) if m else ''
def classes(page, tag):
    return [c for e in page.iter(X + tag) for c in (e.get('class') or '').split()]
one = ET.tostring(pages[1], encoding='unicode')
check(all(t in one for t in ['<html:ul', '<html:ol', '<html:table', 'href="https://example.com/a?b=1&amp;c=2"']), 'markup of page 1')
check('style=' not in one, 'no inline styles')
spans = classes(pages[1], 'span')
check(any('font-weight: bold' in rule(c) for c in spans) and any('color: #008000' in rule(c) for c in spans)
      and any('line-through' in rule(c) for c in spans) and any('font-style: italic' in rule(c) for c in spans), 'formats')
check(any('text-align: center' in rule(c) for c in classes(pages[1], 'p')), 'centred')
two = pages[3]
check('\U0001F600 smile' in ''.join(two.itertext()), 'beyond GBK')
check(any('margin-left: 36pt' in rule(c) and 'text-indent: -18pt' in rule(c) and 'text-align: right' in rule(c)
          for c in classes(two, 'p')), 'indents')
check(any('font-size: 16pt' in rule(c) and 'Arial' in rule(c) for c in classes(two, 'span')), 'face, size')
img = two.find('.//' + X + 'img')
check(img is not None and (img.get('width'), img.get('height')) == ('20', '20'), 'picture in text')
pic = pages[2].find('.//' + X + 'img')
check(pic is not None and (pic.get('width'), pic.get('height')) == ('3', '2') and 'left: 40px; top: 12px;' in rule(pic.get('class')), 'picture page')
for i in items.values():
    if i.get('media-type') == 'image/png':
        check(z.read(base + i.get('href'))[:8] == b'\x89PNG\r\n\x1a\n', 'png ' + i.get('href'))
print('\n'.join(bad) or 'ok')
)";

TEST_F(PgwExport, EveryConstructReachesTheEpub) {
    const std::string line = ok({"export", book, path("小说.epub"), "--author", "王小明", "--date", "2024年5月1日",
                                 "--copyright=版权所有"});
    EXPECT_EQ(line.rfind(path("小说.epub") + ": 4 pages, 2 pictures, ", 0), 0u) << line;
    EXPECT_EQ(python(kChecks, path("小说.epub")), "ok\n");
    EXPECT_EQ(folderNames(), (std::vector<std::string>{"a.html", "b.rtf", "c.bmp", "小说.epub", "小说.pgw"}));
}

TEST_F(PgwExport, FailuresWriteNothingAndSayWhy) {
    const std::string before = readFile(book);
    // A folder that is not there, the book itself, a date that is none.
    EXPECT_NE(fails({"export", book, path("no/such/out.epub")}, 1).find("no/such/out.epub"), std::string::npos);
    EXPECT_NE(refusedUnchanged({"export", book, book}, book).find("不能是电子书本身"), std::string::npos);
    EXPECT_NE(fails({"export", book, path("x.epub"), "--date", "五月"}, 2).find("--date"), std::string::npos);
    // An old e-book stays whole when a damaged book cannot be exported over it.
    writeFile(path("old.epub"), "old");
    writeFile(path("damaged.pgw"), std::string(4096, 'x'));
    EXPECT_NE(fails({"export", path("damaged.pgw"), path("old.epub")}, 2).find("damaged.pgw"), std::string::npos);
    EXPECT_EQ(readFile(path("old.epub")), "old");
    if (::geteuid() != 0) {  // root writes anywhere
        fs::create_directory(path("locked"));
        fs::permissions(path("locked"), fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_NE(fails({"export", book, path("locked/out.epub")}, 1).find("locked/out.epub,tmp"), std::string::npos);
        fs::permissions(path("locked"), fs::perms::owner_all);
        EXPECT_TRUE(fs::is_empty(path("locked")));
        fs::remove(path("locked"));
    }
    EXPECT_EQ(readFile(book), before);
    EXPECT_EQ(folderNames(), (std::vector<std::string>{"a.html", "b.rtf", "c.bmp", "damaged.pgw", "old.epub", "小说.pgw"}));
}

// Damaged books export as the program opens them, one page for each page it shows, or
// are refused with nothing written.
TEST_F(PgwExport, DamagedBooksExportAsTheProgramOpensThem) {
    for (const book::testing::Damage& damage : book::testing::damages()) {
        SCOPED_TRACE(damage.what);
        book::testing::ScratchFolder folder;
        const std::string damaged = book::testing::makeDamagedBook(folder, damage);
        const std::string out = folder.file("d.epub");
        if (damage.refused) {
            fails({"export", damaged, out}, 2);
            EXPECT_FALSE(fs::exists(out));
            continue;
        }
        const ToolRun run = pgw({"export", damaged, out});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const std::string shown = pgw({"tree", damaged}).out;
        size_t pages = 0;
        for (const std::string kind : {"\ttext\n", "\tpicture\n", "\tweb\n"})
            for (size_t at = shown.find(kind); at != std::string::npos; at = shown.find(kind, at + 1)) ++pages;
        EXPECT_EQ(python("import re, sys, zipfile\nz = zipfile.ZipFile(sys.stdin.read())\n"
                         "print(len(re.findall('<itemref ', z.read('OEBPS/content.opf').decode())))", out),
                  std::to_string(std::max<size_t>(pages, 1)) + "\n");
    }
}

}  // namespace
}  // namespace pgw::cli::test
