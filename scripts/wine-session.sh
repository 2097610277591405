#!/usr/bin/env bash
# Runs a command with the project's Wine server kept warm for its whole duration
# (one server for many short Wine processes), then stops the prefix cleanly.
set -uo pipefail
source "$(dirname "$0")/wine-env.sh"
wineserver -p >/dev/null 2>&1
# Wine's background services inherit the first program's output and keep it open:
# start them with output to a file, before anything captures output.
wine cmd /c exit >"$(dirname "$WINEPREFIX")/wine-services.log" 2>&1 </dev/null
# So is the desktop's process (explorer.exe), which Wine starts for the first
# program that needs a desktop and ends once no program uses it: it would hold
# that program's output open for half a minute and more after its end, and CTest
# waits for it. KD_DESKTOP_HOLDER (uidriver.exe) holds the desktop for the session.
# It must be there before the command starts: a program that came first would
# start it all the same, and then the held desktop would keep it for good.
if [ -n "${KD_DESKTOP_HOLDER:-}" ]; then
  ready=$(mktemp -u /tmp/kd-desktop.XXXXXX)
  wine "$KD_DESKTOP_HOLDER" desktop "Z:$ready" >>"$(dirname "$WINEPREFIX")/wine-services.log" 2>&1 </dev/null &
  for _ in $(seq 300); do [ -e "$ready" ] && break; sleep 0.1; done
  [ -e "$ready" ] || echo "wine-session: the desktop did not start within 30 s" >&2
  rm -f "$ready"
fi
rc=0
"$@" || rc=$?
wineserver -k >/dev/null 2>&1 || true
wineserver -w >/dev/null 2>&1 || true
exit $rc
