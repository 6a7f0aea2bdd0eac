"""Chapters moved by pgw, read back by olefile.

Usage: check_pgw_moves.py PGW_BINARY WORK_DIR

pgw makes a book with nested directories and text pages, then moves a page into
another directory and a directory with its subtree behind a page. After each move
olefile must find every page's stream, byte for byte as before the move, inside the
storage of the page's new parent (by the element names of the "NodeInfo" table), no
element left at the old place, and the element names unique in the whole file.
"""

import os
import shutil
import struct
import subprocess
import sys

SKIP = 77
try:
    import olefile
except ImportError:
    print("SKIP: python3-olefile is not installed for %s" % sys.executable)
    sys.exit(SKIP)


def run(pgw, *args):
    done = subprocess.run([pgw] + list(args), capture_output=True, check=False)
    if done.returncode != 0:
        sys.exit("pgw %s failed: %s" % (" ".join(args), done.stderr.decode("utf-8", "replace")))
    return done.stdout.decode("utf-8")


def read_table(ole):
    data = ole.openstream("NodeInfo").read()
    count = struct.unpack_from("<I", data, 0)[0]
    records = {}
    for i in range(count):
        at = 12 + 512 * i

        def text(offset, width):
            return data[at + offset:at + offset + width].split(b"\0", 1)[0].decode("gbk")

        records[text(108, 100)] = {"parent": text(8, 100), "element": text(208, 20),
                                   "kind": struct.unpack_from("<I", data, at + 228)[0]}
    return records


def element_path(records, name):
    """The path of a chapter's element from the file's root: its ancestors' elements."""
    parts = []
    while records[name]["parent"] != "NULL":
        parts.insert(0, records[name]["element"])
        name = records[name]["parent"]
    return parts


def page_streams(book):
    """Each page's stream bytes, found through the table; and checks on the file."""
    ole = olefile.OleFileIO(book)
    try:
        records = read_table(ole)
        pages = {}
        for name, record in records.items():
            path = element_path(records, name)
            if record["kind"] == 2:
                if not ole.exists("/".join(path)) or ole.get_type(path) != olefile.STGTY_STREAM:
                    sys.exit("%s: no stream at %s" % (name, "/".join(path)))
                pages[name] = ole.openstream(path).read()
            elif path and ole.get_type(path) != olefile.STGTY_STORAGE:
                sys.exit("%s: no storage at %s" % (name, "/".join(path)))
        elements = [p for p in ole.listdir(streams=True, storages=True) if p[-1] not in ("NodeInfo", "AboutInfo")]
        names = [p[-1] for p in elements]
        if len(names) != len(set(names)):
            sys.exit("element names repeat: %s" % sorted(names))
        if len(elements) != len(records) - 1:
            sys.exit("%d elements for %d chapters: something was left behind" % (len(elements), len(records) - 1))
        return records, pages
    finally:
        ole.close()


def main():
    pgw, work = sys.argv[1], sys.argv[2]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    book = os.path.join(work, "移动.pgw")
    run(pgw, "new", book)
    for parent, kind, name in [("移动", "dir", "第一部"), ("第一部", "text", "序"), ("第一部", "dir", "第一章"),
                               ("第一章", "text", "正文"), ("第一章", "text", "注释"), ("移动", "dir", "第二部"),
                               ("第二部", "text", "附录")]:
        run(pgw, "add", book, parent, kind, name)
    for page in ("序", "正文", "注释"):
        source = os.path.join(work, page + ".txt")
        with open(source, "w", encoding="utf-8") as out:
            out.write("text of %s, long enough to take more than one small block. " % page * 3)
        run(pgw, "set-text", book, page, source)
    _, before = page_streams(book)

    # A page into another directory, a directory with its page below it, a directory
    # with a directory to the top of the root.
    moves = [("正文", "附录", "第二部"), ("第一章", "附录", "第二部"), ("第二部", "移动", "移动")]
    for name, after, parent in moves:
        run(pgw, "move", book, name, after)
        records, pages = page_streams(book)
        if records[name]["parent"] != parent:
            sys.exit("%s: parent %s, expected %s" % (name, records[name]["parent"], parent))
        if pages != before:
            sys.exit("page content changed by moving %s" % name)
    print("moves checked: %d" % len(moves))


if __name__ == "__main__":
    main()
