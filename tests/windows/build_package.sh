#!/usr/bin/env bash
# Builds the Windows package for the tests with scripts/windows.sh, and the Windows
# side's own test program beside it. Skips (77) where the cross tools are missing and
# cannot be installed (not root).
#   build_package.sh BUILD_DIR
set -u
top=$(cd "$(dirname "$0")/../.." && pwd)
if [ "$(id -u)" -ne 0 ]; then
    for tool in x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-dlltool dpkg-source; do
        command -v $tool >/dev/null ||
            { echo "SKIP: $tool is missing, and only root can install the cross tools (scripts/windows.sh)"; exit 77; }
    done
fi
"$top/scripts/windows.sh" "$1" || exit 1
cmake --build "$1/program" -j"$(nproc)" --target windows_core_test
