#!/usr/bin/env bash
# Installs what building and running Glimmerbox needs on Debian 12, then configures and builds.
# Sourced by run.sh and test.sh; safe to run again (installs only what is missing).
set -euo pipefail

GLIMMERBOX_PACKAGES=(
    build-essential cmake
    qt6-base-dev qt6-base-dev-tools libgl-dev qt6-image-formats-plugins zlib1g-dev libjpeg62-turbo-dev libpng-dev
    libheif-dev libjxl-dev libraw-dev libwebp-dev libtiff-dev libxcb1-dev
    libgtest-dev libgmock-dev
    xvfb xauth fonts-dejavu-core openbox xdotool wmctrl x11-utils
    clang libclang-rt-14-dev
    desktop-file-utils appstream dpkg-dev
    valgrind libglib2.0-bin gvfs gvfs-daemons lintian
    dbus-daemon dconf-gsettings-backend dconf-service xfconf libxfconf-0-3 pcmanfm-qt xdg-utils
    fuse python3-fusepy
    at-spi2-core python3-pyatspi
)

glimmerbox_install_packages() {
    local missing=()
    for pkg in "${GLIMMERBOX_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq || true
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# glimmerbox_build BUILD_DIR [extra cmake args...]
glimmerbox_build() {
    local dir="$1"
    shift
    cmake -S "$GLIMMERBOX_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$dir" -j"$(nproc)"
}
