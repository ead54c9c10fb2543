#!/usr/bin/env bash
# The imports check on the built package, and that it refuses what would not start on
# real Windows: a DLL that is not shipped, and a wpcap.dll function Npcap does not have
# in the list.
#   check_imports_test.sh PACKAGE_DIR WPCAP_DEF WORK_DIR
set -u
package=$1 def=$2 work=$3
check=$(dirname "$0")/check_imports.sh
# Without a package, windows_package skipped (no cross tools) or failed, and says why.
[ -f "$package/talvo-perabo.exe" ] || { echo "SKIP: no package at $package"; exit 77; }
"$check" "$package" "$def" || { echo "FAIL: the package's imports"; exit 1; }

rm -rf "$work" && mkdir -p "$work"
cp -r "$package" "$work/without-sdl" && rm "$work/without-sdl/SDL.dll"
if "$check" "$work/without-sdl" "$def" 2>"$work/out.txt" || ! grep -q 'imports sdl.dll' "$work/out.txt"; then
    echo "FAIL: a package without SDL.dll passed the check"; exit 1
fi
grep -v '^pcap_dispatch$' "$def" >"$work/short.def"
if "$check" "$package" "$work/short.def" 2>"$work/out.txt" || ! grep -q 'pcap_dispatch' "$work/out.txt"; then
    echo "FAIL: an import missing from the .def passed the check"; exit 1
fi
echo "PASS: the package imports only shipped, system and Npcap DLLs, and the check refuses a missing DLL or function"
