#!/usr/bin/env bash
# Benchmark: FCAST of 1,000,000 observations after OLS of y on five regressors and a constant,
# with the predictions and their standard errors stored (PREDICT= FCSE=) and the accuracy
# statistics printed. The data are deterministic: x_j = mod(p_j t, 1009)/100 for five primes
# p_j, y = 1 + x1 + 2 x2 - x3 + x4/2 + x5 + mod(7919 t, 101)/10.
# The engine runs twice, without and with the FCAST (the difference is the forecast); each line:
# elapsed, user and system seconds, peak resident kilobytes (/usr/bin/time).
# Run by hand: bench/fcast_speed.sh [path/to/tarvex] [observations]
set -eu
tarvex=$(realpath "${1:-build/tarvex}")
n=${2:-1000000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export TARVEX_SETTINGS=/dev/null
{
  printf 'par 400000\nsample 1 %s\ngenr t = time(0)\n' "$n"
  j=1
  for p in 7 13 31 61 127; do
    printf 'genr x%s = mod(%s*t, 1009)/100\n' "$j" "$p"
    j=$((j + 1))
  done
  printf 'genr y = 1 + x1 + 2*x2 - x3 + x4/2 + x5 + mod(7919*t, 101)/10\n'
  printf 'ols y x1 x2 x3 x4 x5\n'
} >fit.tvx
{ cat fit.tvx; printf 'fcast / predict=p fcse=s\n'; } >fcast.tvx
echo stop >>fit.tvx
echo stop >>fcast.tvx
timing() { /usr/bin/time -f '%e %U %S %M' "$@" 2>&1 >/dev/null | tail -1; }
echo "tarvex, data and OLS:        $(timing "$tarvex" fit.tvx)"
echo "tarvex, data, OLS and FCAST: $(timing "$tarvex" fcast.tvx)"
