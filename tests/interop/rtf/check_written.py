"""Our RTF read by others: text stored by pgw, its RTF read by LibreOffice and unrtf.

Usage: check_written.py PGW_BINARY WORK_DIR

Each sample is stored twice, from a UTF-8 .txt file and from an .html file, with
`pgw set-text`; `pgw get-text --rtf` gives the RTF our writer made. Then:
- LibreOffice must read the sample's text from it (normalised). From the .txt samples,
  where every line is a paragraph and tabs are text, LibreOffice's lines must be the
  sample's lines exactly.
- unrtf must read the same, except characters beyond the BMP: unrtf turns the two \\uN of a
  surrogate pair into two separate (invalid) characters, so those are left out of its side
  (see also for_unrtf()).
"""

import html
import os
import random
import re
import shutil
import sys
import unicodedata

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import rtf_common as common  # noqa: E402

SAMPLES = {
    "chinese": "简体中文：你好，世界。\n繁體中文：臺灣、體育、學習。\n中文标点“引号”‘单引号’《书名》——破折号…",
    "scripts": "日本語：ひらがな、カタカナ、漢字。\n한국어: 안녕하세요, 세계!\nРусский: съешь ещё этих булок.\n"
               "Français : Ça coûte 5 €. Deutsch: Größe, Übermaß.",
    "beyond_gbk": "한 ₩ Ç ő ŵ ™ ← 😀 🎉 𠀀𠀁 (CJK B) ﬁ ﷺ\n€ alone, € in 价格€5, and ① ② ③",
    "syntax": "braces {like} this }{ and \\backslash\\ and \\par \\'41 \\u20013? {\\rtf1 not rtf}\n"
              "tab\there\tand\tthere\n;semicolon; \"quotes\" 'single'",
    "many": None,  # made by many_paragraphs()
}

HTML_ONLY = {
    # Line breaks inside a paragraph come from HTML: <br> is a line break, not a paragraph.
    "line_breaks": ("<p>第一行<br>第二行<br>third line</p><p>新段落 &amp; &lt;entities&gt; &#x1F600; &copy;</p>",
                    "第一行\n第二行\nthird line\n新段落 & <entities> 😀 ©"),
    # Lists and links come out as structure, not as text (see structure_failures()).
    "lists_links": ('<ol start=3><li>三</li><li>四<ol type=i><li>甲</li><li>乙</li></ol></li><li>五</li></ol>'
                    '<ul><li>点<ul><li>内</li></ul></li></ul><p>见<a href="https://例子.cn/x?a=1">链接</a>。</p>',
                    "三\n四\n甲\n乙\n五\n点\n内\n见链接。"),
    # Tables, one nested in a cell, and a row with fewer cells.
    "tables": ('<table border=1><tr><td>甲</td><td>乙<table><tr><td>内一</td><td>内二</td></tr></table></td></tr>'
               '<tr><td>丙</td></tr></table><p>表后</p>',
               "甲\n乙\n内一\n内二\n丙\n表后"),
}

# What LibreOffice's HTML of a sample must hold: our lists nested as levels, the link, and
# the tables, read as such.
STRUCTURE = {
    "lists_links": {
        "the numbered list from 3": r'<ol start="3"',
        "the Roman list inside it": r'<ol start="3">(?:(?!</ol>).)*<ol type="i">',
        "the bullet list inside a bullet list": r"<ul>(?:(?!</ul>).)*<ul>",
        "the link": r'href="https://例子\.cn/x\?a=1"',
    },
    "tables": {
        "the nested table in the second cell, and the short row":
            r"<table.*?<td.*?甲.*?</td>.*?<td.*?乙.*?<table.*?内一.*?</td>.*?<td.*?内二.*?</table>"
            r".*?</td>.*?</tr>.*?<tr.*?丙.*?</table>",
    },
}
# The lists' text: each item's label once (the rich edit numbering and the list table make one
# number), counted in the item's own style; any bullet sign will do.
LABELLED_LINES = ["3. 三", "4. 四", "i. 甲", "ii. 乙", "5. 五", "• 点", "• 内", "见链接。"]
BULLET_SIGNS = re.compile("[\u2022\u25e6\u25aa\u25cf\u00b7\uf0b7]")


def structure_failures(work, rtf_paths):
    out = os.path.join(work, "lo-html")
    os.makedirs(out, exist_ok=True)
    common.soffice(work, ["--convert-to", "html", "--outdir", out] + sorted(rtf_paths.values()))
    failures = []
    for stem, rtf_path in sorted(rtf_paths.items()):
        with open(os.path.join(out, os.path.basename(rtf_path)[:-4] + ".html"), encoding="utf-8", errors="replace") as f:
            page = f.read()
        failures += ["LibreOffice, %s: no %s in its HTML" % (stem, what)
                     for what, pattern in STRUCTURE[stem].items() if not re.search(pattern, page, re.DOTALL)]
    return failures


def label_failures(lo_text):
    lines = [BULLET_SIGNS.sub("\u2022", " ".join(line.split())) for line in exact_lines(lo_text)]
    if lines == LABELLED_LINES:
        return []
    return ["LibreOffice, lists_links: labels %r, expected %r" % (lines, LABELLED_LINES)]


