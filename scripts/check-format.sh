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
# One clang-format over every file; each misplaced line is a "file:line:col: error:" line.
if report=$(clang-format --dry-run -Werror "${files[@]}" 2>&1); then exit 0; fi
printf '%s\n' "$report" | sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: error:.*/not formatted: \1/p' | sort -u
exit 1
