#!/usr/bin/env bash
# TOBIT over series bound to a TARVBIN file against TOBIT of the same series read into memory:
# processor time (user + sys), wall time and peak resident memory (/usr/bin/time) of each run,
# and whether the reports agree line for line.
#     bench/bound_tobit.sh <build>/tarvex [rows (2e6)]
# V1 on V2, V3 and the constant, censored below at 1 + rows/2048 (about half the rows), the
# series of bench/make_bound_data (Vj = j + t/1024 + a scrambled fraction of t). The same file
# is bound in one run and read into memory (READ ... / TARVEX BINARY) in the other; the time of
# the run in memory includes its READ, so a third run times the READ alone. The data file is
# written by bench/make_bound_data (compiled here with g++) into a scratch directory (TMPDIR, else
# /tmp; it needs rows x 48 bytes free) that is removed afterwards.
set -eu
tarvex=$(readlink -f "${1:?usage: bound_tobit.sh path/to/tarvex [rows]}")
rows=${2:-2000000}
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$(mktemp -d "${TMPDIR:-/tmp}/bound_tobit.XXXXXX")
trap 'rm -rf "$dir"' EXIT
echo "machine load: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) processors"
g++ -O2 -std=gnu++20 -I "$root" "$root/bench/make_bound_data.cpp" -o "$dir/make_bound_data" -lquadmath
"$dir/make_bound_data" "$dir/data.bin" "$rows" 3
lower=$(( 1 + rows / 2048 ))
# The work area for the series in memory: 16 bytes a value, 4 header words a series, and room.
par=$(( (rows + 8) * 3 * 16 / 1024 + 20480 ))
printf 'SAMPLE 1 %s\nREAD (data.bin) V1 V2 V3 / TARVEX BIND\nTOBIT V1 V2 V3 / LOWER=%s\nSTOP\n' \
    "$rows" "$lower" > "$dir/bound.tvx"
printf 'PAR %s\nSAMPLE 1 %s\nREAD (data.bin) V1 V2 V3 / TARVEX BINARY\nTOBIT V1 V2 V3 / LOWER=%s\nSTOP\n' \
    "$par" "$rows" "$lower" > "$dir/memory.tvx"
printf 'PAR %s\nSAMPLE 1 %s\nREAD (data.bin) V1 V2 V3 / TARVEX BINARY\nSTOP\n' \
    "$par" "$rows" > "$dir/read.tvx"
run() { # case: the report to <case>.out, the timing to <case>.time
    (cd "$dir" && TARVEX_SETTINGS=/dev/null /usr/bin/time -f '%e %U %S %M' "$tarvex" "$1.tvx" \
        > "$1.out" 2> "$1.time")
    read -r wall user sys rss < <(tail -n 1 "$dir/$1.time")
    printf '%-7s %s rows: processor %.1f s (user %s + sys %s), wall %s s, peak RSS %s MB\n' \
        "$1" "$rows" "$(echo "$user + $sys" | bc)" "$user" "$sys" "$wall" $((rss / 1024))
}
run bound
run memory
run read
# The reports: the lines from the estimation heading on.
report() { sed -n '/ TOBIT MODEL/,/^ |_STOP/p' "$dir/$1.out" | grep -v '^ |_'; }
if [ -n "$(report bound)" ] && [ "$(report bound)" = "$(report memory)" ]; then
    echo "bound and memory: reports identical ($(report bound | wc -l) lines)"
    report bound
else
    echo "bound and memory: REPORTS DIFFER"
    diff <(report bound) <(report memory) || true
    exit 1
fi
