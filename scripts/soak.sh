#!/usr/bin/env bash
# Soak run: each dialog opened and closed KD_SOAK_COUNT times (default 1,000)
# with the shipped skin, in the win32 build under Wine and Xvfb. Prints one
# line of figures per dialog. BUILD names the build folder (default: build).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
BUILD=${BUILD:-build}
export KD_PREFIX="$root/$BUILD/wineprefix"
export KD_SOAK_COUNT=${KD_SOAK_COUNT:-1000}

cmake --preset win32 -B "$BUILD/win32" >/dev/null &&
  cmake --build "$BUILD/win32" -j "$(nproc)" --target kordane_soak_tests Kordane Helper Scrivet Vellaris || exit 1
scripts/wine-prefix.sh || exit 1
# The program runs outside CTest, whose per-test time limit a full run exceeds;
# CTest only registers the components first.
scripts/with-display.sh scripts/wine-session.sh bash -c '
  ctest --test-dir "$1/win32" -R "^register_" --output-on-failure >/dev/null || { echo "registration failed" >&2; exit 1; }
  cd "$1/win32/bin" && ../wine-run kordane_soak_tests.exe' soak "$root/$BUILD"
