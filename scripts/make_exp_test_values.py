#!/usr/bin/env python3
"""Writes tests/unit/exp_reference_values.hpp: binary128 arguments and their exponentials
correctly rounded, from mpmath at 400 bits, as exact hexadecimal literals.

Arguments: small integers and simple fractions, multiples of log 2 and their neighbours, values
near the ends of the normal range and of the tiny-argument range, and random binary128 values
uniform on [-50, 50], on [-11355, 11355] and spread in log scale from 2**-64 to 2**13.
"""
import random
import sys

import mpmath

mpmath.mp.prec = 400
BITS = 112  # stored fraction bits


def to_binary128(v):
    """The binary128 value nearest to v (a normal, non-zero number) as (sign, exponent, m)."""
    sign = v < 0
    v = abs(v)
    e = int(mpmath.floor(mpmath.log(v, 2)))
    m = int(mpmath.nint(v * mpmath.mpf(2) ** (BITS - e)))
    if m < 2**BITS:  # the logarithm's floor was one too high
        e -= 1
        m = int(mpmath.nint(v * mpmath.mpf(2) ** (BITS - e)))
    if m >= 2**(BITS + 1):
        e += 1
        m = int(mpmath.nint(v * mpmath.mpf(2) ** (BITS - e)))
    assert 2**BITS <= m < 2**(BITS + 1)
    return sign, e, m


def literal(sign, e, m):
    return "%s0x1.%028xp%+dQ" % ("-" if sign else "", m - 2**BITS, e)


def value(sign, e, m):
    v = mpmath.mpf(m) * mpmath.mpf(2) ** (e - BITS)
    return -v if sign else v


def main(path):
    rng = random.Random(20261207)
    args = []
    for k in [k for k in range(-40, 41) if k != 0] + [100, -100, 700, -700, 1000, -1000, 11000, -11000]:
        args.append(mpmath.mpf(k))
    for k in (0.5, 0.25, 0.1, 1e-3, 1e-6, 1e-10, 1e-15, 1e-19):
        args += [mpmath.mpf(k), -mpmath.mpf(k)]
    ln2 = mpmath.log(2)
    for n in (1, 2, 10, 100, 1000, 16000):
        for s in (1, -1):
            x = to_binary128(s * n * ln2)
            args.append(value(*x))
            for d in (-1, 1):
                args.append(value(x[0], x[1], x[2] + d))
    for x in (11354.9, -11354.9, 11355, -11355):
        args.append(mpmath.mpf(x))
    while len(args) < 340:
        kind = len(args) % 3
        if kind == 0:
            x = rng.uniform(-50, 50)
        elif kind == 1:
            x = rng.uniform(-11355, 11355)
        else:
            x = rng.choice((-1, 1)) * 2.0 ** rng.uniform(-64, 13)
        # all 113 bits random
        s, e, m = to_binary128(mpmath.mpf(x))
        m = 2**BITS + rng.getrandbits(BITS)
        if abs(value(s, e, m)) <= 11355:  # results stay normal numbers
            args.append(value(s, e, m))
    lines = [
        "// exp of binary128 arguments correctly rounded, from mpmath at 400 bits; written by",
        "// scripts/make_exp_test_values.py, do not edit by hand.",
        "#pragma once",
        "",
        "#include \"numeric/real.hpp\"",
        "",
        "namespace tarvex::exp_reference {",
        "",
        "struct Case {",
        "    Real x;",
        "    Real exp_x;",
        "};",
        "",
        "inline const Case CASES[] = {",
    ]
    for a in args:
        x = to_binary128(a)
        assert value(*x) == a, a
        y = to_binary128(mpmath.exp(value(*x)))
        lines.append("    {%s, %s}," % (literal(*x), literal(*y)))
    lines += ["};", "", "} // namespace tarvex::exp_reference", ""]
    with open(path, "w") as f:
        f.write("\n".join(lines))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "tests/unit/exp_reference_values.hpp")
