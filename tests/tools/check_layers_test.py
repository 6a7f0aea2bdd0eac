#!/usr/bin/python3
"""tools/check-layers on small made-up trees: a downward include passes; an upward one, a
sideways one and a file in no layer fail, each named with its line."""

import os
import subprocess
import sys
import tempfile

CHECK = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "check-layers")


def run(files):
    with tempfile.TemporaryDirectory() as root:
        for path, text in files.items():
            os.makedirs(os.path.join(root, os.path.dirname(path)), exist_ok=True)
            with open(os.path.join(root, path), "w", encoding="utf-8") as out:
                out.write(text)
        done = subprocess.run([sys.executable, CHECK, root], capture_output=True, text=True)
        return done.returncode, done.stderr


BASE = {"platform/storage/CompoundFile.h": "#pragma once\n", "book/NodeIndex.h": "#pragma once\n",
        "tree/ChapterOperations.h": '#include "book/NodeIndex.h"\n'}
CASES = [
    ("downward", {}, 0, None),
    ("upward", {"book/BookStorage.h": '#pragma once\n#include <string>\n#include "tree/ChapterOperations.h"\n'},
     1, "book/BookStorage.h:3: book includes tree/ChapterOperations.h (tree)"),
    ("sideways", {"stub/Reader.cpp": '#include "tree/ChapterOperations.h"\n'},
     1, "stub/Reader.cpp:1: stub includes tree/ChapterOperations.h"),
    ("beside the includer", {"tree/widgets/View.cpp": '#include "../ChapterOperations.h"\n',
                             "book/Doc.cpp": '#include "../tree/ChapterOperations.h"\n'},
     1, "book/Doc.cpp:1: book includes tree/ChapterOperations.h"),
    ("no layer", {"platform/newthing/Thing.h": "#pragma once\n"}, 1, "platform/newthing/Thing.h: in no layer"),
]

failures = 0
for name, extra, want_code, want_text in CASES:
    code, text = run({**BASE, **extra})
    if code != want_code or (want_text and want_text not in text):
        failures += 1
        print(f"{name}: exit {code}, wanted {want_code}; said:\n{text}")
    if want_text and text.count("\n  ") != 1:
        failures += 1
        print(f"{name}: wanted exactly one problem; said:\n{text}")
print("check-layers test:", "failed" if failures else "passed")
sys.exit(1 if failures else 0)
