#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# run.sh BUILD_DIR [SECONDS]: builds the libFuzzer targets with clang in
# BUILD_DIR and runs each for SECONDS (default 60), all at once, starting
# from the seed corpus in tests/fuzz/corpus. A crash, leak, time-out or
# memory blow-up fails the run; the input that did it is left in
# BUILD_DIR/artifacts and belongs in tests/fuzz/regressions/<target>/ once
# fixed, where the normal suite replays it.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1
seconds=${2:-60}

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)"
mkdir -p "$build/artifacts"

run_target() {
    local target=$1 max_len=$2
    local work="$build/work/$target"
    mkdir -p "$work"
    # Output of the harnessed code is dropped (-close_fd_mask); libFuzzer's
    # own report and the sanitizers' still reach the log.
    local seeds=("$here/corpus/$target")
    [ -d "$here/regressions/$target" ] && seeds+=("$here/regressions/$target")
    if "$build/${target}_fuzzer" "$work" "${seeds[@]}" \
        -max_total_time="$seconds" -max_len="$max_len" -timeout=10 -rss_limit_mb=2048 \
        -close_fd_mask=3 -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" \
        >"$build/$target.log" 2>&1; then
        echo "fuzz $target: $(grep -E '^stat::number_of_executed_units' "$build/$target.log" | awk '{print $2}') runs, no failure"
    else
        echo "fuzz $target: FAILED (log: $build/$target.log)" >&2
        grep -E '^(==|SUMMARY|artifact_prefix|Test unit written)' "$build/$target.log" >&2 || tail -n 30 "$build/$target.log" >&2
        return 1
    fi
}

status=0
pids=()
run_target temperament 16384 & pids+=($!)
run_target capture 4096 & pids+=($!)
run_target scala 8192 & pids+=($!)
for pid in "${pids[@]}"; do
    wait "$pid" || status=1
done
exit $status
