#!/usr/bin/env python3
"""Checks, from Linux, the Start-menu shortcuts that the feature tests listed.

check_links.py --manifest FILE --artifacts DIR --prefix WINEPREFIX --count N

The Windows-side tests copy each shortcut that Setup.exe saved into the
artifacts folder and list it in the manifest, one line per shortcut (UTF-8,
tab-separated): the copy's file name, the ANSI code page the program ran
under, the expected target, the expected working directory, and where the
shortcut lies (a Windows path).  For each line, lnkinfo reads the copy with
that code page (the local path is stored in ANSI bytes), and the shortcut's
folder must be Lunavire below the Programs folder of the prefix's user.
"""
import argparse
import os
import re
import subprocess
import sys


def programs_folder(prefix):
    """The Programs folder of the Wine user, as user.reg records it (Windows path)."""
    with open(os.path.join(prefix, "user.reg"), encoding="utf-8", errors="replace") as f:
        text = f.read()
    section = re.search(r"^\[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\Shell Folders\].*?(?=^\[)",
                        text, re.M | re.S)
    if not section:
        sys.exit("check_links: no Shell Folders in %s/user.reg" % prefix)
    value = re.search(r'^"Programs"="(.*)"$', section.group(0), re.M)
    if not value:
        sys.exit("check_links: no Programs folder in %s/user.reg" % prefix)
    return value.group(1).replace("\\\\", "\\")


def unix_path(prefix, windows_path):
    drive, rest = windows_path[0].lower(), windows_path[2:].replace("\\", "/")
    return os.path.join(prefix, "dosdevices", drive + ":") + rest


def lnkinfo(path, codepage):
    out = subprocess.run(["lnkinfo", "-c", "windows-%s" % codepage, path], capture_output=True,
                         text=True, encoding="utf-8", errors="replace")
    if out.returncode != 0:
        return None, out.stderr.strip() or out.stdout.strip()
    fields = {}
    for line in out.stdout.splitlines():
        m = re.match(r"^\t([A-Za-z ]+?)\t+: (.*)$", line)
        if m:
            fields.setdefault(m.group(1), m.group(2))
    return fields, None


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--manifest", required=True)
    ap.add_argument("--artifacts", required=True)
    ap.add_argument("--prefix", required=True)
    ap.add_argument("--count", type=int, required=True, help="shortcuts the run must have listed")
    args = ap.parse_args()

    if not os.path.exists(args.manifest):
        sys.exit("check_links: %s is missing: the tests listed no shortcut" % args.manifest)
    with open(args.manifest, encoding="utf-8") as f:
        rows = [line.rstrip("\n").split("\t") for line in f if line.strip()]

    menu = programs_folder(args.prefix) + "\\Lunavire"
    failures = []
    if len(rows) != args.count:
        failures.append("%d shortcuts listed, %d expected" % (len(rows), args.count))
    for row in rows:
        if len(row) != 5:
            failures.append("malformed line %r" % row)
            continue
        snapshot, codepage, target, workdir, link = row
        where = "%s (%s)" % (snapshot, link)
        fields, error = lnkinfo(os.path.join(args.artifacts, snapshot), codepage)
        if error is not None:
            failures.append("%s: lnkinfo failed: %s" % (where, error))
            continue
        checks = [
            ("Local path", target, "the target"),
            ("Working directory", workdir, "the working directory, the target's folder with its backslash"),
        ]
        for field, expected, rule in checks:
            got = fields.get(field)
            if got != expected:
                failures.append("%s: %s is %r, not %r" % (where, rule, got, expected))
            else:
                print("check_links: %s: %s = %s" % (snapshot, field, got))
        folder = link.rsplit("\\", 1)[0]
        if folder.lower() != menu.lower():
            failures.append("%s: saved in %s, not in %s" % (where, folder, menu))
        elif not os.path.exists(unix_path(args.prefix, link)):
            failures.append("%s: no such file in the prefix (%s)" % (where, unix_path(args.prefix, link)))

    for f in failures:
        print("check_links: FAIL: " + f)
    if failures:
        return 1
    print("check_links: %d shortcuts as expected, in %s" % (len(rows), menu))
    return 0


if __name__ == "__main__":
    sys.exit(main())
