#!/usr/bin/env bash
# Benchmark: GME and FLS on n observations (2000 by default) of y = 1 + 0.5 x1 - 0.8 x2 + u,
# x1 = sin(t/7) + t/n, x2 = mod(7919 t, 101)/50, u = mod(104729 t, 97)/97 - 0.5.
# The engine: a run that makes the data with GENR, then the same run with GME (common support
# -10..10 in 5 points, 3-sigma errors in 5) and FLS (MU=100) added. The peers, in the same run:
# R (when Rscript is installed) solving FLS's full block tridiagonal system sparse with the
# Matrix package, and python3 with numpy (when installed) running the same GME dual Newton
# iteration in double precision with the same Woodbury step.
# Each line: elapsed, user and system seconds, peak resident kilobytes (/usr/bin/time).
# Run by hand: bench/gme_fls_speed.sh [path/to/tarvex] [observations]
set -eu
tarvex=$(realpath "${1:-build/tarvex}")
n=${2:-2000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export TARVEX_SETTINGS=/dev/null
data="sample 1 $n\ngenr t = time(0)\ngenr x1 = sin(t/7) + t/$n\ngenr x2 = mod(7919*t, 101)/50\ngenr y = 1 + 0.5*x1 - 0.8*x2 + mod(104729*t, 97)/97 - 0.5\n"
printf "$data"'stop\n' >make.tvx
printf "$data"'matrix z = -10|-5|0|5|10\ngme y x1 x2 / bsupport=z epoints=5\nstop\n' >gme.tvx
printf "$data"'fls y x1 x2 / mu=100\nstop\n' >fls.tvx
timing() { /usr/bin/time -f '%e %U %S %M' "$@" 2>&1 >/dev/null | tail -1; }
echo "tarvex, data only:          $(timing "$tarvex" make.tvx)"
echo "tarvex, data and GME:       $(timing "$tarvex" gme.tvx)"
echo "tarvex, data and FLS:       $(timing "$tarvex" fls.tvx)"
if command -v Rscript >/dev/null; then
  cat >fls.R <<EOR
suppressMessages(library(Matrix))
n <- $n; t <- 1:n; x1 <- sin(t/7) + t/n; x2 <- ((7919*t) %% 101)/50
y <- 1 + 0.5*x1 - 0.8*x2 + ((104729*t) %% 97)/97 - 0.5
X <- cbind(x1, x2, 1); K <- 3; mu <- 100
B <- bdiag(lapply(1:n, function(i) X[i, ] %o% X[i, ]))
D <- kronecker(bandSparse(n - 1, n, k = 0:1, diagonals = list(rep(-1, n - 1), rep(1, n - 1))), Diagonal(K))
b <- solve(B + mu * crossprod(D), as.numeric(t(X * y)))
EOR
  echo "R, FLS sparse solve:        $(timing Rscript fls.R)"
fi
if python3 -c 'import numpy' 2>/dev/null; then
  cat >gme.py <<EOP
import numpy as np
n = $n; t = np.arange(1, n + 1); x1 = np.sin(t / 7) + t / n; x2 = ((7919 * t) % 101) / 50
y = 1 + 0.5 * x1 - 0.8 * x2 + ((104729 * t) % 97) / 97 - 0.5
X = np.column_stack([x1, x2, np.ones(n)]); z = np.array([-10., -5, 0, 5, 10])
v = 3 * y.std(ddof=1) * np.linspace(-1, 1, 5)
def dist(s, u):
    a = -np.outer(u, s); a -= a.max(1, keepdims=True); p = np.exp(a); p /= p.sum(1, keepdims=True)
    m = p @ s; return p, m, p @ s**2 - m**2
lam = np.zeros(n)
for it in range(100):
    _, bm, bv = dist(z, X.T @ lam); _, em, ev = dist(v, lam)
    g = y - X @ bm - em
    rs = np.sqrt(bv); XD = X / ev[:, None]
    A = np.eye(3) + rs[:, None] * (X.T @ XD) * rs[None, :]
    step = -(g / ev - XD @ (rs * np.linalg.solve(A, rs * (XD.T @ g))))
    lam += step
    if -g @ step < 1e-20: break
EOP
  echo "python3/numpy, GME dual:    $(timing python3 gme.py)"
fi
