#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# soak.sh [MINUTES] [APP]: runs the tuner for MINUTES (default 30) against a
# private PulseAudio server that plays a tone whose pitch changes every four
# seconds, samples its resident memory and CPU every 10 s, and fails when the
# memory grows by more than 5 % over what it held after the first minute,
# when the program dies, or when it does not end cleanly on SIGTERM.
# Offscreen by default; QT_QPA_PLATFORM may say otherwise. SOAK_DETECTION=precise
# runs the window with the precise detector (its CPU against classic's).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
minutes=${1:-30}
app=${2:-$top/build/plain/src/app/quaverly}
interval=${SOAK_INTERVAL_S:-10}
limit_pct=5

if [ ! -x "$app" ]; then
    echo "soak: no program at $app (build first)" >&2
    exit 2
fi
for tool in pulseaudio pactl pacat python3; do
    command -v "$tool" >/dev/null || { echo "soak: $tool is missing" >&2; exit 2; }
done

dir=$(mktemp -d /tmp/quaverly-soak.XXXXXX)
mkdir -p "$dir/home/.config" "$dir/runtime" "$dir/state"
chmod 700 "$dir/runtime"
echo "autospawn = no" >"$dir/client.conf"
export HOME=$dir/home XDG_CONFIG_HOME=$dir/home/.config XDG_RUNTIME_DIR=$dir/runtime
export PULSE_RUNTIME_PATH=$dir/runtime PULSE_STATE_PATH=$dir/state
export PULSE_SERVER=unix:$dir/native PULSE_CLIENTCONFIG=$dir/client.conf
export DBUS_SESSION_BUS_ADDRESS=unix:path=$dir/no-bus
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}

pids=()
cleanup() {
    local p
    for p in "${pids[@]}"; do
        kill "$p" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 143' TERM INT

pulseaudio --daemonize=no -n --use-pid-file=no --exit-idle-time=-1 --disallow-exit \
    --realtime=no --high-priority=no --log-target=stderr \
    --load="module-native-protocol-unix socket=$dir/native auth-anonymous=1" \
    --load="module-null-sink sink_name=tone rate=48000" 2>"$dir/server.log" &
pids+=($!)
for _ in $(seq 100); do
    pactl info >/dev/null 2>&1 && break
    sleep 0.1
done
pactl info >/dev/null 2>&1 || { echo "soak: the private server did not start" >&2; cat "$dir/server.log" >&2; exit 2; }
pactl set-default-source tone.monitor

# An endless tone, paced by pacat: a new note every four seconds, walking
# through the range a tuner meets, with a little detuning so the cents move.
python3 -u -c '
import math, struct, sys
rate, hold = 48000, 4
notes = [110.0, 146.83, 196.0, 261.63, 329.63, 440.0, 493.88, 659.26, 880.0, 82.41]
phase, n = 0.0, 0
out = sys.stdout.buffer
while True:
    f = notes[n % len(notes)] * 2 ** (((n * 7) % 41 - 20) / 1200)
    step = 2 * math.pi * f / rate
    for _ in range(hold * 10):
        samples = []
        for _ in range(rate // 10):
            samples.append(0.4 * math.sin(phase))
            phase = (phase + step) % (2 * math.pi)
        out.write(struct.pack("<%df" % len(samples), *samples))
    n += 1
' 2>/dev/null | pacat --playback -d tone --raw --format=float32le --rate=48000 --channels=1 2>/dev/null &
pids+=($!)

if [ -n "${SOAK_DETECTION:-}" ]; then
    mkdir -p "$XDG_CONFIG_HOME/quillfen"
    printf '[General]\nquillfen.DetectionKey=%s\n' "$SOAK_DETECTION" >"$XDG_CONFIG_HOME/quillfen/Quaverly.conf"
fi
"$app" >"$dir/app.out" 2>"$dir/app.err" &
app_pid=$!
pids+=("$app_pid")

# A soak of a program that never opened the input would prove nothing.
recording=
for _ in $(seq 100); do
    if pactl list source-outputs 2>/dev/null | grep -q 'application.name = "Quaverly"'; then
        recording=yes
        break
    fi
    sleep 0.1
done
if [ -z "$recording" ]; then
    echo "soak: FAIL: the program never started capture" >&2
    cat "$dir/app.err" >&2
    exit 1
fi

ticks=$(getconf CLK_TCK)
cpu_ticks() { awk '{print $14 + $15}' "/proc/$app_pid/stat"; }
rss_kib() { awk '/^VmRSS:/ {print $2}' "/proc/$app_pid/status"; }

echo "soak: $minutes min of $app, pid $app_pid, sampling every ${interval} s"
printf '%8s %10s %7s\n' elapsed_s rss_kib cpu_pct
end=$((SECONDS + minutes * 60))
start=$SECONDS
baseline=
peak=0
last_ticks=$(cpu_ticks)
last_time=$SECONDS
cpu_sum=0
cpu_count=0
status=0
while [ "$SECONDS" -lt "$end" ]; do
    sleep "$interval"
    if ! kill -0 "$app_pid" 2>/dev/null; then
        echo "soak: FAIL: the program ended after $((SECONDS - start)) s" >&2
        cat "$dir/app.err" >&2
        exit 1
    fi
    now_ticks=$(cpu_ticks)
    now=$SECONDS
    rss=$(rss_kib)
    cpu=$(awk -v d="$((now_ticks - last_ticks))" -v t="$((now - last_time))" -v hz="$ticks" \
        'BEGIN { printf "%.1f", (t > 0 ? 100 * d / hz / t : 0) }')
    last_ticks=$now_ticks
    last_time=$now
    elapsed=$((now - start))
    printf '%8d %10d %7s\n' "$elapsed" "$rss" "$cpu"
    if [ "$elapsed" -ge 60 ]; then
        if [ -z "$baseline" ]; then
            baseline=$rss
        fi
        [ "$rss" -gt "$peak" ] && peak=$rss
        cpu_sum=$(awk -v a="$cpu_sum" -v b="$cpu" 'BEGIN { print a + b }')
        cpu_count=$((cpu_count + 1))
    fi
done

kill -TERM "$app_pid"
app_status=0
wait "$app_pid" || app_status=$?
if [ "$app_status" -ne 0 ]; then
    echo "soak: FAIL: the program ended with status $app_status on SIGTERM" >&2
    cat "$dir/app.err" >&2
    status=1
fi
if [ -z "$baseline" ]; then
    echo "soak: too short to judge memory (under a minute)"
    exit $status
fi
growth=$(awk -v b="$baseline" -v p="$peak" 'BEGIN { printf "%.2f", 100 * (p - b) / b }')
cpu_mean=$(awk -v s="$cpu_sum" -v n="$cpu_count" 'BEGIN { printf "%.1f", n ? s / n : 0 }')
echo "soak: rss after 1 min ${baseline} KiB, peak after ${peak} KiB (+${growth} %), mean cpu ${cpu_mean} %"
if awk -v g="$growth" -v l="$limit_pct" 'BEGIN { exit !(g > l) }'; then
    echo "soak: FAIL: memory grew by more than ${limit_pct} %" >&2
    status=1
fi
[ "$status" -eq 0 ] && echo "soak: passed"
exit $status
