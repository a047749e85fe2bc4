#!/usr/bin/env python3
"""Writes numeric/cos_tables.hpp: the tables of the binary128 cosine (numeric/fast_cos.cpp).

pi/2 with 188 fraction bits (truncated), the sine and cosine of j/64 for j = 0 .. 51 with 190
fraction bits (rounded), and the coefficients of the two short series the kernel evaluates in
d*d for |d| <= 2**-7, with 126 fraction bits (rounded):
  sin d = d * (1 + d*d * p(d*d)),  p(y) = -1/3! + y/5! - y**2/7! + ...
  cos d = 1 - d*d * h(d*d),        h(y) =  1/2! - y/4! + y**2/6! - ...
Every value is worked out with exact rational arithmetic (Taylor series with a bound on the
remainder), so the script needs nothing beyond Python.
"""
from fractions import Fraction
import sys

PI_BITS = 188
TABLE_BITS = 190
SERIES_BITS = 126
STEP = Fraction(1, 64)
ENTRIES = 52  # j/64 up to just past pi/4 (50.27/64): the quadrant choice may overshoot a little
SERIES_TERMS = 7
PRECISION = Fraction(1, 2**260)


def pi():
    """pi by Machin's formula, to well below PRECISION."""
    def arctan_inverse(n):
        total, term, k = Fraction(0), Fraction(1, n), 0
        while term > PRECISION / 100:
            total += term / (2 * k + 1) * (-1) ** k
            k += 1
            term /= n * n
        return total
    return 16 * arctan_inverse(5) - 4 * arctan_inverse(239)


def sin_cos(x):
    """sin x and cos x for 0 <= x < 1 by their Taylor series."""
    s, c, term, k = Fraction(0), Fraction(0), Fraction(1), 0
    while term > PRECISION / 100:  # term = x**k / k!
        if k % 4 == 0:
            c += term
        elif k % 4 == 1:
            s += term
        elif k % 4 == 2:
            c -= term
        else:
            s -= term
        k += 1
        term = term * x / k
    return s, c


def limbs(value, bits, rounding):
    n = rounding(value * 2**bits)
    assert 0 <= n < 2**191
    return [(n >> (64 * k)) & ((1 << 64) - 1) for k in range(3)]


def factorial(n):
    return 1 if n < 2 else n * factorial(n - 1)


def signed_128(value):
    n = round(value * 2**SERIES_BITS)
    assert -(2**127) <= n < 2**127
    return n


def main(path):
    half_pi = limbs(pi() / 2, PI_BITS, lambda v: v.__floor__())
    rows = []
    for j in range(ENTRIES):
        s, c = sin_cos(j * STEP)
        rows.append((limbs(s, TABLE_BITS, round), limbs(c, TABLE_BITS, round)))
    p = [Fraction((-1) ** k, factorial(2 * k + 1)) for k in range(1, SERIES_TERMS + 1)]
    h = [Fraction((-1) ** (k + 1), factorial(2 * k)) for k in range(1, SERIES_TERMS + 1)]

    def hexes(ws):
        return ", ".join("0x%016xULL" % w for w in ws)

    def i128(n):
        # Written as the two 64-bit halves of the two's complement value.
        n &= (1 << 128) - 1
        return "join(0x%016xULL, 0x%016xULL)" % (n >> 64, n & ((1 << 64) - 1))

    with open(path, "w") as out:
        out.write("// Tables of the binary128 cosine (numeric/fast_cos.cpp), written by\n")
        out.write("// scripts/make_cos_tables.py; do not edit by hand.\n")
        out.write("#pragma once\n\n#include <cstdint>\n\nnamespace tarvex::cos_tables {\n\n")
        out.write("// The two's complement 128-bit value of two 64-bit halves.\n")
        out.write("constexpr __int128 join(std::uint64_t high, std::uint64_t low) {\n")
        out.write("    return static_cast<__int128>((static_cast<unsigned __int128>(high) << 64) | low);\n}\n\n")
        out.write("// pi/2 with %d fraction bits, truncated; low limb first.\n" % PI_BITS)
        out.write("inline constexpr std::uint64_t HALF_PI[3] = {%s};\n\n" % hexes(half_pi))
        out.write("struct Entry {\n")
        out.write("    std::uint64_t sine[3];   // sin(j/64), %d fraction bits, low limb first\n" % TABLE_BITS)
        out.write("    std::uint64_t cosine[3]; // cos(j/64)\n};\n\n")
        out.write("inline constexpr Entry AT[%d] = {\n" % ENTRIES)
        for s, c in rows:
            out.write("    {{%s},\n     {%s}},\n" % (hexes(s), hexes(c)))
        out.write("};\n\n")
        for name, coefficients, what in (("SINE_SERIES", p, "p(y) = -1/3! + y/5! - ..."),
                                         ("COSINE_SERIES", h, "h(y) = 1/2! - y/4! + ...")):
            out.write("// %s, %d fraction bits, the constant term first.\n" % (what, SERIES_BITS))
            out.write("inline constexpr __int128 %s[%d] = {\n" % (name, len(coefficients)))
            for v in coefficients:
                out.write("    %s,\n" % i128(signed_128(v)))
            out.write("};\n\n")
        out.write("} // namespace tarvex::cos_tables\n")


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "numeric/cos_tables.hpp")
