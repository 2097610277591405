#!/usr/bin/env bash
# Two builds of one commit give byte-identical packages: the test build tree's
# package against one from a second tree of the shipped targets only (kept in
# <build dir>/dist-twin, so a rerun rebuilds just what changed), packed at other
# times, in another time zone, under another umask. Also: reconfiguring and
# building that tree again does no work.
# Usage: reproducible_test.sh <source dir> <build dir> <win32|win64>
set -euo pipefail
src=$(realpath "$1") bdir=$(realpath "$2") arch=$3
twins="$bdir/dist-twin"
work=$(mktemp -d /tmp/kordane-repro.XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

# The settings that reach the shipped binaries, as the test build has them.
cached() { sed -n "s/^$1:[A-Z]*=//p" "$bdir/CMakeCache.txt"; }
build_type=$(cached CMAKE_BUILD_TYPE) web_site=$(cached KD_WEB_SITE_URL)
configure() {
  cmake --preset "$arch" -S "$src" -B "$twins/$arch" -DKD_NO_TESTS=ON -DCMAKE_BUILD_TYPE="$build_type" \
        -DKD_WEB_SITE_URL="$web_site" >/dev/null
}
echo "--- second build tree $twins/$arch"
configure
cmake --build "$twins/$arch" -j "$(nproc)" >"$work/build.log" || { cat "$work/build.log"; fail "twin build"; }

echo "--- configure again and build: nothing to do"
configure
# A real build: a dry run cannot tell that the glob check left build.ninja alone.
cmake --build "$twins/$arch" -- -d explain >"$work/noop.log" 2>&1
grep -q "no work to do" "$work/noop.log" || { cat "$work/noop.log"; fail "a build after a configure does work"; }

pack() { # <build folder parent> <out> [env...]
  local parent=$1 out=$2; shift 2
  env "$@" BUILD="$parent" KD_DIST_NO_BUILD=1 KD_DIST_ALLOW_CHANGES=1 "$src/scripts/dist.sh" --out "$out" "$arch" | tail -1
}
echo "--- package both trees"
a=$(pack "$bdir/.." "$work/a")
b=$(umask 077; pack "$twins" "$work/b" TZ=Pacific/Kiritimati)
cmp "$a" "$b" || fail "packages differ"
cmp "$work/a/SHA256SUMS" "$work/b/SHA256SUMS" || fail "SHA256SUMS differ"
(cd "$work/a" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match"
cat "$work/a/SHA256SUMS"

epoch=${SOURCE_DATE_EPOCH:-$(git -C "$src" log -1 --format=%ct)}
python3 "$src/tests/dist/package_check.py" "$a" "$epoch" "$src" "$bdir" "$twins"

echo "--- SOURCE_DATE_EPOCH decides the entries' time"
c=$(pack "$bdir/.." "$work/c" SOURCE_DATE_EPOCH=1700000000)
python3 - "$c" <<'EOF'
import sys, time, zipfile
times = {e.date_time for e in zipfile.ZipFile(sys.argv[1]).infolist()}
assert times == {time.gmtime(1700000000)[:6]}, times
EOF
echo "reproducible package test passed"
