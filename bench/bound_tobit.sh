#!/usr/bin/env bash
# TOBIT over series bound to a TARVBIN file against TOBIT of the same series read into memory:
# processor time (user + sys), wall time and peak resident memory (/usr/bin/time) of each run,
# and whether the reports agree line for line.
#     bench/bound_tobit.sh <build>/tarvex [rows (2e6)]
# Y (censored below at 0, about a third of the rows) on X1, X2 and the constant:
# X1 = 2 sin(0.37 t), X2 = cos(1.13 t) + t/100000, Y = max(0, 0.3 + 1.2 X1 - 0.7 X2 + 2 sin(2.9 t)).
# A first run writes the file with GENR and WRITE (not timed); the same file is then bound in one
# run and read into memory (READ ... / TARVEX BINARY) in the other; the time of the run in memory
# includes its READ, so a third run times the READ alone. The file is written into a scratch
# directory (TMPDIR, else /tmp; it needs rows x 48 bytes free) that is removed afterwards.
set -eu
tarvex=$(readlink -f "${1:?usage: bound_tobit.sh path/to/tarvex [rows]}")
rows=${2:-2000000}
dir=$(mktemp -d "${TMPDIR:-/tmp}/bound_tobit.XXXXXX")
trap 'rm -rf "$dir"' EXIT
echo "machine load: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) processors"
# The work area for the series in memory: 16 bytes a value, room for the GENR temporaries.
par=$(( (rows + 8) * 6 * 16 / 1024 + 20480 ))
cat > "$dir/make.tvx" <<MAKE
PAR $par
SAMPLE 1 $rows
GENR X1 = SIN(TIME(0)*0.37)*2
GENR X2 = COS(TIME(0)*1.13) + TIME(0)/100000
GENR YS = 0.3 + 1.2*X1 - 0.7*X2 + 2*SIN(TIME(0)*2.9)
GENR Y = YS*(YS .GT. 0)
WRITE (data.bin) Y X1 X2 / TARVEX BINARY
STOP
MAKE
(cd "$dir" && TARVEX_SETTINGS=/dev/null "$tarvex" make.tvx > make.out 2>&1) ||
    { cat "$dir/make.out"; exit 1; }
printf 'SAMPLE 1 %s\nREAD (data.bin) Y X1 X2 / TARVEX BIND\nTOBIT Y X1 X2\nSTOP\n' \
    "$rows" > "$dir/bound.tvx"
printf 'PAR %s\nSAMPLE 1 %s\nREAD (data.bin) Y X1 X2 / TARVEX BINARY\nTOBIT Y X1 X2\nSTOP\n' \
    "$par" "$rows" > "$dir/memory.tvx"
printf 'PAR %s\nSAMPLE 1 %s\nREAD (data.bin) Y X1 X2 / TARVEX BINARY\nSTOP\n' \
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
