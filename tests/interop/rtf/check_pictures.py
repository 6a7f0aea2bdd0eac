"""Pictures in RTF written by LibreOffice, stored by pgw and written again by our writer.

Usage: check_pictures.py PGW_BINARY WORK_DIR

A PNG of known pixel size is made here and put into two flat ODF documents: once in the
line (LibreOffice writes it as \\shppict with a \\nonshppict duplicate) and once anchored to
the paragraph (written as a shape whose `pib` property holds the picture). LibreOffice
converts both to RTF; `pgw set-text` stores each and `pgw get-text --rtf` gives our RTF,
which must hold exactly one PNG picture of that pixel size, in \\picw/\\pich and in the
data's own header.
"""

import base64
import os
import re
import shutil
import struct
import sys
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import rtf_common as common  # noqa: E402

WIDTH, HEIGHT = 37, 23
PICT = re.compile(rb"\{\\pict((?:\\[a-z]+-?[0-9]*)+)\s*([0-9a-fA-F\r\n]*)\}")


def png_bytes(width, height):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    rows = b"".join(b"\0" + b"".join(bytes([x * 7 % 256, y * 11 % 256, 128]) for x in range(width))
                    for y in range(height))
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b"")


def flat_odt(anchor, png):
    return f"""<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"
 xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.text">
<office:body><office:text><text:p>图前 before <draw:frame draw:name="picture" text:anchor-type="{anchor}"
 svg:width="0.37in" svg:height="0.23in"><draw:image><office:binary-data>{base64.b64encode(png).decode()}</office:binary-data>
</draw:image></draw:frame> after 图后</text:p></office:text></office:body></office:document>
"""


def check_ours(name, rtf, failures):
    pictures = PICT.findall(rtf)
    if len(pictures) != 1:
        failures.append("%s: %d pictures in our RTF, expected 1" % (name, len(pictures)))
        return
    words, data = pictures[0]
    if b"\\pngblip" not in words or b"\\picw%d\\pich%d" % (WIDTH, HEIGHT) not in words:
        failures.append("%s: not a %dx%d PNG picture: %r" % (name, WIDTH, HEIGHT, words))
    png = bytes.fromhex(re.sub(rb"\s", b"", data).decode("ascii"))
    if png[12:16] != b"IHDR" or struct.unpack(">II", png[16:24]) != (WIDTH, HEIGHT):
        failures.append("%s: the picture's data is not the %dx%d PNG" % (name, WIDTH, HEIGHT))


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    common.require_tools("soffice")
    binary, work = sys.argv[1], sys.argv[2]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    png = png_bytes(WIDTH, HEIGHT)
    sources = []
    for anchor in ("as-char", "paragraph"):
        path = os.path.join(work, "picture-%s.fodt" % anchor)
        with open(path, "w", encoding="utf-8") as f:
            f.write(flat_odt(anchor, png))
        sources.append(path)
    out = os.path.join(work, "rtf")
    common.soffice(work, ["--convert-to", "rtf", "--outdir", out] + sources)

    pgw = common.Pgw(binary, work)
    failures = []
    for source in sources:
        name = os.path.basename(source)[:-5]
        converted = os.path.join(out, name + ".rtf")
        if not os.path.exists(converted):
            failures.append("%s: LibreOffice wrote no RTF" % name)
            continue
        pgw.add_page(name)
        code, _, err = pgw.set_text(name, converted)
        if code != 0:
            failures.append("%s: set-text failed (%d): %s" % (name, code, err.strip()))
            continue
        code, rtf, err = pgw.get_text(name, rtf=True)
        if code != 0:
            failures.append("%s: get-text --rtf failed (%d): %s" % (name, code, err.strip()))
            continue
        check_ours(name, rtf, failures)
    for failure in failures:
        print("FAIL: " + failure)
    if not failures:
        print("OK: %d LibreOffice documents give one %dx%d picture each" % (len(sources), WIDTH, HEIGHT))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
