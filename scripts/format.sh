#!/usr/bin/env bash
# `make format`: every C++ file of the project formatted in place with the
# house style (.clang-format, clang-format 14 from Debian 12).
# `scripts/format.sh --check` changes nothing: it names each file that the
# formatter would change, says how to fix it, and fails (`make test` runs it).
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = --check ]; then
  bad=()
  for f in "${files[@]}"; do
    clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || bad+=("$f")
  done
  [ ${#bad[@]} -eq 0 ] && exit 0
  printf 'not formatted: %s\n' "${bad[@]}"
  echo "fix: make format   (one file: clang-format -i <file>)"
  exit 1
fi
clang-format -i "${files[@]}"
