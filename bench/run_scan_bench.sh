#!/usr/bin/env bash
# Scan benchmark (needs root): times whole scans, from the scan thread's start to
# ScanDone, on a virtual segment with 1, 10 and 50 simulated Talvo systems, and writes
# the figures to bench/scan_results.md. Target for each scan:
#   duration <= 2100 ms + time of the last answer (after the request) + 100 ms
# Usage: bench/run_scan_bench.sh [BUILD_DIR] [RUNS_PER_SIZE]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
runs=${2:-5}
results=$top/bench/scan_results.md

[ "$(id -u)" -eq 0 ] || { echo "run_scan_bench.sh: needs root (network namespaces)" >&2; exit 1; }
[ -x "$build/bench/scan-bench" ] && [ -x "$build/talvo-sim" ] ||
    { echo "run_scan_bench.sh: build first (scan-bench and talvo-sim in $build)" >&2; exit 1; }

name=bench$$
trap '"$top/scripts/segment.sh" down "$name"' EXIT

raw=$(mktemp)
for systems in 1 10 50; do
    "$top/scripts/segment.sh" up "$name" "$systems" --sim "$build/talvo-sim" >/dev/null
    ip netns exec "$name-pc" "$build/bench/scan-bench" talvo0 "$runs" | sed "s/^/systems_on_segment $systems /" >>"$raw"
    "$top/scripts/segment.sh" down "$name"
done

{
    echo "# Scan benchmark"
    echo
    echo "Scan duration from the scan thread's start to ScanDone, on a virtual segment of"
    echo "network namespaces (scripts/segment.sh), one talvo-sim per system. Target:"
    echo "duration <= 2100 ms + last answer (ms after the request) + 100 ms."
    echo
    echo "Measured $(date -u '+%Y-%m-%d %H:%M UTC') on $(nproc) cores, build: $(basename "$build"), $runs scans per size."
    echo
    echo "| systems | scan | found | duration ms | last answer ms | silence ms | max handover us | target ms | met |"
    echo "|---|---|---|---|---|---|---|---|---|"
    awk '{
        n = $2; run = $4; dur = $6; found = $8; ident = $10; last = $12; end = $14; hand = $16
        answer = last - ident; silence = end - last; target = 2100 + answer + 100
        printf "| %d | %d | %d | %.1f | %.1f | %.1f | %d | %.1f | %s |\n", n, run, found, dur, answer, silence, hand, target, (dur <= target ? "yes" : "NO")
    }' "$raw"
} >"$results"
rm -f "$raw"
cat "$results"
