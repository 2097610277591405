#!/usr/bin/env bash
# Registers Scrivet.dll and Helper.dll of a build in the project's Wine prefix
# with the real regsvr32 of their architecture (in the 64-bit prefix the
# 32-bit one lives in SysWOW64 and writes the 32-bit registry view).
# Usage: register-components.sh BIN_DIR [win32|win64]   (default: KD_PROGRAM_ARCH)
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
bin=$(cd "$1" && pwd)
case "${2:-$KD_PROGRAM_ARCH}" in
  win32) regsvr32='C:\windows\syswow64\regsvr32.exe' ;;
  win64) regsvr32='C:\windows\system32\regsvr32.exe' ;;
  *) echo "register-components.sh: unknown architecture ${2:-}" >&2; exit 2 ;;
esac
for dll in Scrivet Helper; do
  wine "$regsvr32" /s "Z:${bin//\//\\}\\$dll.dll" \
    || { echo "registering $dll.dll failed" >&2; exit 1; }
done
