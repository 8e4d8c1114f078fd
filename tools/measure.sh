#!/usr/bin/env bash
# Builds a Release tree with the measuring harness, the bare window it is compared with and the
# graph benchmark, then prints every figure of docs/performance.md. Run by hand on an otherwise
# idle machine (takes about three minutes after the build); the load is printed too. Each
# program runs under a display and a session bus of its own, as on a desktop.
#   tools/measure.sh [STARTUP_RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-9}
build=build-measure
tools/install-deps.sh xvfb xauth dbus-daemon libxtst-dev
cmake -S tools/measure -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target quenda_measure bare_window bench_ui_graph

export QT_QPA_PLATFORM=xcb
unset XDG_RUNTIME_DIR
load() { echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"; }

echo "== machine"
grep -m1 'model name' /proc/cpuinfo || true
load

# The program and its arguments, then the launch time, each under a display and a bus of its own.
launch() { xvfb-run -a dbus-run-session -- sh -c 'exec "$0" "$@" "$(date +%s%N)"' "$@"; }

echo "== start-up to the first painted window against a bare Qt window of its size, $runs runs each, interleaved"
echo "   (ms since launch, ms since main)"
for _ in $(seq "$runs"); do
    launch "$build/quenda_measure" startup 2>/dev/null | sed 's/^/window /'
    launch "$build/bare_window" 2>/dev/null | sed 's/^/bare   /'
done | tee /dev/stderr | awk '{ ms[$1] = ms[$1] " " $3 }
    function median(list,   v, n, i, j, t) {
        n = split(list, v, " ")
        for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (v[j] + 0 < v[i] + 0) { t = v[i]; v[i] = v[j]; v[j] = t }
        return n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
    }
    END { printf "startup_median_ms window %.1f bare %.1f ratio %.2f\n", median(ms["window"]), median(ms["bare"]),
          median(ms["window"]) / median(ms["bare"]) }'
echo "   where the time goes, one run (QT_LOGGING_RULES=quenda.startup.debug=true):"
QT_LOGGING_RULES="quenda.startup.debug=true" launch "$build/quenda_measure" startup 2>&1 |
    grep -E '^(quenda.startup|startup_ms)' | sed 's/^/   /'

echo "== demo mode after connecting: memory, 10 s idle, change-to-frame and click-to-frame latency, drag steps"
load
xvfb-run -a dbus-run-session -- "$build/quenda_measure" run 2>/dev/null
load

echo "== graph redraw (offscreen, 10 repetitions)"
QT_QPA_PLATFORM=offscreen "$build/quenda/bench/bench_ui_graph" \
    --benchmark_repetitions=10 --benchmark_report_aggregates_only=true 2>/dev/null |
    grep -E '^Benchmark|_(median|stddev) '
load
