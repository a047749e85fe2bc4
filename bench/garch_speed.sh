#!/usr/bin/env bash
# GARCH(1,1) with a constant on 100,000 generated returns: the engine (ARIMA / NARCH=1
# NGARCH=1) against R's fGarch::garchFit on the same data, in the same run. Prints the elapsed,
# user and system seconds and the peak memory (kB) of each.
# Usage: bench/garch_speed.sh <absolute path of tarvex> [rows]
set -euo pipefail
engine=${1:?usage: garch_speed.sh /abs/path/tarvex [rows]}
rows=${2:-100000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
Rscript -e "set.seed(1); n <- $rows; e <- numeric(n); h <- 0.1/(1-0.9); ep <- 0
  for (t in 1:n) { h <- 0.1 + 0.1*ep^2 + 0.8*h; ep <- sqrt(h)*rnorm(1); e[t] <- ep }
  write(round(0.05 + e, 6), '$work/returns.txt', ncolumns=1)"
cat >"$work/garch.tvx" <<TVX
smpl 1 $rows
read (returns.txt) r
arima r / narch=1 ngarch=1
print \$llf
TVX
cat >"$work/garch.R" <<'RSCRIPT'
suppressMessages(library(fGarch))
r <- scan("returns.txt", quiet=TRUE)
g <- garchFit(~garch(1,1), data=r, include.mean=TRUE, cond.dist="norm", trace=FALSE)
print(coef(g), digits=10); print(-g@fit$llh, digits=12)
RSCRIPT
cd "$work"
echo "engine (elapsed user system maxkB):"
/usr/bin/time -f '%e %U %S %M' "$engine" garch.tvx >engine.out
grep -E "OMEGA|ALPHA1|BETA1|CONSTANT" engine.out | head -4
echo "R fGarch (elapsed user system maxkB):"
/usr/bin/time -f '%e %U %S %M' Rscript garch.R
