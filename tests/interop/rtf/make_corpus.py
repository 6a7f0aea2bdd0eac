#!/usr/bin/python3
"""Regenerates the RTF corpus and the texts LibreOffice reads from it.

A developer tool, run by hand (not by CI) after changing a source below:

    /usr/bin/python3 tests/interop/rtf/make_corpus.py

Needs soffice (libreoffice-writer-nogui), pandoc and python3-pil (for the JPEG).

The corpus files come from programs other than ours: LibreOffice and pandoc convert the
HTML and Markdown sources below into RTF. The rich-edit files are written here in the shape
a Windows rich edit control streams out on a Chinese system (\\ansicpg936, \\fcharset134
fonts, GBK \\'xx bytes, \\uN? beyond GBK, \\pntext bullets); their expected text is computed
here and must agree with what LibreOffice reads from them.

For every corpus/NAME.rtf, expected/NAME.txt is LibreOffice's "Text (encoded)" UTF-8
output, committed as LibreOffice wrote it (BOM included).
"""

import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

import rtf_common as common

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "corpus")
EXPECTED = os.path.join(HERE, "expected")

# --- pictures ---------------------------------------------------------------------------


def png_bytes(width, height):
    """A small RGB gradient, so that a decoded picture is recognisable."""
    rows = []
    for y in range(height):
        pixels = bytes(v for x in range(width)
                       for v in ((x * 255) // (width - 1), (y * 255) // (height - 1), 128))
        rows.append(b"\0" + pixels)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(b"".join(rows), 9))
            + chunk(b"IEND", b""))


def jpeg_bytes(png_path, width, height):
    from PIL import Image
    out = png_path[:-4] + ".jpg"
    Image.open(png_path).resize((width, height)).save(out, quality=80)
    with open(out, "rb") as f:
        return f.read()


