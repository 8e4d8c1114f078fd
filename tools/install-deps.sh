#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running Quenda need.
# Only missing packages are installed; uses sudo when not run as root.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-tools-dev qt6-l10n-tools qt6-websockets-dev libqrencode-dev libmosquitto-dev libhidapi-dev libudev-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth dbus-daemon python3-pyatspi
    fonts-wqy-microhei qt6-translations-l10n
)
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
