#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running Quenda need.
# Only missing packages are installed; uses sudo when not run as root.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-tools-dev qt6-l10n-tools libhidapi-dev libudev-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    fonts-wqy-microhei qt6-translations-l10n
    chromium nodejs
)
# The phone page's tests: Chromium driven by playwright-core from npm. A Node.js
# that brings its own npm (as NodeSource's does) conflicts with Debian's npm.
command -v npm >/dev/null || packages+=(npm)
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
