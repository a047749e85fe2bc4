#!/usr/bin/env bash
# LOGIT over series bound to a TARVBIN file, at a size beyond what the work area should hold:
# the iterations (in double and in quadruple precision), processor and wall time, and peak
# resident memory of the bound fit.
#     bench/bound_logit.sh <build>/tarvex [rows (1e8)] [rows fitted in memory too (2e6)]
# A first run generates Y (0 or 1) from two regressors and standard normal noise with a fixed
# seed, Y = (0.5 X1 - X2 + 0.5 + e > 0), X1 normal and X2 uniform, and writes the three series
# with WRITE ... / TARVEX BINARY (that run holds them in memory: rows x 3 x 16 bytes and room).
# The bound fit then reads them a block at a time. When the third argument is not 0, the same
# steps on that many rows also fit the series read into memory and compare the reports.
# Scratch files go to TMPDIR, else /tmp (rows x 48 bytes free), and are removed afterwards.
set -eu
tarvex=$(readlink -f "${1:?usage: bound_logit.sh path/to/tarvex [rows] [rows in memory]}")
rows=${2:-100000000}
check=${3:-2000000}
dir=$(mktemp -d "${TMPDIR:-/tmp}/bound_logit.XXXXXX")
trap 'rm -rf "$dir"' EXIT
echo "machine load: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) processors"
# The work area to hold n rows of 3 series and the generation's temporaries.
par_for() { echo $(( ($1 + 8) * 5 * 16 / 1024 + 20480 )); }
run() { # case: the report to <case>.out, the timing to <case>.time
    (cd "$dir" && TARVEX_SETTINGS=/dev/null /usr/bin/time -f '%e %U %S %M' "$tarvex" "$1.tvx" \
        > "$1.out" 2> "$1.time")
    read -r wall user sys rss < <(tail -n 1 "$dir/$1.time")
    printf '%-12s processor %.1f s (user %s + sys %s), wall %s s, peak RSS %s MB\n' \
        "$1" "$(echo "$user + $sys" | bc)" "$user" "$sys" "$wall" $((rss / 1024))
}
generate() { # rows file
    printf 'PAR %s\nSAMPLE 1 %s\nSET RANSEED=31337\nGENR X1 = NOR(1)\nGENR X2 = UNI(1)\n' \
        "$(par_for "$1")" "$1" > "$dir/generate.tvx"
    printf 'GENR Y = (0.5*X1 - X2 + 0.5 + NOR(1)) .GT. 0\nWRITE (%s) Y X1 X2 / TARVEX BINARY\nSTOP\n' \
        "$2" >> "$dir/generate.tvx"
    run generate
}
report() { sed -n '/ BINARY LOGIT MODEL/,/^ |_STOP/p' "$dir/$1.out" | grep -v '^ |_'; }
if [ "$check" != 0 ]; then
    generate "$check" small.bin
    printf 'SAMPLE 1 %s\nREAD (small.bin) Y X1 X2 / TARVEX BIND\nLOGIT Y X1 X2\nSTOP\n' \
        "$check" > "$dir/small_bound.tvx"
    printf 'PAR %s\nSAMPLE 1 %s\nREAD (small.bin) Y X1 X2 / TARVEX BINARY\nLOGIT Y X1 X2\nSTOP\n' \
        "$(par_for "$check")" "$check" > "$dir/small_memory.tvx"
    run small_bound
    run small_memory
    if [ -n "$(report small_bound)" ] && [ "$(report small_bound)" = "$(report small_memory)" ]; then
        echo "$check rows, bound and memory: reports identical ($(report small_bound | wc -l) lines)"
    else
        echo "$check rows, bound and memory: REPORTS DIFFER"
        diff <(report small_bound) <(report small_memory) || true
        exit 1
    fi
    rm -f "$dir/small.bin"
fi
generate "$rows" big.bin
printf 'SAMPLE 1 %s\nREAD (big.bin) Y X1 X2 / TARVEX BIND\nSET TIMER\nLOGIT Y X1 X2\nSTOP\n' \
    "$rows" > "$dir/big_bound.tvx"
run big_bound
echo "$rows rows bound:"
grep -E 'ITERATION|CONVERGENCE|DOUBLE|QUADRUPLE|TIME' "$dir/big_bound.out" || true
report big_bound
