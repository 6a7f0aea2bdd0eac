"""Installs the build into a staging folder, as a package build does, and checks what lands.

Every file in its place and nothing else; the desktop entry, the software centre's
description and the book type pass their validators; the manual pages render without
warnings and name every command the programs' --help lists; the installed pgw compiles a
book with the installed reader stub (nothing of the build tree beside it), refuses to when
the stub is gone, and the output is a Windows program pefile reads whole.

Usage: check_staged_install.py BUILD_DIR WORK_DIR
"""

import os
import re
import shutil
import struct
import subprocess
import sys

APP_ID = "org.pagewright.Pagewright"
MIME_TYPE = "application/x-pagewright-book"
MIME_ICON = "application-x-pagewright-book"
ICON_SIZES = (16, 24, 32, 48, 64, 128, 256)
PROGRAMS = ("pagewright", "pgw", "cfb")
FAILURES = []


def check(condition, message):
    if not condition:
        FAILURES.append(message)
        print("FAIL: " + message)
    return condition


def run(args, env=None, expect=0):
    result = subprocess.run(args, capture_output=True, env=env)
    out, err = result.stdout.decode("utf-8", "replace"), result.stderr.decode("utf-8", "replace")
    if expect is not None and result.returncode != expect:
        raise AssertionError("%s exited %d, wanted %d:\n%s%s" % (" ".join(args), result.returncode, expect, out, err))
    return result.returncode, out, err


def tool(name, package):
    path = shutil.which(name)
    if not path:
        raise AssertionError("%s is missing (Debian: %s; tools/deps.sh build run test installs it)" % (name, package))
    return path


def expected_files():
    files = {"usr/bin/" + p for p in PROGRAMS}
    files |= {"usr/lib/pagewright/core", "usr/share/pagewright/PGWHelp.html",
              "usr/share/applications/%s.desktop" % APP_ID, "usr/share/metainfo/%s.metainfo.xml" % APP_ID,
              "usr/share/mime/packages/%s.xml" % APP_ID}
    files |= {"usr/share/man/man1/%s.1" % p for p in PROGRAMS}
    for context, name in (("apps", APP_ID), ("mimetypes", MIME_ICON)):
        files |= {"usr/share/icons/hicolor/%dx%d/%s/%s.png" % (s, s, context, name) for s in ICON_SIZES}
        files.add("usr/share/icons/hicolor/scalable/%s/%s.svg" % (context, name))
    return files


def install(build, stage):
    shutil.rmtree(stage, ignore_errors=True)
    env = dict(os.environ, DESTDIR=stage)
    run(["cmake", "--install", build, "--prefix", "/usr", "--strip"], env=env)
    found = set()
    for folder, _, names in os.walk(stage):
        found |= {os.path.relpath(os.path.join(folder, n), stage) for n in names}
    wanted = expected_files()
    check(not wanted - found, "not installed: %s" % sorted(wanted - found))
    check(not found - wanted, "installed but not expected: %s" % sorted(found - wanted))
    for program in PROGRAMS:
        check(os.access(os.path.join(stage, "usr/bin", program), os.X_OK), program + " is not executable")


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n":
        return None
    return struct.unpack(">II", head[16:24])


def check_desktop_files(stage):
    share = os.path.join(stage, "usr/share")
    desktop = os.path.join(share, "applications", APP_ID + ".desktop")
    code, out, err = run([tool("desktop-file-validate", "desktop-file-utils"), desktop], expect=None)
    check(code == 0 and not (out + err).strip(), "desktop-file-validate: %s%s" % (out, err))
    entry = dict(line.rstrip("\n").split("=", 1) for line in open(desktop, encoding="utf-8") if "=" in line)
    check(entry.get("Exec", "").split()[:2] == ["pagewright", "%f"], "Exec is %r" % entry.get("Exec"))
    check(entry.get("Icon") == APP_ID, "Icon is %r" % entry.get("Icon"))
    check(MIME_TYPE in entry.get("MimeType", "").split(";"), "MimeType is %r" % entry.get("MimeType"))

    metainfo = os.path.join(share, "metainfo", APP_ID + ".metainfo.xml")
    code, out, err = run([tool("appstreamcli", "appstream"), "validate", "--no-net", metainfo], expect=None)
    check(code == 0, "appstreamcli validate:\n%s%s" % (out, err))
    text = open(metainfo, encoding="utf-8").read()
    check("<launchable type=\"desktop-id\">%s.desktop</launchable>" % APP_ID in text, "metainfo launchable")
    for program in PROGRAMS:
        check("<binary>%s</binary>" % program in text, "metainfo does not provide " + program)
    check(re.search(r'<summary xml:lang="zh_CN">', text), "metainfo has no Chinese summary")

    for context, name in (("apps", APP_ID), ("mimetypes", MIME_ICON)):
        for size in ICON_SIZES:
            path = os.path.join(share, "icons/hicolor/%dx%d/%s/%s.png" % (size, size, context, name))
            check(png_size(path) == (size, size), "%s is %s, not %d px" % (path, png_size(path), size))
        svg = open(os.path.join(share, "icons/hicolor/scalable/%s/%s.svg" % (context, name)), encoding="utf-8").read()
        check("<svg" in svg and "viewBox" in svg, "%s's scalable icon is no SVG" % name)

    # The book type is accepted by the MIME database and *.pgw maps to it, with its icon.
    mime = os.path.join(share, "mime")
    code, out, err = run([tool("update-mime-database", "shared-mime-info"), "-V", mime], expect=None)
    problems = [line for line in (out + err).splitlines() if re.search(r"warn|error|invalid", line, re.I)]
    check(code == 0 and not problems, "update-mime-database: %s" % "\n".join(problems or [err]))
    globs = open(os.path.join(mime, "globs2"), encoding="utf-8").read() if os.path.exists(
        os.path.join(mime, "globs2")) else ""
    check(re.search(r"^\d+:%s:\*\.pgw$" % re.escape(MIME_TYPE), globs, re.M), "*.pgw is not %s" % MIME_TYPE)
    icons = open(os.path.join(mime, "icons"), encoding="utf-8").read() if os.path.exists(
        os.path.join(mime, "icons")) else ""
    check("%s:%s" % (MIME_TYPE, MIME_ICON) in icons, "the book type's icon is not %s" % MIME_ICON)


