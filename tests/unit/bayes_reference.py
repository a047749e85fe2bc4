# Replays BAYES's sampler at 50 digits (mpmath) on the engine's own uniform and normal draws,
# and gives the closed forms for one restriction b_j > 0 (P = pt(b_j/se_j, n-k) and the mean of
# the truncated t). Usage: python3 bayes_reference.py draws.txt  where draws.txt is written by
# TARVEX_BAYES_DRAWS=draws.txt tarvex_tests --gtest_filter='BayesReference.*' (one draw a line:
# u z_1 .. z_k, 36 significant digits). Prints the values typed into test_bayes_reference.cpp.
import sys
from mpmath import mp, mpf, matrix, sqrt, gammainc, findroot, cholesky, inverse, gamma, pi

mp.dps = 50
Y = [mpf(s) for s in "1.2 2.9 3.1 2.0 4.4 3.0 6.2 4.1 6.0 5.3".split()]
X1 = [mpf(i) for i in range(1, 11)]
X2 = [mpf(s) for s in "2.1 3.5 1.2 4.8 3.3 5.9 2.2 6.1 4.4 7.0".split()]
n, k = 10, 3
X = matrix([[X1[t], X2[t], 1] for t in range(n)])
y = matrix(Y)
A = inverse(X.T * X)
b = A * X.T * y
e = y - X * b
df = mpf(n - k)
s2 = (e.T * e)[0] / df
L = cholesky(s2 * A)


def chi2_quantile(u):
    # P(X <= w) = regularized lower gamma(df/2, w/2)
    f = lambda w: gammainc(df / 2, 0, w / 2, regularized=True) - u
    return findroot(f, df)


def sample(rows, restrictions, antithetic):
    units = []
    for u, z in rows:
        w = chi2_quantile(u)
        d = (L * matrix(z)) * sqrt(df / w)
        devs = [d, -d] if antithetic else [d]
        units.append([(dv, all(g(b + dv) for g in restrictions)) for dv in devs])
    tried = sum(len(p) for p in units)
    acc = sum(1 for p in units for _, h in p if h)
    P = mpf(acc) / tried
    pv = sum((sum(1 for _, h in p if h) - P * len(p)) ** 2 for p in units)
    out = {"P": P, "Pnse": sqrt(pv) / tried, "accepted": acc}
    m = [sum(dv[j] for p in units for dv, h in p if h) / acc for j in range(k)]
    for j in range(k):
        var = sum((dv[j] - m[j]) ** 2 for p in units for dv, h in p if h) / acc
        nv = sum((sum(dv[j] for dv, h in p if h) - m[j] * sum(1 for _, h in p if h)) ** 2
                 for p in units)
        out["mean%d" % j] = b[j] + m[j]
        out["sd%d" % j] = sqrt(var)
        out["nse%d" % j] = sqrt(nv) / acc
    return out


rows = []
for line in open(sys.argv[1]):
    v = [mpf(s) for s in line.split()]
    rows.append((v[0], v[1:]))
mp.pretty = True
for name, restr, anti in [
    ("x2 > -0.5", [lambda c: c[1] > mpf("-0.5")], False),
    ("x1 + x2 < 0.2, x1 >= 0.6, antithetic",
     [lambda c: c[0] + c[1] < mpf("0.2"), lambda c: c[0] >= mpf("0.6")], True),
]:
    print(name)
    for key, val in sample(rows, restr, anti).items():
        print("  ", key, mp.nstr(val, 30) if not isinstance(val, int) else val)

# Closed forms for b_j > c alone: the marginal posterior of b_j is t(n-k) about b_j with scale
# se_j, so P = pt((b_j - c)/se_j, n-k) and E[b_j | b_j > c] = b_j + se_j (nu + a^2)/(nu - 1)
# f(a) / P(T > a), a = (c - b_j)/se_j.
for j, c in [(1, mpf("-0.5")), (0, mpf("0.7"))]:
    se = sqrt(s2 * A[j, j])
    a = (c - b[j]) / se
    nu = df
    dens = gamma((nu + 1) / 2) / (sqrt(nu * pi) * gamma(nu / 2)) * (1 + a * a / nu) ** (-(nu + 1) / 2)
    from mpmath import betainc
    # P(T > a) for T ~ t(nu)
    x = nu / (nu + a * a)
    tail = betainc(nu / 2, mpf(1) / 2, 0, x, regularized=True) / 2
    upper = 1 - tail if a < 0 else tail
    mean_trunc = b[j] + se * (nu + a * a) / (nu - 1) * dens / upper
    print("coef", j, "bhat", mp.nstr(b[j], 30), "se", mp.nstr(se, 30), "P(b>c)", mp.nstr(upper, 30),
          "E[b|b>c]", mp.nstr(mean_trunc, 30))
