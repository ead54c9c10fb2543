#!/usr/bin/env bash
# Address plan benchmark (needs root): times `talvo set-ip --plan`, from its start to the
# verified record of every system, for 1, 50 and 250 simulated systems that all share
# the factory address (scripts/segment.sh --one-process --same-address), each given its
# own address by MAC. A new segment for every run, so each run starts from the factory
# state. Writes the figures to bench/plan_results.md. Target: 250 systems under 10 s,
# every system answering at its new address.
# Usage: bench/run_plan_bench.sh [BUILD_DIR] [RUNS_PER_SIZE]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
runs=${2:-5}
results=$top/bench/plan_results.md

[ "$(id -u)" -eq 0 ] || { echo "run_plan_bench.sh: needs root (network namespaces)" >&2; exit 1; }
[ -x "$build/talvo" ] && [ -x "$build/talvo-sim" ] ||
    { echo "run_plan_bench.sh: build first (talvo and talvo-sim in $build)" >&2; exit 1; }

name=plan$$
work=$(mktemp -d)
trap '"$top/scripts/segment.sh" down "$name"; rm -rf "$work"' EXIT

# One line a system: its MAC and a new address from .2 on, past the PC (.1) and the
# factory address (.50).
write_plan() {
    local state=$1 host=2 ns ip mac rest
    while read -r ns ip mac rest; do
        [ "$host" -ne 50 ] || host=51
        echo "$mac,198.51.100.$host"
        host=$((host + 1))
    done <"$state/systems"
}

raw=$work/raw
for systems in 1 50 250; do
    for ((run = 1; run <= runs; run++)); do
        state=$("$top/scripts/segment.sh" up "$name" "$systems" --sim "$build/talvo-sim" --one-process --same-address)
        write_plan "$state" >"$work/plan"
        start=$(date +%s%N)
        status=0
        ip netns exec "$name-pc" "$build/talvo" set-ip -i talvo0 --plan "$work/plan" --json \
            >"$work/out" 2>"$work/err" || status=$?
        end=$(date +%s%N)
        changed=$(grep -c '"result": "changed"' "$work/out" || true)
        echo "$systems $run $(((end - start) / 1000000)) $status $changed" >>"$raw"
        "$top/scripts/segment.sh" down "$name"
    done
done

{
    echo "# Address plan benchmark"
    echo
    echo "\`talvo set-ip -i talvo0 --plan FILE --json\`, timed from its start to its end (the"
    echo "verified records), on a virtual segment where one talvo-sim plays every system and"
    echo "all of them answer at the factory address 198.51.100.50. The plan names each system"
    echo "by MAC. One run: a scan, one ARP probe of every new address, the address changes,"
    echo "a 1 s settling wait, one verifying scan. A new segment for every run. Target: 250"
    echo "systems in under 10 s, every one answering at its new address (exit 0)."
    echo
    echo "Measured $(date -u '+%Y-%m-%d %H:%M UTC') on $(nproc) cores, build: $(basename "$build"), $runs runs per size."
    echo
    echo "| systems | run | duration ms | exit | changed |"
    echo "|---|---|---|---|---|"
    awk '{ printf "| %d | %d | %d | %d | %d |\n", $1, $2, $3, $4, $5 }' "$raw"
    echo
    echo "## Summary"
    echo
    echo "| systems | runs | median ms | min-max ms | all changed, exit 0 |"
    echo "|---|---|---|---|---|"
    for systems in 1 50 250; do
        awk -v n="$systems" '$1 == n { print $3 }' "$raw" | sort -n >"$work/durations"
        count=$(wc -l <"$work/durations")
        median=$(awk -v c="$count" 'NR == int((c + 1) / 2) { print }' "$work/durations")
        ok=$(awk -v n="$systems" '$1 == n && $4 == 0 && $5 == n' "$raw" | wc -l)
        echo "| $systems | $count | $median | $(head -1 "$work/durations")-$(tail -1 "$work/durations") | $ok of $count |"
    done
} >"$results"
cat "$results"
