#!/usr/bin/env bash
# Creates and configures the project's private Wine prefix on demand.
# Usage: scripts/wine-prefix.sh   (uses KD_PREFIX or build/wineprefix)
# The first prefix is made once, configured, and kept untouched as a template
# (KD_PREFIX_TEMPLATE, default: wineprefix-template beside the prefix); every
# prefix is a copy of it, which takes seconds where wineboot takes half a minute.
# A host that runs only 64-bit programs makes its prefixes with the 64-bit
# loader alone (wine-host.sh), from a template of their own.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
prefix=$WINEPREFIX
template_name=wineprefix-template
kd_wine_runs win32 || template_name=wineprefix-template-win64only
template=${KD_PREFIX_TEMPLATE:-$(dirname "$prefix")/$template_name}
stamp="$(wine --version 2>/dev/null || echo none) ($KD_WINE_ARCHS)"

ready() { # <prefix>: configured by this Wine for this host's architectures
  [ -f "$1/.kordane-configured" ] && [ "$(cat "$1/.kordane-configured")" = "$stamp" ] &&
    { ! kd_wine_runs win32 || [ -f "$1/drive_c/windows/syswow64/kernel32.dll" ]; }
}
ready "$prefix" && exit 0

make_template() {
  rm -rf "$template"
  mkdir -p "$(dirname "$template")"
  local log="$template-setup.log"
  echo "creating Wine prefix template $template"
  export WINEPREFIX=$template
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
  cp -f /usr/share/wine/fonts/*.ttf /usr/share/wine/fonts/*.fon "$template/drive_c/windows/Fonts/" 2>/dev/null || true
  echo "$stamp" > "$template/.kordane-configured"
  export WINEPREFIX=$prefix
}

# Several prefixes may be made at once (both architectures, package tests):
# one of them makes the template, the others wait for it.
mkdir -p "$(dirname "$template")"
exec 9>"$template.lock"
flock 9
ready "$template" || make_template
flock -u 9

rm -rf "$prefix"
mkdir -p "$(dirname "$prefix")"
cp -a "$template" "$prefix"
echo "Wine prefix ready: $prefix"
