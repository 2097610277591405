#!/usr/bin/env bash
# `make run`: installs what is missing, builds the win32 configuration (win64
# on a host that cannot execute 32-bit programs: scripts/wine-host.sh),
# registers Scrivet and Helper in the project's Wine prefix with the real
# regsvr32, prepares the working folder and starts Kordane.exe in it.
# With a DISPLAY the program opens for the user. Without one it runs on a
# private Xvfb display: once the main dialog shows, a screenshot is saved,
# Exit is pressed, and the places of the screenshot, the log and the working
# folder are printed.
#   BUILD    build folder (default: build)
#   WORKDIR  the program's working folder (default: workdir)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
BUILD=${BUILD:-build}
WORKDIR=${WORKDIR:-workdir}
case "$BUILD" in /*) ;; *) BUILD="$root/$BUILD" ;; esac
case "$WORKDIR" in /*) ;; *) WORKDIR="$root/$WORKDIR" ;; esac
export KD_PREFIX="$BUILD/wineprefix"
source scripts/wine-host.sh
bin="$BUILD/$KD_PROGRAM_ARCH/bin"

if [ "${1:-}" != "--headless-session" ]; then
  if [ "$KD_PROGRAM_ARCH" != win32 ]; then
    echo "run: starting the $KD_PROGRAM_ARCH build, as $KD_WIN32_SKIPPED"
  fi
  scripts/prepare-program.sh "$BUILD"

  # The skin bitmap, where the program looks for it.
  mkdir -p "$WORKDIR/skin/Solvane"
  cp -f skin/Solvane/MainWindow.bmp "$WORKDIR/skin/Solvane/MainWindow.bmp"
fi

source scripts/wine-env.sh
register() { scripts/register-components.sh "$bin" "$KD_PROGRAM_ARCH"; }

report() {
  echo
  echo "working folder: $WORKDIR"
  echo "log file:       $WORKDIR/Scrivet/Kordane.txt"
  [ -n "${1:-}" ] && echo "screenshot:     $1"
  return 0
}

if [ "${1:-}" = "--headless-session" ]; then
  # Runs inside with-display.sh and wine-session.sh.
  register
  shot="$WORKDIR/kordane-screenshot.png"
  rm -f "$shot"
  ( cd "$WORKDIR" && exec wine "$bin/Kordane.exe" ) >"$BUILD/kordane-run.log" 2>&1 &
  pid=$!
  driver() { wine "$bin/uidriver.exe" "$@" 2>/dev/null | tr -d '\r'; }
  if ! driver wait Kordane 30000 >/dev/null || ! driver enabled Kordane 1000 >/dev/null; then
    echo "run: the main dialog did not appear" >&2
    xwd -root -silent | /usr/bin/convert-im6.q16 xwd:- "$shot" || true
    driver click Kordane 1 >/dev/null || true
    kill "$pid" 2>/dev/null || true
    report "$shot"
    exit 1
  fi
  sleep 1   # let the skin and the list finish painting
  xwd -root -silent | /usr/bin/convert-im6.q16 xwd:- -trim +repage "$shot"
  driver click Kordane 1 >/dev/null   # Exit
  for _ in $(seq 1 200); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$pid" 2>/dev/null; then
    echo "run: Kordane did not end after Exit" >&2
    kill "$pid" 2>/dev/null || true
    wait "$pid" || true
    report "$shot"
    exit 1
  fi
  wait "$pid" || true
  report "$shot"
  exit 0
fi

if [ -n "${DISPLAY:-}" ]; then
  register
  echo "starting Kordane in $WORKDIR"
  ( cd "$WORKDIR" && wine "$bin/Kordane.exe" ) || true
  report
else
  BUILD="$BUILD" WORKDIR="$WORKDIR" scripts/with-display.sh scripts/wine-session.sh "$0" --headless-session
fi
