"""An e-book pgw exports, checked by epubcheck.

Usage: check_epub.py PGW_BINARY WORK_DIR

pgw makes a book with every construct the export handles: formats, lists, a table
and a link (from HTML), indents, faces, sizes, a picture in the text and a character
beyond GBK (from RTF), a bitmap and a metafile in the text, a picture page with a bitmap, a GIF and an icon, nested and
empty directories, Chinese names. It exports the book, and epubcheck must report no
error and no warning. Skipped (77) while epubcheck or Java is missing.
"""

import os
import shutil
import struct
import subprocess
import sys
import zlib

SKIP = 77


def epubcheck_command():
    found = shutil.which("epubcheck")
    if found is None:
        return None
    # Debian's epubcheck is an executable jar, which runs only where binfmt knows jars.
    jar = os.path.realpath(found)
    if jar.endswith(".jar"):
        java = shutil.which("java")
        return [java, "-jar", jar] if java else None
    return [found]


def run(pgw, *args):
    done = subprocess.run([pgw] + list(args), capture_output=True, check=False)
    if done.returncode != 0:
        sys.exit("pgw %s failed: %s" % (" ".join(args), done.stderr.decode("utf-8", "replace")))
    return done.stdout.decode("utf-8")


def png(width, height, rgb):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    rows = b"".join(b"\x00" + bytes(rgb) * width for _ in range(height))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


def dib(width, height, rows_of_height, mask):
    stride = (width * 3 + 3) // 4 * 4
    bits = b"".join(bytes([0, 128, 255]) * width + b"\x00" * (stride - width * 3) for _ in range(height))
    if mask:
        bits += b"\x00\x00\x00\x00" * height
    return struct.pack("<IiiHHIIiiII", 40, width, rows_of_height, 1, 24, 0, len(bits), 2835, 2835, 0, 0) + bits


def bmp(width, height):
    body = dib(width, height, height, False)
    return b"BM" + struct.pack("<IHHI", 14 + len(body), 0, 0, 54) + body


def ico(side):
    body = dib(side, side, side * 2, True)
    return struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", side, side, 0, 0, 1, 24, len(body), 22) + body


GIF = bytes.fromhex("47494638396101000100800000000000ffffff21f90401000000002c00000000010001000002024401003b")

HTML = """<p><b>粗体</b> <i>斜体</i> <u>下划线</u> <s>删除线</s> <font color="#008000">绿色</font>
<a href="https://example.com/a?b=1&amp;c=2">链接</a></p>
<p align="center">居中</p><ul><li>甲<ul><li>甲一</li></ul></li><li>乙</li></ul><ol><li>一</li><li>二</li></ol>
<table border="1"><tr><td>a</td><td>b</td></tr><tr><td>c</td><td>d</td></tr></table>
"""


def rtf():
    return ("{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}"
            "{\\f1\\fswiss\\fcharset0 Arial;}}{\\colortbl ;\\red0\\green128\\blue0;}"
            "\\pard\\qr\\li720\\fi-360\\f1\\fs32\\cf1\\b Big\\b0\\par"
            "\\pard\\f0\\fs20\\cf0 \\u-10179?\\u-8704? smile\\tab tab {\\pict\\pngblip\\picw4\\pich4\\picwgoal600\\pichgoal600 "
            + png(4, 4, (255, 0, 0)).hex() + "}{\\pict\\dibitmap0\\picw3\\pich2\\picwgoal450\\pichgoal300 "
            + dib(3, 2, 2, False).hex() + "}{\\pict\\wmetafile8\\picw100\\pich100 0100090000030f00000000000000}\\par"
            "\\pard\\sb240\\sa120\\ul\\strike\\i 2\\'d0\\'d0\\i0\\strike0\\ulnone\\line \\super x\\nosupersub\\par}")


def make_book(pgw, folder):
    book = os.path.join(folder, "小说.pgw")
    run(pgw, "new", book)
    for parent, kind, name in [("小说", "dir", "第一卷"), ("第一卷", "text", "第一章"), ("第一卷", "dir", "子目录"),
                               ("子目录", "picture", "插图"), ("子目录", "text", "第二章"), ("小说", "dir", "空目录")]:
        run(pgw, "add", book, parent, kind, name)
    files = {"a.html": HTML.encode("utf-8"), "b.rtf": rtf().encode("ascii"), "c.bmp": bmp(30, 20),
             "d.gif": GIF, "e.ico": ico(16)}
    for name, data in files.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
    run(pgw, "set-text", book, "第一章", os.path.join(folder, "a.html"))
    run(pgw, "set-text", book, "第二章", os.path.join(folder, "b.rtf"))
    for name, x, y in [("c.bmp", "5", "30"), ("d.gif", "50", "10"), ("e.ico", "80", "40")]:
        run(pgw, "add-picture", book, "插图", os.path.join(folder, name), x, y)
    return book


def main():
    pgw, work = sys.argv[1], sys.argv[2]
    command = epubcheck_command()
    if command is None:
        print("SKIP: epubcheck (and Java to run it) is not installed")
        return SKIP
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    book = make_book(pgw, work)
    out = os.path.join(work, "小说.epub")
    print(run(pgw, "export", book, out, "--author", "王小明", "--date", "2024-05-01", "--copyright", "版权所有"), end="")
    done = subprocess.run(command + [out], capture_output=True, check=False)
    report = (done.stdout + done.stderr).decode("utf-8", "replace")
    print(report)
    if done.returncode != 0 or "0 fatals / 0 errors / 0 warnings" not in report:
        print("FAIL: epubcheck found problems")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
