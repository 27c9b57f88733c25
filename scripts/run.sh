#!/usr/bin/env bash
# Installs what is missing, builds, and starts the tuner.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
"$top/scripts/build.sh" "$top/build/release" -DCMAKE_BUILD_TYPE=Release -DQUAVERLY_BUILD_TESTS=OFF -DQUAVERLY_BUILD_BENCH=OFF
app="$top/build/release/src/app/quaverly"
if [ -x "$app" ]; then
    exec "$app" "$@"
fi
exec "$top/build/release/src/cli/quaverly-analyze" --summary "$top/resources/samples/"*.wav
