"""The structural validator must notice each fault it claims to check.

Usage: validator_selftest.py SAMPLE_DIR

Takes valid samples written by cfb_samples, breaks one thing at a time (a header count,
a FAT mark, a link, a colour, a name...) and expects the validator to report it, while
the unbroken file must stay free of errors. A validator that passes everything would
otherwise look exactly like a library without faults.
"""

import os
import struct
import sys

from cfb_validate import ENDOFCHAIN, FREESECT, TYPE_STORAGE, TYPE_STREAM, TYPE_UNUSED, Validator, validate

FAILURES = []


class Sample:
    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        self.v = Validator(self.data).run()
        self.ss = self.v.sector_size

    def sector_offset(self, number):
        return (number + 1) * self.ss

    def fat_offset(self, index):
        per = self.ss // 4
        return self.sector_offset(self.v.fat_sectors[index // per]) + (index % per) * 4

    def entry_offset(self, index):
        per = self.ss // 128
        return self.sector_offset(self.v.dir_chain[index // per]) + (index % per) * 128

    def find(self, predicate):
        return next(e for e in self.v.entries if predicate(e))

    def patched(self, offset, fmt, value):
        data = bytearray(self.data)
        struct.pack_into(fmt, data, offset, value)
        return bytes(data)


def expect(name, data, fragment):
    errors, _ = validate(data)
    if not any(fragment in message for message in errors):
        FAILURES.append("%s: expected an error mentioning %r, got %s" % (name, fragment, errors[:3]))


def mutations(sample_dir):
    boundaries = Sample(os.path.join(sample_dir, "boundaries.cfb"))
    nested = Sample(os.path.join(sample_dir, "nested.cfb"))
    difat = Sample(os.path.join(sample_dir, "difat_110.cfb"))
    wide = Sample(os.path.join(sample_dir, "wide_1500.cfb"))
    for sample in (boundaries, nested, difat, wide):
        if sample.v.errors:
            FAILURES.append("a valid sample has errors: %s" % sample.v.errors[:3])
    b, ss = boundaries, boundaries.ss

    yield "minor version", b.patched(0x18, "<H", 0x33), "minor version"
    yield "directory sector count", b.patched(0x28, "<I", 1), "directory sector count"
    yield "DIFAT count", difat.patched(0x48, "<I", 2), "DIFAT sector count"
    yield "FAT count", difat.patched(0x2C, "<I", difat.v.fat_count - 1), "DIFAT"
    yield "partial sector", b.data + bytes(100), "whole"
    yield "FAT sector not marked", b.patched(b.fat_offset(b.v.fat_sectors[0]), "<I", FREESECT), "FATSECT"
    yield "DIFAT sector not marked", difat.patched(difat.fat_offset(difat.v.difat_sectors[0]), "<I", FREESECT), "DIFSECT"
    if b.v.sector_count < len(b.v.fat):
        yield "FAT past the end", b.patched(b.fat_offset(b.v.sector_count), "<I", ENDOFCHAIN), "past the end"
    if b.v.sector_count < len(b.v.fat):
        yield "orphan sector", orphan(b), "in no chain"

    empty = b.find(lambda e: e.type == TYPE_STREAM and e.size_low == 0)
    yield "empty stream start", b.patched(b.entry_offset(empty.index) + 0x74, "<I", 0), "ENDOFCHAIN"
    small = b.find(lambda e: e.type == TYPE_STREAM and 0 < e.size_low < 4096)
    big = b.find(lambda e: e.type == TYPE_STREAM and e.size_low > 4096)
    yield "stream time", b.patched(b.entry_offset(small.index) + 0x6C, "<Q", 1), "times set"
    yield "size high dword", b.patched(b.entry_offset(small.index) + 0x7C, "<I", 1), "high dword"
    yield "short chain", b.patched(b.entry_offset(big.index) + 0x78, "<I", big.size_low + ss), "chain of"
    other = b.find(lambda e: e.type == TYPE_STREAM and e.size_low >= 4096 and e.index != big.index)
    yield "cross-linked", b.patched(b.entry_offset(big.index) + 0x74, "<I", other.start), "already belongs"
    root_size = b.v.entries[0].size_low
    yield "root size", b.patched(b.entry_offset(0) + 0x78, "<I", root_size - 64), "mini"

    storage = nested.find(lambda e: e.type == TYPE_STORAGE)
    yield "storage start", nested.patched(nested.entry_offset(storage.index) + 0x74, "<I", ENDOFCHAIN), "storage with"
    unused = next((e for e in nested.v.entries if e.type == TYPE_UNUSED), None)
    if unused is not None:
        yield "unused entry", nested.patched(nested.entry_offset(unused.index) + 0x44, "<I", 0), "unused entry"

    top = wide.find(lambda e: e.type == TYPE_STORAGE)
    node = wide.v.entries[top.child]
    data = bytearray(wide.data)
    struct.pack_into("<II", data, wide.entry_offset(node.index) + 0x44, node.right, node.left)
    yield "siblings out of order", bytes(data), "not ordered"
    data = bytearray(wide.data)
    for e in wide.v.entries:
        if e.type != TYPE_UNUSED:
            data[wide.entry_offset(e.index) + 0x43] = 0
    yield "red under red", bytes(data), "red parent"
    yield "loop in tree", wide.patched(wide.entry_offset(node.index) + 0x44, "<I", top.child), "again"
    yield "child of a stream", b.patched(b.entry_offset(small.index) + 0x4C, "<I", other.index), "with a child"
    yield "duplicate name", rename(b, small, other), "not ordered"


def orphan(sample):
    """Marks a sector past the last used one as a one-sector chain nobody owns."""
    data = bytearray(sample.data) + bytes(sample.ss)
    struct.pack_into("<I", data, sample.fat_offset(sample.v.sector_count), ENDOFCHAIN)
    return bytes(data)


def rename(sample, entry, like):
    """Gives `entry` the name of `like`, a case-insensitive duplicate of it."""
    data = bytearray(sample.data)
    offset = sample.entry_offset(entry.index)
    data[offset:offset + 0x42] = sample.data[sample.entry_offset(like.index):sample.entry_offset(like.index) + 0x42]
    return bytes(data)


def main(sample_dir):
    for name, data, fragment in mutations(sample_dir):
        expect(name, data, fragment)
    for message in FAILURES:
        print("FAIL validator self-test: %s" % message)
    if not FAILURES:
        print("ok validator self-test")
    return 1 if FAILURES else 0


if __name__ == "__main__":
    if len(sys.argv) != 2:
        print(__doc__)
        sys.exit(2)
    sys.exit(main(sys.argv[1]))
