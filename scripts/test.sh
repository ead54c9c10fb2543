#!/usr/bin/env bash
# Builds the program and its tests with AddressSanitizer and UndefinedBehaviorSanitizer
# into build-tests/ and runs every test. Tests that need root and network namespaces
# skip, saying so, when they cannot have them.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh" "$top/build-tests" -DPERABO_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
cd "$top/build-tests"
ctest --output-on-failure -j2 "$@"
