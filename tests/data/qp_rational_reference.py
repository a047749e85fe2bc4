#!/usr/bin/env python3
"""Exact rational references for QP and PORTFOLI (tests/unit/test_qp_reference.cpp).

A small convex quadratic program is solved by trying every working set: the KKT system of each
(stationarity over all variables, the working constraints as equalities) is solved in Fractions
and the one that is feasible with multipliers of the right signs is the optimum. Portfolios use
the sample means and covariance (divisor n - 1) of the decimal returns as exact rationals and
the closed forms with short sales; without short sales every point is such a program.
"""
from fractions import Fraction as F
from itertools import combinations


def solve(a, b):
    n = len(a)
    m = [row[:] + [b[i]] for i, row in enumerate(a)]
    for k in range(n):
        p = next((i for i in range(k, n) if m[i][k] != 0), None)
        if p is None:
            return None
        m[k], m[p] = m[p], m[k]
        for i in range(n):
            if i != k and m[i][k] != 0:
                f = m[i][k] / m[k][k]
                m[i] = [x - f * y for x, y in zip(m[i], m[k])]
    return [m[i][n] / m[i][i] for i in range(n)]


def qp(q, c, rows):
    """rows: (a, b, sense) with sense -1 <=, 0 =, 1 >=. Returns x, y (one per row), value."""
    n = len(c)
    eq = [i for i, r in enumerate(rows) if r[2] == 0]
    ineq = [i for i, r in enumerate(rows) if r[2] != 0]
    for size in range(0, len(ineq) + 1):
        for pick in combinations(ineq, size):
            w = eq + list(pick)
            k = len(w)
            # [Q -A_w'; A_w 0] [x; y] = [-c; b_w]  (Qx + c = A_w' y)
            mat = [[q[i][j] for j in range(n)] + [-rows[w[t]][0][i] for t in range(k)]
                   for i in range(n)]
            mat += [list(rows[w[t]][0]) + [F(0)] * k for t in range(k)]
            sol = solve(mat, [-v for v in c] + [rows[w[t]][1] for t in range(k)])
            if sol is None:
                continue
            x, yw = sol[:n], sol[n:]
            ok = True
            for i, (a, bb, s) in enumerate(rows):
                ax = sum(u * v for u, v in zip(a, x))
                if (s == -1 and ax > bb) or (s == 1 and ax < bb) or (s == 0 and ax != bb):
                    ok = False
            for t, i in enumerate(w):
                s = rows[i][2]
                if (s == -1 and yw[t] > 0) or (s == 1 and yw[t] < 0):
                    ok = False
            if ok:
                y = [F(0)] * len(rows)
                for t, i in enumerate(w):
                    y[i] = yw[t]
                val = sum(x[i] * q[i][j] * x[j] for i in range(n) for j in range(n)) / 2 + \
                    sum(ci * xi for ci, xi in zip(c, x))
                return x, y, val
    raise ValueError("no working set")


def dec(v, digits=40):
    from decimal import Decimal, getcontext
    getcontext().prec = digits
    if v == 0:
        return '0'
    return format(Decimal(v.numerator) / Decimal(v.denominator), '.%de' % (digits - 1))


def show(name, values):
    print(name, ' '.join('"%s",' % dec(v) for v in values))


def textbook():
    q = [[F(1), F(-1)], [F(-1), F(2)]]
    c = [F(-2), F(-6)]
    rows = [([F(1), F(1)], F(2), -1), ([F(-1), F(2)], F(2), -1), ([F(2), F(1)], F(3), -1),
            ([F(1), F(0)], F(0), 1), ([F(0), F(1)], F(0), 1)]
    x, y, v = qp(q, c, rows)
    show("textbook x", x)
    show("textbook y rows", y[:3])
    show("textbook z bounds", y[3:])
    show("textbook value", [v])


def ge_rows():
    q = [[F(int(i == j)) for j in range(3)] for i in range(3)]
    c = [F(0), F(-5), F(0)]
    rows = [([F(-4), F(-3), F(0)], F(-8), 1), ([F(2), F(1), F(0)], F(2), 1),
            ([F(0), F(-2), F(1)], F(0), 1)]
    x, y, v = qp(q, c, rows)
    show("ge x", x)
    show("ge y", y)
    show("ge value", [v])


RETURNS = """1.2 0.4 2.5 -0.3
-0.8 0.9 -1.7 0.6
2.1 0.2 3.9 0.1
0.5 0.7 -0.6 0.8
1.7 -0.1 2.2 -0.2
-0.3 0.8 1.4 0.5
0.9 0.3 -2.1 0.9
1.4 0.6 4.2 0.0
-1.1 0.5 0.3 0.7
2.4 0.1 1.9 -0.4
0.6 0.9 -0.8 0.3
1.3 0.2 2.8 0.4"""


def portfolios():
    data = [[F(v) for v in line.split()] for line in RETURNS.splitlines()]
    n, k = len(data), len(data[0])
    mu = [sum(r[j] for r in data) / n for j in range(k)]
    cov = [[sum((r[a] - mu[a]) * (r[b] - mu[b]) for r in data) / (n - 1) for b in range(k)]
           for a in range(k)]
    s1 = solve(cov, [F(1)] * k)
    sm = solve(cov, mu)
    A, B, C = sum(s1), sum(sm), sum(u * v for u, v in zip(mu, sm))
    D = A * C - B * B
    show("minvar weights", [v / A for v in s1])
    show("minvar mean var", [B / A, 1 / A])
    t = F(1)
    w = [((C - B * t) * u + (A * t - B) * v) / D for u, v in zip(s1, sm)]
    show("frontier t=1 weights", w)
    show("frontier t=1 var", [(A * t * t - 2 * B * t + C) / D])
    rf = F(1, 5)
    w = [(v - rf * u) / (B - A * rf) for u, v in zip(s1, sm)]
    show("tangency rf=0.2 weights", w)
    # Without short sales: the program at target mean 0.8 over the bounds w >= 0.
    rows = [([F(1)] * k, F(1), 0), (mu, F(4, 5), 0)] + \
        [([F(int(i == j)) for j in range(k)], F(0), 1) for i in range(k)]
    x, y, v = qp(cov, [F(0)] * k, rows)
    show("noshort t=0.8 weights", x)
    show("noshort t=0.8 var", [2 * v])


textbook()
ge_rows()
portfolios()
