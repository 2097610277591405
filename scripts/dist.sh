#!/usr/bin/env bash
# Builds the release packages: dist/Kordane-<version>-<arch>.zip for win32 and win64,
# each holding the folder Kordane, and dist/SHA256SUMS for the packages it wrote.
# Refuses a work tree with uncommitted changes, and a HEAD whose tag is not
# project(VERSION). The zip's BuildInfo.txt names the commit, the compilers and
# KD_WEB_SITE_URL. The same commit gives the same
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

# A release is one commit, and nothing but it: a local edit would go into the
# zip without a trace. KD_DIST_ALLOW_CHANGES=1 packs a work tree on trial (the
# package tests do).
if [ -z "${KD_DIST_ALLOW_CHANGES:-}" ] && git -C "$root" rev-parse --git-dir >/dev/null 2>&1; then
  changes=$(git -C "$root" status --porcelain)
  if [ -n "$changes" ]; then
    echo "dist: the work tree has changes that no commit holds; commit or stash them first:" >&2
    echo "$changes" >&2
    exit 1
  fi
  project_version=$(sed -n 's/^project(Kordane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
  for tag in $(git -C "$root" tag --points-at HEAD); do
    if [ "${tag#v}" != "$project_version" ]; then
      echo "dist: HEAD is tagged $tag, but CMakeLists.txt's project(VERSION) is $project_version" >&2
      exit 1
    fi
  done
fi
mkdir -p "$out"

crlf() { sed -e 's/\r$//' -e 's/$/\r/' "$1"; }
# "(<Debian package> <version>)" of a program, where dpkg knows it.
package_of() {
  local file pkg
  file=$(readlink -f "$(command -v "$1" 2>/dev/null)" 2>/dev/null) || return 0
  pkg=$(dpkg -S "$file" 2>/dev/null | head -1 | cut -d: -f1) || return 0
  [ -n "$pkg" ] && echo "($pkg $(dpkg-query -W -f='${Version}' "$pkg" 2>/dev/null))"
  return 0
}

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
  crlf CHANGELOG.md > "$pkg/CHANGELOG.md"
  # What the binaries' bytes depend on besides the commit: a second machine
  # with the same compilers and settings makes the same zip.
  url=$(sed -n 's/^KD_WEB_SITE_URL:STRING=//p' "$bdir/CMakeCache.txt")
  {
    echo "Kordane $version $preset"
    echo "commit: $(git -C "$root" rev-parse HEAD 2>/dev/null || echo unknown)"
    compiler=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$bdir/CMakeCache.txt")
    compiler=${compiler:-$triple-g++}
    echo "compiler: $("$compiler" --version 2>/dev/null | head -1 || true) $(package_of "$compiler")"
    echo "binutils: $("$triple-ld" --version 2>/dev/null | head -1 || true) $(package_of "$triple-ld")"
    echo "KD_WEB_SITE_URL: ${url:-(empty: the bundled help page)}"
  } > "$stage/buildinfo"
  crlf "$stage/buildinfo" > "$pkg/BuildInfo.txt"
  rm -f "$stage/buildinfo"
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
