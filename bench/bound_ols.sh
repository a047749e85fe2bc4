#!/usr/bin/env bash
# OLS over series bound to a TARVBIN file against OLS of the same series read into memory: wall
# time and peak resident memory (/usr/bin/time -v) of each run, the time per row, and whether
# the reports agree line for line.
#     bench/bound_ols.sh <build>/tarvex [rows (1e8)] [series (10)] [rows in memory (1e7)]
# V1 is regressed on V2..Vn and the constant. Runs: bound over all rows; in memory over the
# first `rows in memory` rows; both over the first 1e6 rows (the reports compared); bound over
# the first `rows in memory` rows (compared with the fit in memory). The data files are written
# by bench/make_bound_data (compiled here with g++) into a scratch directory (TMPDIR, else /tmp;
# it needs rows x series x 16 bytes free) that is removed afterwards.
set -eu
tarvex=$(readlink -f "${1:?usage: bound_ols.sh path/to/tarvex [rows] [series] [rows in memory]}")
rows=${2:-100000000}
series=${3:-10}
memory_rows=${4:-10000000}
short_rows=$(( memory_rows < 1000000 ? memory_rows / 2 : 1000000 ))
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$(mktemp -d "${TMPDIR:-/tmp}/bound_ols.XXXXXX")
trap 'rm -rf "$dir"' EXIT
need_kb=$(( (rows + memory_rows) * series * 16 / 1024 + 1048576 ))
free_kb=$(df -Pk "$dir" | awk 'NR == 2 { print $4 }')
if [ "$free_kb" -lt "$need_kb" ]; then
    echo "not enough room in $dir: $((need_kb / 1048576)) GB needed, $((free_kb / 1048576)) GB free"
    exit 1
fi
echo "machine load: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) processors"
g++ -O2 -std=gnu++20 -I "$root" "$root/bench/make_bound_data.cpp" -o "$dir/make_bound_data" -lquadmath
"$dir/make_bound_data" "$dir/data.bin" "$rows" "$series"
"$dir/make_bound_data" "$dir/memory.bin" "$memory_rows" "$series"
names=$(seq -f 'V%g' 1 "$series" | tr '\n' ' ')
# The work area for the series in memory: 16 bytes a value, 4 header words a series, and room.
par=$(( (memory_rows + 8) * series * 16 / 1024 + 20480 ))
bound_case() { # name, last row (0: all)
    {
        [ "$2" -gt 0 ] && printf 'SAMPLE 1 %s\n' "$2"
        printf 'READ (data.bin) %s / TARVEX BIND\n' "$names"
        [ "$2" -gt 0 ] && printf 'SAMPLE 1 %s\n' "$2"
        printf 'OLS %s / RSTAT\nSTOP\n' "$names"
    } > "$dir/$1.tvx"
}
memory_case() { # name, last row
    printf 'PAR %s\nSAMPLE 1 %s\nREAD (memory.bin) %s / TARVEX BINARY\nSAMPLE 1 %s\nOLS %s / RSTAT\nSTOP\n' \
        "$par" "$memory_rows" "$names" "$2" "$names" > "$dir/$1.tvx"
}
run() { # case, rows: the report to <case>.out, the timing to <case>.time
    (cd "$dir" && TARVEX_SETTINGS=/dev/null /usr/bin/time -v "$tarvex" "$1.tvx" > "$1.out" 2> "$1.time")
    local wall rss seconds
    wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$dir/$1.time")
    rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$dir/$1.time")
    seconds=$(echo "$wall" | awk -F: '{ s = 0; for (i = 1; i <= NF; ++i) s = s * 60 + $i; print s }')
    printf '%-13s %11s rows x %s series: wall %s (%s ns a row), peak RSS %s MB\n' "$1" "$2" \
        "$series" "$wall" "$(awk -v s="$seconds" -v n="$2" 'BEGIN { printf "%.0f", s * 1e9 / n }')" \
        $((rss / 1024))
}
bound_case bound_all 0
bound_case bound_mem "$memory_rows"
bound_case bound_short "$short_rows"
memory_case memory "$memory_rows"
memory_case memory_short "$short_rows"
run bound_all "$rows"
run memory "$memory_rows"
run bound_mem "$memory_rows"
run bound_short "$short_rows"
run memory_short "$short_rows"
# The reports: the lines from the estimation heading on.
report() { sed -n '/ OLS ESTIMATION/,/^ |_STOP/p' "$dir/$1.out" | grep -v '^ |_'; }
status=0
for pair in "bound_short memory_short" "bound_mem memory"; do
    set -- $pair
    if [ -n "$(report "$1")" ] && [ "$(report "$1")" = "$(report "$2")" ]; then
        echo "$1 and $2: reports identical ($(report "$1" | wc -l) lines)"
    else
        echo "$1 and $2: REPORTS DIFFER"
        diff <(report "$1") <(report "$2") || true
        status=1
    fi
done
echo "bound over all rows:"
report bound_all
exit $status
