#!/usr/bin/env python3
"""Accuracy of the expression language's elementary and special functions (COS ... LOG10,
the normal distribution function and its quantile) against mpmath at 300 bits.

Draws arguments for each function (random ones over the useful range and the hard cases: next
to multiples of pi/2 for COS and TAN, the far tail of ERFC, the poles and the overflow edge of
GAMMA, probabilities down to 1e-4000 and next to 1/2 and 1 for INVNCDF), runs them through
bench/verify_expr_functions and prints, per function, the number of arguments and the largest
error in units in the last place of the engine's result and of libquadmath's.

Usage: scripts/check-functions-accuracy.py BUILD/bench/verify_expr_functions [per-function] [seed]
           [functions,...] [--table FILE]
With --table, also writes the hard-case table of tests/unit/test_elementary_functions.cpp: for
each function the arguments where libquadmath was furthest off, with mpmath's value rounded to
the nearest binary128 number.
"""
import multiprocessing
import random
import subprocess
import sys

import mpmath
from binary128_bits import ulp, value

mpmath.mp.prec = 300


def to_bits(x):
    """Bits of the binary128 number nearest to the mpf x (normal range)."""
    with mpmath.workprec(113):
        x = +mpmath.mpf(x)
    if x == 0:
        return 0
    sign = 1 if x < 0 else 0
    m, e = mpmath.frexp(abs(x))
    sig = int(mpmath.ldexp(m, 113))
    field = e - 1 + 16383
    return (sign << 127) | (field << 112) | (sig - (1 << 112))


def neighbours(bits, spread=2):
    return [bits + d for d in range(-spread, spread + 1)]


def log_uniform(rng, lo, hi, signed=False):
    x = mpmath.mpf(10) ** mpmath.mpf(rng.uniform(lo, hi))
    x *= 1 + mpmath.mpf(rng.random()) * mpmath.mpf(2) ** -60  # fill the low bits
    return -x if signed and rng.random() < 0.5 else x


def uniform(rng, lo, hi):
    return mpmath.mpf(lo) + (mpmath.mpf(hi) - lo) * mpmath.mpf(rng.getrandbits(200)) / 2**200


