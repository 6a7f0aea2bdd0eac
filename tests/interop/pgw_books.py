"""Books edited by pgw, read back by olefile.

Usage: pgw_books.py PGW_BINARY WORK_DIR

pgw makes a book and edits it through a seeded sequence of adds, renames and deletes
(Chinese names, nested directories, names the rules refuse). After every step:
- the chapter tree pgw shows must be the model's;
- a refused step must leave the file byte for byte as it was;
- olefile must open the file without finding a defect;
- the "NodeInfo" table olefile reads must agree with `pgw dump` record for record, and
  the elements olefile lists must be the ones dump lists, with the same sizes;
- the table must describe the file: every chapter's element lies in its parent's
  storage, a directory as a storage and a page as a stream, and the header counters
  count what is there;
- nothing but the book may be left in the folder (no working copy).
"""

import json
import os
import random
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

TITLE = "测试书"
NAMES = ["序言", "附录A", "图片集", "Chapter 1", "插图·一", "后记", "引号\"名", "α与Ω"] + ["第%d章" % n for n in range(40)]
REFUSED_NAMES = ["emoji😀", "长" * 50, "NodeInfo"]
STEPS = 100
KINDS = {"dir": (1, 0), "text": (2, 1), "picture": (2, 2)}


COUNTS = {"add": 0, "rename": 0, "delete": 0, "refused": 0}


