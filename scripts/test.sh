#!/usr/bin/env bash
# Builds the program and its tests with AddressSanitizer and UndefinedBehaviorSanitizer
# into build-tests/ and runs every test. Tests that need root and network namespaces
# skip, saying so, when they cannot have them. Then the fuzz targets run for a bounded
# time each (scripts/fuzz.sh; skipped, saying so, without clang).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh" "$top/build-tests" -DPERABO_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
cd "$top/build-tests"
ctest --output-on-failure -j2 "$@"
"$top/scripts/fuzz.sh"
