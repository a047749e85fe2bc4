#!/usr/bin/env bash
# Benchmark: principal components of 10 series and the four index formulas (fixed base and
# chained) of 5 goods, on 100,000 observations, whole runs (reading the data included), for
# build/tarvex and, on the same generated data in the same run, for R (prcomp and the index
# formulas written out). Prints elapsed, user and system seconds and the peak memory (KB) of
# each, from /usr/bin/time.
# Run by hand: bench/pcindex_speed.sh [path/to/tarvex] [observations]
set -eu
tarvex=$(realpath "${1:-build/tarvex}")
n=${2:-100000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
# Ten correlated series from a fixed linear congruential generator (no library needed), written
# with 8 decimals; the first ten columns are also five price and quantity pairs made positive.
awk -v n="$n" 'BEGIN {
  s = 12345
  for (t = 1; t <= n; t++) {
    for (j = 1; j <= 10; j++) { s = (s * 1103515245 + 12345) % 2147483648; e[j] = s / 2147483648 }
    c = e[1]
    line = ""
    for (j = 1; j <= 10; j++) line = line sprintf("%.8f ", 1 + c + 0.5 * e[j] + j)
    print line
  } }' >data.txt
cat >run.tvx <<TVX
sample 1 $n
read (data.txt) x1-x10
pcompone x1-x10 / scores=pc eigval=ev loadings=ld
index x1-x10 / price=p quantity=q
index x1-x10 / chained price=pch quantity=qch
stop
TVX
cat >run.R <<'R'
x <- as.matrix(read.table("data.txt"))
p <- prcomp(x, scale. = TRUE)
P <- x[, c(1, 3, 5, 7, 9)]; Q <- x[, c(2, 4, 6, 8, 10)]
link <- function(A, B, s, t) {
  L <- rowSums(A[t, ] * B[s, ]) / rowSums(A[s, ] * B[s, ])
  Pa <- rowSums(A[t, ] * B[t, ]) / rowSums(A[s, ] * B[t, ])
  ws <- A[s, ] * B[s, ] / rowSums(A[s, ] * B[s, ]); wt <- A[t, ] * B[t, ] / rowSums(A[t, ] * B[t, ])
  cbind(L, Pa, sqrt(L * Pa), exp(rowSums((ws + wt) / 2 * log(A[t, ] / A[s, ]))))
}
n <- nrow(P); b <- rep(1, n); t <- 1:n
fixed <- cbind(link(P, Q, b, t), link(Q, P, b, t))
chained <- apply(rbind(1, cbind(link(P, Q, 1:(n - 1), 2:n), link(Q, P, 1:(n - 1), 2:n))), 2, cumprod)
R
export TARVEX_SETTINGS=/dev/null
echo "observations: $n   (elapsed user system seconds, peak KB)"
/usr/bin/time -f 'tarvex %e %U %S %M' "$tarvex" run.tvx >tarvex.out
grep -q "PRINCIPAL COMPONENTS" tarvex.out || { echo "tarvex did not find the components"; tail tarvex.out; }
/usr/bin/time -f "R      %e %U %S %M" Rscript run.R
