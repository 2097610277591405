#!/usr/bin/env bash
# Soak run: each dialog opened and closed KD_SOAK_COUNT times (default 1,000)
# with the shipped skin, then the skin's leak checks KD_SKIN_SOAK_COUNT rounds
# each (default 100), in the win32 build (win64 where 32-bit programs cannot
# run: scripts/wine-host.sh) under Wine and Xvfb. Prints one line of figures
# per dialog. `make test` runs the same loops 30, 10, 12 and 15 times.
# BUILD names the build folder (default: build).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
BUILD=${BUILD:-build}
export KD_SOAK_COUNT=${KD_SOAK_COUNT:-1000}
source scripts/wine-host.sh
arch=$KD_PROGRAM_ARCH
# The prefix the build's own test wrapper (wine-run) uses.
export KD_PREFIX=$(kd_arch_prefix "$root/$BUILD" "$arch")

scripts/prepare-program.sh "$BUILD" kordane_soak_tests skin_tests skin_resource_tests || exit 1
# The program runs outside CTest, whose per-test time limit a full run exceeds;
# CTest only registers the components first.
scripts/with-display.sh scripts/wine-session.sh bash -c '
  ctest --test-dir "$1" -R "^register_" --output-on-failure >/dev/null || { echo "registration failed" >&2; exit 1; }
  cd "$1/bin" && ../wine-run kordane_soak_tests.exe || exit 1
  export KD_SOAK_COUNT=$2
  ../wine-run skin_resource_tests.exe && ../wine-run skin_tests.exe --gtest_filter=SkinnedDialog.OpeningAndClosing*' \
  soak "$root/$BUILD/$arch" "${KD_SKIN_SOAK_COUNT:-100}"
