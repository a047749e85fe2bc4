#!/usr/bin/env python3
"""Exact rational solutions of the linear programs the LP reference test uses.

A dense tableau simplex in Fractions with Bland's rule (it cannot cycle) for
    maximise c'x  subject to  A x <= b,  x >= 0,  b >= 0,
printing the optimal x, the row duals y (shadow prices) and the objective to 40
significant digits, so that the binary128 values the engine stores can be compared
digit for digit.  Run: python3 tests/data/lp_rational_reference.py
"""
from fractions import Fraction as F
from decimal import Decimal, getcontext

getcontext().prec = 40


def simplex_max(c, A, b):
    m, n = len(A), len(c)
    # Tableau rows: [A | I | b]; objective row: [-c | 0 | 0].
    T = [[F(v) for v in A[i]] + [F(int(i == k)) for k in range(m)] + [F(b[i])] for i in range(m)]
    z = [-F(v) for v in c] + [F(0)] * m + [F(0)]
    basis = [n + i for i in range(m)]
    while True:
        enter = next((j for j in range(n + m) if z[j] < 0), None)
        if enter is None:
            break
        rows = [i for i in range(m) if T[i][enter] > 0]
        if not rows:
            raise ValueError("unbounded")
        best = min(T[i][-1] / T[i][enter] for i in rows)
        r = min((i for i in rows if T[i][-1] / T[i][enter] == best), key=lambda i: basis[i])
        p = T[r][enter]
        T[r] = [v / p for v in T[r]]
        for i in range(m):
            if i != r and T[i][enter] != 0:
                f = T[i][enter]
                T[i] = [a - f * bb for a, bb in zip(T[i], T[r])]
        f = z[enter]
        z = [a - f * bb for a, bb in zip(z, T[r])]
        basis[r] = enter
    x = [F(0)] * n
    for i, j in enumerate(basis):
        if j < n:
            x[j] = T[i][-1]
    y = z[n:n + m]
    return x, y, z[-1]


def show(name, values):
    print(name, ", ".join(str(Decimal(v.numerator) / Decimal(v.denominator)) for v in values))


def klee_minty(n):
    c = [2 ** (n - j) for j in range(1, n + 1)]
    A = [[2 ** (i - j + 1) if j < i else (1 if j == i else 0) for j in range(1, n + 1)]
         for i in range(1, n + 1)]
    b = [5 ** i for i in range(1, n + 1)]
    return c, A, b


# Beale's cycling example, minimise -3/4 x1 + 20 x2 - 1/2 x3 + 6 x4, as a maximisation.
BEALE = ([F(3, 4), -20, F(1, 2), -6],
         [[F(1, 4), -8, -1, 9], [F(1, 2), -12, F(-1, 2), 3], [0, 0, 1, 0]], [0, 0, 1])

# Badly scaled: coefficients from 2^-10 to about 1e7, integers and dyadic fractions, so that
# every datum is exact in binary128 and the rational optimum is that of the engine's input.
SCALED = ([1000000, 3, F(1, 1024), 250000],
          [[1, 2000000, 3, 1], [1000000, 1, 1, 7], [F(1, 64), 1, 1048576, 1], [3, 5, 1, 999999]],
          [4000000, 1000003, 33554432, 12345678])

if __name__ == "__main__":
    for n in (8, 9, 10):
        x, y, v = simplex_max(*klee_minty(n))
        print("KLEE-MINTY", n)
        show(" x", x); show(" y", y); show(" objective", [v])
    for name, prob in (("BEALE", BEALE), ("SCALED", SCALED)):
        x, y, v = simplex_max(*prob)
        print(name)
        show(" x", x); show(" y", y); show(" objective", [v])
