"""Shared by the rich-text interop checks: text normalisation, the external readers
(LibreOffice, unrtf), and pgw's set-text/get-text."""

import html
import os
import re
import shutil
import subprocess
import sys
import unicodedata

SKIP = 77  # CTest's SKIP_RETURN_CODE for these tests
HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "corpus")
EXPECTED = os.path.join(HERE, "expected")

# --- normalisation ----------------------------------------------------------------------------

# A list label at the start of a paragraph: a bullet sign, or "1." / "a." / "iv)" style
# numbers, followed by white space. LibreOffice writes the labels of its lists into the text,
# and so does pandoc's RTF (as literal text); a rich edit bullet is a paragraph format with no
# text. The label is presentation, so it is removed from every side before comparing.
# U+F0B7 is the Symbol font's bullet as a rich edit control reads it.
LIST_LABEL = re.compile(r"^[ \t\u00a0\u2006]*(?:[\u2022\u25e6\u25aa\u25cf\u25cb\u25a0\u2023\u00b7\uf0b7\u2013]"
                        r"|(?:[0-9]{1,3}|[a-z]|[ivx]{1,4})[.)])[ \t\u00a0\u2006]+",
                        re.MULTILINE)

# Characters that are only spacing. str.isspace() already covers tabs, line and paragraph
# ends, NBSP, U+2006 and U+2028/U+2029; zero-width space is listed for readers that pad with it.
EXTRA_SPACE = "\u200b"


def normalise(text):
    """The text as compared: the same words in the same order.

    - The BOM goes: LibreOffice starts its UTF-8 text with one; it is not content.
    - NFC: a reader may compose or decompose accents (C + U+0327 versus Ç); both are one text.
    - List labels go (see LIST_LABEL).
    - Every run of white space becomes one space, and the ends are stripped: paragraph ends
      are "\\n" here and CR LF or line breaks elsewhere; a line break inside a paragraph is
      U+2028 in our model and "\\n" in LibreOffice's text; table cells end in a tab, a new
      line or nothing visible depending on the reader; LibreOffice reads two spaces as
      U+2006 + space pairs; unrtf writes a tab as a run of NBSPs.
    """
    text = text.lstrip("\ufeff")
    text = unicodedata.normalize("NFC", text)
    text = text.replace("\r\n", "\n").replace("\r", "\n").replace("\u2028", "\n").replace("\u2029", "\n")
    text = LIST_LABEL.sub("", text)
    words = []
    word = []
    for char in text:
        if char.isspace() or char in EXTRA_SPACE:
            if word:
                words.append("".join(word))
                word = []
        else:
            word.append(char)
    if word:
        words.append("".join(word))
    return " ".join(words)


def first_difference(expected, actual):
    """A short description of where two normalised texts part."""
    index = next((i for i, (a, b) in enumerate(zip(expected, actual)) if a != b), min(len(expected), len(actual)))
    start = max(0, index - 30)
    return "at %d: expected %r, got %r" % (index, expected[start:index + 40], actual[start:index + 40])


def read_expected(name):
    with open(os.path.join(EXPECTED, name + ".txt"), "rb") as f:
        return f.read().decode("utf-8")


def corpus_names():
    return sorted(f[:-4] for f in os.listdir(CORPUS) if f.endswith(".rtf"))


# --- external readers -----------------------------------------------------------------------


def require_tools(*tools):
    for tool in tools:
        if shutil.which(tool) is None:
            print("SKIP: %s is not installed (see the Debian packages for the interop tests)" % tool)
            sys.exit(SKIP)


def soffice(work, args, timeout=600):
    """Runs LibreOffice headless with a private profile inside `work`."""
    profile = "file://" + os.path.abspath(os.path.join(work, "lo-profile"))
    done = subprocess.run(["soffice", "--headless", "--norestore", "--nolockcheck",
                           "-env:UserInstallation=" + profile] + args,
                          capture_output=True, check=False, timeout=timeout, cwd=work)
    if done.returncode != 0:
        raise RuntimeError("soffice failed (%d): %s" % (done.returncode, done.stderr.decode("utf-8", "replace")))


class Texts(dict):
    """{name: decoded text}, with the bytes as written in .raw."""

    def __init__(self):
        super().__init__()
        self.raw = {}


def lo_texts(work, rtf_paths):
    """What LibreOffice reads from each RTF file, as UTF-8 text: one soffice run for all."""
    out = os.path.join(work, "lo-text")
    os.makedirs(out, exist_ok=True)
    soffice(work, ["--convert-to", "txt:Text (encoded):UTF8", "--outdir", out] + list(rtf_paths))
    texts = Texts()
    for path in rtf_paths:
        name = os.path.basename(path)[:-4]
        target = os.path.join(out, name + ".txt")
        if not os.path.exists(target):
            raise RuntimeError("LibreOffice wrote no text for %s" % path)
        with open(target, "rb") as f:
            texts.raw[name] = f.read()
        texts[name] = texts.raw[name].decode("utf-8")
    return texts


def unrtf_text(work, rtf_path):
    """unrtf's reading of an RTF file: its HTML output with the tags stripped.

    unrtf's plain-text output loses non-ASCII characters, so the HTML is used; <br> is its
    line break, and it writes pictures into the working folder (hence cwd=work).
    """
    done = subprocess.run(["unrtf", "--html", os.path.abspath(rtf_path)], capture_output=True,
                          check=False, timeout=120, cwd=work)
    page = done.stdout.decode("utf-8", "replace")
    page = re.sub(r"(?s)^.*?<body>|</body>.*$", "", page)
    page = re.sub(r"<br>\n?", "\n", page)
    return html.unescape(re.sub(r"<[^>]+>", "", page))


# --- pgw ------------------------------------------------------------------------------------


class Pgw:
    """One book driven through pgw; every page gets its own name."""

    def __init__(self, binary, work, title="互通"):
        self.binary = binary
        self.book = os.path.join(work, title + ".pgw")
        self.root = title
        if os.path.exists(self.book):
            os.remove(self.book)
        self.check(self.run("new", self.book), "new")

    def run(self, *args):
        done = subprocess.run([self.binary] + list(args), capture_output=True, check=False, timeout=120)
        return done.returncode, done.stdout, done.stderr.decode("utf-8", "replace")

    @staticmethod
    def check(result, what):
        if result[0] != 0:
            raise RuntimeError("pgw %s failed (%d): %s" % (what, result[0], result[2].strip()))
        return result[1]

    def add_page(self, name):
        self.check(self.run("add", self.book, self.root, "text", name), "add " + name)

    def set_text(self, page, path):
        return self.run("set-text", self.book, page, path)

    def get_text(self, page, rtf=False):
        return self.run(*(["get-text", self.book, page] + (["--rtf"] if rtf else [])))


def skip(why):
    print("SKIP: " + why)
    sys.exit(SKIP)
