#!/usr/bin/env bash
# Installs what is missing, then builds and runs the whole test suite twice
# (a plain build, whose run includes the PipeWire, window-manager, screen
# reader and package tests, and one with AddressSanitizer + UBSan, without
# the comma-locale re-runs), runs the tests where threads meet real sound
# servers under ThreadSanitizer, fuzzes each libFuzzer target briefly, and
# soaks the application for two minutes beside the sanitizer builds.
#
# Longer runs: QUAVERLY_FUZZ_SECONDS=600 QUAVERLY_SOAK_MINUTES=30 ./scripts/test.sh
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"

fuzz_seconds=${QUAVERLY_FUZZ_SECONDS:-10}
soak_minutes=${QUAVERLY_SOAK_MINUTES:-2}

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions="$top/tests/lsan.supp"

status=0
started=$SECONDS
stage() { echo "== $* ($((SECONDS - started)) s)"; }
# run_suite NAME SKIP CMAKE_ARGS...: SKIP, a ctest -E pattern, or empty.
run_suite() {
    local name=$1 skip=$2; shift 2
    stage "$name build"
    "$top/scripts/build.sh" "$top/build/$name" "$@"
    stage "$name tests"
    ctest --test-dir "$top/build/$name" -j "$(nproc)" --output-on-failure ${skip:+-E "$skip"} || status=1
}
# Debug information is a third of a build's time: the plain build goes
# without, the AddressSanitizer build keeps line tables for its reports.
run_suite plain '' -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG"

# The soak needs little CPU, so it runs while the sanitizer builds take the cores.
stage "soak ($soak_minutes min) in the background"
soak_log="$top/build/soak.log"
"$top/bench/soak.sh" "$soak_minutes" "$top/build/plain/src/app/quaverly" >"$soak_log" 2>&1 &
soak_pid=$!

# The comma-locale re-runs (PROGRAM_de) check number texts, which the plain
# run has done; under the sanitizers they would walk the same paths again.
run_suite asan '_de$' -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O0 -g1" -DQUAVERLY_SANITIZE=ON \
    -DQUAVERLY_BUILD_BENCH=OFF

# Only the programs whose threads meet: the audio tests against real
# servers and the application's end-to-end tests.
# Not the Qt Multimedia backend's rows: Qt and the libpulse it drives are not
# built for the tool, which then reports their own hand-offs as races.
stage "tsan build"
tsan_targets=(audio_pulse_tests app_pulse_test)
# Two test programs: sharing a precompiled header would cost more than it saves.
cmake -S "$top" -B "$top/build/tsan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUAVERLY_TSAN=ON \
    -DQUAVERLY_BUILD_BENCH=OFF -DCMAKE_DISABLE_PRECOMPILE_HEADERS=ON >/dev/null
cmake --build "$top/build/tsan" -j "$(nproc)" --target "${tsan_targets[@]}"
stage "tsan tests"
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$top/tests/tsan.supp" \
QT_QPA_PLATFORM=offscreen \
    ctest --test-dir "$top/build/tsan" -j "$(nproc)" --output-on-failure \
        -R '(ServerTest|PulseController|ControllerFault)[.]' -E '/Qt' \
        || status=1

stage "fuzzing ($fuzz_seconds s per target)"
"$top/tests/fuzz/run.sh" "$top/build/fuzz" "$fuzz_seconds" || status=1

stage "soak result"
if wait "$soak_pid"; then
    tail -n 2 "$soak_log"
else
    cat "$soak_log" >&2
    status=1
fi
stage "done, status $status"
exit $status
