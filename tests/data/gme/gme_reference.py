# Reference values for GME: the dual of the maximum entropy problem minimised by Newton's method
# in mpmath at 40 digits (python3 gme_reference.py). The data are typed into
# tests/unit/test_gme_fls_reference.cpp and tests/golden/gme/estimates.tvx.
from mpmath import mp, mpf, matrix, exp, log, sqrt, lu_solve

mp.dps = 40
y = [mpf(v) for v in "1.2 2.9 3.1 2.0 4.4 3.0 6.2 4.1 6.0 5.3".split()]
x1 = [mpf(v) for v in range(1, 11)]
x2 = [mpf(v) for v in "2.1 3.5 1.2 4.8 3.3 5.9 2.2 6.1 4.4 7.0".split()]
X = [x1, x2, [mpf(1)] * 10]  # columns: X1, X2, CONSTANT
n, k = len(y), len(X)
Z = [[mpf(-20), mpf(-10), mpf(0), mpf(10), mpf(20)]] * k  # BSUPPORT, common
ybar = sum(y) / n
sigma = sqrt(sum((v - ybar) ** 2 for v in y) / (n - 1))


def esupport(j):
    return [3 * sigma * (mpf(2 * i) / (j - 1) - 1) for i in range(j)]


def moments(z, u):
    a = [-zz * u for zz in z]
    top = max(a)
    e = [exp(v - top) for v in a]
    s = sum(e)
    p = [v / s for v in e]
    mean = sum(pp * zz for pp, zz in zip(p, z))
    var = sum(pp * (zz - mean) ** 2 for pp, zz in zip(p, z))
    return top + log(s), mean, var, p


def solve(V):
    lam = [mpf(0)] * n
    for it in range(100):
        u = [sum(X[c][i] * lam[i] for i in range(n)) for c in range(k)]
        cm = [moments(Z[c], u[c]) for c in range(k)]
        em = [moments(V, lam[i]) for i in range(n)]
        g = [y[i] - em[i][1] - sum(X[c][i] * cm[c][1] for c in range(k)) for i in range(n)]
        H = matrix(n, n)
        for i in range(n):
            for j in range(n):
                H[i, j] = sum(X[c][i] * X[c][j] * cm[c][2] for c in range(k))
            H[i, i] += em[i][2]
        step = lu_solve(H, matrix(g))
        lam = [lam[i] - step[i] for i in range(n)]  # full Newton steps converge from 0 here
        if max(abs(s) for s in step) < mpf(10) ** -35:
            break
    u = [sum(X[c][i] * lam[i] for i in range(n)) for c in range(k)]
    cm = [moments(Z[c], u[c]) for c in range(k)]
    em = [moments(V, lam[i]) for i in range(n)]
    beta = [m[1] for m in cm]
    hk = [-sum(p * log(p) for p in m[3]) / log(len(Z[0])) for m in cm]
    he = sum(-sum(p * log(p) for p in m[3]) for m in em) / (n * log(len(V)))
    ent = sum(hk) * log(len(Z[0])) + he * n * log(len(V))
    s2 = (sum(l * l for l in lam) / n) / (sum(1 / m[2] for m in em) / n) ** 2
    XtX = matrix(k, k)
    for a in range(k):
        for b in range(k):
            XtX[a, b] = sum(X[a][i] * X[b][i] for i in range(n))
    cov = s2 * XtX ** -1
    print("J =", len(V), "iterations", it)
    print("beta", [mp.nstr(b, 20) for b in beta])
    print("se", [mp.nstr(sqrt(cov[c, c]), 20) for c in range(k)])
    print("S(p)", mp.nstr(sum(hk) / k, 20), "S_k", [mp.nstr(h, 20) for h in hk])
    print("S(w)", mp.nstr(he, 20), "entropy", mp.nstr(ent, 20), "sigma2_beta", mp.nstr(s2, 20))
    sse = sum((y[i] - sum(X[c][i] * beta[c] for c in range(k))) ** 2 for i in range(n))
    print("sse", mp.nstr(sse, 20), "sigma", mp.nstr(sigma, 20))


solve(esupport(3))
solve(esupport(5))
# BSUPPORT as a 3 by 3 matrix, one row per coefficient, with ESUPPORT = (-4, 0, 4)
Z = [[mpf(-1), mpf(0), mpf(3)], [mpf(-4), mpf(0), mpf(2)], [mpf(-5), mpf(0), mpf(10)]]
solve([mpf(-4), mpf(0), mpf(4)])
