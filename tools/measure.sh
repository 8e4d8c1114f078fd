#!/usr/bin/env bash
# Builds a Release tree with the measuring harness and the graph benchmark, then
# prints every figure of docs/performance.md. Run by hand on an otherwise idle
# machine (takes about two minutes after the build); the load is printed too.
#   tools/measure.sh [STARTUP_RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-7}
build=build-measure
tools/install-deps.sh xvfb xauth
cmake -S tools/measure -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target quenda_measure bench_ui_graph

export QT_QPA_PLATFORM=xcb
unset XDG_RUNTIME_DIR
load() { echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"; }

echo "== machine"
grep -m1 'model name' /proc/cpuinfo || true
load

echo "== start-up to the first painted window, $runs runs (ms since launch, ms since main)"
for _ in $(seq "$runs"); do
    xvfb-run -a sh -c 'exec "$0" startup "$(date +%s%N)"' "$build/quenda_measure" 2>/dev/null
done

echo "== demo mode after connecting: memory, 10 s idle, change-to-frame latency, drag steps"
load
xvfb-run -a "$build/quenda_measure" run 2>/dev/null
load

echo "== graph redraw (offscreen, 10 repetitions)"
QT_QPA_PLATFORM=offscreen "$build/quenda/bench/bench_ui_graph" \
    --benchmark_repetitions=10 --benchmark_report_aggregates_only=true 2>/dev/null |
    grep -E '^Benchmark|_(median|stddev) '
load
