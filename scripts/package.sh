#!/usr/bin/env bash
# Builds the Debian package: a release build of the two programs in build-package/
# (or the directory given), then cpack. Prints the package's path. A step that fails
# prints its own messages.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build-package}
"$top/scripts/setup.sh" --only-packages
. "$top/scripts/lib/configure.sh"
echo "Building the package's programs in $build (a minute or two on a fresh machine)" >&2
configure "$top" "$build" -DCMAKE_BUILD_TYPE=Release -DPERABO_TESTS=OFF
quiet() {
    local log=$build/$1.log
    shift
    "$@" >"$log" 2>&1 || { echo "package.sh: '$*' failed; its last lines ($log):" >&2; tail -n 40 "$log" >&2; return 1; }
}
quiet build cmake --build "$build" -j"$(nproc)" --target talvo-perabo talvo runtime_layout package_files
(cd "$build" && quiet cpack cpack -G DEB)
ls "$build"/talvo-perabo_*.deb
