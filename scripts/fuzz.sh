#!/usr/bin/env bash
# usage: scripts/fuzz.sh <fuzz build dir> <seconds per target>
# Runs every fuzz_* program of a fuzz build (preset fuzz) for the given time,
# starting from the seeds in fuzz/corpus/<program>/ and the corpus kept in
# <build dir>/corpus/<program>/ from earlier runs. Exits non-zero when a target
# finds a crash; the input that did it lands in <build dir>/artifacts/<program>/.
set -uo pipefail
if [ $# -ne 2 ]; then
  echo "usage: $0 <fuzz build dir> <seconds per target>" >&2
  exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$(realpath -m "$1")
seconds=$2
status=0
found=0
for target in "$dir"/bin/fuzz_*; do
  [ -x "$target" ] || continue
  found=1
  name=$(basename "$target")
  corpus="$dir/corpus/$name"
  artifacts="$dir/artifacts/$name"
  mkdir -p "$corpus" "$artifacts"
  dirs=("$corpus")
  [ -d "$root/fuzz/corpus/$name" ] && dirs+=("$root/fuzz/corpus/$name")
  echo "=== $name: $seconds s"
  log="$dir/$name.log"
  "$target" -max_total_time="$seconds" -max_len=8192 -timeout=20 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$artifacts/" "${dirs[@]}" >"$log" 2>&1
  rc=$?
  grep -E '^(#[0-9]+[[:space:]]+DONE|stat::number_of_executed_units|stat::peak_rss_mb)' "$log"
  echo "corpus: $(find "$corpus" -type f | wc -l) files, $(du -sh "$corpus" | cut -f1)"
  if [ $rc -ne 0 ]; then
    echo "$name FAILED (exit $rc); see $log and $artifacts" >&2
    tail -40 "$log" >&2
    status=1
  fi
done
if [ $found -eq 0 ]; then
  echo "no fuzz_* programs in $dir/bin" >&2
  exit 1
fi
exit $status
