#!/usr/bin/env python3
"""Writes regress/ols/normal_class_table.hpp: the bounds of the goodness-of-fit classes.

For G classes (3 to 20) the G - 1 bounds are z_g = Q(p_g), g = 1 .. G-1, where p_g is g/G
rounded to binary128 (as the engine forms it) and Q the standard normal quantile,
Q(p) = sqrt(2) erfinv(2p - 1), evaluated by mpmath at 400 bits and rounded to nearest binary128.
"""
import sys

import mpmath

FIRST, LAST = 3, 20


def literal(value):
    """A binary128 value as a hexadecimal C++ literal, exact."""
    sign, man, exp, _ = value._mpf_
    if man == 0:
        return "0x0p0Q"
    return "%s0x%xp%dQ" % ("-" if sign else "", man, exp)


def bounds(classes):
    out = []
    for g in range(1, classes):
        with mpmath.workprec(113):
            p = mpmath.mpf(g) / classes  # g/G rounded to binary128
        with mpmath.workprec(400):
            q = mpmath.sqrt(2) * mpmath.erfinv(2 * p - 1)
        with mpmath.workprec(113):
            out.append(+q)  # rounded to nearest binary128
    return out


def main(path):
    lines = [
        "// The bounds of the goodness-of-fit classes of the residuals: for G classes the standard",
        "// normal quantiles at g/G (rounded to binary128), g = 1 .. G-1, each correctly rounded.",
        "// Written by scripts/make_normal_class_tables.py (mpmath, 400 bits); do not edit by hand.",
        "#pragma once",
        "",
        '#include "numeric/real.hpp"',
        "",
        "namespace tarvex::normal_class_table {",
        "",
        "inline constexpr int FIRST = %d, LAST = %d; // the numbers of classes tabulated" % (FIRST, LAST),
        "",
        "// The classes' bounds, G = FIRST .. LAST one after the other (G - 1 values each).",
        "inline constexpr Real BOUNDS[] = {",
    ]
    for classes in range(FIRST, LAST + 1):
        lines.append("    // %d classes" % classes)
        lines.extend("    %s," % literal(v) for v in bounds(classes))
    lines += [
        "};",
        "",
        "// The place of the first bound of G classes in BOUNDS.",
        "constexpr int offset(int classes) {",
        "    return (classes - FIRST) * (classes + FIRST - 3) / 2;",
        "}",
        "",
        "} // namespace tarvex::normal_class_table",
    ]
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "regress/ols/normal_class_table.hpp")
