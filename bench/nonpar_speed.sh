#!/usr/bin/env bash
# Benchmark: the Gaussian kernel density of 1,000,000 observations on 512 grid points, the
# bandwidth by Silverman's rule. The data: two clusters made by a deterministic jitter,
# y = mod(7919 t, 1009)/1009 + mod(104729 t, 997)/997 + 4 (t even), a tent-shaped sum of two
# evenly spread parts.
# The engine: a run that makes the series with GENR, then the same run with NONPAR added (the
# difference is the density: sorting for the quartiles, the rule, and the grid by box moments
# and the Hermite expansion, the offsets' powers summed in pairs of doubles and doubles within a
# bound of 1e-24 of each box, exact to 1e-21 of the largest value). R, in the same run when
# Rscript is installed: the same series, then density(y, n = 512), which bins the data linearly
# onto 512 cells and convolves by FFT (an approximation, good to about 4 digits here).
# Each line: elapsed, user and system seconds, peak resident kilobytes (/usr/bin/time).
# Run by hand: bench/nonpar_speed.sh [path/to/tarvex] [observations]
set -eu
tarvex=$(realpath "${1:-build/tarvex}")
n=${2:-1000000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export TARVEX_SETTINGS=/dev/null
make='par 120000\nsample 1 %s\ngenr t = time(0)\ngenr y = mod(7919*t, 1009)/1009 + mod(104729*t, 997)/997 + 4*(mod(t, 2) .eq. 0)\n'
printf "${make}stop\n" "$n" >make.tvx
printf "${make}nonpar y / curve=f grid=g\nstop\n" "$n" >density.tvx
timing() { /usr/bin/time -f '%e %U %S %M' "$@" 2>&1 >/dev/null | tail -1; }
echo "tarvex, series only:          $(timing "$tarvex" make.tvx)"
echo "tarvex, series and density:   $(timing "$tarvex" density.tvx)"
if command -v Rscript >/dev/null; then
  cat >make.R <<EOR
t <- 1:$n; y <- ((7919*t) %% 1009)/1009 + ((104729*t) %% 997)/997 + 4*(t %% 2 == 0)
EOR
  cat >density.R <<EOR
t <- 1:$n; y <- ((7919*t) %% 1009)/1009 + ((104729*t) %% 997)/997 + 4*(t %% 2 == 0)
d <- density(y, n = 512)
EOR
  echo "R, series only:               $(timing Rscript make.R)"
  echo "R, series and density():      $(timing Rscript density.R)"
fi
