#!/usr/bin/env bash
# Installs every Debian package the project needs (idempotent), then configures and
# builds into build/ (or the directory given, with extra CMake options after it).
#   setup.sh [--only-packages] [--target T]... [BUILD_DIR [CMAKE_OPTIONS...]]
# --only-packages stops after the packages; --target builds only those targets.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
only_packages=0
targets=()
while [ $# -gt 0 ]; do
    case $1 in
        --only-packages) only_packages=1; shift ;;
        --target) targets+=(--target "$2"); shift 2 ;;
        *) break ;;
    esac
done
build=${1:-$top/build}
shift || true

. "$top/scripts/lib/packages.sh"
install_package_list "$top/scripts/packages.txt"
[ "$only_packages" -eq 0 ] || exit 0

echo "Building in $build" >&2
. "$top/scripts/lib/configure.sh"
configure "$top" "$build" "$@"
cmake --build "$build" -j"$(nproc)" "${targets[@]}"
