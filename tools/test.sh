#!/usr/bin/env bash
# Installs what is missing, builds everything and runs all tests: first a normal
# build, then the whole suite under AddressSanitizer + UndefinedBehaviorSanitizer,
# then the threaded tests (HID link, loopback, end-to-end) under ThreadSanitizer.
# `tools/test.sh --quick` runs the normal build only.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh

run_suite() {
    local dir=$1 filter=$2
    shift 2
    echo "== $dir"
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$dir" -j2
    ctest --test-dir "$dir" --output-on-failure -j2 ${filter:+-R "$filter"}
}

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tools/sanitizers/lsan.supp
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tools/sanitizers/tsan.supp

if [ "${1:-}" != "--quick" ]; then
    run_suite build-asan "" -DQUENDA_SANITIZE=address,undefined -DQUENDA_BUILD_BENCH=OFF
    run_suite build-tsan "Link|Loopback|EndToEnd|Soak" -DQUENDA_SANITIZE=thread -DQUENDA_BUILD_BENCH=OFF
fi
run_suite build ""
