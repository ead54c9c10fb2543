#!/usr/bin/env bash
# The firmware upload benchmark on a virtual segment (needs root): builds a Release
# build of its own, a segment with one simulated system, runs firmware-upload-bench in
# the PC namespace and appends its table to bench/firmware_results.md. The segment is
# taken down however the script ends.
#   bench/run_upload_bench.sh [--sizes 1,16,64] [--runs 3]
# PERABO_BENCH_BUILD sets the build directory (default build-bench).
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
build=${PERABO_BENCH_BUILD:-$top/build-bench}
segment=$top/scripts/segment.sh
results=$top/bench/firmware_results.md

[ "$(id -u)" -eq 0 ] || { echo "run_upload_bench.sh: needs root for the network namespaces" >&2; exit 1; }

cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Release -DPERABO_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target firmware-upload-bench talvo-sim >/dev/null

name=ub$$
trap '"$segment" down "$name" >/dev/null 2>&1 || true' EXIT
"$segment" down "$name" >/dev/null 2>&1 || true  # only a dead process with this id can have left it
# A short silence after each reboot so the runs follow each other quickly.
state=$("$segment" up "$name" 1 --sim "$build/talvo-sim" --sim-arg --reboot-silence --sim-arg 300)
read -r _ address _ _ _ sim_pid <"$state/systems"

table=$(ip netns exec "$name-pc" "$build/bench/firmware/firmware-upload-bench" \
    --address "$address" --sim-pid "$sim_pid" "$@")

{
    echo
    echo "## Upload run $(date -u '+%Y-%m-%d %H:%M') UTC"
    echo
    echo "$(nproc) cores ($(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')), Release build,"
    echo "commit $(git -C "$top" rev-parse --short HEAD)$(git -C "$top" diff --quiet HEAD -- src tools bench || echo ' with local changes')."
    echo "Medians of the runs; MB = 2^20 bytes of firmware; the floor sends the same captured"
    echo "request bytes on a plain TCP socket and reads each reply. Peak growth: the tool"
    echo "process's VmHWM during run_firmware_update minus its VmRSS before it."
    echo
    echo "$table"
} >>"$results"
echo "$table"
echo "appended to $results"
