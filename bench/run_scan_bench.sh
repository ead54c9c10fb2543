#!/usr/bin/env bash
# Scan benchmark (needs root): times whole scans, from the scan thread's start to
# ScanDone, on a virtual segment with 1, 50, 250 and 1000 simulated Talvo systems, first
# on an idle machine, then with every core kept busy by other processes, and writes the
# figures to bench/scan_results.md. Each size gets a new segment, so the first scan of
# each runs right after the segment came up. Targets for each scan:
#   found = every system on the segment
#   duration <= 2100 ms + time of the last answer (after the request) + 100 ms
# Usage: bench/run_scan_bench.sh [BUILD_DIR] [RUNS_PER_SIZE]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
runs=${2:-10}
results=$top/bench/scan_results.md

[ "$(id -u)" -eq 0 ] || { echo "run_scan_bench.sh: needs root (network namespaces)" >&2; exit 1; }
[ -x "$build/bench/scan-bench" ] && [ -x "$build/talvo-sim" ] ||
    { echo "run_scan_bench.sh: build first (scan-bench and talvo-sim in $build)" >&2; exit 1; }

name=bench$$
hogs=()
stop_hogs() {
    [ ${#hogs[@]} -eq 0 ] || kill "${hogs[@]}" 2>/dev/null || true
    hogs=()
}
trap 'stop_hogs; "$top/scripts/segment.sh" down "$name"' EXIT

start_hogs() {
    local i
    for ((i = 0; i < $(nproc); i++)); do
        (while :; do :; done) &
        hogs+=($!)
    done
}

raw=$(mktemp)
for load in idle loaded; do
    for systems in 1 50 250 1000; do
        layout=()
        [ "$systems" -le 50 ] || layout=(--one-process)
        "$top/scripts/segment.sh" up "$name" "$systems" --sim "$build/talvo-sim" "${layout[@]}" >/dev/null
        [ "$load" = idle ] || start_hogs
        ip netns exec "$name-pc" "$build/bench/scan-bench" talvo0 "$runs" |
            sed "s/^/load $load systems_on_segment $systems /" >>"$raw"
        stop_hogs
        "$top/scripts/segment.sh" down "$name"
    done
done

{
    echo "# Scan benchmark"
    echo
    echo "Scan duration from the scan thread's start to ScanDone, on a virtual segment of"
    echo "network namespaces (scripts/segment.sh): one talvo-sim per system for 1 and 50"
    echo "systems, one talvo-sim playing all of them (--count) for 250 and 1000. A new segment"
    echo "for each size, so scan 1 runs right after the segment came up. \"loaded\": one busy"
    echo "process per core for the whole size. Targets: every system found in every scan;"
    echo "duration <= 2100 ms + last answer (ms after the request) + 100 ms."
    echo
    echo "Measured $(date -u '+%Y-%m-%d %H:%M UTC') on $(nproc) cores, build: $(basename "$build"), $runs scans per size."
    echo
    echo "| load | systems | scan | found | capture ready ms | request ms | duration ms | last answer ms | silence ms | max handover us | target ms | met |"
    echo "|---|---|---|---|---|---|---|---|---|---|---|---|"
    awk '{
        load = $2; n = $4; run = $6; dur = $8; found = $10; ident = $12; end = $16; hand = $18; ready = $20; last = $22
        answer = last - ident; silence = end - last; target = 2100 + answer + 100
        met = (found == n && dur <= target) ? "yes" : "NO"
        printf "| %s | %d | %d | %d | %.1f | %.1f | %.1f | %.1f | %.1f | %d | %.1f | %s |\n", load, n, run, found, ready, ident, dur, answer, silence, hand, target, met
    }' "$raw"
    echo
    echo "## Summary"
    echo
    echo "| load | systems | scans | every system found | duration ms (min-max) | target met |"
    echo "|---|---|---|---|---|---|"
    awk '{
        key = $2 " " $4; n[key] = $4; load[key] = $2; scans[key]++
        if ($10 == $4) full[key]++
        dur = $8; target = 2100 + ($22 - $12) + 100
        if (!(key in lo) || dur < lo[key]) lo[key] = dur
        if (!(key in hi) || dur > hi[key]) hi[key] = dur
        if (dur <= target) met[key]++
        if (!(key in seen)) { order[++k] = key; seen[key] = 1 }
    } END {
        for (i = 1; i <= k; i++) { key = order[i]
            printf "| %s | %d | %d | %d of %d | %.1f-%.1f | %d of %d |\n", load[key], n[key], scans[key], full[key] + 0, scans[key], lo[key], hi[key], met[key] + 0, scans[key] }
    }' "$raw"
} >"$results"
rm -f "$raw"
cat "$results"
