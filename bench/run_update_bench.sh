#!/usr/bin/env bash
# Update benchmark (needs root): `talvo update --parallel 16` of 1, 4 and 16 simulated
# systems at once with a 16 MB firmware, on a virtual segment (one talvo-sim per
# system), and writes the figures to bench/update_results.md. Targets: 16 systems in
# under twice the time of one; the tool's peak memory under 64 MB for 16 at once.
# Each update keeps the real 30 s wait after the reboot request.
# Usage: bench/run_update_bench.sh [BUILD_DIR] [RUNS]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
runs=${2:-2}
results=$top/bench/update_results.md

[ "$(id -u)" -eq 0 ] || { echo "run_update_bench.sh: needs root (network namespaces)" >&2; exit 1; }
[ -x "$build/talvo" ] && [ -x "$build/talvo-sim" ] ||
    { echo "run_update_bench.sh: build first (talvo and talvo-sim in $build)" >&2; exit 1; }
[ -x /usr/bin/time ] || apt-get install -y -qq time >/dev/null

name=ubench$$
work=$(mktemp -d)
trap '"$top/scripts/segment.sh" down "$name"; rm -rf "$work"' EXIT
{ printf 'TALVOFW 16.0.0\n'; head -c $((16 * 1024 * 1024 - 15)) /dev/urandom; } >"$work/BENCH-16.0.0.firm"

raw=$work/raw
for systems in 1 4 16; do
    for ((run = 1; run <= runs; run++)); do
        "$top/scripts/segment.sh" up "$name" "$systems" --sim "$build/talvo-sim" \
            --sim-arg --reboot-silence --sim-arg 2000 >/dev/null
        status=0
        ip netns exec "$name-pc" /usr/bin/time -f "%e %M" -o "$work/time" \
            "$build/talvo" update -i talvo0 "$work/BENCH-16.0.0.firm" --all --parallel 16 >"$work/out" 2>&1 || status=$?
        updated=$(grep -c '  updated  .*16\.0\.0$' "$work/out" || true)
        read -r seconds peak_kb <"$work/time"
        echo "$systems $run $seconds $peak_kb $status $updated" >>"$raw"
        "$top/scripts/segment.sh" down "$name"
    done
done

{
    echo "# Update benchmark"
    echo
    echo "\`talvo update --all --parallel 16\` with a 16 MB firmware (no SD board file system),"
    echo "on a virtual segment with one talvo-sim per system (--reboot-silence 2000), from the"
    echo "command's start to its end: the scan, the updates with their real 30 s wait after"
    echo "the reboot request, and the scan that shows the new firmware. Peak memory is the"
    echo "tool's maximum resident set size (GNU time)."
    echo
    echo "Measured $(date -u '+%Y-%m-%d %H:%M UTC') on $(nproc) cores, build: $(basename "$build"), $runs runs per size."
    echo
    echo "| systems | run | wall time s | peak memory MB | exit status | updated to 16.0.0 |"
    echo "|---|---|---|---|---|---|"
    awk '{ printf "| %d | %d | %.1f | %.1f | %d | %d of %d |\n", $1, $2, $3, $4 / 1024, $5, $6, $1 }' "$raw"
    echo
    awk '$1 == 1 { one += $3; n1++ } $1 == 16 { sixteen += $3; n16++; if ($4 > peak) peak = $4 }
        END { r = (sixteen / n16) / (one / n1)
              printf "16 systems took %.2f times as long as one (target: under 2); peak memory for 16 at once %.1f MB (target: under 64 MB).\n", r, peak / 1024 }' "$raw"
} >"$results"
cat "$results"
