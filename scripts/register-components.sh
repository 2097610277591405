#!/usr/bin/env bash
# Registers Scrivet.dll and Helper.dll of a win32 build in the project's Wine
# prefix with the real (32-bit) regsvr32. Usage: register-components.sh BIN_DIR
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
bin=$(cd "$1" && pwd)
for dll in Scrivet Helper; do
  wine 'C:\windows\syswow64\regsvr32.exe' /s "Z:${bin//\//\\}\\$dll.dll" \
    || { echo "registering $dll.dll failed" >&2; exit 1; }
done
