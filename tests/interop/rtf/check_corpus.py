"""RTF written by other programs, stored in a book by pgw and read back.

Usage: check_corpus.py PGW_BINARY WORK_DIR

For every corpus file (LibreOffice, pandoc and rich-edit shaped RTF):
- `pgw set-text` stores it and `pgw get-text` gives the text LibreOffice reads from it
  (expected/NAME.txt), after normalisation;
- the RTF pgw stored (`get-text --rtf`) is 7-bit RTF, and stored again it reads back to
  exactly the same text: our writer loses nothing our reader found.
"""

import os
import shutil
import sys
import unicodedata

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import rtf_common as common  # noqa: E402


def check_file(pgw, work, name, failures):
    source = os.path.join(common.CORPUS, name + ".rtf")
    expected = common.read_expected(name)
    if not unicodedata.is_normalized("NFC", expected.lstrip("\ufeff")):
        failures.append("%s: the expected text is not NFC; the C++ test compares without NFC" % name)
    pgw.add_page(name)
    code, _, err = pgw.set_text(name, source)
    if code != 0:
        failures.append("%s: set-text failed (%d): %s" % (name, code, err.strip()))
        return
    code, text, err = pgw.get_text(name)
    if code != 0:
        failures.append("%s: get-text failed (%d): %s" % (name, code, err.strip()))
        return
    text = text.decode("utf-8")
    want, got = common.normalise(expected), common.normalise(text)
    if want != got:
        failures.append("%s: text differs from LibreOffice's %s" % (name, common.first_difference(want, got)))
    check_round_trip(pgw, work, name, text, failures)


def check_round_trip(pgw, work, name, text, failures):
    code, rtf, err = pgw.get_text(name, rtf=True)
    if code != 0:
        failures.append("%s: get-text --rtf failed (%d): %s" % (name, code, err.strip()))
        return
    if not rtf.startswith(b"{\\rtf1") or any(byte >= 0x80 for byte in rtf):
        failures.append("%s: stored RTF is not 7-bit RTF: %r" % (name, rtf[:60]))
    ours = os.path.join(work, name + ".ours.rtf")
    with open(ours, "wb") as f:
        f.write(rtf)
    again = name + "-again"
    pgw.add_page(again)
    code, _, err = pgw.set_text(again, ours)
    if code != 0:
        failures.append("%s: set-text of our own RTF failed (%d): %s" % (name, code, err.strip()))
        return
    code, second, err = pgw.get_text(again)
    second = second.decode("utf-8")
    if code != 0 or second != text:
        failures.append("%s: our RTF reads back differently (%d) %s" % (name, code, common.first_difference(text, second)))


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: check_corpus.py PGW_BINARY WORK_DIR")
    pgw_binary, work = sys.argv[1], sys.argv[2]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    pgw = common.Pgw(pgw_binary, work)
    failures = []
    names = common.corpus_names()
    for name in names:
        check_file(pgw, work, name, failures)
    for failure in failures:
        print("FAIL " + failure)
    print("%d corpus files, %d failures" % (len(names), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
