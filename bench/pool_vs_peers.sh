#!/usr/bin/env bash
# Benchmark: POOL FIXED and RANDOM on the 10,000 x 20 panel of the peer timings, whole process,
# for one or two builds of tarvex and gretlcli (when installed) on the same file in the same
# run, alternating; medians of 3 of the processor time (user + sys) and of the wall time.
# Run by hand: bench/pool_vs_peers.sh DATADIR path/to/tarvex [path/to/other/tarvex]
# DATADIR holds panel.csv (the peers' gen.py writes it).
set -eu
data=$(realpath "$1")
shift
peers=/work/shared/bench-peers/scripts
cd "$data"
for w in pool_fe pool_re; do
  for _ in 1 2 3; do
    for t in "$@"; do
      /usr/bin/time -f "$w $t %e %U %S" "$t" "$peers/tarvex/$w.tvx" >/dev/null
    done
    if command -v gretlcli >/dev/null; then
      /usr/bin/time -f "$w gretl %e %U %S" gretlcli -b "$peers/gretl/$w.inp" >/dev/null
    fi
  done
done 2>&1 | awk '{k = $1 " " $2; cpu[k] = cpu[k] " " ($4 + $5); wall[k] = wall[k] " " $3}
  function median(s,   a, n, i, j, v) {
    n = split(s, a, " ")
    for (i = 2; i <= n; i++) { v = a[i]; for (j = i - 1; j > 0 && a[j] + 0 > v + 0; j--) a[j + 1] = a[j]; a[j + 1] = v }
    return a[int((n + 1) / 2)]
  }
  END { for (k in cpu) printf "%s: CPU %.2f s, wall %.2f s (median of 3)\n", k, median(cpu[k]), median(wall[k]) }' | sort
