#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and `make run` need.
# Idempotent: quick when everything is present.
# Usage: install-deps.sh [native|windows|all]   (default: all)
#   native   the native build, its tests, fuzzing and the format check
#   windows  mingw-w64, Wine and the X tools the Windows builds and tests need
# `make test` installs the native group first and the Windows group while the
# native build runs: dpkg takes one install at a time, so never both at once.
set -euo pipefail

native=(cmake make g++ ninja-build googletest libbenchmark-dev libssl-dev clang clang-format libclang-rt-14-dev
        zip unzip python3 locales)
windows=(mingw-w64 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
         wine wine64 wine32:i386 fonts-wine
         xvfb xauth x11-apps x11-utils xdotool imagemagick)
case "${1:-all}" in
  native) pkgs=("${native[@]}") ;;
  windows) pkgs=("${windows[@]}") ;;
  all) pkgs=("${native[@]}" "${windows[@]}") ;;
  *) echo "usage: $0 [native|windows|all]" >&2; exit 2 ;;
esac

need_i386=0
if [ "${1:-all}" != native ]; then
  dpkg --print-foreign-architectures | grep -qx i386 || need_i386=1
fi

missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && [ $need_i386 -eq 0 ] && exit 0

SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
if [ $need_i386 -eq 1 ]; then $SUDO dpkg --add-architecture i386; fi
echo "installing: ${missing[*]}"
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
