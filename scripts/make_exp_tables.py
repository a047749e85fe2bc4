#!/usr/bin/env python3
"""Writes numeric/exp_tables.hpp: the reduction tables of the binary128 exponential.

exp x = 2**n * 2**(j/256) * exp(i * 2**-17) * exp(r'), with N = 256 n + j the integer nearest
to x * 256 / log 2 and i the integer nearest to r * 2**17, r = x - N log 2 / 256. Stage 1 holds
2**(j/256) and j log 2 / 256, stage 2 holds exp(i * 2**-17); values are unsigned 192-bit fixed
point with 190 fraction bits, logarithms signed 192-bit with 176 fraction bits. The range of i
is checked here from the bound on r.
"""
from fractions import Fraction
import sys

import mpmath

mpmath.mp.prec = 300
VALUE_BITS = 190
LOG_BITS = 176
N1 = 256
STEP2 = Fraction(1, 2**17)


def limbs(n):
    assert 0 <= n < 2**192
    return [(n >> (64 * k)) & ((1 << 64) - 1) for k in range(3)]


def fixed(value, bits):
    return int(mpmath.nint(value * mpmath.mpf(2) ** bits))


def text(ls):
    return "{" + ", ".join("0x%016xULL" % v for v in ls) + "}"


def main(path):
    ln2 = mpmath.log(2)
    # N is the nearest integer to x * 256/log 2 formed from x truncated to 48 fraction bits and
    # a 55-bit multiplier, so |x*256/log 2 - N| stays below 1/2 + 2**-20 for |x| < 2**14.
    r_bound = (mpmath.mpf(1) / 2 + mpmath.mpf(2) ** -20) * ln2 / N1
    i_max = int(mpmath.ceil(r_bound / (mpmath.mpf(2) ** -17) + mpmath.mpf(1) / 2))
    out = []
    out.append("// Reduction tables of the binary128 exponential (numeric/fast_exp.cpp),")
    out.append("// written by scripts/make_exp_tables.py; do not edit by hand.")
    out.append("#pragma once")
    out.append("")
    out.append("#include <cstdint>")
    out.append("")
    out.append("namespace tarvex::exp_tables {")
    out.append("")
    out.append("struct Stage1 {")
    out.append("    std::uint64_t value[3]; // 2**(j/256), 190 fraction bits, low limb first")
    out.append("    std::uint64_t log[3];   // j log 2 / 256, 176 fraction bits, low limb first")
    out.append("};")
    out.append("")
    multiplier = int(mpmath.nint(N1 / ln2 * mpmath.mpf(2) ** 55))
    assert multiplier < 2**64
    out.append("// 256 / log 2 with 55 fraction bits.")
    out.append("inline constexpr std::uint64_t INVERSE_LOG_STEP = 0x%016xULL;" % multiplier)
    out.append("// log 2 with 176 fraction bits, low limb first.")
    out.append("inline constexpr std::uint64_t LN2[3] = %s;" % text(limbs(fixed(ln2, LOG_BITS))))
    out.append("inline constexpr int STAGE2_OFFSET = %d; // the entry with i = 0" % i_max)
    out.append("")
    out.append("inline constexpr Stage1 STAGE1[%d] = {" % N1)
    for j in range(N1):
        v = fixed(mpmath.mpf(2) ** (mpmath.mpf(j) / N1), VALUE_BITS)
        g = fixed(j * ln2 / N1, LOG_BITS)
        out.append("    {%s, %s}," % (text(limbs(v)), text(limbs(g))))
    out.append("};")
    out.append("")
    out.append("// exp(i * 2**-17) for i = -STAGE2_OFFSET .. STAGE2_OFFSET, 190 fraction bits.")
    out.append("inline constexpr std::uint64_t STAGE2[%d][3] = {" % (2 * i_max + 1))
    for i in range(-i_max, i_max + 1):
        v = fixed(mpmath.exp(mpmath.mpf(i) * mpmath.mpf(2) ** -17), VALUE_BITS)
        out.append("    %s," % text(limbs(v)))
    out.append("};")
    out.append("")
    out.append("} // namespace tarvex::exp_tables")
    with open(path, "w") as f:
        f.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "numeric/exp_tables.hpp")
