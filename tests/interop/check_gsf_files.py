"""Files written by `gsf createole` must read identically through cfb.

Usage: check_gsf_files.py CFB_BINARY WORK_DIR

Packs a folder tree (empty files, the mini-stream boundaries, a few MB, nested folders,
and a 9 MB file so that the FAT needs a DIFAT sector) with gsf, then compares `cfb ls`
with the tree and `cfb cat` of every stream with the file's bytes.
"""

import os
import random
import re
import shutil
import subprocess
import sys

import interop_common as common

common.require_readers()

SIZES = {
    "empty": 0, "one": 1, "mini_63": 63, "mini_64": 64, "mini_4095": 4095, "big_4096": 4096,
    "big_4097": 4097, "three_mb": 3 * 1024 * 1024 + 17,
    "a/b/c/deep": 777, "a/b/c/deep_big": 70000, "a/b/empty": 0, "a/sibling": 5,
    "nine_mb": 9 * 1000 * 1000,
    "新建文本": 321, "Chapter 1": 4100,
    "\x05SummaryInformation": 200,  # property sets use such names
    "\x01Ole/\x01CompObj": 90,  # and embedded objects
}


def make_tree(root):
    rng = random.Random(20240423)
    shutil.rmtree(root, ignore_errors=True)
    os.makedirs(os.path.join(root, "empty_dir"))
    expected = {"empty_dir": ("storage", 0, None)}
    for name, size in SIZES.items():
        path = os.path.join(root, *name.split("/"))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        data = rng.randbytes(size)
        with open(path, "wb") as f:
            f.write(data)
        expected[name] = ("stream", size, data)
        parts = name.split("/")
        for depth in range(1, len(parts)):
            expected["/".join(parts[:depth])] = ("storage", 0, None)
    return expected


def escape(path):
    """A path as cfb takes it: control characters written as \\xHH."""
    return "".join("\\x%02X" % ord(c) if ord(c) < 0x20 else c for c in path)


def unescape(path):
    return re.sub(r"\\x([0-9A-F]{2})", lambda m: chr(int(m.group(1), 16)), path)


def parse_ls(text, report):
    listed = {}
    for line in text.split("\n"):
        if not line:
            continue
        kind, rest = line[0], line[2:]
        size, sep, path = rest.lstrip(" ").partition("  ")
        if not report.check(kind in "df" and line[1] == " " and len(rest) >= 12 and sep and size.isdigit(),
                            "cfb ls line in an unexpected format: %r" % line):
            continue
        listed[unescape(path)] = ("storage" if kind == "d" else "stream", int(size))
    return listed


def main(cfb, work):
    report = common.Report("gsf files read by cfb")
    tree = os.path.join(work, "book")
    expected = {"book/" + name: value for name, value in make_tree(tree).items()}
    expected["book"] = ("storage", 0, None)
    target = os.path.join(work, "gsf_made.cfb")
    if os.path.exists(target):
        os.remove(target)
    subprocess.run(["gsf", "createole", target, tree], capture_output=True, check=False)
    if not report.check(os.path.exists(target), "gsf createole wrote nothing"):
        return report.finish()

    code, out, err = common.run([cfb, "ls", target])
    report.check(code == 0 and not err, "cfb ls: exit %d, %s" % (code, err.strip()))
    listed = parse_ls(out.decode("utf-8"), report)
    for name in sorted(set(expected) | set(listed)):
        want = expected.get(name)
        report.check(want is not None and listed.get(name) == want[:2],
                     "cfb ls: %r is %s, expected %s" % (name, listed.get(name), want and want[:2]))

    streams = [name for name, value in expected.items() if value[0] == "stream"]
    results = common.parallel_map(lambda name: common.run([cfb, "cat", target, escape(name)]), streams)
    for name, (code, out, err) in zip(streams, results):
        data = expected[name][2]
        report.check(code == 0 and out == data,
                     "cfb cat %r: exit %d, %d bytes of %d, equal=%s %s" % (
                         name, code, len(out), len(data), out == data, err.strip()))
    return report.finish()


if __name__ == "__main__":
    if len(sys.argv) != 3:
        print(__doc__)
        sys.exit(2)
    os.makedirs(sys.argv[2], exist_ok=True)
    sys.exit(main(sys.argv[1], sys.argv[2]))
