#!/usr/bin/env python3
"""Writes a macro file (240 bytes) of N steps: NAME, a step count and alternating key presses and
releases over letters, digits and mouse buttons, with delays that differ from macro to macro.

    make_macro.py FILE NAME STEPS SEED
"""
import struct
import sys

path, name, steps, seed = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
codes = list(range(4, 40)) + [241, 242, 243]  # a-z, 1-0, left, right, middle
record = bytearray(240)
encoded = name.encode("utf-16-le")[:46]
record[0:len(encoded)] = encoded
struct.pack_into("<ii", record, 48, 1 + seed % 3, steps)
for i in range(min(steps, 46)):
    code = codes[(seed * 7 + i // 2) % len(codes)]
    kind = 1 if i % 2 == 0 else 2
    delay = 10 + (seed * 13 + i * 29) % 400
    struct.pack_into("<BBH", record, 56 + 4 * i, code, kind, delay)
with open(path, "wb") as out:
    out.write(record)
