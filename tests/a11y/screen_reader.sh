#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the window as a blind musician would meet it and reads it with a real AT-SPI client:
# the accessibility bus (under the dbus-run-session that calls this), Xvfb for Qt's xcb
# platform (the offscreen one has no AT-SPI bridge), and a private PulseAudio server whose
# null sink plays a 446 Hz tone into the monitor the tuner listens to.
# Usage: dbus-run-session -- screen_reader.sh PATH/TO/quaverly
set -u
app=$1
here=$(dirname "$0")
dir=$(mktemp -d)
pids=""
cleanup() { for p in $pids; do kill "$p" 2>/dev/null; done; wait 2>/dev/null; rm -rf "$dir"; }
trap cleanup EXIT
fail() { echo "screen_reader.sh: $*" >&2; exit 1; }

/usr/libexec/at-spi-bus-launcher --launch-immediately & pids="$pids $!"

mkdir -p "$dir/home" "$dir/run" "$dir/pulse"
chmod 700 "$dir/run"
echo "autospawn = no" > "$dir/client.conf"
export HOME="$dir/home" XDG_RUNTIME_DIR="$dir/run" XDG_CONFIG_HOME="$dir/home/.config"
export PULSE_RUNTIME_PATH="$dir/pulse" PULSE_STATE_PATH="$dir/pulse" PULSE_CLIENTCONFIG="$dir/client.conf"
export PULSE_SERVER="unix:$dir/pulse/native"
# The sound server must not find the session bus (it would start modules there).
DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent pulseaudio --daemonize=no -n --use-pid-file=no \
    --exit-idle-time=-1 --disallow-exit --realtime=no --high-priority=no \
    --load="module-native-protocol-unix socket=$dir/pulse/native auth-anonymous=1" \
    --load="module-null-sink sink_name=tone rate=48000" 2>"$dir/pulse.log" & pids="$pids $!"
i=0; until pactl info >/dev/null 2>&1; do i=$((i+1)); [ $i -gt 100 ] && fail "no sound server"; sleep 0.1; done
pactl set-default-source tone.monitor
/usr/bin/python3 -c '
import math, struct, sys
rate, hz = 48000, 446.0
block = b"".join(struct.pack("<f", 0.5 * math.sin(2 * math.pi * hz * n / rate)) for n in range(rate))
while True:
    sys.stdout.buffer.write(block)
' 2>/dev/null | pacat --raw --format=float32le --rate=48000 --channels=1 -d tone --latency-msec=50 & pids="$pids $!"

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$dir/display" 2>"$dir/xvfb.log" & pids="$pids $!"
i=0; until [ -s "$dir/display" ]; do i=$((i+1)); [ $i -gt 100 ] && fail "no X server"; sleep 0.1; done
export DISPLAY=":$(cat "$dir/display")"

QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$app" 2>"$dir/app.log" & pids="$pids $!"

# Debian's python has the pyatspi bindings; a python from PATH may not.
/usr/bin/python3 "$here/read_window.py"
status=$?
[ $status -eq 0 ] || sed 's/^/app: /' "$dir/app.log" >&2
exit $status
