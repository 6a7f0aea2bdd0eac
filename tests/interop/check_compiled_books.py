"""A book compiled by pgw over a Windows stub, read by independent tools.

For icons of 1, 2 and 4 images: pefile loads the output without warnings, the
rewritten stub's CheckSum is the one pefile computes, and the overlay after the
stub is exactly block + book + trailer; wrestool lists the new icon images and one
group per group of the stub, and its raw icon 1 is the .ico's first image; the
stub's third icon image is gone unless the new icon has one; objdump reads the
resource tree. The stub is the real reader when it was built, else a small
MinGW program made here with three icon images, two groups and other resources.

Usage: check_compiled_books.py PGW WORK_DIR [REAL_STUB]
"""

import os
import re
import shutil
import struct
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from pe_checks import (check, ico, icon_images, import_pefile, noise, objdump, read, require,  # noqa: E402
                       resources, run, work_dir, write)

RT_ICON, RT_GROUP_ICON = 3, 14
STUB_RC = """\
1 ICON "three.ico"
MAINICON ICON "one.ico"
100 RCDATA { "kept resource" }
STRINGTABLE { 1, "kept string" }
"""


def build_test_stub(work):
    """A PE32+ program with icon images 1..4, groups 1 and MAINICON, and other resources."""
    gcc, windres = shutil.which("x86_64-w64-mingw32-gcc"), shutil.which("x86_64-w64-mingw32-windres")
    require(gcc and windres, "neither the reader stub nor MinGW-w64 (gcc, windres) is available")
    write(os.path.join(work, "three.ico"), ico(icon_images(3, 0x30)))
    write(os.path.join(work, "one.ico"), ico(icon_images(1, 0x60)))
    write(os.path.join(work, "stub.rc"), STUB_RC.encode())
    write(os.path.join(work, "stub.c"), b"int main(void) { return 0; }\n")
    run([windres, "-O", "coff", "-o", "stub.res.o", "stub.rc"], cwd=work)
    run([gcc, "-s", "-o", "core.exe", "stub.c", "stub.res.o"], cwd=work)
    return os.path.join(work, "core.exe")


def wrestool_list(path):
    out = run(["wrestool", "-l", path]).decode()
    entries = []
    for line in out.splitlines():
        kind = re.search(r"--type=(\d+)", line)
        name = re.search(r"--name=(?:'([^']*)'|(\S+))", line)
        if kind and name:
            entries.append((int(kind.group(1)), name.group(1) or name.group(2)))
    return entries


def check_output(pefile, exe, ico_images, stub_groups, stub_icons, pgw, work):
    data = read(exe)
    s = struct.unpack_from("<I", data, len(data) - 4)[0]
    pe = pefile.PE(exe)
    check(not pe.get_warnings(), "pefile warnings: %s" % pe.get_warnings())
    check(pe.get_overlay_data_start_offset() == s,
          "the overlay starts at %s, the block at %d" % (pe.get_overlay_data_start_offset(), s))
    pe.close()

    stub = pefile.PE(data=data[:s])
    check(not stub.get_warnings(), "pefile warnings on the stub part: %s" % stub.get_warnings())
    check(stub.OPTIONAL_HEADER.CheckSum == stub.generate_checksum(),
          "CheckSum %#x, pefile computes %#x" % (stub.OPTIONAL_HEADER.CheckSum, stub.generate_checksum()))
    found = resources(stub)
    for i, (_, _, image) in enumerate(ico_images, 1):
        check(found.get((RT_ICON, i)) == [image], "icon image %d is not the .ico's image %d" % (i, i))
    icons = sorted(name for kind, name in found if kind == RT_ICON)
    check(icons == list(range(1, len(ico_images) + 1)), "icon images %s" % icons)
    groups = sorted(str(name) for kind, name in found if kind == RT_GROUP_ICON)
    check(groups == stub_groups, "groups %s, the stub had %s" % (groups, stub_groups))

    # The overlay: block, book, trailer.
    overlay = data[s:]
    n = struct.unpack_from("<I", overlay, 8)[0]
    check(len(overlay) == 1544 + n + 4, "overlay of %d bytes for a book of %d" % (len(overlay), n))
    check(struct.unpack_from("<II", overlay, 0) == (s, s + 1544), "block offsets")
    check(struct.unpack_from("<I", overlay, 1540)[0] == 1, "icon flag")
    book = overlay[1544:1544 + n]
    check(book[:8] == b"\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1", "the book is no compound file")
    extracted = os.path.join(work, "extracted.pgw")
    if os.path.exists(extracted):
        os.remove(extracted)
    run([pgw, "extract", exe, extracted])
    check(read(extracted) == book, "pgw extract differs from the overlay's book")

    # wrestool, an independent resource reader.
    listed = wrestool_list(exe)
    listed_icons = sorted(int(name) for kind, name in listed if kind == RT_ICON)
    check(listed_icons == list(range(1, len(ico_images) + 1)), "wrestool lists icons %s" % listed_icons)
    listed_groups = sorted(name for kind, name in listed if kind == RT_GROUP_ICON)
    check(len(listed_groups) == len(stub_groups), "wrestool lists groups %s" % listed_groups)
    first = run(["wrestool", "-x", "--raw", "-t", "3", "-n", "1", exe])
    check(first == ico_images[0][2], "wrestool's raw icon 1 is not the .ico's first image")
    if 3 in stub_icons and len(ico_images) < 3:
        check((RT_ICON, "3") not in listed, "the stub's icon image 3 survived")

    # objdump walks the resource tree: the icon type's leaves are the new images.
    tool = objdump()
    if tool:
        dump = run([tool, "-p", exe]).decode("utf-8", "replace")
        check("corrupt" not in dump.lower() and "warning" not in dump.lower(), "objdump complains:\n" + dump)
        leaves = objdump_leaf_sizes(dump)
        check(leaves.get(RT_ICON) == [len(image) for _, _, image in ico_images],
              "objdump's icon leaves %s" % leaves.get(RT_ICON))
        check(len(leaves.get(RT_GROUP_ICON, [])) == len(stub_groups), "objdump's group leaves")


