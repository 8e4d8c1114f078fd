#!/usr/bin/env bash
# Builds the Debian package of the program (a Release build in build-package/,
# then CPack) and prints the package's path. Install it with
#   sudo apt install ./build-package/quenda_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."

build="build-package"
tools/install-deps.sh dpkg-dev file
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUENDA_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j2 --target quenda
rm -f "$build"/quenda_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
ls "$PWD/$build"/quenda_*.deb
