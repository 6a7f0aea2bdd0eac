#!/usr/bin/python3
"""Checks the shipped bitmap strips, the application icon and the resource list.

Usage: check_strips.py [resources-dir]. Reads the files with struct only (no PIL), the way
the toolbar loaders see them: 24-bit bottom-up BMPs keyed by their first stored pixel.
"""
import os
import struct
import sys
import xml.etree.ElementTree as ET

KEY = (255, 0, 255)

# resource number: (image width, image height, image count, normal strip it greys, or None)
STRIPS = {
    191: (32, 32, 12, None), 190: (32, 32, 12, 191),
    219: (16, 16, 20, None), 218: (16, 16, 20, 219),
    209: (16, 16, 4, None), 211: (16, 16, 4, 209),
    157: (16, 16, 4, None), 224: (16, 16, 4, None),
    229: (16, 16, 15, None), 228: (16, 16, 15, 229),
    221: (16, 16, 4, None), 222: (16, 16, 4, 221),
    173: (16, 16, 10, None),
    226: (16, 16, 3, None), 234: (16, 16, 4, None), 244: (16, 16, 3, None),
}
ICON_SIZES = {16, 32, 48, 256}


class Bitmap:
    def __init__(self, width, height, rows):
        self.width, self.height, self.rows = width, height, rows  # rows[0] is the top row

    def pixel(self, x, y):
        return self.rows[y][x]


def parse_bmp(data):
    """Returns a Bitmap, or raises ValueError naming what is wrong."""
    if len(data) < 54 or data[:2] != b"BM":
        raise ValueError("not a BMP (no 'BM' and 54-byte headers)")
    file_size, _, _, offset = struct.unpack_from("<IHHI", data, 2)
    if file_size != len(data):
        raise ValueError(f"header says {file_size} bytes, file has {len(data)}")
    info_size, width, height, planes, bpp, compression = struct.unpack_from("<IiiHHI", data, 14)
    if info_size < 40 or planes != 1:
        raise ValueError(f"unexpected info header (size {info_size}, planes {planes})")
    if bpp != 24 or compression != 0:
        raise ValueError(f"not plain 24-bit (bits {bpp}, compression {compression})")
    if width <= 0 or height <= 0:
        raise ValueError(f"not a bottom-up bitmap of positive size ({width} x {height})")
    stride = (width * 3 + 3) & ~3
    if offset < 14 + info_size or offset + stride * height > len(data):
        raise ValueError("pixel data lies outside the file")
    rows = []
    for stored in range(height):
        start = offset + stored * stride
        line = data[start:start + width * 3]
        rows.append([(line[i + 2], line[i + 1], line[i]) for i in range(0, width * 3, 3)])
    rows.reverse()
    return Bitmap(width, height, rows)


def first_stored_pixel(data):
    offset = struct.unpack_from("<I", data, 10)[0]
    b, g, r = data[offset:offset + 3]
    return (r, g, b)


def check_strip(number, folder, loaded):
    width, height, count, greys = STRIPS[number]
    path = os.path.join(folder, f"{number}.bmp")
    if not os.path.isfile(path):
        return [f"{number}.bmp is missing"]
    with open(path, "rb") as f:
        data = f.read()
    try:
        bmp = parse_bmp(data)
    except ValueError as e:
        return [f"{number}.bmp: {e}"]
    loaded[number] = bmp
    errors = []
    if bmp.width % width or bmp.width // width != count or bmp.height != height:
        errors.append(f"{number}.bmp is {bmp.width} x {bmp.height}, "
                      f"wants {count} images of {width} x {height}")
        return errors
    if first_stored_pixel(data) != KEY:
        errors.append(f"{number}.bmp: first stored pixel is {first_stored_pixel(data)}, not the key")
    for i in range(count):
        if all(bmp.pixel(x, y) == KEY for y in range(height) for x in range(i * width, (i + 1) * width)):
            errors.append(f"{number}.bmp: image {i} is empty")
    return errors


def check_disabled(number, loaded):
    """A disabled strip is a grey copy of its normal strip: same shapes, no colour."""
    greys = STRIPS[number][3]
    if greys is None or number not in loaded or greys not in loaded:
        return []
    grey, normal = loaded[number], loaded[greys]
    if (grey.width, grey.height) != (normal.width, normal.height):
        return [f"{number}.bmp and {greys}.bmp differ in size"]
    for y in range(grey.height):
        for x in range(grey.width):
            g, n = grey.pixel(x, y), normal.pixel(x, y)
            if (g == KEY) != (n == KEY):
                return [f"{number}.bmp: shape differs from {greys}.bmp at ({x}, {y})"]
            if g != KEY and not g[0] == g[1] == g[2]:
                return [f"{number}.bmp: coloured pixel {g} at ({x}, {y})"]
    return []


def check_icon(folder):
    path = os.path.join(folder, "pagewright.ico")
    if not os.path.isfile(path):
        return ["pagewright.ico is missing"]
    with open(path, "rb") as f:
        data = f.read()
    if len(data) < 6:
        return ["pagewright.ico: shorter than its header"]
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if reserved != 0 or kind != 1 or count == 0 or len(data) < 6 + 16 * count:
        return [f"pagewright.ico: bad header (reserved {reserved}, type {kind}, count {count})"]
    errors, sizes = [], set()
    for i in range(count):
        w, h, _, _, _, _, length, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        size = w or 256
        sizes.add(size)
        if offset + length > len(data) or length < 40:
            errors.append(f"pagewright.ico: image {i} lies outside the file")
            continue
        blob = data[offset:offset + length]
        if blob[:8] == b"\x89PNG\r\n\x1a\n":
            continue
        bw, bh = struct.unpack_from("<ii", blob, 4)
        if (bw, bh) != (size, 2 * size) or h != w:
            errors.append(f"pagewright.ico: image {i} header says {bw} x {bh}, entry says {size}")
    if not ICON_SIZES <= sizes:
        errors.append(f"pagewright.ico: sizes {sorted(sizes)}, wants {sorted(ICON_SIZES)}")
    return errors


def check_resource_list(folder):
    path = os.path.join(folder, "resources.qrc")
    try:
        root = ET.parse(path).getroot()
    except (OSError, ET.ParseError) as e:
        return [f"resources.qrc: {e}"]
    aliases = {}
    for entry in root.iter("file"):
        aliases[entry.get("alias") or entry.text] = entry.text
    errors = []
    wanted = {f"bitmaps/{n}.bmp": f"{n}.bmp" for n in STRIPS}
    wanted.update({"icons/128.ico": "pagewright.ico", "icons/pagewright.png": "pagewright.png"})
    for alias, name in wanted.items():
        if aliases.get(alias) != name:
            errors.append(f"resources.qrc: alias {alias} should name {name}, names {aliases.get(alias)}")
    for alias, name in aliases.items():
        if not os.path.isfile(os.path.join(folder, name or "")):
            errors.append(f"resources.qrc: {alias} names missing file {name}")
    return errors


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "..", "resources")
    loaded, errors = {}, []
    for number in STRIPS:
        errors += check_strip(number, folder, loaded)
    for number in STRIPS:
        errors += check_disabled(number, loaded)
    errors += check_icon(folder)
    errors += check_resource_list(folder)
    for e in errors:
        print("FAIL", e)
    print(f"{len(STRIPS)} strips, icon and resource list checked: {len(errors)} problem(s)")
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
