"""Helpers shared by the interop checks: manifests, the external readers, skipping."""

import hashlib
import os
import re
import shutil
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor

SKIP = 77  # CTest's SKIP_RETURN_CODE for these tests


def require_readers():
    """Exits with the skip code when olefile or gsf is not installed."""
    try:
        import olefile  # noqa: F401
    except ImportError:
        print("SKIP: python3-olefile is not installed for %s" % sys.executable)
        sys.exit(SKIP)
    if shutil.which("gsf") is None:
        print("SKIP: gsf (libgsf-bin) is not installed")
        sys.exit(SKIP)


def sha256(data):
    return hashlib.sha256(data).hexdigest()


class Expected:
    def __init__(self, kind, size, digest):
        self.kind = kind  # "storage" or "stream"
        self.size = size
        self.digest = digest


def read_manifest(path):
    """{path: Expected} from a manifest written by cfb_samples."""
    entries = {}
    with open(path, "rb") as f:
        for line in f.read().decode("utf-8").split("\n"):
            if line:
                name, kind, size, digest = line.split("\t")
                entries[name] = Expected(kind, int(size), digest)
    return entries


GSF_LINE = re.compile(r"^([df])\s+(?:\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\s+)?(\d+) (.*)$")


def gsf_list(path):
    """{path: (kind, size)} as `gsf list` shows them, without the root line."""
    out = subprocess.run(["gsf", "list", path], capture_output=True, check=False).stdout.decode("utf-8")
    listed = {}
    for line in out.split("\n")[1:]:
        match = GSF_LINE.match(line)
        if match and match.group(3) != "*root*":
            listed[match.group(3)] = ("storage" if match.group(1) == "d" else "stream", int(match.group(2)))
    return listed


def gsf_view(kinds):
    """{path: (kind, size)} as `gsf list` should show `kinds` ({path: (kind, size)}).

    gsf lists a storage without children as a stream of size 0, for its own files too.
    """
    parents = {path.rpartition("/")[0] for path in kinds}
    return {path: ("stream", 0) if kind == "storage" and path not in parents else (kind, size)
            for path, (kind, size) in kinds.items()}


def gsf_cat(path, member):
    return subprocess.run(["gsf", "cat", path, member], capture_output=True, check=False).stdout


def parallel_map(function, items, workers=4):
    with ThreadPoolExecutor(max_workers=workers) as pool:
        return list(pool.map(function, items))


class Report:
    """Collects failures so that one run shows all of them."""

    def __init__(self, title):
        self.title = title
        self.failures = []

    def fail(self, message):
        self.failures.append(message)

    def check(self, condition, message):
        if not condition:
            self.fail(message)
        return condition

    def finish(self):
        for message in self.failures[:60]:
            print("FAIL %s: %s" % (self.title, message))
        if len(self.failures) > 60:
            print("FAIL %s: ... and %d more" % (self.title, len(self.failures) - 60))
        if not self.failures:
            print("ok %s" % self.title)
        return 1 if self.failures else 0


def run(args, stdin=None):
    """Runs a program; returns (exit code, stdout bytes, stderr text)."""
    done = subprocess.run(args, input=stdin, capture_output=True, check=False)
    return done.returncode, done.stdout, done.stderr.decode("utf-8", "replace")


def here(*parts):
    return os.path.join(os.path.dirname(os.path.abspath(__file__)), *parts)
