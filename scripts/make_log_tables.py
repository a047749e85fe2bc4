#!/usr/bin/env python3
"""Writes numeric/log_tables.hpp: the reduction tables of the binary128 natural logarithm.

Stage 1 takes the top 8 fraction bits of the significand m in [1, 2) and multiplies m by
c1 = C1 / 2**13, close to 1/m; stage 2 takes z1 = m*c1 - 1 (|z1| < 2**-8) in steps of 2**-17 and
multiplies by c2 = C2 / 2**19, close to 1/(1 + z1). Each table also holds -log(c) as a signed
192-bit fixed-point number with 176 fraction bits. The bounds the kernel relies on are checked
here with exact rational arithmetic.
"""
from decimal import Decimal, getcontext
from fractions import Fraction
import sys

getcontext().prec = 90
FRACTION_BITS = 176
K1, K2 = 13, 19
N1 = 256
STEP2 = Fraction(1, 2**17)


def fixed(value):
    """Rounds a Decimal to the 192-bit two's complement fixed-point form, as three limbs."""
    n = int((value * (Decimal(2) ** FRACTION_BITS)).to_integral_value())
    assert -(2**191) <= n < 2**191
    n &= (1 << 192) - 1
    return [(n >> (64 * k)) & ((1 << 64) - 1) for k in range(3)]


def minus_log(c_num, k):
    return -(Decimal(c_num) / (Decimal(2) ** k)).ln()


def main(path):
    c1 = []
    z1_low, z1_high = Fraction(0), Fraction(0)
    for i in range(N1):
        lo = 1 + Fraction(i, N1)
        hi = 1 + Fraction(i + 1, N1)
        if i == 0:
            c = 2**K1          # m near 1: no reduction, so that log(1 + tiny) stays exact
        elif i == N1 - 1:
            c = 2**(K1 - 1)    # m near 2: c1 = 1/2 exactly, cancelled exactly by the exponent
        else:
            c = round(Fraction(2**K1) / ((lo + hi) / 2))
        c1.append(c)
        cf = Fraction(c, 2**K1)
        z1_low = min(z1_low, lo * cf - 1)
        z1_high = max(z1_high, hi * cf - 1)
    # m < hi, so z1 < z1_high; z1 is held with 125 fraction bits in a signed 128-bit integer.
    assert -Fraction(1, 2**8) < z1_low and z1_high <= Fraction(1, 2**8), (z1_low, z1_high)

    # Stage 2 entry j is centred on z1 = (j - OFFSET) * 2**-17.
    offset = -((z1_low / STEP2 + Fraction(1, 2)).__floor__())
    count = offset + (z1_high / STEP2 + Fraction(1, 2)).__floor__() + 1
    c2 = []
    worst = Fraction(0)
    for j in range(count):
        centre = (j - offset) * STEP2
        lo = max(centre - STEP2 / 2, z1_low)
        hi = min(centre + STEP2 / 2, z1_high)
        assert lo < hi
        c = 2**K2 if j == offset else round(Fraction(2**K2) / (1 + centre))
        c2.append(c)
        cf = Fraction(c, 2**K2)
        for z in (lo, hi):
            worst = max(worst, abs((1 + z) * cf - 1))
    # z2 is kept in a signed 128-bit integer with 144 fraction bits.
    assert worst * 2**144 < 2**127, float(worst)

    ln2 = fixed(Decimal(2).ln())
    with open(path, "w") as out:
        out.write("// Reduction tables of the binary128 natural logarithm (numeric/fast_log.cpp),\n")
        out.write("// written by scripts/make_log_tables.py; do not edit by hand.\n")
        out.write("#pragma once\n\n#include <cstdint>\n\nnamespace tarvex::log_tables {\n\n")
        out.write("struct Entry {\n    std::uint64_t c;           // the multiplier's integer numerator\n")
        out.write("    std::uint64_t minus_log[3]; // -log(c), 176 fraction bits, low limb first\n};\n\n")
        out.write("inline constexpr int STAGE2_OFFSET = %d; // the entry with c2 = 1\n" % offset)
        out.write("inline constexpr std::uint64_t LN2[3] = {%s};\n\n" % ", ".join("0x%016xULL" % w for w in ln2))
        for name, cs, k in (("STAGE1", c1, K1), ("STAGE2", c2, K2)):
            out.write("inline constexpr Entry %s[%d] = {\n" % (name, len(cs)))
            for c in cs:
                limbs = fixed(minus_log(c, k))
                out.write("    {%d, {%s}},\n" % (c, ", ".join("0x%016xULL" % w for w in limbs)))
            out.write("};\n\n")
        out.write("} // namespace tarvex::log_tables\n")
    print("z1 in [%.6g, %.6g], |z2| < 2**%.4f" % (float(z1_low), float(z1_high),
          __import__("math").log2(float(worst))))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "numeric/log_tables.hpp")
