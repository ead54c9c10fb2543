#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ and runs each for a bounded
# time (FUZZ_SECONDS, 30 by default) from its checked-in seed corpus (fuzz/corpus/NAME,
# which it never writes). A crash fails the script; its input is kept under
# build-fuzz/crashes/ and belongs, once fixed, in the seed corpus as a regression input.
# Without clang it says so and skips.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${FUZZ_SECONDS:-30}
build=$top/build-fuzz

if ! command -v clang >/dev/null || ! command -v clang++ >/dev/null; then
    echo "fuzzing skipped: clang is not installed (scripts/packages.txt lists it)"
    exit 0
fi

. "$top/scripts/lib/configure.sh"
CC=clang CXX=clang++ configure "$top" "$build" -DPERABO_FUZZ=ON -DPERABO_TESTS=OFF -DCMAKE_BUILD_TYPE=Debug
targets=(discovery_frame reply_decoding request_reader)
if ! cmake --build "$build" -j"$(nproc)" --target "${targets[@]/#/fuzz_}" >"$build/build.log" 2>&1; then
    tail -n 40 "$build/build.log"
    exit 1
fi

mkdir -p "$build/crashes"
failed=()
for name in "${targets[@]}"; do
    scratch=$(mktemp -d)
    echo "fuzzing $name for ${seconds}s"
    if ! "$build/fuzz/fuzz_$name" "$scratch" "$top/fuzz/corpus/$name" -max_total_time="$seconds" \
            -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
            -artifact_prefix="$build/crashes/$name-" >"$build/fuzz_$name.log" 2>&1; then
        failed+=("$name")
        tail -n 40 "$build/fuzz_$name.log"
    else
        grep -E "stat::number_of_executed_units|Done" "$build/fuzz_$name.log" | tail -n 2
    fi
    rm -rf "$scratch"
done
if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzzing found faults in: ${failed[*]} (inputs in $build/crashes/)"
    exit 1
fi
echo "fuzzing: ${#targets[@]} targets ran ${seconds}s each without a fault"
