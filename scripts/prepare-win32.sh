#!/usr/bin/env bash
# What `make run` and `make screenshots` need before they start Kordane:
# packages, the win32 build of the four binaries and the driver, the Wine prefix.
# Usage: scripts/prepare-win32.sh <build folder>   (KD_PREFIX names the prefix)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset win32 -B "$1/win32" >/dev/null
cmake --build "$1/win32" -j "$(nproc)" --target Kordane Scrivet Helper Vellaris uidriver
scripts/wine-prefix.sh
