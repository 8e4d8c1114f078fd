#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it. Arguments go to
# the program: `tools/run.sh --demo` runs it against the built-in simulated unit.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target quenda
exec build/quenda "$@"
