#!/usr/bin/env bash
# Runs every golden transcript: <case>.tvx is the command file, <case>.out the exact report
# expected on standard output. Each case runs in a fresh directory of its own holding a copy of
# its topic directory (the data files and procedures the cases share), so no case sees a file
# that another case wrote and nothing a case writes lands in the source tree (its directory's
# name in the report reads [case]). With
# UPDATE_GOLDEN=1 the expected files are rewritten (review the diff before committing).
set -u
tarvex=$1
root=$2
fail=0
count=0
scratch=$(mktemp -d "${TMPDIR:-/tmp}/tarvex_golden.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
while IFS= read -r -d '' script; do
  expected=${script%.tvx}.out
  count=$((count + 1))
  case_dir=$scratch/case$count
  mkdir -p "$case_dir"
  cp -R "$(dirname "$script")"/. "$case_dir"/
  actual=$(cd "$case_dir" && TARVEX_SETTINGS=/dev/null "$tarvex" "$(basename "$script")" 2>/dev/null; echo "[exit $?]")
  # A file the case writes is named by its full path (the graph files): the case's directory
  # changes from run to run, so it is shown as [case].
  real_dir=$(cd "$case_dir" && pwd -P)
  actual=${actual//"$real_dir"/[case]}
  rm -rf "$case_dir"
  if [ "${UPDATE_GOLDEN:-0}" = 1 ]; then
    printf '%s\n' "$actual" > "$expected"
  elif ! diff -u "$expected" <(printf '%s\n' "$actual") > "$scratch/diff"; then
    echo "FAIL: ${script#$root/}"
    head -n 40 "$scratch/diff"
    fail=$((fail + 1))
  fi
done < <(find "$root" -name '*.tvx' -print0 | sort -z)
echo "golden transcripts: $count run, $fail failed"
[ "$fail" -eq 0 ]
