#!/usr/bin/env bash
# End to end, as a user who downloads the release package, in a fresh Wine prefix
# where nothing is registered: unzip and run Kordane.exe (no installation), create
# an administrator with entries, upgrade by extracting the package over the
# folder, run two copies side by side, register one copy machine-wide and run the
# other copy's uninstall.cmd, and see a component that cannot load refused with
# the exit code of a failed start. uninstall.cmd says "unregistered" only of what
# it removed. Account files are never touched by any of it.
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
trap 'rc=$?; echo "stopped at line $LINENO (exit $rc)" >&2; cat "$work"/*/Kordane/Scrivet/Kordane.txt 2>/dev/null >&2' ERR
drive() { wine "$bdir/bin/uidriver.exe" "$@" </dev/null | tr -d '\r'; }
expect_text() { # <caption> <id> <text>
  local got; got=$(drive gettext "$1" "$2")
  [ "$got" = "$3" ] || fail "$1/$2 shows '$got', expected '$3'"
}
winpath() { local p=${1//\//\\}; echo "Z:$p"; }
lower() { tr '[:upper:]' '[:lower:]'; }
# Where the class is registered from (HKCR, the package's registry view), or nothing.
view=$([ "$arch" = win32 ] && echo /reg:32 || echo /reg:64)
scrivet='{AC552A93-1207-45F6-A5F6-3DA576F6805A}' helper='{D51C143B-F977-49BF-90BF-8548A62DDA20}'
server_of() {
  wine reg query "HKCR\\CLSID\\$1\\InprocServer32" /ve "$view" </dev/null 2>/dev/null | tr -d '\r' |
    sed -n 's/^.*REG_SZ[[:space:]]*//p' || true
}
# Runs one of the package's scripts in its folder, by name as typed in a console.
run_cmd() { ( cd "$1" && wine cmd /c "$2" </dev/null 2>&1 | tr -d '\r' ); }

step "package"
zip=$(BUILD="$bdir/.." KD_DIST_NO_BUILD=1 KD_DIST_ALLOW_CHANGES=1 "$src/scripts/dist.sh" --out "$work/dist" "$arch" | tail -1)
[ -f "$zip" ] || fail "no package"
version=$(sed -n 's/^#define KD_VERSION_STRING "\(.*\)"/\1/p' "$bdir/generated/kd_version.h")

step "fresh prefix, nothing registered"
"$src/scripts/wine-prefix.sh" >/dev/null
wineserver -p >/dev/null 2>&1
wine cmd /c exit >"$work/services.log" 2>&1 </dev/null
[ -z "$(server_of "$scrivet")$(server_of "$helper")" ] || fail "a component is registered in the fresh prefix"

start_in() { # <folder>: starts that folder's Kordane.exe there, as a double-click does
  ( cd "$1" && exec wine Kordane.exe </dev/null >/dev/null 2>&1 ) & kordane_pid=$!
}
wait_exit() { # [pid] [exit code, default 0]: the process must end on its own, with that code
  local pid=${1:-$kordane_pid} expected=${2:-0} code=0
  for _ in $(seq 100); do
    if ! kill -0 "$pid" 2>/dev/null; then
      wait "$pid" || code=$?
      [ "$code" = "$expected" ] || fail "Kordane ended with exit code $code, expected $expected"
      return 0
    fi
    sleep 0.2
  done
  fail "Kordane did not exit"
}
# The lines of a script's output that say a component was unregistered.
unregistered_lines() { grep -E "unregistered\.|components are unregistered" <<<"$1" || true; }
login() { # <caption of the expected message>
  drive click Kordane 1000
  drive wait "Login Dialog" >/dev/null || fail "no login dialog"
  drive settext "Login Dialog" 1017 e2eadmin
  drive settext "Login Dialog" 1009 'S3cret!'
  drive click "Login Dialog" 1
  drive wait "Message Box" >/dev/null || fail "no login message"
  expect_text "Message Box" 1021 "Login success."
  drive click "Message Box" 1018
  drive waitgone "Message Box" || fail "message box stayed open"
  sleep 0.3
}
insert() { # <account> <password> <comment>: one more row
  local before; before=$(drive listcount Kordane 1005)
  drive settext Kordane 1008 "$1"
  drive settext Kordane 1009 "$2"
  drive settext Kordane 1010 "$3"
  drive click Kordane 1004
  for _ in $(seq 50); do [ "$(drive listcount Kordane 1005)" = $((before + 1)) ] && return 0; sleep 0.1; done
  fail "entry $1 not inserted"
}
expect_entries() { # the three entries, in order
  [ "$(drive listcount Kordane 1005)" = 3 ] || fail "$(drive listcount Kordane 1005) entries listed, expected 3"
  local row=0 account comment
  for account in mail.example bank.example shop.example; do
    [ "$(drive listtext Kordane 1005 $row 0)" = "$account" ] || fail "row $row is not $account"
    row=$((row + 1))
  done
  comment=$(drive listtext Kordane 1005 0 2)
  [ "$comment" = "first entry" ] || fail "first comment reads '$comment'"
}
modules_of() { drive modules Kordane | lower; }
expect_own_components() { # <folder> <modules listing>: this copy's DLLs, nobody else's
  local folder; folder=$(winpath "$1" | lower)
  for dll in scrivet.dll helper.dll; do
    grep -qxF "$folder\\$dll" <<<"$(cut -d' ' -f2- <<<"$2")" || fail "$dll of $1 not loaded: $2"
    [ "$(grep -ci "\\\\$dll\$" <<<"$2")" = 1 ] || fail "another $dll loaded too: $2"
  done
}

step "unzip, start Kordane.exe, create an administrator with entries"
mkdir -p "$work/user"
unzip -q "$zip" -d "$work/user"
app="$work/user/Kordane"
[ -f "$app/Kordane.exe" ] && [ -f "$app/skin/Solvane/MainWindow.bmp" ] && [ -f "$app/ReadMe.txt" ] || fail "package content"
start_in "$app"
drive wait Kordane 30000 >/dev/null || fail "main dialog not shown"
drive hastext Kordane "Create COM Component Failed." 2>/dev/null && fail "components not found beside the program"
expect_own_components "$app" "$(modules_of)"
drive click Kordane 1014
drive wait "Create Admin Dialog" >/dev/null || fail "no create-admin dialog"
drive settext "Create Admin Dialog" 1017 e2eadmin
drive settext "Create Admin Dialog" 1009 'S3cret!'
drive settext "Create Admin Dialog" 1016 'S3cret!'
drive click "Create Admin Dialog" 1
drive waitgone "Create Admin Dialog" || fail "create-admin dialog stayed open"
[ "$(drive enabled Kordane 1004)" = 1 ] || fail "Insert not enabled after creation"
insert mail.example hunter2 "first entry"
insert bank.example passw0rd "second"
insert shop.example x1y2 ""
drive click Kordane 1
wait_exit
[ -s "$app/e2eadmin.qrd" ] || fail "no account file"
[ -f "$app/Scrivet/Kordane.txt" ] && [ -d "$app/Tmp" ] || fail "no working folders"
# Still nothing registered: the program found its components by its manifest alone.
[ -z "$(server_of "$scrivet")$(server_of "$helper")" ] || fail "running Kordane registered a component"

step "upgrade: the package extracted over the folder keeps the entries"
cp "$app/e2eadmin.qrd" "$work/saved.qrd"
echo "an older version" >"$app/ReadMe.txt"
unzip -q -o "$zip" -d "$work/user"
head -1 "$app/ReadMe.txt" | grep -q "^Kordane $version ($arch)" || fail "ReadMe.txt not replaced by the upgrade"
cmp -s "$app/e2eadmin.qrd" "$work/saved.qrd" || fail "the upgrade changed the account file"
start_in "$app"
drive wait Kordane 30000 >/dev/null || fail "main dialog not shown after the upgrade"
login
expect_entries
drive click Kordane 1
wait_exit

step "two copies side by side, each with its own components"
mkdir -p "$work/other"
unzip -q "$zip" -d "$work/other"
other="$work/other/Kordane"
start_in "$app"; first=$kordane_pid
drive wait Kordane 30000 >/dev/null || fail "first copy not shown"
start_in "$other"; second=$kordane_pid
for _ in $(seq 150); do [ "$(modules_of | cut -d' ' -f1 | sort -u | wc -l)" = 2 ] && break; sleep 0.2; done
listing=$(modules_of)
pids=$(cut -d' ' -f1 <<<"$listing" | sort -u)
[ "$(wc -l <<<"$pids")" = 2 ] || fail "two copies not running: $listing"
for pid in $pids; do
  mine=$(grep "^$pid " <<<"$listing")
  if grep -qiF "$(winpath "$app" | lower)\\scrivet.dll" <<<"$mine"; then expect_own_components "$app" "$mine"
  else expect_own_components "$other" "$mine"; fi
done
drive click Kordane 1
for _ in $(seq 100); do kill -0 "$first" 2>/dev/null && kill -0 "$second" 2>/dev/null || break; sleep 0.2; done
drive click Kordane 1
wait_exit "$first"; wait_exit "$second"

step "install.cmd: machine-wide registration, optional"
run_cmd "$other" install.cmd >"$work/install.log" || { cat "$work/install.log"; fail "install.cmd"; }
[ "$(head -1 "$work/install.log")" = "Kordane install: this is optional. Kordane runs from its folder without it;" ] ||
  fail "install.cmd does not begin by saying that it is optional: $(head -1 "$work/install.log")"
run_cmd "$other" install.cmd >/dev/null || fail "install.cmd a second time"
grep -q "Press any key" "$work/install.log" && fail "install.cmd typed in a console waited for a key"
for clsid in "$scrivet" "$helper"; do
  [ -n "$(server_of "$clsid")" ] || fail "$clsid not registered by install.cmd"
done

step "the old copy's uninstall.cmd leaves the other copy's registration and every account file"
out=$(run_cmd "$app" uninstall.cmd) || fail "uninstall.cmd: $out"
echo "$out"
first_line=$(head -1 <<<"$out")
[ "$first_line" = "Kordane uninstall: your account files are in $(winpath "$app")\\ and stay there:" ] ||
  fail "uninstall.cmd does not begin with the account files: $first_line"
grep -qx "  e2eadmin.qrd" <<<"$out" || fail "uninstall.cmd does not name e2eadmin.qrd"
grep -q "Move your account files out of this folder before you delete it." <<<"$out" || fail "no warning before deleting"
for dll in Scrivet Helper; do
  grep -qF "Kordane uninstall: $dll.dll stays registered from another folder: $(winpath "$other")\\$dll.dll" <<<"$out" ||
    fail "uninstall.cmd does not say that $dll.dll stays registered"
done
[ "$(server_of "$scrivet")" = "$(winpath "$other")\\Scrivet.dll" ] || fail "the old copy unregistered Scrivet.dll"
[ "$(server_of "$helper")" = "$(winpath "$other")\\Helper.dll" ] || fail "the old copy unregistered Helper.dll"
[ -z "$(unregistered_lines "$out")" ] || fail "uninstall.cmd says it unregistered what it left: $(unregistered_lines "$out")"
grep -qx "Kordane uninstall: nothing was unregistered, because no component is registered from this folder." <<<"$out" ||
  fail "uninstall.cmd does not say why it unregistered nothing"
cmp -s "$app/e2eadmin.qrd" "$work/saved.qrd" || fail "uninstall.cmd touched the account file"

step "uninstall.cmd where one component is registered from its folder and the other from another"
wine regsvr32 /s "$(winpath "$app")\\Scrivet.dll" </dev/null >/dev/null 2>&1 || fail "regsvr32 of the old copy's Scrivet.dll"
[ "$(server_of "$scrivet")" = "$(winpath "$app")\\Scrivet.dll" ] || fail "Scrivet.dll not registered from the old copy"
out=$(run_cmd "$app" uninstall.cmd) || fail "uninstall.cmd: $out"
echo "$out"
[ "$(unregistered_lines "$out")" = "Kordane uninstall: Scrivet.dll unregistered." ] ||
  fail "uninstall.cmd does not say exactly what it unregistered: $(unregistered_lines "$out")"
grep -qF "Kordane uninstall: Helper.dll stays registered from another folder: $(winpath "$other")\\Helper.dll" <<<"$out" ||
  fail "uninstall.cmd does not say that Helper.dll stays registered"
grep -qx "Move your account files out of this folder before you delete it." <<<"$out" || fail "no warning before deleting: $out"
[ -z "$(server_of "$scrivet")" ] || fail "Scrivet.dll still registered"
# The other copy registers both again for the next step.
run_cmd "$other" install.cmd >/dev/null || fail "install.cmd once more"
start_in "$other"
drive wait Kordane 30000 >/dev/null || fail "the other copy does not start"
drive hastext Kordane "Create COM Component Failed." 2>/dev/null && fail "the other copy lost its components"
drive click Kordane 1
wait_exit

step "uninstall.cmd of the registered copy"
out=$(run_cmd "$other" uninstall.cmd) || fail "uninstall.cmd: $out"
grep -qF "Kordane uninstall: no account files (*.qrd) in $(winpath "$other")\\" <<<"$out" || fail "no account files not said: $out"
grep -qx "Kordane's components are unregistered. You may now delete this folder." <<<"$out" || fail "$out"
for dll in Scrivet Helper; do
  grep -qx "Kordane uninstall: $dll.dll unregistered." <<<"$out" || fail "$dll.dll unregistered not said: $out"
done
out=$(run_cmd "$other" uninstall.cmd) || fail "uninstall.cmd a second time: $out"
[ -z "$(unregistered_lines "$out")" ] || fail "a second uninstall.cmd says it unregistered: $(unregistered_lines "$out")"
for dll in Scrivet Helper; do
  grep -qx "Kordane uninstall: $dll.dll is not registered." <<<"$out" || fail "$dll.dll not said to be unregistered already: $out"
done
grep -qx "You may now delete this folder." <<<"$out" || fail "$out"
for key in 'HKCR\Halvrin.Scrivet' 'HKCR\Halvrin.Scrivet.1' 'HKCR\Halvrin.Helper' 'HKCR\Halvrin.Helper.1'; do
  if wine reg query "$key" "$view" >/dev/null 2>&1 </dev/null; then fail "$key still registered"; fi
done
for clsid in "$scrivet" "$helper"; do
  if wine reg query "HKCR\\CLSID\\$clsid" "$view" >/dev/null 2>&1 </dev/null; then fail "class $clsid still registered"; fi
done

step "a component that cannot load"
cp -r "$app" "$work/broken"
rm "$work/broken"/*.qrd
echo "not a library" >"$work/broken/Helper.dll"
if out=$(run_cmd "$work/broken" install.cmd); then fail "install.cmd succeeded with a broken Helper.dll"; fi
grep -q "registering Helper.dll failed" <<<"$out" || fail "install.cmd gave no clear message: $out"
# Double-clicked (started by its full path), it waits for a key before its window closes.
out=$(cd "$work/broken" && wine cmd /c "$(winpath "$work/broken")\\install.cmd" </dev/null 2>&1 | tr -d '\r') || true
grep -q "registering Helper.dll failed" <<<"$out" && grep -q "Press any key" <<<"$out" ||
  fail "install.cmd started by its full path did not wait: $out"
out=$(cd "$work/broken" && wine cmd /c "$(winpath "$work/broken")\\uninstall.cmd" </dev/null 2>&1 | tr -d '\r') || true
grep -q "Press any key" <<<"$out" || fail "uninstall.cmd started by its full path did not wait: $out"
[ -z "$(server_of "$scrivet")" ] || fail "the broken copy's uninstall.cmd left its Scrivet.dll registered"
start_in "$work/broken"
drive wait Kordane 30000 >/dev/null || fail "no message"
drive hastext Kordane "Create COM Component Failed." || fail "wrong message"
drive click Kordane 1
wait_exit "$kordane_pid" 1
cmp -s "$app/e2eadmin.qrd" "$work/saved.qrd" || fail "account file changed"
echo "package test passed"
