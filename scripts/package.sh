#!/usr/bin/env bash
# Builds the Debian package: a release build of the two programs in build-package/
# (or the directory given), then cpack. Prints the package's path.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build-package}
"$top/scripts/setup.sh" --only-packages
echo "Building the package's programs in $build (a minute or two on a fresh machine)" >&2
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Release -DPERABO_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target talvo-perabo talvo runtime_layout package_files >/dev/null
(cd "$build" && cpack -G DEB >/dev/null)
ls "$build"/talvo-perabo_*.deb
