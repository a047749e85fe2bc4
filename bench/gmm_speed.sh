#!/usr/bin/env bash
# Linear GMM on generated data (default 1,000,000 rows): 5 regressors (x1 x2 endogenous, w1 w2
# and the constant exogenous), 8 instruments (w1 w2 z1..z5 and the constant), two steps with
# the Newey-West moment covariance of lag 4. The engine (2SLS / METHOD=GMM WEIGHT=HAC LAG=4)
# against R on the same data in the same run: the two-step estimator written out in R matrices
# (crossprod), and, with a third argument "pkg", R's gmm package (function interface, the
# first step fixed by its weight). The engine is also timed on its READ alone, so the
# estimation's own time is the difference. Prints elapsed, user and system seconds and the
# peak memory (kB) of each.
# Usage: bench/gmm_speed.sh <absolute path of tarvex> [rows] [pkg]
set -euo pipefail
engine=${1:?usage: gmm_speed.sh /abs/path/tarvex [rows] [pkg]}
rows=${2:-1000000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
Rscript -e "set.seed(34); n <- $rows
  w1 <- rnorm(n); w2 <- rnorm(n); z <- matrix(rnorm(5*n), n); v <- rnorm(n)
  e <- as.numeric(stats::filter(rnorm(n), 0.5, method = 'recursive')) + 0.5*v
  x1 <- z %*% c(0.5, 0.3, 0.2, 0, 0.1) + v + 0.3*w1; x2 <- z %*% c(0, 0.2, 0.4, 0.3, 0.2) + rnorm(n)
  y <- 1 + 0.7*x1 - 0.5*x2 + 0.3*w1 + 0.2*w2 + e*(1 + 0.5*abs(w1))
  d <- round(cbind(y, x1, x2, w1, w2, z), 6)
  write.table(d, '$work/gmm.txt', row.names = FALSE, col.names = FALSE)"
cat >"$work/read.tvx" <<TVX
par 400000
smpl 1 $rows
read (gmm.txt) y x1 x2 w1 w2 z1 z2 z3 z4 z5
TVX
cat >"$work/gmm.tvx" <<TVX
par 400000
smpl 1 $rows
read (gmm.txt) y x1 x2 w1 w2 z1 z2 z3 z4 z5
2sls y x1 x2 w1 w2 ; w1 w2 z1 z2 z3 z4 z5 / method=gmm weight=hac lag=4 coef=b
smpl 1 5
print b \$chi
TVX
cat >"$work/gmm.R" <<'RSCRIPT'
d <- as.matrix(read.table("gmm.txt")); n <- nrow(d); L <- 4
y <- d[, 1]; X <- cbind(d[, 2:5], 1); Z <- cbind(d[, 4:10], 1)
Sf <- function(u) { G <- Z * u; S <- crossprod(G)
  for (j in 1:L) { Gj <- crossprod(G[-(1:j), ], G[1:(n - j), ]); S <- S + (1 - j/(L + 1)) * (Gj + t(Gj)) }
  S }
A <- crossprod(Z, X); cc <- crossprod(Z, y)
step <- function(W) solve(t(A) %*% W %*% A, t(A) %*% W %*% cc)
t0 <- proc.time()
b1 <- step(solve(crossprod(Z))); W <- solve(Sf(as.vector(y - X %*% b1))); b <- step(W)
g <- cc - A %*% b; J <- t(g) %*% W %*% g
se <- sqrt(diag(solve(t(A) %*% solve(Sf(as.vector(y - X %*% b))) %*% A)))
cat("estimation alone (after read.table):", (proc.time() - t0)[["elapsed"]], "s\n")
print(c(b, J), digits = 12)
if (Sys.getenv("GMM_PKG") == "1") {
  suppressMessages(library(gmm))
  gf <- function(th, x) Z * as.vector(y - X %*% th)
  t0 <- proc.time()
  r <- gmm(gf, d, t0 = as.vector(b1), weightsMatrix = solve(Sf(as.vector(y - X %*% b1)) / n),
           vcov = "HAC", kernel = "Bartlett", bw = L + 1, prewhite = FALSE, centeredVcov = FALSE)
  cat("gmm package (fixed two-step weight):", (proc.time() - t0)[["elapsed"]], "s\n")
  print(coef(r), digits = 12)
}
RSCRIPT
cd "$work"
echo "engine READ alone (elapsed user system maxkB):"
/usr/bin/time -f '%e %U %S %M' "$engine" read.tvx >/dev/null
echo "engine READ + GMM (elapsed user system maxkB):"
/usr/bin/time -f '%e %U %S %M' "$engine" gmm.tvx >engine.out
grep -A3 -E "^ *B *$|HANSEN J" engine.out | head -8 || true
tail -4 engine.out
echo "R read.table + closed-form two-step GMM (elapsed user system maxkB):"
GMM_PKG=$([ "${3:-}" = pkg ] && echo 1 || echo 0) /usr/bin/time -f '%e %U %S %M' Rscript gmm.R
