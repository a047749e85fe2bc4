#!/usr/bin/env bash
# Benchmark: a dense linear program of 2,000 rows and 2,000 columns (maximise c'x, A x <= b,
# x >= 0, positive data, so feasible and bounded), whole runs (reading the data included), for
# build/tarvex (LP) and, on the same generated data in the same run, for R (lpSolve::lp).
# Prints elapsed, user and system seconds and the peak memory (KB) of each, from /usr/bin/time,
# and both objectives.
# Run by hand: bench/lp_speed.sh [path/to/tarvex] [rows] [columns]
set -eu
tarvex=$(realpath "${1:-build/tarvex}")
m=${2:-2000}
n=${3:-2000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
# Integer data from a fixed linear congruential generator (no library needed): A in 1..100 row
# after row, b in 1000..10999, c in 1..1000.
awk -v m="$m" -v n="$n" 'BEGIN {
  s = 4711
  for (i = 1; i <= m; i++) {
    line = ""
    for (j = 1; j <= n; j++) { s = (s * 1103515245 + 12345) % 2147483648; line = line (1 + int(s / 2147483648 * 100)) " " }
    print line > "a.txt"
    s = (s * 1103515245 + 12345) % 2147483648; print 1000 + int(s / 2147483648 * 10000) > "b.txt"
  }
  for (j = 1; j <= n; j++) { s = (s * 1103515245 + 12345) % 2147483648; print 1 + int(s / 2147483648 * 1000) > "c.txt" }
}'
cat >run.tvx <<TVX
par 100000
read (a.txt) a / rows=$m cols=$n
read (b.txt) b / rows=$m cols=1
read (c.txt) c / rows=$n cols=1
lp c a b / max silent x=x
print \$val
stop
TVX
cat >run.R <<'R'
library(lpSolve)
A <- as.matrix(read.table("a.txt")); b <- scan("b.txt", quiet = TRUE); cc <- scan("c.txt", quiet = TRUE)
s <- lp("max", cc, A, rep("<=", nrow(A)), b)
cat("R objective", format(s$objval, digits = 15), "status", s$status, "\n")
R
export TARVEX_SETTINGS=/dev/null
echo "rows $m columns $n   (elapsed user system seconds, peak KB)"
/usr/bin/time -f 'tarvex %e %U %S %M' "$tarvex" run.tvx >tarvex.out
grep -A2 "VAL" tarvex.out | tail -3 || tail tarvex.out
/usr/bin/time -f 'R      %e %U %S %M' Rscript run.R
