#!/usr/bin/env bash
# Benchmark: a whole run that reads the 16-row Longley file and fits OLS, start to end, for
# build/tarvex and, on the same data in the same run, for gretlcli -b when it is installed.
# Uses hyperfine when present (mean and minimum of at least 100 runs), else a loop of 100 runs.
# Run by hand: bench/longley_vs_gretl.sh [path/to/tarvex]
set -eu
tarvex=$(realpath "${1:-build/tarvex}")
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$here/../tests/golden/ols/longley.dat" "$work/longley.dat"
printf 'sample 1 16\nread (longley.dat) y x1-x6\nols y x1-x6\nstop\n' >"$work/longley.tvx"
{ echo "y x1 x2 x3 x4 x5 x6"; cat "$work/longley.dat"; } >"$work/lfit.txt"
printf 'open lfit.txt --quiet\nols y const x1 x2 x3 x4 x5 x6\n' >"$work/lfit.inp"
cd "$work"
export TARVEX_SETTINGS=/dev/null
tarvex_cmd="$tarvex longley.tvx"
gretl_cmd="gretlcli -b lfit.inp"
if command -v hyperfine >/dev/null; then
  commands=("$tarvex_cmd")
  command -v gretlcli >/dev/null && commands+=("$gretl_cmd")
  hyperfine -N --warmup 10 --min-runs 100 "${commands[@]}"
else
  for cmd in "$tarvex_cmd" "$gretl_cmd"; do
    start=$(date +%s%N)
    for _ in $(seq 100); do sh -c "$cmd" >/dev/null 2>&1; done
    end=$(date +%s%N)
    echo "$cmd: $(( (end - start) / 100000 )) us a run (mean of 100, shell start included)"
  done
fi
