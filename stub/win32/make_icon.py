#!/usr/bin/python3
"""Writes the reader's icon: the 16 and 32 pixel images of an .ico, in that order.

    make_icon.py source.ico target.ico

The compiled book's icon replaces icon images 1 and 2 of the reader, so the reader
carries exactly two images. Standard library only.
"""
import struct
import sys

WANTED = (16, 32)


def read_images(data):
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if reserved != 0 or kind != 1:
        sys.exit("not an icon file")
    images = {}
    for i in range(count):
        entry = data[6 + 16 * i: 22 + 16 * i]
        if len(entry) < 16:
            sys.exit("icon directory cut short")
        width = entry[0] or 256
        size, offset = struct.unpack_from("<II", entry, 8)
        if offset + size > len(data):
            sys.exit("icon image outside the file")
        images.setdefault(width, (entry[:8], data[offset:offset + size]))
    return images


def write_icon(chosen):
    header = struct.pack("<HHH", 0, 1, len(chosen))
    offset = 6 + 16 * len(chosen)
    entries, bodies = b"", b""
    for head, body in chosen:
        entries += head + struct.pack("<II", len(body), offset)
        bodies += body
        offset += len(body)
    return header + entries + bodies


def main():
    source, target = sys.argv[1], sys.argv[2]
    with open(source, "rb") as f:
        images = read_images(f.read())
    missing = [w for w in WANTED if w not in images]
    if missing:
        sys.exit("the icon has no %s pixel image" % missing)
    with open(target, "wb") as f:
        f.write(write_icon([images[w] for w in WANTED]))


main()
