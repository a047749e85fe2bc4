# Exact reference for FUZZY: the fuzzy regression program
#   minimise sum_j c_j sum_i |x_ij|
#   subject to a'x_i + (1-h) c'|x_i| >= y_i,  a'x_i - (1-h) c'|x_i| <= y_i,  c >= 0
# solved in Fractions by visiting every vertex (2K constraints active out of 2N + K), keeping
# the feasible ones with the least objective. It also says whether that optimum is a single
# vertex (so any correct solver must return it). Run: python3 fuzzy_rational_reference.py
from fractions import Fraction as F
from itertools import combinations


def solve(A, b):
    n = len(A)
    M = [row[:] + [b[i]] for i, row in enumerate(A)]
    for col in range(n):
        piv = next((r for r in range(col, n) if M[r][col] != 0), None)
        if piv is None:
            return None
        M[col], M[piv] = M[piv], M[col]
        for r in range(n):
            if r != col and M[r][col] != 0:
                f = M[r][col] / M[col][col]
                M[r] = [u - f * v for u, v in zip(M[r], M[col])]
    return [M[i][n] / M[i][i] for i in range(n)]


def fuzzy(xcols, y, h):
    k, n = len(xcols), len(y)
    w = 1 - h
    rows = []  # (coefficients g, right side r): g'(a, c) >= r
    for i in range(n):
        ax = [xcols[j][i] for j in range(k)]
        sx = [abs(v) for v in ax]
        rows.append((ax + [w * s for s in sx], y[i]))
        rows.append(([-v for v in ax] + [w * s for s in sx], -y[i]))
    for j in range(k):
        rows.append(([F(0)] * (k + j) + [F(1)] + [F(0)] * (k - j - 1), F(0)))
    cost = [F(0)] * k + [sum(abs(v) for v in xcols[j]) for j in range(k)]
    best, where = None, []
    for active in combinations(range(len(rows)), 2 * k):
        z = solve([rows[r][0] for r in active], [rows[r][1] for r in active])
        if z is None:
            continue
        if any(sum(g * v for g, v in zip(rows[r][0], z)) < rows[r][1] for r in range(len(rows))):
            continue
        val = sum(c * v for c, v in zip(cost, z))
        if best is None or val < best:
            best, where = val, [z]
        elif val == best and z not in where:
            where.append(z)
    return best, where


def show(label, xcols, y, h):
    best, where = fuzzy(xcols, y, h)
    print(label, "h =", h, "optimal vertices:", len(where))
    for z in where:
        k = len(xcols)
        for name, v in zip(["a%d" % j for j in range(k)] + ["c%d" % j for j in range(k)], z):
            print("  %s = %s = %s" % (name, v, decimal40(v)))
    print("  total spread =", best, "=", decimal40(best))


def decimal40(q):
    sign = "-" if q < 0 else ""
    q = abs(q)
    whole = q.numerator // q.denominator
    rest = q - whole
    digits = ""
    for _ in range(40):
        rest *= 10
        d = rest.numerator // rest.denominator
        digits += str(d)
        rest -= d
    return "%s%d.%s" % (sign, whole, digits)


# Case 1: x = 1..6, y in halves; the regressor first, the intercept last (the report's order).
X1 = [F(v) for v in [1, 2, 3, 4, 5, 6]]
Y1 = [F(v) for v in ["2.5", "3", "5.5", "5", "7.5", "8"]]
ONE = [F(1)] * 6
show("case 1", [X1, ONE], Y1, F(0))
show("case 1", [X1, ONE], Y1, F(1, 2))
