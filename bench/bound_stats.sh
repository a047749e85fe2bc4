#!/usr/bin/env bash
# STATS over series bound to a TARVBIN file against the same series read into memory: wall time
# and peak resident memory (from /usr/bin/time -v) of each run, and whether the two tables agree.
#     bench/bound_stats.sh <build>/tarvex [rows (1e7)] [series (10)]
# The data file is written by bench/make_bound_data (compiled here with g++) into a scratch
# directory that is removed afterwards.
set -eu
tarvex=$(readlink -f "${1:?usage: bound_stats.sh path/to/tarvex [rows] [series]}")
rows=${2:-10000000}
series=${3:-10}
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$(mktemp -d "${TMPDIR:-/tmp}/bound_stats.XXXXXX")
trap 'rm -rf "$dir"' EXIT
g++ -O2 -std=gnu++20 -I "$root" "$root/bench/make_bound_data.cpp" -o "$dir/make_bound_data" -lquadmath
"$dir/make_bound_data" "$dir/data.bin" "$rows" "$series"
names=$(seq -f 'V%g' 1 "$series" | tr '\n' ' ')
# The work area for the series in memory: 16 bytes a value, 4 header words a series, and room.
par=$(( (rows + 8) * series * 16 / 1024 + 20480 ))
printf 'READ (data.bin) %s / TARVEX BIND\nSTATS %s\nSTOP\n' "$names" "$names" > "$dir/bound.tvx"
printf 'PAR %s\nREAD (data.bin) %s / TARVEX BINARY\nSTATS %s\nSTOP\n' "$par" "$names" "$names" \
    > "$dir/memory.tvx"
run() { # case: the report to <case>.out, the timing to <case>.time
    (cd "$dir" && TARVEX_SETTINGS=/dev/null /usr/bin/time -v "$tarvex" "$1.tvx" > "$1.out" 2> "$1.time")
    local wall rss
    wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$dir/$1.time")
    rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$dir/$1.time")
    printf '%-7s %s rows x %s series: wall %s, peak RSS %s MB\n' "$1" "$rows" "$series" "$wall" \
        $((rss / 1024))
}
run bound
run memory
# The tables: the lines from the heading on, in each report.
table() { sed -n '/ NAME        N/,/^ |_STOP/p' "$dir/$1.out" | grep -v '^ |_'; }
if [ "$(table bound)" = "$(table memory)" ] && [ -n "$(table bound)" ]; then
    echo "tables identical:"
    table bound
else
    echo "TABLES DIFFER"
    diff <(table bound) <(table memory) || true
    exit 1
fi
