#!/usr/bin/env bash
# Benchmark: ARIMA(2,1,2) by exact ML on a long integrated series (the peers' workload: phi
# (0.5, -0.3), theta (0.4, 0.2)), whole process, two builds alternating run by run, processor
# time (user + sys) and wall time, median of RUNS.
#   bench/arima_speed.sh NEW_TARVEX [OLD_TARVEX] [N] [RUNS]
# The series is made here (Python's own generator, seeded) when the peers' data is not at hand.
set -eu
new=$1
old=${2:-}
n=${3:-100000}
runs=${4:-3}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
python3 - "$dir/arima.csv" "$n" <<'PY'
import random, sys
n = int(sys.argv[2]); random.seed(20241207)
e = [random.gauss(0, 1) for _ in range(n + 1000)]
w = []
for t in range(n + 1000):
    v = e[t] + 0.4 * (e[t - 1] if t >= 1 else 0) + 0.2 * (e[t - 2] if t >= 2 else 0)
    v += 0.5 * (w[t - 1] if t >= 1 else 0) - 0.3 * (w[t - 2] if t >= 2 else 0)
    w.append(v)
y = 0.0
with open(sys.argv[1], "w") as f:
    f.write("y\n")
    for v in w[1000:]:
        y += v
        f.write("%.6f\n" % y)
PY
cat >"$dir/arima.tvx" <<'TVX'
READ ('arima.csv') / NAMES
ARIMA Y / NAR=2 NDIFF=1 NMA=2 COEF=B
SMPL 1 4
WRITE B / FORMAT=COMMA
STOP
TVX
declare -A cpu wall
for r in $(seq "$runs"); do
  for which in new old; do
    exe=${!which}
    [ -n "$exe" ] || continue
    (cd "$dir" && TARVEX_SETTINGS=/dev/null /usr/bin/time -f '%e %U %S %M' -o "$dir/t" "$exe" arima.tvx >"$dir/$which.out")
    read -r e u s _ <"$dir/t"
    cpu[$which]+="$(echo "$u + $s" | bc) "
    wall[$which]+="$e "
  done
done
median() { printf '%s\n' $1 | sort -n | sed -n "$(( ($(printf '%s\n' $1 | wc -l) + 1) / 2 ))p"; }
for which in new old; do
  [ -n "${cpu[$which]:-}" ] || continue
  echo "$which: cpu ${cpu[$which]}-> median $(median "${cpu[$which]}") s; wall median $(median "${wall[$which]}") s"
  grep -A4 'WRITE B' "$dir/$which.out" | tail -4
done
