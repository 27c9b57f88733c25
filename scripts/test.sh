#!/usr/bin/env bash
# Installs what is missing, then builds and runs the whole test suite twice:
# a plain build and one with AddressSanitizer + UBSan.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions="$top/tests/lsan.supp"

status=0
run_suite() {
    local name=$1; shift
    echo "== $name build"
    "$top/scripts/build.sh" "$top/build/$name" "$@"
    echo "== $name tests"
    ctest --test-dir "$top/build/$name" -j "$(nproc)" --output-on-failure || status=1
}
run_suite plain -DCMAKE_BUILD_TYPE=RelWithDebInfo
run_suite asan -DCMAKE_BUILD_TYPE=Debug -DQUAVERLY_SANITIZE=ON -DQUAVERLY_BUILD_BENCH=OFF
exit $status
