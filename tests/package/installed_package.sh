#!/usr/bin/env bash
# installed_package.sh BUILD_DIR SOURCE_DIR: packages this build as the
# distribution would, unpacks the .deb into a temporary root and uses what a
# user gets: the analyzer on a recording, the tuner window on a private
# PulseAudio server, the manual pages against --help, and lintian.
set -euo pipefail
build=$1 source=$2
tmp=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true; done
    rm -rf "$tmp"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
# Polls a command for up to 30 s.
await() { for _ in $(seq 300); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done; return 1; }

cpack --config "$build/CPackConfig.cmake" -B "$tmp/out" >"$tmp/cpack.log" 2>&1 || { cat "$tmp/cpack.log"; fail "cpack"; }
deb=$(echo "$tmp"/out/quaverly_*.deb)
[ -f "$deb" ] || fail "cpack wrote no quaverly_*.deb"
version=$(dpkg-deb -f "$deb" Version)
root=$tmp/root
dpkg -x "$deb" "$root"

for f in usr/share/doc/quaverly/copyright usr/share/doc/quaverly/changelog.gz usr/share/man/man1/quaverly.1.gz \
         usr/share/man/man1/quaverly-analyze.1.gz usr/share/applications/org.quillfen.Quaverly.desktop \
         usr/share/metainfo/org.quillfen.Quaverly.metainfo.xml; do
    [ -s "$root/$f" ] || fail "the package lacks $f"
done
zcat "$root/usr/share/doc/quaverly/changelog.gz" | head -n 1 | grep -qF "quaverly ($version)" \
    || fail "the changelog's latest entry is not version $version"

for program in quaverly quaverly-analyze; do
    shown=$(QT_QPA_PLATFORM=offscreen "$root/usr/bin/$program" --version) || fail "$program --version failed"
    [ "$shown" = "$program $version" ] || fail "$program --version printed '$shown', not '$program $version'"
    # Every long option of --help is in the manual page, and no other.
    QT_QPA_PLATFORM=offscreen "$root/usr/bin/$program" --help | grep -o -- '--[a-z][a-z-]*' | sort -u >"$tmp/help"
    zcat "$root/usr/share/man/man1/$program.1.gz" | sed 's/\\-/-/g' | grep -o -- '--[a-z][a-z-]*' | sort -u >"$tmp/man"
    diff -u --label "$program --help" --label "$program.1" "$tmp/help" "$tmp/man" \
        || fail "$program's manual page and --help name different options"
done
status=0
QT_QPA_PLATFORM=offscreen "$root/usr/bin/quaverly" --no-such-option 2>"$tmp/err" || status=$?
[ "$status" -eq 2 ] && grep -q "no-such-option" "$tmp/err" \
    || fail "quaverly --no-such-option: status $status, message '$(cat "$tmp/err")'"

summary=$("$root/usr/bin/quaverly-analyze" --summary "$source/tests/data/instruments/violin_A4_+12c_48k.flac") \
    || fail "the installed analyzer failed"
echo "$summary" | tail -n 1 | cut -d, -f4 | grep -qx A4 || fail "the installed analyzer did not hear A4: $summary"

# The installed window on a private server: its recording stream appears only
# after the window is shown and an input is chosen; SIGTERM then quits
# through the ordinary path, which saves the settings.
export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/config XDG_RUNTIME_DIR=$tmp/run PULSE_RUNTIME_PATH=$tmp/run/pulse \
       PULSE_STATE_PATH=$tmp/state PULSE_SERVER=unix:$tmp/run/native PULSE_CLIENTCONFIG=$tmp/client.conf \
       DBUS_SESSION_BUS_ADDRESS=unix:path=$tmp/no-bus
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
echo "autospawn = no" >"$PULSE_CLIENTCONFIG"
pulseaudio --daemonize=no -n --use-pid-file=no --exit-idle-time=-1 --disallow-exit --realtime=no \
    --high-priority=no --load="module-native-protocol-unix socket=$tmp/run/native auth-anonymous=1" \
    --load="module-null-sink sink_name=tone rate=48000" >"$tmp/pulse.log" 2>&1 &
pids+=($!)
await pactl info || { cat "$tmp/pulse.log"; fail "the private PulseAudio server did not start"; }
QT_QPA_PLATFORM=offscreen "$root/usr/bin/quaverly" >"$tmp/app.log" 2>&1 &
app=$!
pids+=("$app")
recording() { pactl list source-outputs | grep -q 'application.process.binary = "quaverly"'; }
await recording || { cat "$tmp/app.log"; fail "the installed quaverly never started recording"; }
kill -TERM "$app"
status=0
wait "$app" || status=$?
[ "$status" -eq 0 ] || { cat "$tmp/app.log"; fail "quaverly ended with status $status after SIGTERM"; }
grep -q "InputDeviceKey=." "$XDG_CONFIG_HOME/quillfen/Quaverly.conf" 2>/dev/null \
    || fail "quaverly did not save its input device on quit"

lintian --fail-on error,warning "$deb" || fail "lintian rejects the package"
echo "ok: $(basename "$deb") installs and runs"
