# Reference values for test_johansen_reference.cpp: Johansen's procedure written out in mpmath at
# 50 digits from its textbook formulas (concentrating regressions by the normal equations, the
# moment matrices, a Cholesky factor of S11, mpmath's eigsy). Run: python3 johansen_reference.py
import os
from mpmath import mp, matrix, mpf, eigsy, cholesky, log, lu_solve, inverse
mp.dps = 50
def cols(path, which):
    rows = [l.split() for l in open(path) if l.strip()]
    return [[mpf(r[c]) for r in rows] for c in which]
def johansen(x, K, terms):
    m = len(x); N = len(x[0]); T = N - K
    d = [[x[i][s+1]-x[i][s] for s in range(N-1)] for i in range(m)]
    Z = []
    for j in range(1, K):
        for i in range(m): Z.append([d[i][K-1-j+r] for r in range(T)])
    if terms in ("CONSTANT", "TREND"): Z.append([mpf(1)]*T)
    deps = [[d[i][K-1+r] for r in range(T)] for i in range(m)] + [[x[i][K-1+r] for r in range(T)] for i in range(m)]
    if terms == "RESTRICT": deps.append([mpf(1)]*T)
    if terms == "TREND": deps.append([mpf(K+r) for r in range(T)])
    res = []
    if Z:
        Zm = matrix(T, len(Z))
        for j, c in enumerate(Z):
            for r in range(T): Zm[r, j] = c[r]
        ZtZinv = inverse(Zm.T*Zm)
    for c in deps:
        y = matrix(c)
        if Z: y = y - Zm*(ZtZinv*(Zm.T*y))
        res.append(y)
    p = len(deps) - m
    def S(a, b): return (res[a].T*res[b])[0]/T
    S00 = matrix(m, m); S11 = matrix(p, p); S01 = matrix(m, p)
    for a in range(m):
        for b in range(m): S00[a, b] = S(a, b)
        for b in range(p): S01[a, b] = S(a, m+b)
    for a in range(p):
        for b in range(p): S11[a, b] = S(m+a, m+b)
    L = cholesky(S11); Li = inverse(L)
    A = Li*S01.T*inverse(S00)*S01*Li.T
    A = (A + A.T)/2
    E, Q = eigsy(A)
    order = sorted(range(p), key=lambda k: -E[k])
    lam = [E[k] for k in order]
    V = Li.T*Q
    vec = [[V[i, k]/V[0, k] for i in range(p)] for k in order]
    trace = [-T*sum(log(1-lam[i]) for i in range(r, m)) for r in range(m)]
    mx = [-T*log(1-lam[r]) for r in range(m)]
    load = []
    for v in vec:
        vv = matrix(v); q = (vv.T*S11*vv)[0]; w = S01*vv/q
        load.append([w[i] for i in range(m)])
    return lam, trace, mx, vec, load
def show(label, x, K, terms):
    lam, tr, mx, vec, load = johansen(x, K, terms)
    n = lambda v: mp.nstr(v, 22)
    print("==", label)
    print("lambda", [n(v) for v in lam])
    print("trace", [n(v) for v in tr]); print("max", [n(v) for v in mx])
    for k, v in enumerate(vec): print("vec", k, [n(a) for a in v])
    for k, v in enumerate(load): print("load", k, [n(a) for a in v])
DATA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "coint")
den = cols(os.path.join(DATA, "denmark.txt"), [0, 1, 3, 4])
gen = cols(os.path.join(DATA, "generated.txt"), [3, 2, 4])
show("denmark restricted K=2", den, 2, "RESTRICT")
show("denmark constant K=2", den, 2, "CONSTANT")
show("generated constant K=3", gen, 3, "CONSTANT")
show("generated trend K=2", gen, 2, "TREND")