class Failed(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failed(message)


def run(pgw, *args):
    done = subprocess.run([pgw] + list(args), capture_output=True, check=False)
    return done.returncode, done.stdout.decode("utf-8"), done.stderr.decode("utf-8", "replace")


class Model:
    """The chapter tree as it must be: name -> [kind word, parent, children]."""

    def __init__(self):
        self.nodes = {TITLE: ["dir", None, ["新建文本"]], "新建文本": ["text", TITLE, []]}

    def directories(self):
        return [name for name, node in self.nodes.items() if node[0] == "dir"]

    def add(self, parent, name, kind):
        self.nodes[name] = [kind, parent, []]
        self.nodes[parent][2].append(name)

    def rename(self, old, new):
        node = self.nodes.pop(old)
        self.nodes[new] = node
        siblings = self.nodes[node[1]][2]
        siblings[siblings.index(old)] = new
        for child in node[2]:
            self.nodes[child][1] = new

    def delete(self, name):
        doomed = [name]
        for gone in doomed:
            doomed.extend(self.nodes[gone][2])
        self.nodes[self.nodes[name][1]][2].remove(name)
        for gone in doomed:
            del self.nodes[gone]

    def tree_text(self):
        lines = []

        def walk(name, depth):
            lines.append("  " * depth + name + "\t" + self.nodes[name][0])
            for child in self.nodes[name][2]:
                walk(child, depth + 1)

        walk(TITLE, 0)
        return "\n".join(lines) + "\n"


def read_table(ole):
    data = ole.openstream("NodeInfo").read()
    count, storages, streams = struct.unpack_from("<Iii", data, 0)
    check(len(data) >= 12 + 512 * count, "NodeInfo holds fewer records than its header counts")
    records = []
    for i in range(count):
        at = 12 + 512 * i

        def text(offset, width):
            raw = data[at + offset:at + offset + width].split(b"\0", 1)[0]
            return raw.decode("gbk")

        records.append({"name": text(108, 100), "parent": text(8, 100), "element": text(208, 20),
                        "objKind": struct.unpack_from("<I", data, at + 228)[0],
                        "nodeType": struct.unpack_from("<i", data, at + 232)[0],
                        "bookmark": struct.unpack_from("<I", data, at + 252)[0] != 0})
    return (count, storages, streams), records


def ole_elements(ole):
    found = {}
    for path in ole.listdir(streams=True, storages=True):
        kind = ole.get_type(path)
        is_stream = kind == olefile.STGTY_STREAM
        found["/".join(path)] = ("stream" if is_stream else "storage", ole.get_size(path) if is_stream else 0)
    return found


def dump_elements(elements, prefix=""):
    found = {}
    for element in elements:
        path = prefix + element["name"]
        found[path] = (element["kind"], element["size"])
        found.update(dump_elements(element.get("children", []), path + "/"))
    return found


def check_structure(header, records, elements):
    by_name = {record["name"]: record for record in records}
    check(len(by_name) == len(records), "duplicate names in the table")
    check(records[0]["parent"] == "NULL" and records[0]["objKind"] == 1, "the table does not start with the root")
    seen = {records[0]["name"]}
    directories = pages = 0
    for record in records[1:]:
        check(record["parent"] in seen, "%s comes before its parent" % record["name"])
        path, up = [record["element"]], by_name[record["parent"]]
        while up["parent"] != "NULL":
            path.insert(0, up["element"])
            up = by_name[up["parent"]]
        kind = elements.get("/".join(path), (None,))[0]
        check(kind == ("storage" if record["objKind"] == 1 else "stream"),
              "%s: no %s at %s" % (record["name"], "storage" if record["objKind"] == 1 else "stream", "/".join(path)))
        directories += record["objKind"] == 1
        pages += record["objKind"] == 2
        seen.add(record["name"])
    check(len(elements) == len(records) - 1 + 2, "the file holds elements no record names")
    check(header == (len(records), directories + 1, pages + 3), "header %s for %d directories and %d pages" % (
        header, directories, pages))


def check_book(pgw, book, model):
    code, out, err = run(pgw, "tree", book)
    check(code == 0 and out == model.tree_text(), "tree:\n%s\nexpected:\n%s%s" % (out, model.tree_text(), err))
    check(olefile.isOleFile(book), "olefile does not take it for a compound file")
    with olefile.OleFileIO(book, raise_defects=olefile.DEFECT_INCORRECT) as ole:
        header, records = read_table(ole)
        elements = ole_elements(ole)
    code, out, err = run(pgw, "dump", book)
    check(code == 0 and err == "", "dump: exit %d %s" % (code, err))
    dump = json.loads(out)
    check((dump["recordCount"], dump["storageCount"], dump["streamCount"]) == header, "dump header differs")
    check(dump["records"] == records, "dump records differ:\n%s\n%s" % (dump["records"], records))
    check(dump_elements(dump["elements"]) == elements, "dump elements differ:\n%s\n%s" % (
        dump_elements(dump["elements"]), elements))
    check_structure(header, records, elements)
    leftovers = sorted(set(os.listdir(os.path.dirname(book))) - {os.path.basename(book)})
    check(not leftovers, "left beside the book: %s" % leftovers)


def expect_refused(pgw, book, args):
    with open(book, "rb") as f:
        before = f.read()
    code, out, err = run(pgw, *args)
    with open(book, "rb") as f:
        check(f.read() == before, "%s changed the book" % (args,))
    check(code == 1 and out == "" and err.startswith("pgw: "), "%s: exit %d, %r %r" % (args, code, out, err))
    COUNTS["refused"] += 1


def step_add(pgw, book, model, rng):
    parent = rng.choice(model.directories())
    kind = rng.choice(list(KINDS))
    name = rng.choice(NAMES + REFUSED_NAMES + [None, None])
    args = ["add", book, parent, kind] + ([name] if name is not None else [])
    if name is not None and (name in model.nodes or name in REFUSED_NAMES):
        return expect_refused(pgw, book, args)
    code, out, err = run(pgw, *args)
    check(code == 0 and err == "", "%s: exit %d %s" % (args, code, err))
    added = out.rstrip("\n")
    check(name is None or added == name, "added %r for %r" % (added, name))
    model.add(parent, added, kind)
    COUNTS["add"] += 1


def step_rename(pgw, book, model, rng):
    old = rng.choice(sorted(set(model.nodes) - {TITLE}))
    new = rng.choice(NAMES + REFUSED_NAMES + ["改" + old[-3:]])
    args = ["rename", book, old, new]
    if new == old:
        return
    if new in model.nodes or new in REFUSED_NAMES:
        return expect_refused(pgw, book, args)
    code, out, err = run(pgw, *args)
    check(code == 0 and out == "" and err == "", "%s: exit %d %s" % (args, code, err))
    model.rename(old, new)
    COUNTS["rename"] += 1


def step_delete(pgw, book, model, rng):
    candidates = sorted(set(model.nodes) - {TITLE})
    if not candidates:
        return
    name = rng.choice(candidates)
    code, out, err = run(pgw, "delete", book, name)
    check(code == 0 and out == "" and err == "", "delete %s: exit %d %s" % (name, code, err))
    model.delete(name)
    COUNTS["delete"] += 1


def main():
    pgw, work = sys.argv[1], sys.argv[2]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    book = os.path.join(work, TITLE + ".pgw")
    code, _, err = run(pgw, "new", book)
    if code != 0:
        print("FAIL pgw new: %s" % err)
        return 1
    model, rng = Model(), random.Random(20240607)
    try:
        check_book(pgw, book, model)
        for number in range(STEPS):
            action = rng.choices([step_add, step_rename, step_delete], weights=[6, 2, 1])[0]
            try:
                action(pgw, book, model, rng)
                check_book(pgw, book, model)
            except Failed as failure:
                raise Failed("step %d (%s): %s" % (number, action.__name__, failure))
    except Failed as failure:
        print("FAIL pgw books: %s" % failure)
        return 1
    print("ok pgw books: %d steps (%s), %d chapters at the end" % (
        STEPS, ", ".join("%d %s" % (n, what) for what, n in COUNTS.items()), len(model.nodes)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
