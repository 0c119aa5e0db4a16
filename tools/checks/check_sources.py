#!/usr/bin/env python3
"""Fails the build where the sources break a rule the compiler alone cannot see.

Texts.

A narrow string or character literal that holds non-ASCII characters is
compiled to the bytes of the execution character set.  The program's own
texts must be GBK (its code page), texts that a test converts at run time
UTF-8; GCC's default is UTF-8, so a file that nobody declared ships UTF-8
silently.  Hence:
  - every compiled file with such a literal declares its execution character
    set (-fexec-charset=...); the program's layers declare GBK for all their
    files, so a new one cannot be left out;
  - a header holds none at all: its bytes would depend on whoever includes it.
Comments and wide literals (L"", u"", U"") and u8"" literals are free.

Includes.
Each layer sees the folders of the layers it links through include roots of
its own (cmake/Layers.cmake).  A quoted include is always spelled from a
top folder of the source tree ("ui/Form.h"): a name that the compiler finds
beside the including file instead ("win32/Window.h", "../ui/Form.h") would
pass by the roots.

usage: check_sources.py <compile_commands.json> <source root> <build folder>
Files that the build generates are left to their generators.
"""
import json
import os
import re
import sys

HEADER_SUFFIXES = (".h", ".hpp")
SOURCE_SUFFIXES = (".c", ".cc", ".cpp", ".cxx")
SKIPPED_DIRS = {".git"}


def narrow_literals_with_non_ascii(text):
    """Line numbers of narrow literals holding non-ASCII bytes."""
    lines = []
    i, n, line = 0, len(text), 1
    while i < n:
        c = text[i]
        if c == "\n":
            line += 1
            i += 1
        elif text.startswith("//", i):
            j = text.find("\n", i)
            i = n if j < 0 else j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            line += text.count("\n", i, j)
            i = j
        elif c in "\"'":
            prefix = re.search(r"(u8|[LuU])?R?$", text[max(0, i - 3):i]).group(0)
            raw = prefix.endswith("R")
            if raw and c == '"':
                m = re.match(r'"([^(\s]*)\(', text[i:])
                end = text.find(")" + (m.group(1) if m else "") + '"', i)
                j = n if end < 0 else end + len(m.group(1) if m else "") + 2
            else:
                j = i + 1
                while j < n and text[j] != c and text[j] != "\n":
                    j += 2 if text[j] == "\\" else 1
                j += 1
            body = text[i:j]
            # An identifier character before the quote that is no prefix (a
            # digit separator as in 1'000) is not a literal.
            before = text[i - len(prefix) - 1] if i - len(prefix) - 1 >= 0 else " "
            wide = prefix.rstrip("R") in ("L", "u", "U", "u8")
            if c == "'" and (before.isalnum() or before == "_") and not prefix:
                i += 1
                continue
            if not wide and any(ord(ch) > 0x7F for ch in body):
                lines.append(line)
            line += body.count("\n")
            i = j
        else:
            i += 1
    return lines


INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.M)


def include_faults(text, root):
    """(line, path) of quoted includes not spelled from a top folder of root."""
    faults = []
    for m in INCLUDE.finditer(text):
        path = m.group(1)
        parts = path.split("/")
        top = parts[0]
        if (len(parts) < 2 or ".." in parts or not os.path.isdir(os.path.join(root, top))
                or not os.path.isfile(os.path.join(root, path))):
            faults.append((text.count("\n", 0, m.start()) + 1, path))
    return faults


def where(lines):
    """The first line, and how many more lines have such text."""
    distinct = sorted(set(lines))
    more = len(distinct) - 1
    return f"{distinct[0]}" + (f" (and {more} more lines)" if more else "")


def read(path):
    with open(path, encoding="utf-8", errors="surrogateescape") as f:
        return f.read()


def main():
    commands, root, build = sys.argv[1], os.path.realpath(sys.argv[2]), os.path.realpath(sys.argv[3])
    with open(commands) as f:
        entries = json.load(f)
    problems = []
    seen = set()
    for e in entries:
        path = os.path.realpath(os.path.join(e["directory"], e["file"]))
        if not path.endswith(SOURCE_SUFFIXES) or not path.startswith(root + os.sep) or path.startswith(build + os.sep):
            continue
        command = e.get("command") or " ".join(e.get("arguments", []))
        if path in seen:
            continue
        seen.add(path)
        text = read(path)
        for line, included in include_faults(text, root):
            problems.append(f"{os.path.relpath(path, root)}:{line}: #include \"{included}\" is not spelled from "
                            "a top folder of the source tree")
        if "-fexec-charset=" in command:
            continue
        lines = narrow_literals_with_non_ascii(text)
        if lines:
            problems.append(f"{os.path.relpath(path, root)}:{where(lines)}: non-ASCII text in a file compiled "
                            "without a declared execution character set (GBK for the program's texts, UTF-8 "
                            "for texts converted at run time)")
    for folder, dirs, files in os.walk(root):
        # Build folders: the usual one, this one, and any other CMake made.
        dirs[:] = [d for d in dirs if d not in SKIPPED_DIRS and os.path.join(folder, d) != build
                   and not (folder == root and d == "build")
                   and not os.path.exists(os.path.join(folder, d, "CMakeCache.txt"))]
        for name in files:
            if not name.endswith(HEADER_SUFFIXES):
                continue
            path = os.path.join(folder, name)
            text = read(path)
            for line, included in include_faults(text, root):
                problems.append(f"{os.path.relpath(path, root)}:{line}: #include \"{included}\" is not spelled "
                                "from a top folder of the source tree")
            lines = narrow_literals_with_non_ascii(text)
            if lines:
                problems.append(f"{os.path.relpath(path, root)}:{where(lines)}: non-ASCII text in a header: its "
                                "bytes would depend on the file that includes it; put it in a source file")
    for p in problems:
        print(p, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
