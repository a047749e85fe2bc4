#!/usr/bin/env python3
"""Writes TARVEX11.SAV, the workspace the PRINT/WRITE transcripts RESTORE: every value is
encoded here independently of the engine, as the exact binary128 bit pattern (round to nearest,
ties to even) of the decimal written below."""
from fractions import Fraction

def b128(text):
    x = Fraction(text)
    sign = 1 if x < 0 else 0
    x = abs(x)
    if x == 0:
        return f"{sign << 127:032X}"
    e = x.numerator.bit_length() - x.denominator.bit_length()
    while Fraction(2) ** e > x: e -= 1
    while Fraction(2) ** (e + 1) <= x: e += 1
    m = x / Fraction(2) ** e * 2 ** 112          # in [2**112, 2**113)
    q, r = divmod(m.numerator, m.denominator)
    if 2 * r > m.denominator or (2 * r == m.denominator and q & 1): q += 1
    if q == 2 ** 113: q //= 2; e += 1
    bits = (sign << 127) | ((e + 16383) << 112) | (q - 2 ** 112)
    return f"{bits:032X}"

def chars(text):
    raw = text.ljust(8).encode()[:8]
    return "".join(f"{b:02X}" for b in reversed(raw + bytes(8)))  # bytes 0-7 hold the text

def block(name, typ, values, ncol=1, enc=b128):
    out = [f"TARVSAVE {name} {typ} {len(values)} {ncol} 0 0 0"]
    words = [enc(v) for v in values]
    for k in range(0, len(words), 4):
        out.append(" ".join(words[k:k + 4]))
    out.append(f"TARVSEND {name}")
    return out

lines = []
lines += block("X", 1, ["1", "2.5", "-3", "1234567.89", "0.000123456789", "100"])
lines += block("Y", 1, ["10", "20", "30", "40", "50", "60"])
lines += block("Z", 1, ["0.1", "-0.25", "1E10", "7", "8", "9"])
lines += block("SHORT", 1, ["5", "6", "7"])
lines += block("S", 1, ["42.5"])
lines += block("M", 2, ["1", "2", "3", "4", "5", "6"], ncol=3)        # 2 x 3, column after column
lines += block("SYM", 3, ["1", "2", "3", "4", "5", "6"], ncol=3)      # packed lower triangle
lines += block("NAME", 5, ["HELLO WO", "RLD"], enc=chars)
lines += block("CV", 6, ["RED", "GREEN", "BLUE", "WHITE", "BLACK", "GREY"], enc=chars)
for k in range(1, 10):
    lines += block(f"V{k}", 1, [str(k * 10 + t) for t in range(1, 4)])
open("TARVEX11.SAV", "w").write("\n".join(lines) + "\n")
