#!/usr/bin/env bash
# Runs every golden transcript: <case>.tvx is the command file, <case>.out the exact report
# expected on standard output. Each case runs in its own directory so that relative file names
# work. With UPDATE_GOLDEN=1 the expected files are rewritten (review the diff before committing).
set -u
tarvex=$1
root=$2
fail=0
count=0
while IFS= read -r -d '' script; do
  expected=${script%.tvx}.out
  count=$((count + 1))
  actual=$(cd "$(dirname "$script")" && TARVEX_SETTINGS=/dev/null "$tarvex" "$(basename "$script")" 2>/dev/null; echo "[exit $?]")
  if [ "${UPDATE_GOLDEN:-0}" = 1 ]; then
    printf '%s\n' "$actual" > "$expected"
  elif ! diff -u "$expected" <(printf '%s\n' "$actual") > /tmp/golden_diff.$$; then
    echo "FAIL: ${script#$root/}"
    head -n 40 /tmp/golden_diff.$$
    fail=$((fail + 1))
  fi
done < <(find "$root" -name '*.tvx' -print0 | sort -z)
rm -f /tmp/golden_diff.$$
echo "golden transcripts: $count run, $fail failed"
[ "$fail" -eq 0 ]
