#!/usr/bin/env bash
# Benchmark: SORT of 1,000,000 observations by a key with many ties, key = mod(7919 t, 1009),
# carrying two series along. The engine: a run that makes the series with GENR, then the same
# run with SORT added (the difference is the sort). R, in the same run when Rscript is
# installed: the same series and order(key) (stable) applied to the three of them.
# Each line: elapsed, user and system seconds, peak resident kilobytes (/usr/bin/time).
# Run by hand: bench/sort_speed.sh [path/to/tarvex] [observations]
set -eu
tarvex=$(realpath "${1:-build/tarvex}")
n=${2:-1000000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export TARVEX_SETTINGS=/dev/null
make='par 120000\nsample 1 %s\ngenr t = time(0)\ngenr k = mod(7919*t, 1009)\ngenr x = sin(t)\n'
printf "${make}stop\n" "$n" >make.tvx
printf "${make}sort k t x\nstop\n" "$n" >sort.tvx
timing() { /usr/bin/time -f '%e %U %S %M' "$@" 2>&1 >/dev/null | tail -1; }
echo "tarvex, series only:     $(timing "$tarvex" make.tvx)"
echo "tarvex, series and sort: $(timing "$tarvex" sort.tvx)"
if command -v Rscript >/dev/null; then
  echo "t <- 1:$n; k <- (7919*t) %% 1009; x <- sin(t)" >make.R
  echo "t <- 1:$n; k <- (7919*t) %% 1009; x <- sin(t); o <- order(k); k <- k[o]; t <- t[o]; x <- x[o]" >sort.R
  echo "R, series only:          $(timing Rscript make.R)"
  echo "R, series and sort:      $(timing Rscript sort.R)"
fi
