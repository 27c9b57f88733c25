#!/bin/sh
# Runs a test program on its own 1920x1080 Xvfb display under openbox, as a desktop would show
# its windows (maximising and tiling through wmctrl), then stops both.
set -eu
fifo=$(mktemp -u) && mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$fifo" 2>/dev/null &
xvfb=$!
read -r number <"$fifo" && rm -f "$fifo"
export DISPLAY=":$number" QT_QPA_PLATFORM=xcb QUAVERLY_WM=1
openbox >/dev/null 2>&1 &
wm=$!
trap 'kill $wm $xvfb 2>/dev/null' EXIT
for _ in $(seq 50); do wmctrl -m >/dev/null 2>&1 && break; sleep 0.1; done
wmctrl -m >/dev/null 2>&1 || { echo "openbox did not start on Xvfb" >&2; exit 1; }
"$@"
