#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Quaverly need
# and that are not installed yet. Uses sudo when not run as root.
set -euo pipefail

packages=(
    # build
    cmake g++ ninja-build pkg-config dpkg-dev file
    # GUI, images, drawing, settings
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-qpa-plugins libqt6svg6 fonts-dejavu-core
    # audio capture and sound files
    libpulse-dev libsndfile1-dev
    # the precise detector's FFT
    libfftw3-dev
    # tests: a private PulseAudio server, GoogleTest, screenshots, metadata checks
    pulseaudio pulseaudio-utils googletest libgtest-dev libgmock-dev
    xvfb xauth imagemagick appstream desktop-file-utils
    # tests: a private PipeWire, a window manager, a screen reader's view, a comma locale
    pipewire pipewire-pulse pipewire-bin wireplumber dbus
    openbox wmctrl x11-utils at-spi2-core python3-pyatspi locales
    # packaging
    lintian
    # benchmarks, fuzzing and sanitizers
    libbenchmark-dev clang libclang-rt-14-dev libc++-14-dev libc++abi-14-dev
)

# The application and analyzer tests run a second time under a comma locale.
ensure_test_locale() {
    locale -a 2>/dev/null | grep -qix 'de_DE.utf8' && return 0
    echo "Generating the de_DE.UTF-8 locale"
    "${sudo[@]}" sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    "${sudo[@]}" locale-gen
}

sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
if [ ${#missing[@]} -eq 0 ]; then
    ensure_test_locale
    exit 0
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
ensure_test_locale