def objdump_leaf_sizes(dump):
    """{type id: [leaf sizes in order]} from objdump -p's resource section listing."""
    section = dump.split("Resource Directory section:", 1)
    check(len(section) == 2, "objdump shows no resource directory")
    sizes, current = {}, None
    for line in section[1].splitlines():
        top = re.match(r"^\S+   Entry: ID: 0x([0-9a-f]+),", line)
        if top:
            current = int(top.group(1), 16)
        leaf = re.search(r"Leaf: Addr: 0x[0-9a-f]+, Size: 0x([0-9a-f]+)", line)
        if leaf and current is not None:
            sizes.setdefault(current, []).append(int(leaf.group(1), 16))
        if "Resources start at offset" in line:
            break
    return sizes


def main():
    require(len(sys.argv) >= 3, "usage: check_compiled_books.py PGW WORK_DIR [REAL_STUB]")
    pefile = import_pefile()
    require(shutil.which("wrestool"), "wrestool (icoutils) is not installed")
    pgw, work = sys.argv[1], work_dir(sys.argv[2])
    real = sys.argv[3] if len(sys.argv) > 3 else ""
    stub = real if real and os.path.isfile(real) else build_test_stub(work)
    print("stub: " + stub)
    original = resources(pefile.PE(stub))
    # Every group of the stub is rewritten; a stub without one gets group 1.
    stub_groups = sorted(str(name) for kind, name in original if kind == RT_GROUP_ICON) or ["1"]
    stub_icons = sorted(name for kind, name in original if kind == RT_ICON)

    book = os.path.join(work, "book.pgw")
    run([pgw, "new", book])
    # Text in the book, so that zero bytes do not dominate the output.
    page = os.path.join(work, "page.txt")
    words = ["".join(chr(97 + b % 26) for b in noise(3 + i % 7, i)) for i in range(400)]
    write(page, "\n".join(" ".join(words[(i * 7 + k) % 400] for k in range(12)) for i in range(300)).encode())
    run([pgw, "set-text", book, "新建文本", page])
    for count in (1, 2, 4):
        images = icon_images(count, 0x90 + 8 * count)
        icon = os.path.join(work, "icon%d.ico" % count)
        write(icon, ico(images))
        exe = os.path.join(work, "book%d.exe" % count)
        run([pgw, "compile", book, exe, "--stub", stub, "--icon", icon, "--author", "interop"])
        check_output(pefile, exe, images, stub_groups, stub_icons, pgw, work)
        print("%d image(s): ok" % count)
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except AssertionError as failure:
        print("FAIL: %s" % failure)
        sys.exit(1)
