"""Many small edits through cfb, each one a full open-change-commit of the file.

Usage: check_cfb_edits.py CFB_BINARY WORK_DIR

A seeded sequence of `cfb put` and `cfb rm` runs against a model of what the file must
hold. After every edit the structural validator must find nothing; edits the tool must
refuse (a stream in place of a storage, a name below a stream) must fail and leave the
file byte for byte as it was. At the end olefile and gsf must read exactly the model.
"""

import os
import random
import sys

import interop_common as common

common.require_readers()
import olefile  # noqa: E402

from cfb_validate import validate  # noqa: E402

NAMES = ["a", "B", "chap", "第一章", "x_y", "Long name with spaces 31 units.", "z"]
SIZES = [0, 1, 63, 64, 65, 4095, 4096, 4097, 100, 3000, 9000, 70000]
STEPS = 160


class Model:
    def __init__(self):
        self.items = {}  # path -> bytes (stream) or None (storage)

    def kind(self, path):
        if path not in self.items:
            return None
        return "storage" if self.items[path] is None else "stream"

    def put(self, path, data):
        parts = path.split("/")
        for depth in range(1, len(parts)):
            self.items.setdefault("/".join(parts[:depth]), None)
        self.items[path] = data

    def remove(self, path):
        for key in [k for k in self.items if k == path or k.startswith(path + "/")]:
            del self.items[key]

    def blocked(self, path):
        """Why a put of `path` must be refused, or None."""
        parts = path.split("/")
        for depth in range(1, len(parts)):
            if self.kind("/".join(parts[:depth])) == "stream":
                return "parent is a stream"
        return "is a storage" if self.kind(path) == "storage" else None


def random_path(rng):
    return "/".join(rng.choice(NAMES) for _ in range(rng.choice([1, 1, 2, 2, 3])))


def step(cfb, target, model, rng, report, number):
    with open(target, "rb") as f:
        before = f.read()
    if model.items and rng.random() < 0.25:
        path = rng.choice(sorted(model.items))
        code, _, err = common.run([cfb, "rm", target, path])
        report.check(code == 0, "step %d: cfb rm %s: exit %d %s" % (number, path, code, err.strip()))
        model.remove(path)
    else:
        path = random_path(rng)
        data = rng.randbytes(rng.choice(SIZES))
        code, _, err = common.run([cfb, "put", target, path, "-"], stdin=data)
        reason = model.blocked(path)
        if reason:
            with open(target, "rb") as f:
                unchanged = f.read() == before
            report.check(code != 0 and err.startswith("cfb: ") and unchanged,
                         "step %d: cfb put %s (%s) gave exit %d, file unchanged=%s: %s" % (
                             number, path, reason, code, unchanged, err.strip()))
        else:
            report.check(code == 0, "step %d: cfb put %s: exit %d %s" % (number, path, code, err.strip()))
            model.put(path, data)
    with open(target, "rb") as f:
        errors, _ = validate(f.read())
    for message in errors[:5]:
        report.fail("step %d: validator: %s" % (number, message))
    return not errors


def compare_readers(target, model, report):
    with olefile.OleFileIO(target, raise_defects=olefile.DEFECT_INCORRECT) as ole:
        listed = {"/".join(p) for p in ole.listdir(streams=True, storages=True)}
        report.check(listed == set(model.items), "olefile lists %s, model has %s" % (
            sorted(listed ^ set(model.items))[:10], len(model.items)))
        for path, data in model.items.items():
            if data is not None and path in listed:
                report.check(ole.openstream(path).read() == data, "olefile: %s differs" % path)
    listed = common.gsf_list(target)
    want = common.gsf_view({p: ("storage", 0) if d is None else ("stream", len(d)) for p, d in model.items.items()})
    report.check(listed == want, "gsf list differs from the model: %s" % sorted(set(listed.items()) ^ set(want.items()))[:10])
    for path, data in model.items.items():
        if data is not None:
            report.check(common.gsf_cat(target, path) == data, "gsf cat: %s differs" % path)


def main(cfb, work):
    report = common.Report("cfb edit sequence")
    rng = random.Random(1234)
    target = os.path.join(work, "edits.cfb")
    code, _, err = common.run([cfb, "new", "--force", target])
    if not report.check(code == 0, "cfb new: exit %d %s" % (code, err.strip())):
        return report.finish()
    model = Model()
    for number in range(STEPS):
        if not step(cfb, target, model, rng, report, number):
            break  # later steps would only repeat the first structural fault
    if not report.failures:
        compare_readers(target, model, report)
    return report.finish()


if __name__ == "__main__":
    if len(sys.argv) != 3:
        print(__doc__)
        sys.exit(2)
    os.makedirs(sys.argv[2], exist_ok=True)
    sys.exit(main(sys.argv[1], sys.argv[2]))
