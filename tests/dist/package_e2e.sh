#!/usr/bin/env bash
# End to end, as a user who downloads the release package: in a fresh Wine prefix,
# unpack the zip, install, create an administrator, add an entry, exit, log in
# again and find the entry, uninstall, and see Kordane refuse to start.
# Usage: package_e2e.sh <source dir> <build dir> <win32|win64>   (needs DISPLAY)
set -euo pipefail
src=$1 bdir=$2 arch=$3
work=$(mktemp -d /tmp/kordane-e2e.XXXXXX)
export KD_PREFIX="$work/prefix"
# A fresh copy of the build's never-used template prefix.
export KD_PREFIX_TEMPLATE="$bdir/../wineprefix-template"
source "$src/scripts/wine-env.sh"
cleanup() { wineserver -k >/dev/null 2>&1 || true; wineserver -w >/dev/null 2>&1 || true; rm -rf "$work"; }
trap cleanup EXIT

step() { echo "--- $*"; }
fail() { echo "FAILED: $*" >&2; exit 1; }
# Whatever stops the script, say where and show the program's log.
trap 'rc=$?; echo "stopped at line $LINENO (exit $rc)" >&2; cat "$work"/user/Kordane-*/Scrivet/Kordane.txt 2>/dev/null >&2' ERR
drive() { wine "$bdir/bin/uidriver.exe" "$@" </dev/null; }
expect_text() { # <caption> <id> <text>
  local got; got=$(drive gettext "$1" "$2" | tr -d '\r')
  [ "$got" = "$3" ] || fail "$1/$2 shows '$got', expected '$3'"
}

step "package"
zip=$(BUILD="$bdir/.." KD_DIST_NO_BUILD=1 "$src/scripts/dist.sh" --out "$work/dist" "$arch" | tail -1)
[ -f "$zip" ] || fail "no package"

step "fresh prefix"
"$src/scripts/wine-prefix.sh" >/dev/null
wineserver -p >/dev/null 2>&1
wine cmd /c exit >"$work/services.log" 2>&1 </dev/null

step "unpack and install"
mkdir -p "$work/user"
unzip -q "$zip" -d "$work/user"
app=$(echo "$work"/user/Kordane-*-"$arch")
[ -f "$app/Kordane.exe" ] && [ -f "$app/skin/Solvane/MainWindow.bmp" ] && [ -f "$app/ReadMe.txt" ] || fail "package content"
# A component that cannot be registered stops the installation with a message.
cp -r "$app" "$work/broken"
echo "not a library" > "$work/broken/Helper.dll"
if msg=$(cd "$work/broken" && wine cmd /c install.cmd </dev/null 2>&1); then fail "install.cmd succeeded with a broken Helper.dll"; fi
grep -q "registering Helper.dll failed" <<<"$msg" || fail "install.cmd gave no clear message: $msg"
rm -rf "$work/broken"
( cd "$app" && wine cmd /c install.cmd </dev/null ) || fail "install.cmd"
( cd "$app" && wine cmd /c install.cmd </dev/null >/dev/null ) || fail "install.cmd a second time"

start_kordane() { ( cd "$app" && exec wine Kordane.exe </dev/null >/dev/null 2>&1 ) & kordane_pid=$!; }
wait_exit() { # the process must end on its own
  for _ in $(seq 100); do kill -0 "$kordane_pid" 2>/dev/null || return 0; sleep 0.2; done
  fail "Kordane did not exit"
}

step "create an administrator and an entry"
start_kordane
drive wait Kordane 30000 || fail "main dialog not shown"
drive click Kordane 1014
drive wait "Create Admin Dialog" || fail "no create-admin dialog"
drive settext "Create Admin Dialog" 1017 e2eadmin
drive settext "Create Admin Dialog" 1009 'S3cret!'
drive settext "Create Admin Dialog" 1016 'S3cret!'
drive click "Create Admin Dialog" 1
drive waitgone "Create Admin Dialog" || fail "create-admin dialog stayed open"
[ "$(drive enabled Kordane 1004 | tr -d '\r')" = 1 ] || fail "Insert not enabled after creation"
drive settext Kordane 1008 mail.example
drive settext Kordane 1009 hunter2
drive settext Kordane 1010 "first entry"
drive click Kordane 1004
sleep 0.5
[ "$(drive listcount Kordane 1005 | tr -d '\r')" = 1 ] || fail "entry not inserted"
drive click Kordane 1
wait_exit
[ -f "$app/e2eadmin.qrd" ] || fail "no account file"
[ -f "$app/Scrivet/Kordane.txt" ] && [ -d "$app/Tmp" ] || fail "no working folders"

step "log in again and find the entry"
start_kordane
drive wait Kordane 30000 || fail "main dialog not shown"
drive click Kordane 1000
drive wait "Login Dialog" || fail "no login dialog"
drive settext "Login Dialog" 1017 e2eadmin
drive settext "Login Dialog" 1009 'S3cret!'
drive click "Login Dialog" 1
drive wait "Message Box" || fail "no login message"
expect_text "Message Box" 1021 "Login success."
drive click "Message Box" 1018
drive waitgone "Message Box" || fail "message box stayed open"
sleep 0.3
[ "$(drive listcount Kordane 1005 | tr -d '\r')" = 1 ] || fail "entry not listed after login"
[ "$(drive listtext Kordane 1005 0 0 | tr -d '\r')" = mail.example ] || fail "wrong account listed"
[ "$(drive listtext Kordane 1005 0 2 | tr -d '\r')" = "first entry" ] || fail "wrong comment listed"
drive click Kordane 1
wait_exit

step "uninstall"
( cd "$app" && wine cmd /c uninstall.cmd </dev/null ) || fail "uninstall.cmd"
( cd "$app" && wine cmd /c uninstall.cmd </dev/null >/dev/null ) || fail "uninstall.cmd a second time"
view=$([ "$arch" = win32 ] && echo /reg:32 || echo /reg:64)
for key in 'HKCR\Halvrin.Scrivet' 'HKCR\Halvrin.Scrivet.1' 'HKCR\Halvrin.Helper' 'HKCR\Halvrin.Helper.1'; do
  if wine reg query "$key" "$view" >/dev/null 2>&1; then fail "$key still registered"; fi
done
# Helper's and Scrivet's class identifiers (components/*/include).
for clsid in '{D51C143B-F977-49BF-90BF-8548A62DDA20}' '{AC552A93-1207-45F6-A5F6-3DA576F6805A}'; do
  if wine reg query "HKCR\\CLSID\\$clsid" "$view" >/dev/null 2>&1; then fail "class $clsid still registered"; fi
done

step "Kordane without its components"
start_kordane
drive wait Kordane 30000 || fail "no message"
drive hastext Kordane "Create COM Component Failed." || fail "wrong message"
drive click Kordane 1
wait_exit
[ -f "$app/e2eadmin.qrd" ] || fail "account file lost"
echo "package test passed"
