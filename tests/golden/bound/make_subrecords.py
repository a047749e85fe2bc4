#!/usr/bin/env python3
"""Writes sub.bin and subbad.bin for subrecords.tvx, independently of the engine's writer.

Two TARVBIN blocks, X (t + 1/8) and Y (t*t - 3/4) for t = 1..12, every record cut into
subrecords of at most 40 bytes (40 is not a multiple of 16, so elements of the data record
straddle subrecords). Each subrecord is framed by 4-byte little-endian signed counts: the count
before is negative when another subrecord of the record follows, the count after is negative
when one precedes. subbad.bin is sub.bin with the count after the second subrecord of X's data
record made positive (a broken chain). Run from this directory: python3 make_subrecords.py
"""
import struct
from fractions import Fraction

LIMIT = 40


def binary128(v):
    """The IEEE binary128 bytes (little-endian) of a rational with a short binary expansion."""
    v = Fraction(v)
    if v == 0:
        return bytes(16)
    sign = 1 if v < 0 else 0
    v = abs(v)
    e = 0
    while v >= 2:
        v /= 2
        e += 1
    while v < 1:
        v *= 2
        e -= 1
    frac = (v - 1) * (1 << 112)
    assert frac.denominator == 1, "not exactly representable"
    bits = (sign << 127) | ((e + 16383) << 112) | int(frac)
    return bits.to_bytes(16, "little")


def framed(contents):
    pieces = [contents[i:i + LIMIT] for i in range(0, len(contents), LIMIT)] or [b""]
    out = b""
    for i, p in enumerate(pieces):
        head = -len(p) if i + 1 < len(pieces) else len(p)
        tail = -len(p) if i > 0 else len(p)
        out += struct.pack("<i", head) + p + struct.pack("<i", tail)
    return out


def block(name, values):
    header = struct.pack("<9i", 1, 1, 2, 1, 0, 6, 7, 0, 16)
    header += struct.pack("<6i", 0, 1, 0, 0, 0, 0)
    header += struct.pack("<7i", 1, len(values), 1, 1, 0, 1, 0)
    header += name.ljust(24).encode() + b" " * 128
    assert len(header) == 240
    data = binary128(len(values)) + b"".join(binary128(v) for v in values)
    return framed(b"TARVBIN "), framed(header), framed(data)


rows = range(1, 13)
x = block("X", [t + Fraction(1, 8) for t in rows])
y = block("Y", [t * t - Fraction(3, 4) for t in rows])
good = b"".join(x) + b"".join(y)
with open("sub.bin", "wb") as f:
    f.write(good)
# The count after the second subrecord of X's data record: -40 made +40.
at = len(x[0]) + len(x[1]) + (4 + LIMIT + 4) + 4 + LIMIT
assert struct.unpack("<i", good[at:at + 4])[0] == -LIMIT
bad = good[:at] + struct.pack("<i", LIMIT) + good[at + 4:]
with open("subbad.bin", "wb") as f:
    f.write(bad)
