#!/usr/bin/env bash
# Runs every command file under the given folders (golden transcripts, worked examples) with the
# engine's error-number check on, and fails when a statement wrote an "...ERROR.." line without
# storing a number in $ERR. Each such line is listed once, with the first file that shows it.
# Usage: scripts/check-error-numbers.sh path/to/tarvex folder...
set -u
tarvex=$1
shift
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
found=$scratch/found
: > "$found"
count=0
for root in "$@"; do
  while IFS= read -r -d '' script; do
    count=$((count + 1))
    case_dir=$scratch/case$count
    mkdir -p "$case_dir"
    cp -R "$(dirname "$script")"/. "$case_dir"/
    (cd "$case_dir" && TARVEX_SETTINGS=/dev/null TARVEX_CHECK_ERROR_NUMBERS=1 \
      "$tarvex" "$(basename "$script")" 2>&1 >/dev/null </dev/null) |
      sed -n "s|^tarvex: error line without \$ERR: *|${script#$root/}: |p" >> "$found"
    rm -rf "$case_dir"
  done < <(find "$root" -name '*.tvx' -print0 | sort -z)
done
# One line per message (the text after the file name), the first file that shows it.
sort -t: -k2 -u "$found" | sort > "$scratch/unique"
missing=$(wc -l < "$scratch/unique")
cat "$scratch/unique"
echo "error-number check: $count command files run, $missing error lines without \$ERR"
[ "$missing" -eq 0 ]
