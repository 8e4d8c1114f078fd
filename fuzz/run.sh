#!/usr/bin/env bash
# Builds the fuzz targets with clang, AddressSanitizer and UndefinedBehaviorSanitizer,
# and runs each for the given number of seconds (default 600) on its corpus, one
# after the other. Every target keeps what it found in build-fuzz/corpus-NAME (start
# from the seeds alone by removing that folder), its output in build-fuzz/logs/NAME.log
# and the inputs that failed in build-fuzz/crashes/. Ends with one table: per target
# the executions per second, the executions, libFuzzer's coverage (cov: edges,
# ft: features), the inputs in its corpus folder at the start, the failing inputs found,
# the share of a core it had (other work on the machine slows it) and the executions
# per second of its own CPU time; exits 1 when a target found a failing input.
# Names after the seconds run only those targets: fuzz/run.sh 600 input_reports
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
shift $(( $# > 0 ? 1 : 0 ))
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=($(cd fuzz && ls *.cpp | sed 's/\.cpp$//'))
for name in "${targets[@]}"; do
    [ -f "fuzz/$name.cpp" ] || { echo "fuzz/run.sh: no target $name" >&2; exit 2; }
done
tools/install-deps.sh clang libclang-rt-dev
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUENDA_FUZZ=ON -DQUENDA_SANITIZE=address,undefined -DQUENDA_BUILD_BENCH=OFF
cmake --build build-fuzz -j2 --target "${targets[@]/#/fuzz_}"
mkdir -p build-fuzz/crashes build-fuzz/logs

# The value of field (cov:, ft:, exec/s:) on the last status line of a log.
status_field() {
    grep -E '^#[0-9]+' "$2" | grep -F " $1 " | tail -n 1 | sed -E "s|.* $1 +([0-9]+).*|\1|" || true
}
# A final statistic (stat::NAME) of a log.
final_stat() {
    sed -n -E "s/^stat::$1: +([0-9]+).*/\1/p" "$2" | tail -n 1
}
# User and system seconds of this shell's children so far, from the line of `times`
# (taken in this shell: a subshell's `times` knows nothing of its parent's children).
children_cpu() {
    tail -n 1 build-fuzz/logs/times | awk '{ t = 0; for (i = 1; i <= 2; ++i) { split($i, p, /[ms]/); t += p[1] * 60 + p[2] } printf "%.1f", t }'
}

rows=()
failed=0
for name in "${targets[@]}"; do
    work=build-fuzz/corpus-$name
    log=build-fuzz/logs/$name.log
    mkdir -p "$work"
    inputs_before=$(find "$work" -type f | wc -l)
    crashes_before=$(find build-fuzz/crashes -type f -name "$name-*" | wc -l)
    echo "== $name: $seconds s, log in $log"
    times >build-fuzz/logs/times
    cpu_before=$(children_cpu)
    started=$(date +%s)
    status=0
    build-fuzz/fuzz/fuzz_$name -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix=build-fuzz/crashes/$name- "$work" fuzz/corpus/$name >"$log" 2>&1 || status=$?
    wall=$(( $(date +%s) - started ))
    times >build-fuzz/logs/times
    cpu=$(awk -v a="$cpu_before" -v b="$(children_cpu)" 'BEGIN { printf "%.1f", b - a }')
    grep -E '^#[0-9]+.*(INITED|DONE)|^stat::|^==[0-9]+==ERROR|^SUMMARY|Test unit written' "$log" || true
    runs=$(final_stat number_of_executed_units "$log")
    rate=$(final_stat average_exec_per_sec "$log")
    # a run stopped by a failing input prints no final statistics
    runs=${runs:-$(grep -E '^#[0-9]+' "$log" | tail -n 1 | sed -E 's/^#([0-9]+).*/\1/')}
    rate=${rate:-$(status_field exec/s: "$log")}
    crashes=$(( $(find build-fuzz/crashes -type f -name "$name-*" | wc -l) - crashes_before ))
    if [ "$status" -ne 0 ] || [ "$crashes" -gt 0 ]; then
        failed=1
        [ "$crashes" -gt 0 ] || crashes="exit $status"
    fi
    share=$(awk -v c="$cpu" -v w="$wall" 'BEGIN { printf "%.0f%%", (w > 0 ? 100 * c / w : 0) }')
    per_cpu=$(awk -v r="${runs:-0}" -v c="$cpu" 'BEGIN { if (c > 0) printf "%.0f", r / c; else print "?" }')
    rows+=("$(printf '%-20s %9s %12s %7s %7s %8s %8s %6s %10s' "$name" "${rate:-?}" "${runs:-?}" \
        "$(status_field cov: "$log")" "$(status_field ft: "$log")" "$inputs_before" "$crashes" \
        "$share" "$per_cpu")")
done

echo
echo "Fuzzing, $seconds s per target, $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg) at the end"
printf '%-20s %9s %12s %7s %7s %8s %8s %6s %10s\n' target exec/s runs cov ft "corpus@0" crashes cpu exec/cpu-s
printf '%s\n' "${rows[@]}"
exit "$failed"
