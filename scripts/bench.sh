#!/usr/bin/env bash
# Builds the optimised native benchmarks (preset bench) in ${BUILD:-build}/bench
# and runs every *_bench program there. Extra arguments go to each program
# (for instance --benchmark_filter=DesProcess).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
dir="$(realpath -m "${BUILD:-build}/bench")"
cmake --preset bench -B "$dir" >/dev/null
cmake --build "$dir" -j "$(nproc)"
status=0
for program in "$dir"/bin/*_bench; do
  [ -x "$program" ] || continue
  echo "=== $(basename "$program")"
  # Each program works in its own folder below the build folder.
  (cd "$dir" && "$program" "$@") || status=1
done
exit $status
