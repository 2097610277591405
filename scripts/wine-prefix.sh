#!/usr/bin/env bash
# Creates and configures the project's private Wine prefix on demand.
# Usage: scripts/wine-prefix.sh   (uses KD_PREFIX or build/wineprefix)
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"

stamp="$WINEPREFIX/.kordane-configured"
wine_version=$(wine --version 2>/dev/null || echo none)
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$wine_version" ] && [ -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; then
  exit 0
fi

rm -rf "$WINEPREFIX"
mkdir -p "$(dirname "$WINEPREFIX")"
log="$(dirname "$WINEPREFIX")/wineprefix-setup.log"
echo "creating Wine prefix $WINEPREFIX"
# No display needed for the set-up; keep Wine away from any X server meanwhile.
( unset DISPLAY; wineboot -i >"$log" 2>&1 )
wineserver -w

reg_add() { DISPLAY= wine reg add "$@" /f >>"$log" 2>&1; }
# Wine draws frames itself: no window manager under Xvfb, closing windows never waits for one.
reg_add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N
reg_add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N
# No crash dialog, no Gecko download offer.
reg_add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0
reg_add 'HKCU\Software\Wine\MSHTML' /v GeckoUrl /t REG_SZ /d ''
reg_add 'HKCU\Software\Wine\MSHTML' /v GeckoCabDir /t REG_SZ /d ''
reg_add 'HKCU\Software\Wine\DllOverrides' /v winemenubuilder.exe /t REG_SZ /d ''
reg_add 'HKCU\Software\Wine\DllOverrides' /v mscoree /t REG_SZ /d ''
wineserver -w

# Dialog fonts as on Windows (Wine does not find Debian's fonts-wine by itself).
cp -f /usr/share/wine/fonts/*.ttf /usr/share/wine/fonts/*.fon "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true

echo "$wine_version" > "$stamp"
echo "Wine prefix ready"
