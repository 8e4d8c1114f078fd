#!/usr/bin/env bash
# Installs what is missing, builds everything and runs all tests, in this order:
#   1. the whole suite under AddressSanitizer + UndefinedBehaviorSanitizer;
#   2. the threaded tests (HID link, loopback, two units, end-to-end, command line, remote
#      server, MQTT against a real Mosquitto broker) under ThreadSanitizer;
#   3. the program built with clang, whose thread-safety analysis refuses any
#      access to the parameter image without its lock;
#   4. a normal build, whose tests run, then the phone page's tests in Chromium (tools/test-page.sh);
#   5. the Debian package, built, checked, installed and removed again (tools/test-package.sh).
# `tools/test.sh --quick` runs the normal build and the page's tests only.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh clang openssl mosquitto mosquitto-clients

configure() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
}

run_suite() {
    local dir=$1 filter=$2
    shift 2
    echo "== $dir"
    configure "$dir" "$@"
    cmake --build "$dir" -j2
    ctest --test-dir "$dir" --output-on-failure -j2 ${filter:+-R "$filter"}
}

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tools/sanitizers/lsan.supp
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tools/sanitizers/tsan.supp

if [ "${1:-}" != "--quick" ]; then
    run_suite build-asan "" -DQUENDA_SANITIZE=address,undefined -DQUENDA_BUILD_BENCH=OFF
    run_suite build-tsan "Link|Loopback|EndToEnd|Reconnect|Soak|CommandLine|Program|SettingsFilesE2e|Undo|TwoUnits|Remote|Serve|Mqtt" \
        -DQUENDA_SANITIZE=thread -DQUENDA_BUILD_BENCH=OFF
    echo "== build-clang (locking of the image checked by the compiler)"
    CC=clang CXX=clang++ configure build-clang -DQUENDA_BUILD_BENCH=OFF
    cmake --build build-clang -j2 --target quenda
fi
run_suite build ""
tools/test-page.sh build
if [ "${1:-}" != "--quick" ]; then
    echo "== build-package (the Debian package, installed and removed again)"
    tools/test-package.sh
fi
