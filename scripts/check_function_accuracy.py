#!/usr/bin/env python3
"""Compares the dump of bench/verify_fast_exp or bench/verify_fast_cos (argument, the
integer-arithmetic result, libquadmath's result, as binary128 bits) with the function computed by
mpmath at 300 bits: the largest error of each in units in the last place, how many results of
each are not the nearest binary128 number, and how many differ from each other.

Usage: build/bench/verify_fast_exp 1000000 | scripts/check_function_accuracy.py exp [processes]
       build/bench/verify_fast_cos 1000000 | scripts/check_function_accuracy.py cos [processes]
"""
import multiprocessing
import sys

import mpmath
from binary128_bits import ulp, value

mpmath.mp.prec = 300
FUNCTIONS = {"exp": mpmath.exp, "cos": mpmath.cos}
FUNCTION = FUNCTIONS[sys.argv[1] if len(sys.argv) > 1 else "exp"]


def check(lines):
    worst = [0.0, 0.0]
    worst_x = [None, None]
    not_nearest = [0, 0]
    differ = 0
    for line in lines:
        x, fast, lib = (int(t, 16) for t in line.split())
        exact = FUNCTION(value(x))
        for k, r in enumerate((fast, lib)):
            if (r >> 112) & 0x7FFF == 0x7FFF or r == 0:
                continue
            err = abs(value(r) - exact)
            half_gap = ulp(r) / 2
            if (r & ((1 << 112) - 1)) == 0 and abs(exact) < abs(value(r)):
                half_gap /= 2  # below a power of 2 the spacing is half the result's unit
            if err > half_gap:
                not_nearest[k] += 1
            err = float(err / ulp(r))
            if err > worst[k]:
                worst[k], worst_x[k] = err, x
        differ += fast != lib
    return worst, worst_x, not_nearest, differ, len(lines)


def main():
    processes = int(sys.argv[2]) if len(sys.argv) > 2 else 1
    lines = sys.stdin.read().split("\n")
    lines = [l for l in lines if l]
    chunks = [lines[k::processes] for k in range(processes)]
    with multiprocessing.Pool(processes) as pool:
        results = pool.map(check, chunks)
    worst, worst_x, not_nearest, differ, total = [0.0, 0.0], [None, None], [0, 0], 0, 0
    for w, wx, nn, d, t in results:
        for k in range(2):
            if w[k] > worst[k]:
                worst[k], worst_x[k] = w[k], wx[k]
            not_nearest[k] += nn[k]
        differ += d
        total += t
    names = ("fast_" + sys.argv[1], sys.argv[1] + "q") if len(sys.argv) > 1 else ("fast_exp", "expq")
    for k, name in enumerate(names):
        print("%-8s max error %.6f ulp (x bits %s), %d of %d not the nearest value"
              % (name, worst[k], "%032x" % worst_x[k] if worst_x[k] is not None else "-",
                 not_nearest[k], total))
    print("results differing between the two: %d" % differ)


if __name__ == "__main__":
    main()
