#!/usr/bin/env python3
"""Writes three stand-in game discs as folders, laid out as the installer
expects the retail discs:

  disc1/  game/game00.dat game01.dat game02.dat vandry.exe
          game/VRecog/...  game/Movie/...  game/save/...   (nested folders,
                                                           hidden and system files)
          directx/dxsetup.exe  netshow/nsplay.exe         (with --setup-program)
  disc2/  game03.dat
  disc3/  music/...                                        (nested folders)

Contents are deterministic: the same size gives the same bytes on every run,
so a copy can be compared byte for byte.  --size small makes a few hundred
KiB for tests; --size cd about a CD's worth (650 MiB) for the benchmark.

Hidden files have names that start with a full stop (Wine lists them as
hidden); system files get the DOS attribute in the user.DOSATTRIB extended
attribute where the file system takes one (Wine reads it).

  make_discs.py OUT [--size small|cd] [--setup-program EXE] [--manifest FILE] [--merged]

--merged writes the three discs' files into OUT itself, as one folder that
passes all three disc checks (for benchmarks that run without disc swaps).
"""
import argparse
import hashlib
import os
import random
import sys

KIB = 1024
MIB = 1024 * KIB

# (disc, relative path, size in the small set, size in the CD set, DOS attributes)
HIDDEN, SYSTEM = 0x2, 0x4
LAYOUT = [
    (1, "game/game00.dat", 96 * KIB + 1, 140 * MIB, 0),
    (1, "game/game01.dat", 40 * KIB, 90 * MIB, 0),
    (1, "game/game02.dat", 1023, 60 * MIB + 5, 0),
    (1, "game/vandry.exe", 12 * KIB + 7, 2 * MIB + 123, 0),
    (1, "game/VRecog/vrecog.dic", 5 * KIB, 8 * MIB, 0),
    (1, "game/VRecog/voice/v001.wav", 1024, 3 * MIB, 0),
    (1, "game/VRecog/voice/v002.wav", 1025, 3 * MIB + 1, 0),
    (1, "game/VRecog/voice/jp/v100.wav", 2500, 4 * MIB, 0),
    (1, "game/VRecog/voice/jp/empty.wav", 0, 0, 0),
    (1, "game/Movie/op.mpg", 30 * KIB, 120 * MIB, 0),
    (1, "game/Movie/ed.mpg", 20 * KIB + 3, 80 * MIB, 0),
    (1, "game/Movie/staff/roll.mpg", 3 * KIB, 20 * MIB, 0),
    (1, "game/save/slot1/save.dat", 4 * KIB, 64 * KIB, 0),
    (1, "game/save/slot1/.lock", 16, 16, HIDDEN),
    (1, "game/save/slot2/save.dat", 4 * KIB, 64 * KIB, 0),
    (1, "game/save/system.ini", 200, 200, SYSTEM | HIDDEN),
    (2, "game03.dat", 64 * KIB + 11, 90 * MIB, 0),
    (3, "music/bgm/01.ogg", 8 * KIB, 12 * MIB, 0),
    (3, "music/bgm/02.ogg", 8 * KIB + 1, 12 * MIB, 0),
    (3, "music/bgm/loop/03.ogg", 2 * KIB, 6 * MIB, 0),
    (3, "music/se.dat/click.wav", 300, 300 * KIB, 0),
    (3, "music/.thumbs", 64, 64, HIDDEN),
    (3, "music/index.sys", 128, 128, SYSTEM),
]

BLOCK = 1 * MIB


def block(seed):
    """One MiB of seeded pseudo-random bytes, the same on every run."""
    return random.Random(seed).randbytes(BLOCK)


def content(path, size, base):
    """Bytes of one file: a header naming it, then the shared block rotated by
    an offset of its own, repeated."""
    header = ("%s %d\r\n" % (path, size)).encode()
    offset = int.from_bytes(hashlib.sha256(path.encode()).digest()[:4], "little") % BLOCK
    body = base[offset:] + base[:offset]
    data = bytearray(header[:size])
    while len(data) < size:
        data += body[: size - len(data)]
    return bytes(data)


def set_dos_attributes(path, attributes):
    try:
        os.setxattr(path, "user.DOSATTRIB", ("0x%x" % attributes).encode())
        return True
    except (OSError, AttributeError):
        return False


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("out")
    ap.add_argument("--size", choices=["small", "cd"], default="small")
    ap.add_argument("--setup-program", help="a Windows program to place as directx\\dxsetup.exe and netshow\\nsplay.exe")
    ap.add_argument("--manifest", help="write 'disc<TAB>path<TAB>size<TAB>attributes' lines here")
    ap.add_argument("--merged", action="store_true", help="all three discs in OUT itself")
    args = ap.parse_args()

    base = block("lunavire stand-in discs")
    rows = []
    for disc, rel, small, cd, attributes in LAYOUT:
        size = small if args.size == "small" else cd
        path = os.path.join(args.out, "" if args.merged else "disc%d" % disc, *rel.split("/"))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        want = content(rel, size, base)
        # Leave a file of the right bytes alone: writing a CD's worth again is slow.
        if not (os.path.isfile(path) and os.path.getsize(path) == size and open(path, "rb").read() == want):
            with open(path, "wb") as f:
                f.write(want)
        if attributes & SYSTEM and not set_dos_attributes(path, attributes):
            print("make_discs: %s: no extended attributes here, the system flag is missing" % path, file=sys.stderr)
        rows.append((disc, rel, size, attributes))

    if args.setup_program:
        program = open(args.setup_program, "rb").read()
        for rel in ("directx/dxsetup.exe", "netshow/nsplay.exe"):
            path = os.path.join(args.out, "" if args.merged else "disc1", *rel.split("/"))
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(program)

    if args.manifest:
        with open(args.manifest, "w") as f:
            for disc, rel, size, attributes in rows:
                f.write("%d\t%s\t%d\t%d\n" % (disc, rel, size, attributes))
    total = sum(r[2] for r in rows)
    print("make_discs: %d files, %.1f MiB in %s" % (len(rows), total / MIB, args.out))


if __name__ == "__main__":
    main()
