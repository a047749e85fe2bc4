#!/usr/bin/env bash
# Benchmark: fuzzy regression of y on three regressors and an intercept over n observations
# (a linear program of 2n rows and 8 columns), whole runs (reading the data included), for
# build/tarvex (FUZZY) and, on the same generated data in the same run, for R (the same program
# built by hand and solved by lpSolve::lp, the centres split into two non-negative parts).
# Prints elapsed, user and system seconds and the peak memory (KB) of each, from /usr/bin/time,
# and both total spreads.
# Run by hand: bench/fuzzy_speed.sh [path/to/tarvex] [observations]
set -eu
tarvex=$(realpath "${1:-build/tarvex}")
n=${2:-2000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
# Data from a fixed linear congruential generator: x1..x3 in 0..10, y = 1 + x1 - 2 x2 + 0.5 x3
# plus a uniform error in -2..2, four decimals.
awk -v n="$n" 'BEGIN {
  s = 4711
  for (i = 1; i <= n; i++) {
    for (j = 1; j <= 4; j++) { s = (s * 1103515245 + 12345) % 2147483648; u[j] = s / 2147483648 }
    x1 = int(u[1] * 100000) / 10000; x2 = int(u[2] * 100000) / 10000; x3 = int(u[3] * 100000) / 10000
    printf "%.4f %.4f %.4f %.4f\n", 1 + x1 - 2 * x2 + 0.5 * x3 + 4 * u[4] - 2, x1, x2, x3
  }
}' >data.txt
cat >run.tvx <<TVX
par 100000
sample 1 $n
read (data.txt) y x1 x2 x3
fuzzy y x1 x2 x3 / h=.2 coef=a spread=c
print \$val
stop
TVX
cat >run.R <<'R'
library(lpSolve)
d <- as.matrix(read.table("data.txt")); y <- d[, 1]; X <- cbind(d[, 2:4], 1); k <- ncol(X)
w <- 1 - 0.2
A <- rbind(cbind(X, -X, w * abs(X)), cbind(X, -X, -w * abs(X)))
s <- lp("min", c(rep(0, 2 * k), colSums(abs(X))), A, c(rep(">=", nrow(X)), rep("<=", nrow(X))),
        c(y, y))
cat("R total spread", format(s$objval, digits = 15), "status", s$status, "\n")
R
export TARVEX_SETTINGS=/dev/null
echo "observations $n   (elapsed user system seconds, peak KB)"
/usr/bin/time -f 'tarvex %e %U %S %M' "$tarvex" run.tvx >tarvex.out
grep -A1 "VAL" tarvex.out | tail -2 || tail tarvex.out
/usr/bin/time -f 'R      %e %U %S %M' Rscript run.R
