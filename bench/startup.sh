#!/usr/bin/env bash
# Benchmark: start-up of build/tarvex on an empty command file, best and median of 200 runs.
set -eu
tarvex=${1:-build/tarvex}
empty=$(mktemp)
times=()
for _ in $(seq 200); do
  start=$(date +%s%N)
  TARVEX_SETTINGS=/dev/null "$tarvex" "$empty" >/dev/null
  end=$(date +%s%N)
  times+=($(( (end - start) / 1000 )))
done
rm -f "$empty"
sorted=($(printf '%s\n' "${times[@]}" | sort -n))
echo "tarvex on an empty file: best ${sorted[0]} us, median ${sorted[100]} us over 200 runs"
