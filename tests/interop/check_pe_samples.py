"""The resource rewriter's test executables read by pefile.

pe_samples writes each layout as built and after an icon change. pefile must parse
every file without structural warnings, find the resources the rewriter wrote
(icon images 1 and 2, the named group, a data resource), keep the 300-byte overlay
as the file's tail, and compute the rewritten file's CheckSum as the rewriter did.

Usage: check_pe_samples.py SAMPLES_DIR
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from pe_checks import check, import_pefile, read, require, resources  # noqa: E402


def structural(warnings):
    # The samples are a few hundred bytes of headers in zero padding; pefile's byte
    # statistics heuristic says so, which is about content, not structure.
    return [w for w in warnings if "makes up" not in w]


def main():
    require(len(sys.argv) == 2, "usage: check_pe_samples.py SAMPLES_DIR")
    pefile = import_pefile()
    directory = sys.argv[1]
    for name in ("pe32plus", "pe32"):
        for stage in ("built", "rewritten"):
            path = os.path.join(directory, "%s-%s.exe" % (name, stage))
            pe = pefile.PE(path)
            check(not structural(pe.get_warnings()), "%s: %s" % (path, pe.get_warnings()))
            check(pe.PE_TYPE == (pefile.OPTIONAL_HEADER_MAGIC_PE_PLUS if name == "pe32plus"
                                 else pefile.OPTIONAL_HEADER_MAGIC_PE), "%s: wrong magic" % path)
            data = read(path)
            check(pe.get_overlay() == b"\x7e" * 300 and data.endswith(b"\x7e" * 300), "%s: overlay lost" % path)
            found = resources(pe)
            check(found.get((10, 1)) == [b"\x09" * 60], "%s: data resource changed" % path)
            check((14, "MAINICON") in found, "%s: the named group is gone" % path)
            if stage == "rewritten":
                check(found.get((3, 1)) == [b"\x21" * 744] and found.get((3, 2)) == [b"\x42" * 2216],
                      "%s: icon images are not the .ico's" % path)
                group = found[(14, "MAINICON")][0]
                check(len(group) == 6 + 14 * 2, "%s: group of %d bytes" % (path, len(group)))
                check(pe.OPTIONAL_HEADER.CheckSum == pe.generate_checksum(),
                      "%s: CheckSum %#x, pefile computes %#x" % (path, pe.OPTIONAL_HEADER.CheckSum,
                                                                  pe.generate_checksum()))
                check(pe.OPTIONAL_HEADER.DATA_DIRECTORY[5].VirtualAddress > 0, "%s: relocations lost" % path)
            pe.close()
            print("%s: ok" % os.path.basename(path))
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except AssertionError as failure:
        print("FAIL: %s" % failure)
        sys.exit(1)
