#!/usr/bin/env bash
# Builds the release packages: dist/Kordane-<version>-<arch>.zip for win32 and win64.
# Usage: scripts/dist.sh [--out DIR] [win32|win64 ...]   (BUILD names the build folder)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
BUILD=${BUILD:-build}
out="$root/dist"
presets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --out) out=$(realpath -m "$2"); shift 2 ;;
    win32|win64) presets+=("$1"); shift ;;
    *) echo "usage: $0 [--out DIR] [win32|win64 ...]" >&2; exit 2 ;;
  esac
done
[ ${#presets[@]} -gt 0 ] || presets=(win32 win64)
mkdir -p "$out"

crlf() { sed -e 's/\r$//' -e 's/$/\r/' "$1"; }

for preset in "${presets[@]}"; do
  bdir="$BUILD/$preset"
  if [ -z "${KD_DIST_NO_BUILD:-}" ]; then  # the package test packs what is already built
    cmake --preset "$preset" -B "$bdir" >/dev/null
    cmake --build "$bdir" -j "$(nproc)" --target Kordane Scrivet Helper Vellaris >/dev/null
  fi
  version=$(sed -n 's/^#define KD_VERSION_STRING "\(.*\)"/\1/p' "$bdir/generated/kd_version.h")
  triple=$([ "$preset" = win32 ] && echo i686-w64-mingw32 || echo x86_64-w64-mingw32)
  name="Kordane-$version-$preset"
  stage=$(mktemp -d)
  pkg="$stage/$name"
  mkdir -p "$pkg/skin/Solvane" "$pkg/help"
  for f in Kordane.exe Scrivet.dll Helper.dll Vellaris.dll; do
    "$triple-strip" --strip-debug -o "$pkg/$f" "$bdir/bin/$f"
  done
  cp skin/Solvane/MainWindow.bmp "$pkg/skin/Solvane/"
  cp help/*.html "$pkg/help/"
  for f in install.cmd uninstall.cmd "Start Kordane.cmd" ReadMe.txt; do
    sed -e "s/@ARCH@/$preset/g" -e "s/@VERSION@/$version/g" "scripts/package/$f" > "$stage/tmp"
    crlf "$stage/tmp" > "$pkg/$f"
  done
  rm -f "$stage/tmp" "$out/$name.zip"
  (cd "$stage" && zip -qr -X "$out/$name.zip" "$name")
  rm -rf "$stage"
  echo "$out/$name.zip"
done
