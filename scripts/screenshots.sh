#!/usr/bin/env bash
# `make screenshots`: the README's pictures, taken from the real program under
# Wine on a private Xvfb display and written to docs/ as PNG: the main dialog
# logged out and with entries, Find, the login dialog, a message box, what Exit
# says when it cannot save, and a question with four lines and three buttons.
#   BUILD  build folder (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
BUILD=${BUILD:-build}
case "$BUILD" in /*) ;; *) BUILD="$root/$BUILD" ;; esac
export KD_PREFIX="$BUILD/wineprefix"
source scripts/wine-host.sh
bin="$BUILD/$KD_PROGRAM_ARCH/bin"
out="$root/docs"

if [ "${1:-}" != "--session" ]; then
  scripts/prepare-program.sh "$BUILD" kordane_tests
  exec scripts/with-display.sh scripts/wine-session.sh "$0" --session
fi

source scripts/wine-env.sh
scripts/register-components.sh "$bin" "$KD_PROGRAM_ARCH"
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/skin/Solvane"
cp skin/Solvane/MainWindow.bmp "$work/skin/Solvane/"

ui() { wine "$bin/uidriver.exe" "$@" 2>/dev/null | tr -d '\r'; }
start() { ( cd "$work" && exec wine "$bin/Kordane.exe" ) >/dev/null 2>&1 & kordane=$!; ui wait Kordane 30000 >/dev/null; sleep 1; }
finish() { ui click Kordane 1 >/dev/null; wait "$kordane" || true; }
# shot <file> <caption>: the top-level window with that caption, frame included.
shot() {
  sleep 0.7
  local id
  id=$(xdotool search --onlyvisible --name "^$2\$" | tail -1)
  [ -n "$id" ] || { echo "screenshots: no window \"$2\"" >&2; exit 1; }
  xwd -silent -id "$id" | /usr/bin/convert-im6.q16 xwd:- "$out/$1"
  echo "docs/$1"
}
insert() { ui settext Kordane 1008 "$1"; ui settext Kordane 1009 "$2"; ui settext Kordane 1010 "$3"; ui click Kordane 1004; sleep 0.3; }

# First run: the empty program, an administrator, a few entries, a message.
start
shot main-logged-out.png Kordane
ui click Kordane 1014
ui wait "Create Admin Dialog" >/dev/null
ui settext "Create Admin Dialog" 1017 admin
ui settext "Create Admin Dialog" 1009 s3cret
ui settext "Create Admin Dialog" 1016 s3cret
ui click "Create Admin Dialog" 1
ui waitgone "Create Admin Dialog" >/dev/null
insert mail.example.org alice-2026 "work mail"
insert bank "7 Tigers!" "savings account"
insert router admin "home network"
insert mail.example.org alice-2026 "work mail"   # the same entry again
ui wait "Message Box" >/dev/null
shot message-box.png "Message Box"
ui click "Message Box" 1018
ui waitgone "Message Box" >/dev/null
finish

# Second run: logging in brings the entries back.
start
ui click Kordane 1000
ui wait "Login Dialog" >/dev/null
ui settext "Login Dialog" 1017 admin
ui settext "Login Dialog" 1009 s3cret
shot login.png "Login Dialog"
ui click "Login Dialog" 1
ui wait "Message Box" >/dev/null
ui click "Message Box" 1018
ui waitgone "Message Box" >/dev/null
ui select Kordane 1005 1
shot main-with-entries.png Kordane
# Find, opened with Ctrl+F as a user opens it; typing selects and loads the row.
ui key Kordane 1005 f ctrl
ui wait Find >/dev/null
ui settext Find 1051 TIGER
ui key Find 1051 F3   # the only match once more: found again from the top
shot find.png Find
ui settext Find 1051 "no such entry"
shot find-not-found.png Find
ui close Find
ui waitgone Find >/dev/null
# Exit while another program holds the file without sharing deletion.
( cd "$work" && exec wine "$bin/uidriver.exe" hold admin.qrd 60000 ) >/dev/null 2>&1 &
holder=$!
sleep 2
ui click Kordane 1
ui wait "Save Failed" >/dev/null
shot save-failed.png "Save Failed"
kill "$holder" 2>/dev/null; wait "$holder" 2>/dev/null || true
ui click "Save Failed" 4   # Retry, now that the file is free
wait "$kordane" || true

# A question, skinned as the program shows it, held open by its test.
( cd "$bin" && KD_QUESTION_SHOW_MS=4000 exec wine ./kordane_tests.exe \
    --gtest_filter=QuestionDialog.SkinnedEveryLineEndsInsideItsStatic ) >/dev/null 2>&1 &
question=$!
ui wait "Restore Entries" >/dev/null
shot recovery-question.png "Restore Entries"
wait "$question" || true