def check_man_pages(stage):
    groff = tool("groff", "groff-base")
    for program in PROGRAMS:
        page = os.path.join(stage, "usr/share/man/man1", program + ".1")
        code, _, err = run([groff, "-man", "-Tutf8", "-ww", "-z", page], expect=None)
        check(code == 0 and not err.strip(), "%s.1 does not render cleanly: %s" % (program, err))
        env = {k: v for k, v in os.environ.items() if k != "MAN_KEEP_FORMATTING"}
        env.update(MANWIDTH="80", LC_ALL="C.UTF-8")
        _, text, err = run([tool("man", "man-db"), "-l", page], env=env)
        check(not err.strip(), "man -l %s.1: %s" % (program, err))
        check(re.search(r"^NAME\n\s+%s " % program, text, re.M), "%s.1 has no NAME line for %s" % (program, program))
        # Every command the program's help lists is in its page.
        _, usage, _ = run([os.path.join(stage, "usr/bin", program), "--help"])
        for command in re.findall(r"^  %s ([a-z][a-z-]+)" % program, usage, re.M):
            check(re.search(r"^\s{7}%s\b" % re.escape(command), text, re.M),
                  "%s.1 does not describe %s %s" % (program, program, command))


def check_compile(stage, work):
    pgw = os.path.join(stage, "usr/bin/pgw")
    stub = os.path.join(stage, "usr/lib/pagewright/core")
    versions = {run([os.path.join(stage, "usr/bin", p), "--version"])[1].split()[-1] for p in PROGRAMS}
    check(len(versions) == 1, "the installed programs say versions %s" % sorted(versions))

    book, page, exe = (os.path.join(work, n) for n in ("book.pgw", "page.txt", "book.exe"))
    for path in (book, exe):
        if os.path.exists(path):
            os.remove(path)
    with open(page, "w", encoding="utf-8") as f:
        f.write("第一章的正文。\nThe first chapter's text.\n" * 40)
    run([pgw, "new", book])
    _, added, _ = run([pgw, "add", book, "book", "text", "第一章"])
    run([pgw, "set-text", book, added.strip(), page])

    # Without its stub the installed pgw refuses, names the stub, and writes nothing.
    aside = stub + ".aside"
    os.rename(stub, aside)
    try:
        code, _, err = run([pgw, "compile", book, exe], expect=None)
    finally:
        os.rename(aside, stub)
    check(code == 1 and "lib/pagewright/core" in err, "compile without a stub exited %d: %s" % (code, err))
    check(not os.path.exists(exe), "compile without a stub left %s" % exe)

    run([pgw, "compile", book, exe, "--author", "安装检查"])
    if not check(os.path.isfile(exe), "pgw compile wrote no %s" % exe):
        return
    data = open(exe, "rb").read()
    core = open(stub, "rb").read()
    start = struct.unpack_from("<I", data, len(data) - 4)[0]
    check(data[:start] == core, "the compiled book does not start with the installed stub")
    try:
        import pefile
    except ImportError:
        raise AssertionError("pefile is missing for %s (Debian: python3-pefile)" % sys.executable)
    pe = pefile.PE(exe)
    check(not pe.get_warnings(), "pefile warnings: %s" % pe.get_warnings())
    check(pe.get_overlay_data_start_offset() == start, "the overlay does not start at the book's block")
    overlay = data[start:]
    length = struct.unpack_from("<I", overlay, 8)[0]
    check(len(overlay) == 1544 + length + 4, "overlay of %d bytes for a book of %d" % (len(overlay), length))
    check(overlay[1544:1552] == b"\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1", "the book in the output is no compound file")
    _, info, _ = run([pgw, "info", exe])
    check("安装检查" in info, "pgw info does not show the author: %s" % info)


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    build, work = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    os.makedirs(work, exist_ok=True)
    stage = os.path.join(work, "stage")
    try:
        install(build, stage)
        check_desktop_files(stage)
        check_man_pages(stage)
        check_compile(stage, work)
    except AssertionError as failure:
        FAILURES.append(str(failure))
        print("FAIL: %s" % failure)
    print("staged install: %d problem(s)" % len(FAILURES))
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())
