#!/usr/bin/env bash
# Runs a command with a private virtual X display (Xvfb, 24-bit), which it
# starts and stops. Usage: scripts/with-display.sh COMMAND [ARGS...]
set -euo pipefail
fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$fifo" >/dev/null 2>&1 &
xvfb_pid=$!
read -r -t 20 num <"$fifo" || { echo "Xvfb did not start" >&2; kill "$xvfb_pid" 2>/dev/null; rm -f "$fifo"; exit 1; }
rm -f "$fifo"
trap 'kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true' EXIT
export DISPLAY=":$num"
"$@"
