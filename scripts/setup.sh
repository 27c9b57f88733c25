#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Quaverly need
# and that are not installed yet. Uses sudo when not run as root.
set -euo pipefail

packages=(
    # build
    cmake g++ ninja-build pkg-config dpkg-dev file
    # GUI, images, drawing, settings
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-qpa-plugins libqt6svg6 fonts-dejavu-core
    # translations: lrelease/lupdate, CMake's Qt6LinguistTools, Qt's own texts (qtbase_de.qm …)
    qt6-l10n-tools qt6-tools-dev qt6-translations-l10n
    # audio capture (PulseAudio, and Qt Multimedia: its audio sits in libqt6multimedia6 itself) and sound files
    libpulse-dev qt6-multimedia-dev libqt6multimedia6 libsndfile1-dev
    # the precise detector's FFT
    libfftw3-dev
    # tests: a private PulseAudio server, GoogleTest, screenshots, metadata checks
    pulseaudio pulseaudio-utils googletest libgtest-dev libgmock-dev
    xvfb xauth imagemagick appstream desktop-file-utils
    # tests: a private PipeWire, a window manager, a screen reader's view, a comma locale
    pipewire pipewire-pulse pipewire-bin wireplumber dbus
    openbox wmctrl x11-utils at-spi2-core python3-pyatspi locales
    # tests: the window under a Wayland compositor
    weston qt6-wayland
    # packaging
    lintian
    # benchmarks, fuzzing and sanitizers
    libbenchmark-dev clang libclang-rt-14-dev libc++-14-dev libc++abi-14-dev
)

# The application and analyzer tests run a second time under a comma locale;
# the window's translations are tested under German and French.
ensure_test_locale() {
    locale -a 2>/dev/null | grep -qix 'de_DE.utf8' && locale -a 2>/dev/null | grep -qix 'fr_FR.utf8' && return 0
    echo "Generating the de_DE.UTF-8 and fr_FR.UTF-8 locales"
    "${sudo[@]}" sed -i -e 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' -e 's/^# *\(fr_FR.UTF-8 UTF-8\)/\1/' /etc/locale.gen
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
