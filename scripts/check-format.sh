#!/usr/bin/env bash
# Checks that every tracked C++ file is laid out as .clang-format says; lists the files that are
# not and exits 1. With --fix, rewrites them in place instead (what `make format` runs).
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.hpp' '*.h' '*.cc')
if [ "${#files[@]}" -eq 0 ]; then exit 0; fi
if [ "${1:-}" = "--fix" ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
bad=0
for f in "${files[@]}"; do
  if ! clang-format --dry-run -Werror "$f" >/dev/null 2>&1; then
    echo "not formatted: $f"
    bad=1
  fi
done
exit $bad
