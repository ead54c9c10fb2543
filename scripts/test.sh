#!/usr/bin/env bash
# Builds the program and its tests with AddressSanitizer and UndefinedBehaviorSanitizer
# into build-tests/ and runs every test. Tests that need root and network namespaces
# skip, saying so, when they cannot have them. Then the fuzz targets run for a bounded
# time each (scripts/fuzz.sh; skipped, saying so, without clang or after a failed test).
# Extra arguments go to ctest.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
# Nothing is taken from the caller's session: file names in the tests are UTF-8.
export LC_ALL=C.UTF-8
"$top/scripts/setup.sh" "$top/build-tests" -DPERABO_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
cd "$top/build-tests"
status=0
ctest --output-on-failure -j2 "$@" || status=$?
if [ "$status" -ne 0 ]; then
    echo "fuzzing skipped: the tests failed (ctest exit status $status)"
    exit "$status"
fi
"$top/scripts/fuzz.sh"
