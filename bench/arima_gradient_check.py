#!/usr/bin/env python3
"""Checks in 60-digit arithmetic that a long series' ARIMA(2,1,2) estimates are the maximum of
the exact likelihood: a series is made (seeded), TARVEX estimates the model, and the gradient of
the exact Gaussian log-likelihood (Kalman filter from the stationary covariance, the variance
concentrated out) is taken here by central differences at the printed estimates; the Newton
correction H**-1 g it implies gives the digits the estimates share with the maximum.
    bench/arima_gradient_check.py TARVEX [N]"""
import os, random, subprocess, sys, tempfile
import mpmath as mp

mp.mp.dps = 60
exe = os.path.abspath(sys.argv[1])
n = int(sys.argv[2]) if len(sys.argv) > 2 else 20000
random.seed(20261208)
e = [random.gauss(0, 1) for _ in range(n + 500)]
w = []
for t in range(n + 500):
    v = e[t] + 0.4 * (e[t - 1] if t else 0) + 0.2 * (e[t - 2] if t > 1 else 0)
    v += 0.5 * (w[t - 1] if t else 0) - 0.3 * (w[t - 2] if t > 1 else 0)
    w.append(v)
ys, level = [], 0.0
d = tempfile.mkdtemp()
with open(os.path.join(d, "a.csv"), "w") as f:
    f.write("y\n")
    for v in w[500:]:
        level += v
        s = "%.6f" % level
        ys.append(mp.mpf(s))
        f.write(s + "\n")
with open(os.path.join(d, "a.tvx"), "w") as f:
    f.write("READ ('a.csv') / NAMES\nARIMA Y / NAR=2 NDIFF=1 NMA=2 COEF=B\nSMPL 1 4\n"
            "WRITE B / FORMAT=COMMA\nSTOP\n")
out = subprocess.run([exe, "a.tvx"], cwd=d, capture_output=True, text=True,
                     env=dict(os.environ, TARVEX_SETTINGS="/dev/null")).stdout.splitlines()
at = [i for i, l in enumerate(out) if "WRITE B" in l][0]
theta = [mp.mpf(out[at + 1 + i].strip()) for i in range(4)]
x = [ys[t] - ys[t - 1] for t in range(1, len(ys))]


def llf(th):
    phi = [th[0], th[1], mp.mpf(0)]
    rr = [mp.mpf(1), th[2], th[3]]
    r = 3
    idx = {}
    for i in range(r):
        for j in range(i, r):
            idx[(i, j)] = len(idx)
    m = len(idx)
    A = mp.zeros(m, m)
    b = mp.zeros(m, 1)
    get = lambda i, j: idx[(min(i, j), max(i, j))]
    for (i, j), row in idx.items():
        A[row, row] += 1
        A[row, get(0, 0)] -= phi[i] * phi[j]
        if j + 1 < r: A[row, get(0, j + 1)] -= phi[i]
        if i + 1 < r: A[row, get(0, i + 1)] -= phi[j]
        if i + 1 < r and j + 1 < r: A[row, get(i + 1, j + 1)] -= 1
        b[row] = rr[i] * rr[j]
    u = mp.lu_solve(A, b)
    P = [[u[get(i, j)] for j in range(r)] for i in range(r)]
    a = [mp.mpf(0)] * r
    S, L, t = mp.mpf(0), mp.mpf(0), 0
    tol = mp.mpf(10) ** -58
    while t < len(x):
        F = P[0][0]
        v = x[t] - a[0]
        S += v * v / F
        L += mp.log(F)
        K = [P[i][0] / F for i in range(r)]
        au = [a[i] + K[i] * v for i in range(r)]
        pu = [[P[i][j] - K[i] * P[0][j] for j in range(r)] for i in range(r)]
        a = [phi[i] * au[0] + (au[i + 1] if i + 1 < r else 0) for i in range(r)]
        gap = 0
        for i in range(r):
            for j in range(r):
                s = phi[i] * phi[j] * pu[0][0] + rr[i] * rr[j]
                if j + 1 < r: s += phi[i] * pu[0][j + 1]
                if i + 1 < r: s += phi[j] * pu[i + 1][0]
                if i + 1 < r and j + 1 < r: s += pu[i + 1][j + 1]
                P[i][j] = s
                gap = max(gap, abs(s - rr[i] * rr[j]))
        t += 1
        if gap < tol:
            break
    for t in range(t, len(x)):  # the steady state: the ARMA recursion
        v = x[t] - a[0]
        S += v * v
        a = [phi[i] * x[t] + (a[i + 1] if i + 1 < r else 0) + (rr[i + 1] if i + 1 < r else 0) * v
             for i in range(r)]
    nn = len(x)
    return -mp.mpf(nn) / 2 * (mp.log(2 * mp.pi) + 1 + mp.log(S / nn)) - L / 2


def grad(th, h=mp.mpf(10) ** -20):
    g = []
    for j in range(4):
        up, dn = list(th), list(th)
        up[j] += h
        dn[j] -= h
        g.append((llf(up) - llf(dn)) / (2 * h))
    return g


g = grad(theta)
H = mp.zeros(4, 4)
hh = mp.mpf(10) ** -8
for j in range(4):
    moved = list(theta)
    moved[j] += hh
    gj = grad(moved)
    for i in range(4):
        H[i, j] = (gj[i] - g[i]) / hh
move = mp.lu_solve(H, mp.matrix(g))
digits = min(-mp.log10(abs(move[i]) / abs(theta[i])) if move[i] != 0 else 60 for i in range(4))
print("estimates:", [mp.nstr(v, 34) for v in theta])
print("gradient (60 digits):", [mp.nstr(v, 5) for v in g])
print("Newton correction:", [mp.nstr(v, 5) for v in move])
print("digits the estimates share with the maximum: %.1f" % float(digits))
