#!/bin/bash
# Benchmark: DLAGS (8 lags on a cubic, far end tied) and DIAGNOSE (Chow tests, the sup-F over
# the middle 70% and an ARCH(4) test) on N generated observations, against the same work in R
# (lm on the Almon columns; strucchange's sctest and Fstats; the ARCH regression by lm), in the
# same run. Processor time and memory of each whole process by /usr/bin/time.
# Run by hand: bench/dlags_diagnose_vs_r.sh <absolute path of build/tarvex> [N (default 2000)]
set -euo pipefail
binary=${1:?usage: $0 /abs/build/tarvex [N]}
n=${2:-2000}
dir=$(mktemp -d /tmp/tarvex_dlags_bench.XXXXXX)
trap 'rm -rf "$dir"' EXIT
Rscript -e "set.seed(5); n <- $n; x <- cumsum(rnorm(n)); z <- rnorm(n);
  y <- 1 + stats::filter(x, c(.1,.3,.4,.3,.2,.1,.05,.02,.01), sides=1) + z + rnorm(n);
  y[is.na(y)] <- 0;
  write.table(data.frame(y=y, x=x, z=z), '$dir/data.txt', row.names=FALSE, col.names=FALSE)"
brk=$((n / 2 + 1))
cat > "$dir/run.tvx" <<TVX
PAR 20000
SAMPLE 1 $n
READ ('$dir/data.txt') Y X Z
DLAGS Y X Z / LAGS=8 ORDER=3 FAR NOGF NOANOVA
OLS Y X Z / NOGF NOANOVA NORSTAT
DIAGNOSE / NORECRESID CHOWONE=$brk CHOWTEST HETEROSC MHET=4
STOP
TVX
cat > "$dir/run.R" <<REOF
suppressMessages(library(strucchange))
d <- read.table('$dir/data.txt'); y <- d[[1]]; x <- d[[2]]; z <- d[[3]]; n <- length(y)
X <- sapply(0:8, function(i) c(rep(NA, i), x[1:(n - i)]))
H <- sapply(0:2, function(c) (0:8)^c * (9 - 0:8))
f <- lm(y ~ I(X %*% H) + z); b <- H %*% coef(f)[2:4]
print(sum(b))
print(sctest(y ~ x + z, type = "Chow", point = $brk - 1))
print(sctest(Fstats(y ~ x + z, from = 0.15), type = "supF"))
e2 <- resid(lm(y ~ x + z))^2; m <- embed(e2, 5)
print(summary(lm(m[, 1] ~ m[, -1]))\$r.squared * (n - 4))
REOF
echo "N = $n   (elapsed user system maxKB)"
/usr/bin/time -f "tarvex: %e %U %S %M" "$binary" "$dir/run.tvx" > "$dir/tarvex.out"
/usr/bin/time -f "R:      %e %U %S %M" Rscript "$dir/run.R" > "$dir/r.out"
grep -E "SUP-F|BREAKPOINT|LM = " "$dir/tarvex.out" || true
cat "$dir/r.out"
