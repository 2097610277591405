# Sourced: the environment every Wine call of the project runs with.
# KD_PREFIX names the prefix folder (default: build/wineprefix beside the sources).
_kd_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# Which loader runs Wine here, and whether win32 programs can run at all.
source "$_kd_root/scripts/wine-host.sh"
export WINEPREFIX=${KD_PREFIX:-$_kd_root/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono prompt, no desktop menu entries. mshtml stays on: the WebBrowser control needs it.
export WINEDLLOVERRIDES="mscoree=;winemenubuilder.exe=;${KD_EXTRA_DLLOVERRIDES:-}"
export WINEARCH=win64
# KD_WINE_LC_ALL lets one test run under another locale (and so ANSI code page).
export LC_ALL=${KD_WINE_LC_ALL:-C.UTF-8}
unset _kd_root
