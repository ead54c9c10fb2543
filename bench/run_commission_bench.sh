#!/usr/bin/env bash
# Commissioning benchmark (needs root): 50 simulated systems at the factory address
# appear in five waves of ten, five seconds apart (scripts/segment.sh --same-address
# --waves 10:5000, one talvo-sim per system), and `talvo commission --plan` takes each
# through its run as it appears. Per system: from its appearance (the simulator's
# "plugged in" time) to its "done" line (talvo's output, time-stamped as it arrives);
# the median and the longest; talvo's peak memory (GNU time); all 50 done. Once
# without a firmware (target: under 8 s each) and once with the small sample firmware
# (the update's own time on top, every system's update at once: --parallel 50).
# Writes bench/commission_results.md.
# Usage: bench/run_commission_bench.sh [BUILD_DIR] [RUNS]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
runs=${2:-2}
results=$top/bench/commission_results.md

[ "$(id -u)" -eq 0 ] || { echo "run_commission_bench.sh: needs root (network namespaces)" >&2; exit 1; }
[ -x "$build/talvo" ] && [ -x "$build/talvo-sim" ] ||
    { echo "run_commission_bench.sh: build first (talvo and talvo-sim in $build)" >&2; exit 1; }
[ -x /usr/bin/time ] || apt-get install -y -qq time >/dev/null

name=cbench$$
work=$(mktemp -d)
trap '"$top/scripts/segment.sh" down "$name" 2>/dev/null; rm -rf "$work"' EXIT
systems=50

# One line a system: its MAC and its own address from .101 on.
write_plan() {
    local state=$1 host=101 ns ip mac rest
    while read -r ns ip mac rest; do
        echo "$mac,198.51.100.$host"
        host=$((host + 1))
    done <"$state/systems"
}

# "MAC seconds" a line: how long each system took from its appearance to its done line.
latencies() {
    local state=$1 out=$2
    cat "$state"/sim-*.log | awk '/plugged in at/ { if (!($2 in seen)) seen[$2] = $6 }
        END { for (m in seen) print m, seen[m] }' >"$work/appeared"
    awk '/  done$/ { print $2, $1 }' "$out" >"$work/done"
    awk 'NR == FNR { appeared[$1] = $2; next } ($1 in appeared) { printf "%s %.3f\n", $1, $2 - appeared[$1] }' \
        "$work/appeared" "$work/done"
}

raw=$work/raw
for firmware in none sample; do
    for ((run = 1; run <= runs; run++)); do
        state=$("$top/scripts/segment.sh" up "$name" "$systems" --sim "$build/talvo-sim" --same-address \
            --waves 10:5000 --sim-arg --reboot-silence --sim-arg 2000)
        write_plan "$state" >"$work/plan"
        args=(commission -i talvo0 --plan "$work/plan")
        [ "$firmware" = none ] || args+=("$build/firmware/TLV-3.3.0.firm" --parallel 50)
        status=0
        ip netns exec "$name-pc" /usr/bin/time -f "%M" -o "$work/time" "$build/talvo" "${args[@]}" 2>"$work/err" |
            perl -MTime::HiRes=time -ne '$| = 1; printf "%.3f %s", time, $_' >"$work/out" || status=$?
        latencies "$state" "$work/out" >"$work/lat"
        done_count=$(wc -l <"$work/lat")
        sort -k2 -n "$work/lat" | awk -v f="$firmware" -v r="$run" -v m="$(cat "$work/time")" -v s="$status" \
            -v d="$done_count" '{ v[NR] = $2 } END { printf "%s %d %.2f %.2f %d %d %d\n", f, r, v[int((NR + 1) / 2)], v[NR], m, s, d }' >>"$raw"
        "$top/scripts/segment.sh" down "$name"
    done
done

{
    echo "# Commissioning benchmark"
    echo
    echo "\`talvo commission -i talvo0 --plan FILE\` on a virtual segment where 50 systems, one"
    echo "talvo-sim each, come from the factory (all at 198.51.100.50) in five waves of ten,"
    echo "five seconds apart; the plan names each by MAC with its own address. Per system:"
    echo "from its appearance (the simulator's \"plugged in\" time) to its \"done\" line. With"
    echo "the sample firmware (TLV-3.3.0.firm, 300 KB, --parallel 50: no system waits for"
    echo "another's update), each update keeps its real 30 s wait after the reboot request. Peak memory:"
    echo "talvo's maximum resident set size (GNU time). Targets: without a firmware under 8 s"
    echo "each, median and longest; every system done."
    echo
    echo "Measured $(date -u '+%Y-%m-%d %H:%M UTC') on $(nproc) cores, build: $(basename "$build"), $runs runs each."
    echo
    echo "| firmware | run | median s | longest s | peak memory MB | exit status | done |"
    echo "|---|---|---|---|---|---|---|"
    awk '{ printf "| %s | %d | %.2f | %.2f | %.1f | %d | %d of 50 |\n", $1, $2, $3, $4, $5 / 1024, $6, $7 }' "$raw"
} >"$results"
cat "$results"
