#!/usr/bin/env bash
# Builds the fuzz targets with clang, AddressSanitizer and UndefinedBehaviorSanitizer,
# and runs each for the given number of seconds (default 600) on its corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
tools/install-deps.sh clang libclang-rt-dev
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUENDA_FUZZ=ON -DQUENDA_SANITIZE=address,undefined -DQUENDA_BUILD_BENCH=OFF
cmake --build build-fuzz -j2 --target $(cd fuzz && ls *.cpp | sed 's/^/fuzz_/; s/\.cpp$//')
for source in fuzz/*.cpp; do
    name=$(basename "$source" .cpp)
    work=build-fuzz/corpus-$name
    mkdir -p "$work" build-fuzz/crashes
    build-fuzz/fuzz/fuzz_$name -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix=build-fuzz/crashes/$name- "$work" fuzz/corpus/$name
done
