"""A file of ours, changed by olefile's write_stream, must read back with the new bytes.

Usage: check_olefile_write.py CFB_BINARY WORK_DIR

write_stream overwrites a stream in place with bytes of the same size, the one change
olefile can make. Streams in the mini stream and in regular sectors, at the 4096-byte
boundary and in nested storages are rewritten; cfb must then read the new bytes, and
a later `cfb put` on the same file must leave olefile's changes intact.
"""

import os
import random
import sys

import interop_common as common

common.require_readers()
import olefile  # noqa: E402

from cfb_validate import validate  # noqa: E402

SIZES = {"mini": 100, "tiny": 1, "dir/mini_edge": 4095, "exact": 4096, "big": 5000,
         "dir/deeper/big2": 20000, "dir/deeper/mini2": 640}


def put(cfb, target, name, data, report):
    code, _, err = common.run([cfb, "put", target, name, "-"], stdin=data)
    report.check(code == 0 and not err, "cfb put %s: exit %d %s" % (name, code, err.strip()))


def expect_contents(cfb, target, contents, report, when):
    for name, data in contents.items():
        code, out, err = common.run([cfb, "cat", target, name])
        report.check(code == 0 and out == data, "%s: cfb cat %s: exit %d, %d bytes, equal=%s %s" % (
            when, name, code, len(out), out == data, err.strip()))
    with open(target, "rb") as f:
        errors, _ = validate(f.read())
    for message in errors:
        report.fail("%s: validator: %s" % (when, message))


def main(cfb, work):
    report = common.Report("olefile write_stream read by cfb")
    rng = random.Random(7)
    target = os.path.join(work, "olefile_write.cfb")
    code, _, err = common.run([cfb, "new", "--force", target])
    if not report.check(code == 0, "cfb new: exit %d %s" % (code, err.strip())):
        return report.finish()
    contents = {name: rng.randbytes(size) for name, size in SIZES.items()}
    for name, data in contents.items():
        put(cfb, target, name, data, report)
    expect_contents(cfb, target, contents, report, "before olefile")

    try:
        with olefile.OleFileIO(target, write_mode=True, raise_defects=olefile.DEFECT_INCORRECT) as ole:
            for name in contents:
                contents[name] = rng.randbytes(len(contents[name]))
                ole.write_stream(name, contents[name])
    except Exception as fault:  # any olefile failure is a failure of the file we wrote
        report.fail("olefile write_stream: %r" % fault)
        return report.finish()
    expect_contents(cfb, target, contents, report, "after olefile")

    contents["added_after"] = rng.randbytes(3000)
    put(cfb, target, "added_after", contents["added_after"], report)
    contents["dir/mini_edge"] = rng.randbytes(5000)  # grows out of the mini stream
    put(cfb, target, "dir/mini_edge", contents["dir/mini_edge"], report)
    expect_contents(cfb, target, contents, report, "after cfb put")
    return report.finish()


if __name__ == "__main__":
    if len(sys.argv) != 3:
        print(__doc__)
        sys.exit(2)
    os.makedirs(sys.argv[2], exist_ok=True)
    sys.exit(main(sys.argv[1], sys.argv[2]))
