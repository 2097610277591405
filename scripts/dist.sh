#!/usr/bin/env bash
# Builds the release packages: dist/Kordane-<version>-<arch>.zip for win32 and win64,
# each holding the folder Kordane, and dist/SHA256SUMS for the packages it wrote. The same commit gives the same
# bytes in any build folder at any time: every zip entry carries the commit's time
# (or SOURCE_DATE_EPOCH when set), entries are sorted, binaries carry no time stamp.
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

if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
  epoch=$SOURCE_DATE_EPOCH
elif ! epoch=$(git -C "$root" log -1 --format=%ct 2>/dev/null) || [ -z "$epoch" ]; then
  epoch=315532800
  echo "dist: no git history and no SOURCE_DATE_EPOCH; entries dated 1980-01-01" >&2
fi
zips=()

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
  # The top folder is the same in every version: a new version extracted over
  # the old one replaces the program and keeps the account files beside it.
  pkg="$stage/Kordane"
  mkdir -p "$pkg/skin/Solvane" "$pkg/help"
  for f in Kordane.exe Scrivet.dll Helper.dll Vellaris.dll; do
    # The symbol table goes too: nothing on Windows reads it. binutils' strip
    # stamps the PE header with the current time unless SOURCE_DATE_EPOCH is set;
    # 0 is what the linker wrote.
    SOURCE_DATE_EPOCH=0 "$triple-strip" --strip-all -o "$pkg/$f" "$bdir/bin/$f"
  done
  cp skin/Solvane/MainWindow.bmp "$pkg/skin/Solvane/"
  cp help/*.html "$pkg/help/"
  for f in install.cmd uninstall.cmd "Start Kordane.cmd" ReadMe.txt; do
    sed -e "s/@ARCH@/$preset/g" -e "s/@VERSION@/$version/g" "scripts/package/$f" > "$stage/tmp"
    crlf "$stage/tmp" > "$pkg/$f"
  done
  rm -f "$stage/tmp" "$out/$name.zip"
  python3 "$root/scripts/dist-zip.py" "$out/$name.zip" "$pkg" "$epoch"
  rm -rf "$stage"
  zips+=("$name.zip")
  echo "$out/$name.zip"
done
(cd "$out" && sha256sum "${zips[@]}" > SHA256SUMS)
