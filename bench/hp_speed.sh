#!/usr/bin/env bash
# Benchmark: the Hodrick-Prescott filter of 1,000,000 observations (lambda 1600) of a wave, a
# drift and a deterministic jitter: y = 100 sin(t/50) + t/1000 + mod(7919 t, 101)/10.
# The engine: a run that makes the series with GENR, then the same run with SMOOTH / METHOD=HP
# added (the difference is the filter). R, in the same run when Rscript is installed: the same
# sized series and the sparse solve of (I + lambda D'D) t = y with the Matrix package (the
# filter's own packages solve it dense, which a million observations cannot afford).
# Each line: elapsed, user and system seconds, peak resident kilobytes (/usr/bin/time). PAR
# 120000 makes room for the four series of a million observations.
# Run by hand: bench/hp_speed.sh [path/to/tarvex] [observations]
set -eu
tarvex=$(realpath "${1:-build/tarvex}")
n=${2:-1000000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export TARVEX_SETTINGS=/dev/null
printf 'par 120000\nsample 1 %s\ngenr t = time(0)\ngenr y = 100*sin(t/50) + t/1000 + mod(7919*t, 101)/10\nstop\n' "$n" >make.tvx
printf 'par 120000\nsample 1 %s\ngenr t = time(0)\ngenr y = 100*sin(t/50) + t/1000 + mod(7919*t, 101)/10\nsmooth y / method=hp trend=tr cycle=cy\nstop\n' \
  "$n" >filter.tvx
timing() { /usr/bin/time -f '%e %U %S %M' "$@" 2>&1 >/dev/null | tail -1; }
echo "tarvex, series only:        $(timing "$tarvex" make.tvx)"
echo "tarvex, series and filter:  $(timing "$tarvex" filter.tvx)"
if command -v Rscript >/dev/null; then
  cat >make.R <<EOR
t <- 1:$n; y <- 100*sin(t/50) + t/1000 + ((7919*t) %% 101)/10
EOR
  cat >filter.R <<EOR
suppressMessages(library(Matrix))
t <- 1:$n; y <- 100*sin(t/50) + t/1000 + ((7919*t) %% 101)/10; n <- length(y)
D <- bandSparse(n - 2, n, k = 0:2, diagonals = list(rep(1, n - 2), rep(-2, n - 2), rep(1, n - 2)))
trend <- as.numeric(solve(Diagonal(n) + 1600 * crossprod(D), y))
EOR
  echo "R, series only:             $(timing Rscript make.R)"
  echo "R, series and sparse solve: $(timing Rscript filter.R)"
fi
