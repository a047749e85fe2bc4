#!/usr/bin/env bash
# OLS over a bound TARVBIN file run over P = 1 and 2 ranks (mpirun), against the same program
# without mpirun: wall time, CPU time (user + system of every process) and peak memory of each
# run, whether the reports are the same bytes, and the time model of the README ("Running on
# several machines") against the measurements.
#     bench/mpi_ols.sh <build-mpi>/tarvex [rows (2e7)] [series (10)]
# V1 is regressed on V2..Vn and the constant (RSTAT: three passes over the rows after the one
# that forms the cross products). The file is written by bench/make_bound_data (compiled here
# with g++) into a scratch directory (TMPDIR, else /tmp) that is removed afterwards.
set -eu
tarvex=$(readlink -f "${1:?usage: mpi_ols.sh path/to/tarvex [rows] [series]}")
rows=${2:-20000000}
series=${3:-10}
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$(mktemp -d "${TMPDIR:-/tmp}/mpi_ols.XXXXXX")
trap 'rm -rf "$dir"' EXIT
need_kb=$((rows * series * 16 / 1024 + 1048576))
free_kb=$(df -Pk "$dir" | awk 'NR == 2 { print $4 }')
if [ "$free_kb" -lt "$need_kb" ]; then
    echo "not enough room in $dir: $((need_kb / 1048576)) GB needed"
    exit 1
fi
export OMPI_MCA_btl_vader_single_copy_mechanism=none
export OMPI_ALLOW_RUN_AS_ROOT=1 OMPI_ALLOW_RUN_AS_ROOT_CONFIRM=1
echo "machine load: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) processors"
g++ -O2 -std=gnu++20 -I "$root" "$root/bench/make_bound_data.cpp" -o "$dir/make_bound_data" -lquadmath
"$dir/make_bound_data" "$dir/data.bin" "$rows" "$series"
names=$(seq -f 'V%g' 1 "$series" | tr '\n' ' ')
printf 'READ (data.bin) %s / TARVEX BIND\nOLS %s / RSTAT\nSTOP\n' "$names" "$names" > "$dir/job.tvx"
# Reads the page cache full of the file once, so the first timed run does not pay for the disk.
cat "$dir/data.bin" > /dev/null
measure() { # name, command...: the report to <name>.out, the timing to <name>.time
    local name=$1
    shift
    (cd "$dir" && TARVEX_SETTINGS=/dev/null /usr/bin/time -v "$@" > "$name.out" 2> "$name.time")
    local wall user sys rss
    wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$dir/$name.time")
    user=$(sed -n 's/.*User time (seconds): //p' "$dir/$name.time")
    sys=$(sed -n 's/.*System time (seconds): //p' "$dir/$name.time")
    rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$dir/$name.time")
    seconds=$(echo "$wall" | awk -F: '{ s = 0; for (i = 1; i <= NF; ++i) s = s * 60 + $i; print s }')
    echo "$name $seconds $(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }')" >> "$dir/times"
    printf '%-10s %s rows x %s series: wall %8.2f s, CPU %8.2f s, peak RSS of one process %s MB\n' \
        "$name" "$rows" "$series" "$seconds" "$(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }')" \
        $((rss / 1024))
}
measure plain "$tarvex" job.tvx
measure ranks1 mpirun --oversubscribe --allow-run-as-root -n 1 "$tarvex" job.tvx
measure ranks2 mpirun --oversubscribe --allow-run-as-root -n 2 "$tarvex" job.tvx
report() { sed -n '/ OLS ESTIMATION/,/^ |_STOP/p' "$dir/$1.out" | grep -v '^ |_'; }
status=0
for name in ranks1 ranks2; do
    if [ -n "$(report plain)" ] && [ "$(report plain)" = "$(report "$name")" ]; then
        echo "$name: report identical to the run without mpirun ($(report plain | wc -l) lines)"
    else
        echo "$name: REPORT DIFFERS from the run without mpirun"
        diff <(report plain) <(report "$name") | head -n 20 || true
        status=1
    fi
done
# The model (README, "Running on several machines"): T(P) = T(1) min(t, c) / min(P t, c) plus
# the reductions (a few kilobytes a pass, negligible here), t the threads a rank forms the cross
# products on, c the processors free for the run; against it the model a n / P, which holds only
# with a processor free for every rank and one thread a rank.
awk -v cores="$(nproc)" '
  { wall[$1] = $2; cpu[$1] = $3 }
  END {
    t = cores; c = cores
    one = wall["ranks1"]
    use1 = (t < c ? t : c); use2 = (2 * t < c ? 2 * t : c)
    printf "P=2 against P=1: wall %.2f s against %.2f s (speed-up %.2f); CPU %.2f s against %.2f s\n",
           wall["ranks2"], one, one / wall["ranks2"], cpu["ranks2"], cpu["ranks1"]
    printf "model (threads per rank %d, processors %d, all free): P=2 wall %.2f s (speed-up %.2f)\n",
           t, c, one * use1 / use2, use2 / use1
    printf "naive model a n / P: P=2 wall %.2f s (speed-up 2)\n", one / 2
  }' "$dir/times"
exit $status
