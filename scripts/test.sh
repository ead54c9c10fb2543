#!/usr/bin/env bash
# Builds the program and its tests with AddressSanitizer and UndefinedBehaviorSanitizer
# into build-tests/ and runs every test. Tests that need root and network namespaces
# skip, saying so, when they cannot have them.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh" "$top/build-tests" -DPERABO_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cd "$top/build-tests"
ctest --output-on-failure -j2 "$@"
