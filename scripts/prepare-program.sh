#!/usr/bin/env bash
# What `make run`, `make screenshots` and `make soak` need before they start
# Kordane: packages, the build of the four binaries and the driver for the
# architecture this host runs (KD_PROGRAM_ARCH, from wine-host.sh: win32, or
# win64 where 32-bit programs cannot run), and the Wine prefix.
# Usage: scripts/prepare-program.sh <build folder> [extra targets]   (KD_PREFIX names the prefix)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$1; shift
scripts/install-deps.sh
source scripts/wine-host.sh
cmake --preset "$KD_PROGRAM_ARCH" -B "$build/$KD_PROGRAM_ARCH" >/dev/null
cmake --build "$build/$KD_PROGRAM_ARCH" -j "$(nproc)" --target Kordane Scrivet Helper Vellaris uidriver "$@"
scripts/wine-prefix.sh
