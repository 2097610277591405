#!/usr/bin/env bash
# Builds every configuration and runs every test: native (sanitizers), a short
# fuzzing run, then win32 and win64 under Wine on a private Xvfb display.
# BUILD names the build folder (default: build).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
BUILD=${BUILD:-build}
export KD_PREFIX="$root/$BUILD/wineprefix"
jobs=$(nproc)
summary=()
status=0
passed=0
failed=0

step() { echo; echo "=== $*"; }

# run_ctest <label> <command...>: runs a CTest command, keeps its closing line.
run_ctest() {
  local label=$1; shift
  local out; out=$(mktemp)
  "$@" 2>&1 | tee "$out"
  local rc=${PIPESTATUS[0]}
  local line; line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$out" | tail -1)
  if [ -n "$line" ]; then
    local f t
    f=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$line")
    t=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/' <<<"$line")
    passed=$((passed + t - f)); failed=$((failed + f))
  fi
  summary+=("$label: ${line:-no CTest summary (exit $rc)}")
  [ "$rc" -eq 0 ] && [ -n "$line" ] || status=1
  rm -f "$out"
}

build() { # <preset>
  step "$1 build"
  cmake --preset "$1" -B "$BUILD/$1" >/dev/null && cmake --build "$BUILD/$1" -j "$jobs"
}

scripts/install-deps.sh || exit 1

build native || exit 1
step "native tests (AddressSanitizer, UndefinedBehaviorSanitizer)"
run_ctest native ctest --test-dir "$BUILD/native" --output-on-failure -j "$jobs" --timeout 300

if grep -q add_executable fuzz/CMakeLists.txt 2>/dev/null; then
  build fuzz || exit 1
  step "fuzzing, ${KD_FUZZ_SECONDS:-15} s per target"
  if scripts/fuzz.sh "$BUILD/fuzz" "${KD_FUZZ_SECONDS:-15}"; then
    summary+=("fuzz: no failure")
  else
    summary+=("fuzz: FAILED"); status=1
  fi
fi

build win32 || exit 1
build win64 || exit 1
step "Wine prefix"
scripts/wine-prefix.sh || exit 1

for preset in win32 win64; do
  step "$preset tests under Wine and Xvfb"
  run_ctest "$preset" scripts/with-display.sh scripts/wine-session.sh \
    ctest --test-dir "$BUILD/$preset" --output-on-failure -j "$jobs" --timeout 300
done

echo
echo "=== summary"
printf '%s\n' "${summary[@]}"
echo "$passed passed, $failed failed"
exit $status
