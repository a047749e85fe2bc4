#!/usr/bin/env bash
# Median regression with 10 regressors and an intercept on 100,000 generated rows (heavy-tailed
# errors): the engine (ROBUST, exact simplex) against R's quantreg::rq(method="br") on the same
# data, in the same run. Prints the elapsed, user and system seconds and the peak memory (kB) of
# each, and both sets of coefficients.
# Usage: bench/robust_speed.sh <absolute path of tarvex> [rows]
set -euo pipefail
engine=${1:?usage: robust_speed.sh /abs/path/tarvex [rows]}
rows=${2:-100000}
work=$(mktemp -d)
xs="x1 x2 x3 x4 x5 x6 x7 x8 x9 x10"
trap 'rm -rf "$work"' EXIT
Rscript -e "set.seed(3); n <- $rows; x <- matrix(round(rnorm(n*10), 4), n, 10)
  y <- round(1 + x %*% seq(0.1, 1, by=0.1) + rt(n, 3), 4)
  write.table(cbind(y, x), '$work/rows.txt', row.names=FALSE, col.names=FALSE)"
cat >"$work/robust.tvx" <<TVX
smpl 1 $rows
read (rows.txt) y $xs
robust y $xs
TVX
cat >"$work/robust.R" <<'RSCRIPT'
suppressMessages(library(quantreg))
d <- as.matrix(read.table("rows.txt"))
f <- rq.fit.br(cbind(d[, -1], 1), d[, 1], tau=0.5)
print(f$coefficients, digits=15)
RSCRIPT
cd "$work"
echo "engine (elapsed user system maxkB):"
/usr/bin/time -f '%e %U %S %M' "$engine" robust.tvx >engine.out
grep -E "SIMPLEX|^ X[0-9]|^ CONSTANT" engine.out | head -12
echo "R quantreg rq.fit.br (elapsed user system maxkB):"
/usr/bin/time -f '%e %U %S %M' Rscript robust.R
