#!/usr/bin/env python3
"""Writes a 40 x 20 24-bit BMP: left half pure red, right half pure blue."""
import struct
import sys

w, h = 40, 20
row = b"".join(b"\x00\x00\xff" if x < w // 2 else b"\xff\x00\x00" for x in range(w))
row += b"\x00" * ((4 - len(row) % 4) % 4)
pixels = row * h
header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(pixels), 0, 0, 14 + 40)
info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
with open(sys.argv[1], "wb") as f:
    f.write(header + info + pixels)
