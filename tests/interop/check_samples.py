"""Checks one sample written by cfb_samples against readers we did not write.

Usage: check_samples.py SAMPLE_DIR NAME

For NAME.cfb with NAME.manifest: our structural validator; olefile at its strict level
(the element list must equal the manifest, every stream's bytes must match); `gsf list`
names, kinds and sizes; `gsf cat` bytes of every stream. Exit 0 when all agree,
1 on any difference, 77 when olefile or gsf is missing.
"""

import os
import sys

import interop_common as common

common.require_readers()
import olefile  # noqa: E402

from cfb_validate import validate  # noqa: E402


def check_structure(path, report):
    with open(path, "rb") as f:
        errors, warnings = validate(f.read())
    for message in errors:
        report.fail("validator: " + message)
    for message in warnings:
        print("warning %s: validator: %s" % (report.title, message))


def check_olefile(path, manifest, report):
    if not report.check(olefile.isOleFile(path), "olefile.isOleFile is false"):
        return
    try:
        ole = olefile.OleFileIO(path, raise_defects=olefile.DEFECT_INCORRECT)
    except Exception as fault:  # olefile raises several types; any is a failure here
        report.fail("olefile refuses the file: %r" % fault)
        return
    with ole:
        listed = {"/".join(parts): parts for parts in ole.listdir(streams=True, storages=True)}
        missing = sorted(set(manifest) - set(listed))
        extra = sorted(set(listed) - set(manifest))
        report.check(not missing, "olefile does not list %s" % missing[:10])
        report.check(not extra, "olefile lists unexpected %s" % extra[:10])
        for name, expected in manifest.items():
            if name not in listed:
                continue
            kind = ole.get_type(listed[name])
            want = olefile.STGTY_STORAGE if expected.kind == "storage" else olefile.STGTY_STREAM
            if not report.check(kind == want, "olefile: %s has type %s" % (name, kind)):
                continue
            if expected.kind == "stream":
                data = ole.openstream(listed[name]).read()
                report.check(len(data) == expected.size and common.sha256(data) == expected.digest,
                             "olefile: %s reads %d bytes that differ from the %d written" % (
                                 name, len(data), expected.size))


def check_gsf(path, manifest, report):
    listed = common.gsf_list(path)
    want = common.gsf_view({name: (e.kind, e.size) for name, e in manifest.items()})
    for name in sorted(set(want) | set(listed)):
        report.check(listed.get(name) == want.get(name),
                     "gsf list: %r is %s, expected %s" % (name, listed.get(name), want.get(name)))
    streams = [name for name, e in manifest.items() if e.kind == "stream"]
    contents = common.parallel_map(lambda name: common.gsf_cat(path, name), streams)
    for name, data in zip(streams, contents):
        expected = manifest[name]
        report.check(len(data) == expected.size and common.sha256(data) == expected.digest,
                     "gsf cat: %s gives %d bytes that differ from the %d written" % (name, len(data), expected.size))


def main(sample_dir, name):
    report = common.Report(name)
    path = os.path.join(sample_dir, name + ".cfb")
    manifest_path = os.path.join(sample_dir, name + ".manifest")
    if not os.path.exists(manifest_path):
        error_path = os.path.join(sample_dir, name + ".error")
        reason = open(error_path, "rb").read().decode("utf-8", "replace").strip() if os.path.exists(
            error_path) else "no manifest"
        report.fail("our library could not write this sample: %r" % reason)
        return report.finish()
    manifest = common.read_manifest(manifest_path)
    check_structure(path, report)
    check_olefile(path, manifest, report)
    check_gsf(path, manifest, report)
    return report.finish()


if __name__ == "__main__":
    if len(sys.argv) != 3:
        print(__doc__)
        sys.exit(2)
    sys.exit(main(sys.argv[1], sys.argv[2]))