def dib_bytes(width, height):
    """A packed 24-bit bottom-up DIB, the bitmap shape rich edit keeps in \\dibitmap0."""
    stride = (width * 3 + 3) & ~3
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, stride * height, 2835, 2835, 0, 0)
    rows = []
    for y in range(height):
        row = bytes(v for x in range(width) for v in (200, (x * 255) // (width - 1), (y * 255) // (height - 1)))
        rows.append(row + b"\0" * (stride - len(row)))
    return header + b"".join(rows)


# --- sources for LibreOffice and pandoc -----------------------------------------------------

HTML_HEAD = '<!DOCTYPE html>\n<html lang="zh-CN"><head><meta charset="utf-8"><title>%s</title></head><body>\n'

LO_MULTILINGUAL = """\
<h1 style="text-align:center">多语言样张 Multilingual</h1>
<p>简体中文：<b>粗体</b>、<i>斜体</i>、<u>下划线</u>、<span style="color:#ff0000">红色文字</span>。</p>
<p>Latin formats: <b>bold</b> <i>italic</i> <u>underlined</u> <span style="color:#0000ff">blue</span>.</p>
<h2>繁體中文</h2>
<p>繁體字測試：臺灣、香港、體育、學習與發展。</p>
<h2>日本語</h2>
<p>ひらがな、カタカナ、漢字：日本語の文章です。「引用」</p>
<h2>한국어</h2>
<p>한국어 문장입니다. 안녕하세요!</p>
<h2>Русский</h2>
<p>Съешь же ещё этих мягких французских булок, да выпей чаю.</p>
<h2>Français, Deutsch</h2>
<p>Ça coûte 5 € — « guillemets » et l’apostrophe. Größe, Übermaß, „Anführungszeichen“.</p>
<p style="text-align:right">右对齐 right</p>
"""

LO_LISTS = """\
<p>清单 Lists</p>
<ul><li>第一项 first</li><li>第二项 second
  <ul><li>嵌套甲 nested a</li><li>嵌套乙 nested b</li></ul></li>
  <li>第三项 third</li></ul>
<ol><li>一步 step one</li><li>二步 step two
  <ol><li>细节 detail</li><li>更多 more</li></ol></li>
  <li>三步 step three</li></ol>
<p>结束 End</p>
"""

LO_TABLE = """\
<p>表格 Table</p>
<table border="1"><tr><th>名称</th><th>Name</th><th>数量</th></tr>
<tr><td>苹果</td><td>Apple</td><td>3</td></tr>
<tr><td>香蕉</td><td>Banana</td><td>12</td></tr>
<tr><td>Ёлка</td><td>Größe €</td><td>한</td></tr></table>
<p>表后 After</p>
"""

LO_PICTURES = """\
<p>图前 before <img src="gradient.png" width="48" height="32" alt="png"> 图后 after</p>
<p>照片 photo <img src="photo.jpg" alt="jpg"> 完 end</p>
"""

PANDOC_MARKDOWN = """\
---
title: 样张标题 Sample
---

# 第一章 Chapter

简体中文，**粗体**，*斜体*。繁體中文，日本語のかな，한국어，Русский текст.
Ça coûte 5 € — "quotes" and 'single' and a backslash \\\\ and {braces}.

## 清单 Lists

- 第一项 first
- 第二项 second
    - 嵌套 nested
- 第三项 third

1. 一 one
2. 二 two
    1. 二点一 two.one

## 表格 Table

| 名称 | Name |
|------|------|
| 苹果 | Apple |
| Ёлка | Größe |

![图 picture](gradient.png)

![照片 photo](photo.jpg)

结束。End.
"""

# --- rich edit shape ------------------------------------------------------------------------


class Ctl:
    """RTF written as is, not text."""

    def __init__(self, rtf):
        self.rtf = rtf


LINE = Ctl("\\line\r\n")  # a line break inside the paragraph: text "\n"

RICHEDIT_HEADER = ("{\\rtf1\\ansi\\ansicpg936\\deff0\\deflang1033\\deflangfe2052"
                   "{\\fonttbl{\\f0\\fnil\\fcharset134 %s;}{\\f1\\fnil\\fcharset2 Symbol;}"
                   "{\\f2\\fswiss\\fcharset0 Arial;}{\\f3\\fnil\\fcharset134 %s;}}\r\n"
                   "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}\r\n"
                   "{\\*\\generator Msftedit 5.41.21.2510;}\\viewkind4\\uc1")


def gbk(char):
    """GBK bytes of one character as Windows code page 936 has them, or None."""
    if char == "\u20ac":  # Windows 936 keeps the euro at 0x80; Python's gbk lacks it
        return b"\x80"
    try:
        return char.encode("gbk")
    except UnicodeEncodeError:
        return None


def richedit_text(text):
    """Text as rich edit escapes it: GBK bytes as \\'xx, the rest as signed \\uN?."""
    out = []
    for char in text:
        if char == "\t":
            out.append("\\tab ")
        elif char in "{}\\":
            out.append("\\" + char)
        elif " " <= char <= "~":
            out.append(char)
        elif gbk(char) is not None:
            out.append("".join("\\'%02x" % b for b in gbk(char)))
        else:
            units = char.encode("utf-16-le")
            for i in range(0, len(units), 2):
                unit = struct.unpack("<h", units[i:i + 2])[0]
                out.append("\\u%d?" % unit)
    return "".join(out)


def richedit_document(paragraphs, face=b"\xcb\xce\xcc\xe5", second_face=b"\xba\xda\xcc\xe5", tail=""):
    """(rtf, expected text) of paragraphs made of text and Ctl pieces."""
    def escaped(raw):
        return "".join("\\'%02x" % b for b in raw)

    rtf = [RICHEDIT_HEADER % (escaped(face), escaped(second_face))]
    text = []
    for paragraph in paragraphs:
        line = []
        for piece in paragraph:
            if piece is LINE:
                line.append("\n")
                rtf.append(piece.rtf)
            elif isinstance(piece, Ctl):
                rtf.append(piece.rtf)
            else:
                line.append(piece)
                rtf.append(richedit_text(piece))
        rtf.append("\\par\r\n")
        text.append("".join(line))
    rtf.append("}" + tail)
    return "".join(rtf).encode("ascii"), "\n".join(text) + "\n"


BULLET_FIRST = Ctl("\\pard{\\pntext\\f1\\'b7\\tab}{\\*\\pn\\pnlvlblt\\pnf1\\pnindent0{\\pntxtb\\'b7}}"
                   "\\fi-360\\li720 ")
BULLET_NEXT = Ctl("{\\pntext\\f1\\'b7\\tab}")


def numbered(n, first):
    pn = "{\\*\\pn\\pnlvlbody\\pnf0\\pnindent0\\pnstart1\\pndec{\\pntxta.}}\\fi-360\\li720 " if first else ""
    return Ctl(("\\pard" if first else "") + "{\\pntext\\f0 %d.\\tab}" % n + pn)


RICHEDIT_GBK = [
    [Ctl("\\pard\\lang2052\\f0\\fs18 "), "中文测试：你好，世界。"],
    ["第二段，含€符号与①，繁體字：臺灣體育，かなカナ，Ёж ü é。"],
    ["超出GBK：한국어 Ç ő ₩ 😀 𠀀 結束"],
    ["制表\t符\tTab", LINE, "换行后 after line break"],
    ["括号 {braces} 与反斜杠 \\ backslash"],
    [Ctl("\\f3 "), "黑体段落", Ctl("\\f0 "), "回到宋体"],
]

RICHEDIT_FORMAT = [
    [Ctl("\\pard\\qc\\lang2052\\f0\\fs32\\b "), "居中标题", Ctl("\\fs18\\b0 ")],
    [Ctl("\\pard "), "普通", Ctl("\\b "), "粗体", Ctl("\\b0 "), "，", Ctl("\\i "), "斜体", Ctl("\\i0 "), "，",
     Ctl("\\ul "), "下划线", Ctl("\\ulnone "), "，", Ctl("\\cf1 "), "红色", Ctl("\\cf0 "), "，",
     Ctl("\\strike "), "删除线", Ctl("\\strike0 "), "。"],
    [Ctl("\\cf2\\b "), "蓝色粗体跨段"],  # no \\pard: the format goes on into the next paragraph
    ["仍是蓝色粗体", Ctl("\\cf0\\b0 "), " 正常"],
    [Ctl("\\pard\\qr "), "右对齐"],
    [Ctl("\\pard\\li720\\ri360\\sb120\\sa240 "), "缩进段落 indented"],
]

RICHEDIT_LISTS = [
    [Ctl("\\pard\\lang2052\\f0\\fs18 "), "项目符号："],
    [BULLET_FIRST, "苹果"],
    [BULLET_NEXT, "香蕉"],
    [BULLET_NEXT, "橙子"],
    [Ctl("\\pard "), "编号："],
    [numbered(1, True), "第一步"],
    [numbered(2, False), "第二步"],
    [numbered(3, False), "第三步"],
    [Ctl("\\pard "), "完。"],
]


def richedit_pictures():
    dib = dib_bytes(8, 6)
    hexed = dib.hex()
    lines = "\r\n".join(hexed[i:i + 128] for i in range(0, len(hexed), 128))
    pict = Ctl("{\\pict\\dibitmap0\\picw8\\pich6\\picwgoal120\\pichgoal90\r\n" + lines + "\r\n}")
    return [
        [Ctl("\\pard\\lang2052\\f0\\fs18 "), "图片前", pict, "图片后"],
        ["下一段"],
    ]


# Word on a Chinese system writes \uc2 with both GBK bytes as the fallback, and may write a
# trail byte raw after an escaped lead byte.
WORD_UC2 = (
    "{\\rtf1\\ansi\\ansicpg936\\uc2\\deff0\\deflang1033\\deflangfe2052"
    "{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}{\\f1\\froman\\fcharset0 Times New Roman;}}\r\n"
    "\\pard\\plain\\f0\\fs21 \\u20013\\'d6\\'d0\\u25991\\'ce\\'c4 Word\\par\r\n"
    "\\u-10179\\'3f\\'3f\\u-8704\\'3f\\'3f {\\uc1\\u8364\\'80} A\\'a8DB\\'a8\\'44C\\par\r\n"
    "{\\f1 Caf\\'e9 na\\'efve}\\par\r\n"
    "}")
WORD_UC2_TEXT = "中文 Word\n😀 € A―B―C\nCafé naïve\n"


# --- driving the converters -----------------------------------------------------------------


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def make_sources(work):
    png = png_bytes(24, 16)
    write(os.path.join(work, "gradient.png"), png)
    jpeg_bytes(os.path.join(work, "gradient.png"), 20, 12)
    os.rename(os.path.join(work, "gradient.jpg"), os.path.join(work, "photo.jpg"))
    html = {"lo_multilingual": LO_MULTILINGUAL, "lo_lists": LO_LISTS, "lo_table": LO_TABLE,
            "lo_pictures": LO_PICTURES}
    for name, body in html.items():
        write(os.path.join(work, name + ".html"), (HTML_HEAD % name + body + "</body></html>\n").encode("utf-8"))
    write(os.path.join(work, "pandoc_markdown.md"), PANDOC_MARKDOWN.encode("utf-8"))
    return sorted(html)


def lo_html_to_rtf(work, names, out):
    inputs = [os.path.join(work, name + ".html") for name in names]
    common.soffice(work, ["--infilter=HTML (StarWriter)", "--convert-to", "rtf:Rich Text Format",
                          "--outdir", out] + inputs)


def pandoc_to_rtf(work, out):
    subprocess.run(["pandoc", "-s", "-f", "markdown", "-t", "rtf", "--resource-path", work,
                    "-o", os.path.join(out, "pandoc_markdown.rtf"), os.path.join(work, "pandoc_markdown.md")],
                   check=True, cwd=work)
    subprocess.run(["pandoc", "-s", "-f", "html", "-t", "rtf", "--resource-path", work,
                    "-o", os.path.join(out, "pandoc_html.rtf"), os.path.join(work, "lo_multilingual.html")],
                   check=True, cwd=work)


def richedit_files(out):
    """{name: expected text} of the rich-edit files written into `out`."""
    made = {
        "richedit_gbk": richedit_document(RICHEDIT_GBK, tail="\0"),
        "richedit_format": richedit_document(RICHEDIT_FORMAT),
        "richedit_lists": richedit_document(RICHEDIT_LISTS),
        "richedit_pictures": richedit_document(richedit_pictures()),
        "word_uc2": (WORD_UC2.encode("ascii"), WORD_UC2_TEXT),
    }
    for name, (rtf, _) in made.items():
        write(os.path.join(out, name + ".rtf"), rtf)
    return {name: text for name, (_, text) in made.items()}


def main():
    for tool in ("soffice", "pandoc"):
        if shutil.which(tool) is None:
            sys.exit("make_corpus: %s is not installed" % tool)
    work = tempfile.mkdtemp(prefix="pgw-corpus-")
    try:
        names = make_sources(work)
        fresh = os.path.join(work, "corpus")
        os.mkdir(fresh)
        lo_html_to_rtf(work, names, fresh)
        pandoc_to_rtf(work, fresh)
        computed = richedit_files(fresh)
        rtfs = sorted(os.path.join(fresh, f) for f in os.listdir(fresh) if f.endswith(".rtf"))
        texts = common.lo_texts(work, rtfs)
        bad = [name for name, text in computed.items()
               if common.normalise(texts[name]) != common.normalise(text)]
        for name in bad:
            print("make_corpus: LibreOffice reads %s differently:\n  ours: %r\n  LO:   %r"
                  % (name, common.normalise(computed[name]), common.normalise(texts[name])))
        if bad:
            sys.exit(1)
        for folder in (CORPUS, EXPECTED):
            shutil.rmtree(folder, ignore_errors=True)
            os.makedirs(folder)
        for path in rtfs:
            name = os.path.basename(path)[:-4]
            shutil.copy(path, os.path.join(CORPUS, name + ".rtf"))
            write(os.path.join(EXPECTED, name + ".txt"), texts.raw[name])
            print("%-22s %7d bytes" % (name + ".rtf", os.path.getsize(path)))
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
