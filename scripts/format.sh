#!/usr/bin/env bash
# `make format`: every C++ file of the project formatted in place with the
# house style (.clang-format, clang-format 14 from Debian 12).
# `scripts/format.sh --check` changes nothing: it names each file that the
# formatter would change, says how to fix it, and fails (`make test` runs it).
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = --check ]; then
  # One clang-format for every file (a process per file took twenty seconds):
  # each file it would change is named in its warnings.
  if report=$(clang-format --dry-run --Werror "${files[@]}" 2>&1); then exit 0; fi
  mapfile -t bad < <(sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: error: code should be clang-formatted.*/\1/p' <<<"$report" | sort -u)
  if [ ${#bad[@]} -eq 0 ]; then
    echo "$report" | head -20
    echo "clang-format failed"
    exit 1
  fi
  printf 'not formatted: %s\n' "${bad[@]}"
  echo "fix: make format   (one file: clang-format -i <file>)"
  exit 1
fi
clang-format -i "${files[@]}"
