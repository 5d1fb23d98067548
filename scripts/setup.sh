#!/usr/bin/env bash
# Installs the Debian packages Numberwell needs that are missing; does nothing when all are there.
# Usage: scripts/setup.sh [build|test|windows]   (test adds what the test suite needs; windows the
# MinGW-w64 cross compiler and Wine, for the core's tests built for Windows)
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev libcups2-dev libxcb1-dev qtkeychain-qt6-dev
    fonts-liberation fontconfig
)
case "${1:-build}" in
test)
    packages+=(
        libgtest-dev libgmock-dev libbenchmark-dev
        clang libclang-rt-14-dev clang-format
        xvfb xauth xdotool x11-utils openbox x11-session-utils x11-xserver-utils
        cups-daemon cups-client cups-filters printer-driver-cups-pdf poppler-utils
        desktop-file-utils appstream man-db
        at-spi2-core python3-pyatspi dbus
        radicale xandikos vdirsyncer openssl git eatmydata
        gnome-keyring libsecret-1-0
    )
    ;;
windows)
    packages=(cmake make g++-mingw-w64-x86-64-posix wine wine64 googletest)
    ;;
esac

missing=()
for package in "${packages[@]}"; do
    if [ "$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null)" != "install ok installed" ]; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
