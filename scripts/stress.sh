#!/usr/bin/env bash
# Stress run of the crash recovery: Kordane.exe killed KD_KILL_COUNT times
# (default 100) at random instants of its edits, each time restarted and the
# edit journal taken back, in the win32 build (win64 where 32-bit programs
# cannot run: scripts/wine-host.sh) under Wine and Xvfb; then the native store
# test that kills an editing process KD_STORE_KILL_COUNT times (default 1,000).
# Prints the figures of each. BUILD names the build folder (default: build);
# KD_KILL_SEED repeats a run's instants.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
BUILD=${BUILD:-build}
process_kills=${KD_KILL_COUNT:-100}
store_kills=${KD_STORE_KILL_COUNT:-1000}
source scripts/wine-host.sh
arch=$KD_PROGRAM_ARCH
# The prefix the build's own test wrapper (wine-run) uses.
export KD_PREFIX=$(kd_arch_prefix "$root/$BUILD" "$arch")

scripts/prepare-program.sh "$BUILD" kordane_tests || exit 1
cmake --preset native -B "$BUILD/native" >/dev/null && cmake --build "$BUILD/native" -j "$(nproc)" --target store_tests ||
  exit 1

rc=0
echo "== $process_kills kills of Kordane.exe ($arch, Wine)"
# Outside CTest, whose per-test time limit a full run exceeds; CTest only
# registers the components first.
KD_KILL_COUNT=$process_kills scripts/with-display.sh scripts/wine-session.sh bash -c '
  ctest --test-dir "$1" -R "^register_" --output-on-failure >/dev/null || { echo "registration failed" >&2; exit 1; }
  cd "$1/bin" && ../wine-run kordane_tests.exe --gtest_filter=RecoveryProcess.AKillAtAnyInstant*' stress \
  "$root/$BUILD/$arch" || rc=1

echo "== $store_kills kills of an editing process (native store)"
(cd "$BUILD/native/bin" && KD_KILL_COUNT=$store_kills ./store_tests \
  --gtest_filter=EditJournal.AKillAtAnyInstantLosesNoCompletedEdit) || rc=1
exit $rc
