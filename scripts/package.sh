#!/usr/bin/env bash
# Installs what is missing, builds a Release with Debian's hardening flags, and
# writes build/package/quaverly_<version>_<arch>.deb, which lintian must pass
# without an error or a warning.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
dir="$top/build/package"
# The flags dpkg-buildpackage would give with every hardening feature; read at
# the first configure only.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
LDFLAGS="$(dpkg-buildflags --get LDFLAGS)" \
    "$top/scripts/build.sh" "$dir" -DCMAKE_BUILD_TYPE=Release -DQUAVERLY_BUILD_TESTS=OFF -DQUAVERLY_BUILD_BENCH=OFF
rm -f "$dir"/quaverly_*.deb
cpack --config "$dir/CPackConfig.cmake" -B "$dir" >/dev/null
deb=$(echo "$dir"/quaverly_*.deb)
lintian --fail-on error,warning "$deb"
echo "$deb"
