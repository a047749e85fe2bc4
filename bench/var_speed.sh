#!/usr/bin/env bash
# Benchmark: VAR(4) of 5 series on 100,000 observations with the impulse responses (and their
# delta-method standard errors), the variance decomposition to horizon 20 and 20 forecasts,
# whole runs (reading the data included), for build/tarvex
# and, on the same generated data in the same run, for statsmodels' VAR. Prints elapsed, user
# and system seconds and the peak memory (KB) of each, from /usr/bin/time.
# Run by hand: bench/var_speed.sh [path/to/tarvex] [observations]
set -eu
tarvex=$(realpath "${1:-build/tarvex}")
n=${2:-100000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
# A stable VAR(1) of five series driven by a fixed linear congruential generator (no library
# needed), written with 8 decimals.
awk -v n="$n" 'BEGIN {
  s = 12345; for (j = 1; j <= 5; j++) y[j] = 0
  for (t = 1; t <= n; t++) {
    for (j = 1; j <= 5; j++) { s = (s * 1103515245 + 12345) % 2147483648; e[j] = s / 2147483648 - 0.5 }
    for (j = 1; j <= 5; j++) z[j] = 0.5 * y[j] + 0.1 * y[(j % 5) + 1] + e[j]
    for (j = 1; j <= 5; j++) y[j] = z[j]
    printf "%.8f %.8f %.8f %.8f %.8f\n", y[1], y[2], y[3], y[4], y[5]
  } }' >data.txt
printf 'sample 1 %d\nread (data.txt) y1-y5\nvar y1-y5 / nlag=4 irf fevd horizon=20\nsample %d %d\nfcast / predict=f fcse=s\nstop\n' \
  "$n" $((n + 1)) $((n + 20)) >var.tvx
cat >var.py <<'PY'
import numpy as np
from statsmodels.tsa.api import VAR
x = np.loadtxt("data.txt")
r = VAR(x).fit(4)
irf = r.irf(20)
irf.irfs; irf.orth_irfs; irf.stderr(orth=True); r.fevd(21).decomp
r.forecast_interval(x[-4:], 20)
r.test_causality([1, 2, 3, 4], [0], kind="f")
PY
export TARVEX_SETTINGS=/dev/null
echo "observations: $n   (elapsed user system seconds, peak KB)"
/usr/bin/time -f 'tarvex      %e %U %S %M' "$tarvex" var.tvx >tarvex.out
grep -q "VECTOR AUTOREGRESSION" tarvex.out || { echo "tarvex did not fit the VAR"; tail tarvex.out; }
/usr/bin/time -f "statsmodels %e %U %S %M" "${PYTHON:-/usr/bin/python3}" var.py
