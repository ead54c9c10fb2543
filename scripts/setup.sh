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

mapfile -t wanted < <(grep -v '^\s*#' "$top/scripts/packages.txt" | grep -v '^\s*$')
missing=()
for p in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing packages: ${missing[*]}; run this script as root (or with sudo) to install them." >&2
        exit 1
    fi
    echo "Installing ${#missing[@]} Debian packages the build and the tests need (a minute or two):" >&2
    echo "  ${missing[*]}" >&2
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
    echo "Packages installed." >&2
fi
[ "$only_packages" -eq 0 ] || exit 0

echo "Building in $build" >&2
cmake -S "$top" -B "$build" "$@" >/dev/null
cmake --build "$build" -j"$(nproc)" "${targets[@]}"
