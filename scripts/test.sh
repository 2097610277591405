#!/usr/bin/env bash
# Builds every configuration and runs every test: native (sanitizers, beside
# the Windows builds), then at once a short fuzzing run and the win32 and win64
# tests under Wine, each architecture with its own Wine prefix, Wine server and
# Xvfb display.
# On a host that cannot execute 32-bit programs (scripts/wine-host.sh decides;
# KD_WIN64_ONLY=1 forces it) the win32 build's shipped binaries are still built
# (while the win64 tests run) and checked as files, but its test programs are
# neither built nor run: they are counted as programs not run, never as
# passed. BUILD names the build folder (default: build).
#
# Taken from scripts/wine-host.sh, sourced once the packages are installed:
#   KD_WINE_ARCHS     the architectures this host runs under Wine
#   KD_WIN32_SKIPPED  why win32 does not run here (empty where it does)
#   kd_arch_prefix    <build folder> <preset>: the Wine prefix of a preset (the
#                     tests labelled own_session run in a second one, "<prefix>-own")
#   kd_wine_runs      <preset>: whether Wine runs that preset's programs here
# The summary counts test cases (a GoogleTest program's cases, any other test
# as one) and, apart from them, the test programs a host could not run.
# Code that clang-format would change fails the run (scripts/format.sh --check).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
BUILD=${BUILD:-build}
jobs=$(nproc)
# Most Wine tests wait on windows and messages rather than compute: more at
# once than there are cores keeps both busy.
wine_jobs=${KD_WINE_JOBS:-$((jobs + 1))}
logs="$BUILD/test-logs"
summary=()
status=0
passed=0
failed=0
skipped=0          # test cases
programs_not_run=0 # whole test programs this host cannot run

step() { echo; echo "=== $*"; }

# tally <label> <build dir> <ctest output> <ctest exit>: counts by test case.
tally() {
  local label=$1 bdir=$2 out=$3 rc=$4
  local line; line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$out" | tail -1)
  local p f s
  read -r p f s < <(python3 scripts/test-summary.py "$bdir" "$out")
  passed=$((passed + p)); failed=$((failed + f)); skipped=$((skipped + s))
  summary+=("$label: ${line:-no CTest summary (exit $rc)}; cases: $p passed, $f failed, $s skipped")
  [ "$rc" -eq 0 ] && [ -n "$line" ] || status=1
}

build() { # <preset> [cmake --build arguments...]
  local preset=$1; shift
  step "$preset build"
  cmake --preset "$preset" -B "$BUILD/$preset" >/dev/null && cmake --build "$BUILD/$preset" -j "$jobs" "$@"
}

# The native build's packages first; mingw-w64, Wine and X meanwhile, while
# the native build and tests run (on a fresh machine the download and unpacking
# take about two minutes).
scripts/install-deps.sh native || exit 1
mkdir -p "$logs"
scripts/install-deps.sh windows >"$logs/install.log" 2>&1 &
install_pid=$!

# The house style first: a file the formatter would change fails the run,
# named with the command that fixes it; the tests run all the same.
step "format (clang-format, .clang-format)"
if scripts/format.sh --check; then
  summary+=("format: every C++ file as make format leaves it")
else
  summary+=("format: FAILED, files not formatted (listed above; fix: make format)")
  status=1
fi

build native || exit 1
# The native tests run beside what follows; they are told with the others.
rm -rf "$BUILD/native/gtest-results"
ctest --test-dir "$BUILD/native" --output-on-failure --timeout 400 -j "$jobs" >"$logs/native.log" 2>&1 &
native_pid=$!

fuzzing=0
if grep -q add_executable fuzz/CMakeLists.txt 2>/dev/null; then
  build fuzz || exit 1
  fuzzing=1
fi
step "the Windows group of packages"
wait "$install_pid"; rc=$?
cat "$logs/install.log"
[ $rc -eq 0 ] || exit 1
# Probed once the packages are in: a fresh machine gets wine32 installed just
# above, and a probe made before would skip every win32 test.
source scripts/wine-host.sh

# The Wine prefixes are made while the builds run: a first wineboot spends most
# of its half minute waiting rather than computing.
(
  for preset in $KD_WINE_ARCHS; do
    KD_PREFIX="$(kd_arch_prefix "$root/$BUILD" "$preset")" scripts/wine-prefix.sh || exit 1
    KD_PREFIX="$(kd_arch_prefix "$root/$BUILD" "$preset")-own" scripts/wine-prefix.sh || exit 1
  done
) >"$logs/prefixes.log" 2>&1 &
prefixes_pid=$!