def arguments(name, n, rng):
    """Argument bits for one function: random ones and hard cases."""
    out = []
    pi = mpmath.pi
    if name in ("cos", "tan"):
        for _ in range(n // 4):
            out.append(to_bits(uniform(rng, -10, 10)))
            out.append(to_bits(log_uniform(rng, -30, 30, True)))
        for _ in range(n // 10):  # next to (2k+1) pi/2 and k pi, k up to 1e6
            k = rng.randint(0, 10**6)
            out += neighbours(to_bits((2 * k + 1) * pi / 2))
            out.append(to_bits(k * pi))
    elif name == "atan":
        for _ in range(n):
            out.append(to_bits(log_uniform(rng, -40, 40, True)))
    elif name in ("asin", "acos"):
        for _ in range(n // 2):
            out.append(to_bits(uniform(rng, -1, 1)))
        for _ in range(n // 4):  # next to +-1 and to 0
            out.append(to_bits((1 - mpmath.ldexp(1, -rng.randint(1, 112))) * rng.choice((-1, 1))))
            out.append(to_bits(log_uniform(rng, -40, 0, True)))
    elif name in ("sinh", "cosh", "tanh"):
        for _ in range(n // 2):
            out.append(to_bits(log_uniform(rng, -30, 1.5, True)))
            out.append(to_bits(uniform(rng, -11356, 11356)))
    elif name == "erf":
        for _ in range(n // 2):
            out.append(to_bits(log_uniform(rng, -30, 1, True)))
            out.append(to_bits(uniform(rng, -12, 12)))
    elif name == "erfc":
        for _ in range(n // 2):
            out.append(to_bits(uniform(rng, -10, 106)))  # the far tail down to 1e-4880
            out.append(to_bits(log_uniform(rng, -30, 1, True)))
    elif name == "gamma":
        for _ in range(n // 4):
            out.append(to_bits(uniform(rng, -170, 1755)))
            out.append(to_bits(log_uniform(rng, -30, 0.5, True)))
            out.append(to_bits(uniform(rng, 1700, 1755.45)))  # large x up to the overflow edge
            k = rng.randint(1, 170)  # next to the poles
            out.append(to_bits(-k + log_uniform(rng, -30, -1, True)))
    elif name == "log10":
        for _ in range(n // 3):
            out.append(to_bits(log_uniform(rng, -4900, 4900)))
            out.append(to_bits(1 + log_uniform(rng, -33, -1, True)))
            out += neighbours(to_bits(mpmath.mpf(10) ** rng.randint(-40, 40)), 1)[::2]
    elif name in ("ncdf", "xncdf"):
        for _ in range(n // 2):
            out.append(to_bits(uniform(rng, -106, 10)))
            out.append(to_bits(log_uniform(rng, -30, 1, True)))
    elif name == "invncdf":
        for _ in range(n // 4):
            out.append(to_bits(log_uniform(rng, -4000, -0.302)))  # 1e-4000 .. 0.5
            out.append(to_bits(1 - log_uniform(rng, -34, -0.302)))  # next to 1
            out.append(to_bits(mpmath.mpf(0.5) + log_uniform(rng, -34, -1, True)))  # next to 1/2
            out.append(to_bits(uniform(rng, 0, 1)))
    return out


def normal_quantile(p, start):
    """x with Phi(x) = p by Newton steps at 300 bits on log Phi(x) = log p (p <= 1/2), which
    converge from a rough start even in the far tail; p > 1/2 by symmetry."""
    if p > 0.5:
        return -normal_quantile(1 - p, -start)
    x = min(start, mpmath.mpf(0))
    target = mpmath.log(p)
    for _ in range(200):
        cdf = mpmath.ncdf(x)
        dx = (mpmath.log(cdf) - target) * cdf / mpmath.npdf(x)
        x -= dx
        if abs(dx) <= abs(x) * mpmath.ldexp(1, -280) + mpmath.ldexp(1, -16600):
            break
    return x


EXACT = {
    "cos": mpmath.cos, "tan": mpmath.tan, "atan": mpmath.atan, "asin": mpmath.asin,
    "acos": mpmath.acos, "sinh": mpmath.sinh, "cosh": mpmath.cosh, "tanh": mpmath.tanh,
    "erf": mpmath.erf, "erfc": mpmath.erfc, "gamma": mpmath.gamma,
    "log10": lambda x: mpmath.log(x, 10), "ncdf": mpmath.ncdf, "xncdf": mpmath.ncdf,
}


def check(job):
    name, lines = job
    worst = [0.0, 0.0]
    worst_x = [None, None]
    rows = []
    for line in lines:
        x, engine, lib = (int(t, 16) for t in line.split())
        if name == "invncdf":
            exact = normal_quantile(value(x), value(engine))
        else:
            exact = EXACT[name](value(x))
        for k, r in enumerate((engine, lib)):
            if (r >> 112) & 0x7FFF == 0x7FFF:
                continue  # NaN or infinite: outside the domain or past overflow
            if r == 0 and exact != 0:
                err = abs(exact) / ulp(0)
            else:
                err = abs(value(r) - exact) / ulp(r)
            err = float(err)
            if err > worst[k]:
                worst[k], worst_x[k] = err, x
            if k == 1 and abs(exact) > mpmath.ldexp(1, -16382) and abs(exact) < mpmath.ldexp(1, 16383):
                rows.append((err, x, to_bits(exact)))
    rows.sort(reverse=True)
    return name, len(lines), worst, worst_x, rows[:12]


def main():
    program = sys.argv[1]
    n = int(sys.argv[2]) if len(sys.argv) > 2 else 4000
    rng = random.Random(int(sys.argv[3]) if len(sys.argv) > 3 else 1)
    table = None
    if "--table" in sys.argv:
        at = sys.argv.index("--table")
        table = sys.argv[at + 1]
        del sys.argv[at:at + 2]
    names = sys.argv[4].split(",") if len(sys.argv) > 4 else [
        n for n in EXACT if n != "xncdf"] + ["invncdf"]
    text = []
    per = {}
    for name in names:
        args = arguments(name, n, rng)
        per[name] = len(args)
        text += ["%s %032x" % (name, b & ((1 << 128) - 1)) for b in args]
    run = subprocess.run([program], input="\n".join(text) + "\n", capture_output=True,
                         text=True, check=True)
    lines = run.stdout.split("\n")
    jobs, at = [], 0
    for name in names:
        chunk = lines[at:at + per[name]]
        at += per[name]
        for j in range(0, len(chunk), 500):
            jobs.append((name, chunk[j:j + 500]))
    result = {}
    with multiprocessing.Pool(2) as pool:
        for name, count, worst, worst_x, rows in pool.imap_unordered(check, jobs):
            r = result.setdefault(name, [0, [0.0, 0.0], [None, None], []])
            r[3] += rows
            r[0] += count
            for k in range(2):
                if worst[k] > r[1][k]:
                    r[1][k], r[2][k] = worst[k], worst_x[k]
    print("%-8s %8s %12s %12s  %s" % ("function", "args", "engine ulp", "library ulp",
                                      "worst engine argument"))
    failed = False
    for name in names:
        count, worst, worst_x, _ = result[name]
        print("%-8s %8d %12.3f %12.3f  %s" % (name, count, worst[0], worst[1],
                                              mpmath.nstr(value(worst_x[0]), 36)
                                              if worst_x[0] is not None else "-"))
        failed |= worst[0] > 1
    if table:
        write_table(table, names, result)
    sys.exit(1 if failed else 0)


def hard_extras():
    """Named hard cases the table always carries, whatever libquadmath did on them."""
    pi = mpmath.pi
    out = []
    for k in (0, 1, 2, 10, 355, 1000, 99999, 10**6):
        for name in ("cos", "tan"):
            out += [(name, b) for b in neighbours(to_bits((2 * k + 1) * pi / 2), 1)]
    for k in (1, 2, 3, 10, 100, 170):
        out.append(("gamma", to_bits(-k + mpmath.mpf(10) ** -20)))
        out.append(("gamma", to_bits(-k - mpmath.mpf(10) ** -30)))
    out += [("gamma", to_bits(x)) for x in (mpmath.mpf(10) ** -30, 1755.4, 1000.5, 0.5, 30)]
    out += [("erfc", to_bits(x)) for x in (27, 50, 100, 106, -5.5, 1e-20)]
    for p in (mpmath.mpf(10) ** -4000, mpmath.mpf(10) ** -300, mpmath.mpf(10) ** -20,
              mpmath.mpf(0.5) - mpmath.mpf(10) ** -30, mpmath.mpf(0.5) + mpmath.mpf(10) ** -25,
              1 - mpmath.mpf(10) ** -30, mpmath.mpf(0.975)):
        out.append(("invncdf", to_bits(p)))
    out += [("log10", to_bits(1 + mpmath.mpf(10) ** -30)), ("log10", to_bits(1 - mpmath.mpf(10) ** -33))]
    return out


def exact_bits(name, x):
    if name == "invncdf":
        return to_bits(normal_quantile(value(x), mpmath.mpf(0)))
    return to_bits(EXACT[name](value(x)))


def write_table(path, names, result):
    with open(path, "w") as out:
        out.write("// Hard cases of the expression language's functions: {function, argument bits,\n"
                  "// bits of mpmath's value at 300 bits rounded to the nearest binary128 number},\n"
                  "// the arguments where libquadmath's function was furthest off, then named hard\n"
                  "// cases (next to (2k+1) pi/2, the poles of gamma, the tail of erfc, quantiles of\n"
                  "// 1e-4000 and next to 1/2 and 1). Written by\n"
                  "// scripts/check-functions-accuracy.py --table; each row's comment gives the\n"
                  "// argument and the mpmath expression.\n")
        for name in names:
            rows = sorted(result[name][3], reverse=True)[:25]
            for err, x, exact in rows:
                write_row(out, name, x, exact)
        for name, x in hard_extras():
            write_row(out, name, x, exact_bits(name, x))


def write_row(out, name, x, exact):
    expr = "normal quantile" if name == "invncdf" else "mpmath." + (
        "log(x, 10)" if name == "log10" else name + "(x)")
    out.write("{\"%s\", 0x%016xULL, 0x%016xULL, 0x%016xULL, 0x%016xULL}, // %s, x = %s\n"
              % (name, x >> 64, x & (2**64 - 1), exact >> 64, exact & (2**64 - 1),
                 expr, mpmath.nstr(value(x), 36)))


if __name__ == "__main__":
    main()