def many_paragraphs():
    """300 paragraphs mixing every kind of character the writer treats differently.

    No runs of spaces: LibreOffice reads those as U+2006 pairs, which would spoil the exact
    line comparison.
    """
    pools = ["的一是不了人我在有他这为之大来以个中上们", "臺灣體學習發展", "かなカナ", "한국어", "ёжик", "€",
             "😀🎉", "abcXYZ0123", "{}\\", "\t"]
    rng = random.Random(936)
    lines = []
    for n in range(300):
        parts = [rng.choice(rng.choice(pools)) for _ in range(rng.randint(1, 40))]
        lines.append("%d " % n + "".join(parts).strip())
    return "\n".join(lines)


def html_of(text):
    paragraphs = "".join("<p>%s</p>\n" % html.escape(line) for line in text.split("\n"))
    return '<!DOCTYPE html><html><head><meta charset="utf-8"></head><body>\n%s</body></html>\n' % paragraphs


def beyond_bmp_left_out(text):
    return "".join(c for c in text if ord(c) <= 0xFFFF)


def unrtf_side(text):
    """unrtf's text without what it makes of surrogate pairs (replacement or lone surrogates)."""
    return "".join(c for c in text if c != "\ufffd" and not 0xD800 <= ord(c) <= 0xDFFF)


# A \uN whose fallback is a literal "?" (the backslash before \u not itself escaped).
LITERAL_FALLBACK = re.compile(rb"(?<!\\)((?:\\\\)*)\\u(-?[0-9]+)\?")
OTHER_SKIP_COUNT = re.compile(rb"(?<!\\)(?:\\\\)*\\uc(?!1(?![0-9]))[0-9]+")


def for_unrtf(rtf):
    """The same RTF in a form unrtf reads right, or None when unrtf cannot read it at all.

    unrtf ends a control word only at a space, backslash or brace, so after "\\u20013?" it
    drops the text up to the next one ("\\u20013?abc d" gives "中 d"). "\\'3f" is the same
    one-byte fallback in a form it reads. It ignores \\uc other than 1, so such files are
    left to LibreOffice.
    """
    if OTHER_SKIP_COUNT.search(rtf):
        return None
    return LITERAL_FALLBACK.sub(rb"\1\\u\2\\'3f", rtf)


def store(pgw, work, stem, extension, data):
    source = os.path.join(work, stem + extension)
    with open(source, "wb") as f:
        f.write(data.encode("utf-8"))
    page = stem + extension.replace(".", "_")
    pgw.add_page(page)
    code, _, err = pgw.set_text(page, source)
    if code != 0:
        raise RuntimeError("set-text %s failed (%d): %s" % (source, code, err.strip()))
    code, rtf, err = pgw.get_text(page, rtf=True)
    if code != 0:
        raise RuntimeError("get-text --rtf %s failed (%d): %s" % (page, code, err.strip()))
    target = os.path.join(work, "rtf", page + ".rtf")
    with open(target, "wb") as f:
        f.write(rtf)
    return target


def exact_lines(lo_text):
    """LibreOffice's lines, for the exact comparison: BOM and the last line end dropped."""
    return unicodedata.normalize("NFC", lo_text.lstrip("\ufeff")).rstrip("\n").split("\n")


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: check_written.py PGW_BINARY WORK_DIR")
    common.require_tools("soffice", "unrtf")
    pgw_binary, work = sys.argv[1], sys.argv[2]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(os.path.join(work, "rtf"))
    pgw = common.Pgw(pgw_binary, work)

    SAMPLES["many"] = many_paragraphs()
    cases = {}  # rtf path -> (source text, exact lines or None)
    for stem, text in SAMPLES.items():
        cases[store(pgw, work, stem, ".txt", text + "\n")] = (text, text.split("\n"))
        cases[store(pgw, work, stem, ".html", html_of(text))] = (text, None)
    structured = {}
    for stem, (page, text) in HTML_ONLY.items():
        path = store(pgw, work, stem, ".html", page)
        cases[path] = (text, None)
        if stem in STRUCTURE:
            structured[stem] = path

    failures = structure_failures(work, structured)
    lo = common.lo_texts(work, sorted(cases))
    failures += label_failures(lo[os.path.basename(structured["lists_links"])[:-4]])
    for path, (text, lines) in sorted(cases.items()):
        name = os.path.basename(path)[:-4]
        want = common.normalise(text)
        got = common.normalise(lo[name])
        if want != got:
            failures.append("LibreOffice, %s: %s" % (name, common.first_difference(want, got)))
        elif lines is not None and exact_lines(lo[name]) != lines:
            failures.append("LibreOffice, %s: same words, other lines or tabs: %r" % (name, exact_lines(lo[name])[:5]))
        with open(path, "rb") as f:
            readable = for_unrtf(f.read())
        if readable is None:
            print("note: %s uses a \\uc other than 1; unrtf cannot read it, LibreOffice only" % name)
            continue
        unrtf_path = path[:-4] + ".unrtf.rtf"
        with open(unrtf_path, "wb") as f:
            f.write(readable)
        want = common.normalise(beyond_bmp_left_out(text))
        got = common.normalise(unrtf_side(common.unrtf_text(work, unrtf_path)))
        if name.startswith("tables"):  # unrtf puts nothing between nested cells
            want, got = re.sub(r"\s", "", want), re.sub(r"\s", "", got)
        if want != got:
            failures.append("unrtf, %s: %s" % (name, common.first_difference(want, got)))

    for failure in failures:
        print("FAIL " + failure)
    print("%d RTF files from pgw, %d failures" % (len(cases), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