# A host that cannot run win32 builds of it only what the checks of the built
# files read, and that while the tests run (below): test programs it cannot
# run took a third of a fresh machine's time to compile.
if kd_wine_runs win32; then build win32 || exit 1; fi
build win64 || exit 1
step "Wine prefixes"
wait "$prefixes_pid"; rc=$?
cat "$logs/prefixes.log"
[ $rc -eq 0 ] || exit 1

step "at once: fuzzing ${KD_FUZZ_SECONDS:-15} s per target, tests under Wine ($KD_WINE_ARCHS)"
started=$(date +%s)
if [ $fuzzing -eq 1 ]; then
  scripts/fuzz.sh "$BUILD/fuzz" "${KD_FUZZ_SECONDS:-15}" >"$logs/fuzz.log" 2>&1 &
  fuzz_pid=$!
fi
declare -A wine_pid own_pid
# session <preset> <prefix> <ctest arguments...>: one architecture's tests on a
# display and Wine server of their own.
session() {
  local preset=$1 prefix=$2; shift 2
  KD_PREFIX="$prefix" KD_SESSION_PREFIX="$prefix" KD_DESKTOP_HOLDER="$root/$BUILD/$preset/bin/uidriver.exe" \
    scripts/with-display.sh scripts/wine-session.sh \
    ctest --test-dir "$BUILD/$preset" --output-on-failure --timeout 400 "$@"
}
for preset in win32 win64; do
  rm -rf "$BUILD/$preset/gtest-results"
  if kd_wine_runs "$preset"; then
    # The tests labelled own_session (the skin's screen tests, the soak, the
    # browser) take a display and Wine server of their own, so that they need
    # not wait for kordane_tests, which holds the first display for minutes.
    prefix=$(kd_arch_prefix "$root/$BUILD" "$preset")
    session "$preset" "$prefix" -LE own_session -j "$wine_jobs" >"$logs/$preset.log" 2>&1 &
    wine_pid[$preset]=$!
    session "$preset" "$prefix-own" -L own_session >"$logs/$preset-own.log" 2>&1 &
    own_pid[$preset]=$!
  else
    # Only the checks that read the build's files; no prefix, no display.
    { build "$preset" --target kd_shipped &&
        ctest --test-dir "$BUILD/$preset" -L nowine --output-on-failure --timeout 900 -j "$wine_jobs"; } \
      >"$logs/$preset.log" 2>&1 &
    wine_pid[$preset]=$!
  fi
done

wait "$native_pid"; rc=$?
step "native tests (AddressSanitizer, UndefinedBehaviorSanitizer)"
cat "$logs/native.log"
tally native "$BUILD/native" "$logs/native.log" "$rc"
if [ $fuzzing -eq 1 ]; then
  wait "$fuzz_pid"; rc=$?
  step "fuzzing"
  cat "$logs/fuzz.log"
  if [ $rc -eq 0 ]; then summary+=("fuzz: no failure"); else summary+=("fuzz: FAILED"); status=1; fi
fi
for preset in win32 win64; do
  wait "${wine_pid[$preset]}"; rc=$?
  if kd_wine_runs "$preset"; then step "$preset tests under Wine and Xvfb"; else step "$preset: checks of the built files only"; fi
  cat "$logs/$preset.log"
  tally "$preset" "$BUILD/$preset" "$logs/$preset.log" "$rc"
  if [ -n "${own_pid[$preset]:-}" ]; then
    wait "${own_pid[$preset]}"; rc=$?
    step "$preset tests under Wine and Xvfb, on a display of their own"
    cat "$logs/$preset-own.log"
    tally "$preset (own display)" "$BUILD/$preset" "$logs/$preset-own.log" "$rc"
  fi
  if ! kd_wine_runs "$preset"; then
    not_run=$(ctest --test-dir "$BUILD/$preset" -N -LE nowine | sed -n 's/^Total Tests: //p')
    line="$preset under Wine: NOT RUN, $KD_WIN32_SKIPPED; ${not_run:-?} test programs not run"
    echo "$line"
    summary+=("$line")
    programs_not_run=$((programs_not_run + ${not_run:-0}))
  fi
done
echo "(fuzzing and Wine tests: $(( $(date +%s) - started )) s)"

echo
echo "=== summary"
printf '%s\n' "${summary[@]}"
echo "test cases: $passed passed, $failed failed, $skipped skipped; test programs not run on this host: $programs_not_run"
exit $status
