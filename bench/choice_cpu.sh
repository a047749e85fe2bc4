#!/usr/bin/env bash
# Benchmark: the PROBIT and LOGIT workloads of the peer comparison (read a 1,000,000 x 12
# comma-separated file, fit 10 regressors and the intercept, write the coefficients), whole
# process, for one or more TARVEX builds on the same file in the same run, alternating run by
# run. Prints the median of RUNS runs of wall, user, system time and peak memory (KB).
# Run by hand: bench/choice_cpu.sh DATADIR [RUNS] tarvex [tarvex ...]
# DATADIR/choice.csv is made by the peers' generator (numpy needed) when it is not there;
# SCALE=10 makes a tenth of the rows for a quick check.
set -eu
data=$(realpath "$1")
runs=${2:-3}
shift 2
here=$(cd "$(dirname "$0")" && pwd)
peers=${PEERS:-/work/shared/bench-peers}
if [ ! -f "$data/choice.csv" ]; then
  mkdir -p "$data"
  python3 - "$data" "${SCALE:-1}" "$peers/gen.py" <<'EOF'
import sys
out, scale, gen = sys.argv[1], int(sys.argv[2]), sys.argv[3]
source = open(gen).read().split("\nchoice(1000000 // scale)")[0]
sys.argv = [gen, out]
exec(compile(source, gen, "exec"))
choice(1000000 // scale)
EOF
fi
export TARVEX_SETTINGS=/dev/null
cd "$data"
for workload in probit logit; do
  for tarvex in "$@"; do : >"$data/$workload.$(echo "$tarvex" | md5sum | cut -c1-8).times"; done
  for _ in $(seq "$runs"); do
    for tarvex in "$@"; do
      log="$data/$workload.$(echo "$tarvex" | md5sum | cut -c1-8)"
      /usr/bin/time -f '%e %U %S %M' -o "$log.time" "$tarvex" "$peers/scripts/tarvex/$workload.tvx" \
        >"$log.out" 2>&1
      cat "$log.time" >>"$log.times"
    done
  done
  for tarvex in "$@"; do
    log="$data/$workload.$(echo "$tarvex" | md5sum | cut -c1-8)"
    sort -n -k2 "$log.times" | awk -v w="$workload" -v t="$tarvex" -v r="$runs" \
      'NR == int((r + 1) / 2) { printf "%-7s %s  wall %s  user %s  sys %s  KB %s\n", w, t, $1, $2, $3, $4 }'
  done
done
