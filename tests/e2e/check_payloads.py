#!/usr/bin/env python3
"""Checks that a PE file carries the installer's payloads.

usage: check_payloads.py <file.exe> <payload-folder> <TYPE/NAME>...

For every TYPE/NAME given, the PE file must hold a resource of that type and
name whose container (4-byte little-endian size N + zlib stream) inflates to
exactly the bytes of <payload-folder>/TYPE/NAME, with a complete stream.
Exits 1 and names every payload that is missing or differs.
"""
import os
import struct
import sys
import zlib

import pefile


def resources(path):
    """{(TYPE, NAME): bytes} of the named resources of a PE file."""
    pe = pefile.PE(path, fast_load=True)
    pe.parse_data_directories(
        directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
    found = {}
    if not hasattr(pe, "DIRECTORY_ENTRY_RESOURCE"):
        return found
    for rtype in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if rtype.name is None:
            continue  # numbered standard types (icons, versions) are not payloads
        for rname in rtype.directory.entries:
            if rname.name is None:
                continue
            for lang in rname.directory.entries:
                data = lang.data.struct
                found[(str(rtype.name).upper(), str(rname.name).upper())] = \
                    pe.get_data(data.OffsetToData, data.Size)
    return found


def inflate(container):
    """The N bytes of a container; raises ValueError on any fault."""
    if len(container) < 4:
        raise ValueError("container of %d bytes" % len(container))
    (n,) = struct.unpack_from("<I", container)
    if n >= 1 << 31:
        raise ValueError("size field %d" % n)
    d = zlib.decompressobj()
    out = d.decompress(container[4:], n)
    if len(out) != n:
        raise ValueError("stream yields %d of %d bytes" % (len(out), n))
    # The packer writes exactly N bytes and a trailer; nothing may follow.
    rest = d.decompress(d.unconsumed_tail, 1)
    if rest or not d.eof or d.unused_data:
        raise ValueError("stream does not end after %d bytes" % n)
    return out


def main(argv):
    if len(argv) < 4:
        print(__doc__, file=sys.stderr)
        return 2
    exe, folder, wanted = argv[1], argv[2], argv[3:]
    found = resources(exe)
    faults = []
    total_n = total_c = 0
    for payload in wanted:
        rtype, rname = payload.upper().split("/")
        container = found.get((rtype, rname))
        if container is None:
            faults.append("%s: no such resource" % payload)
            continue
        try:
            data = inflate(container)
        except (ValueError, zlib.error) as e:
            faults.append("%s: %s" % (payload, e))
            continue
        with open(os.path.join(folder, rtype, rname), "rb") as f:
            expected = f.read()
        if data != expected:
            faults.append("%s: inflates to %d bytes that differ from the %d-byte file"
                          % (payload, len(data), len(expected)))
            continue
        total_n += len(data)
        total_c += len(container)
        print("%-12s %9d -> %9d bytes (%.3f)" % (payload, len(data), len(container),
                                                len(container) / max(len(data), 1)))
    print("%d payloads, %d bytes inflated, %d bytes carried" % (len(wanted), total_n, total_c))
    for f in faults:
        print("FAULT " + f, file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
