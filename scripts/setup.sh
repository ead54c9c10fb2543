#!/usr/bin/env bash
# Installs every Debian package the project needs (idempotent), then configures and
# builds into build/ (or the directory given as $1, with extra CMake options after it).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
shift || true

. "$top/scripts/lib/packages.sh"
install_package_list "$top/scripts/packages.txt"

cmake -S "$top" -B "$build" "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
