#!/bin/sh
# Runs a test program as a client of its own headless weston (1920x1080, software
# rendering) through Qt's Wayland plug-in, then stops weston.
set -eu
runtime=$(mktemp -d /tmp/quaverly-weston-XXXXXX)
chmod 700 "$runtime"
socket=quaverly-test
XDG_RUNTIME_DIR=$runtime weston --backend=headless-backend.so --use-pixman --socket=$socket \
    --width=1920 --height=1080 --idle-time=0 --no-config >"$runtime/weston.log" 2>&1 &
weston=$!
trap 'kill $weston 2>/dev/null; wait $weston 2>/dev/null; rm -rf "$runtime"' EXIT
for _ in $(seq 100); do [ -S "$runtime/$socket" ] && break; sleep 0.05; done
[ -S "$runtime/$socket" ] || { echo "weston did not start:" >&2; cat "$runtime/weston.log" >&2; exit 1; }
export XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY=$socket QT_QPA_PLATFORM=wayland
"$@"
