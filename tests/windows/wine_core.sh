#!/usr/bin/env bash
# The Windows side's own checks (on_windows/windows_core_test.cpp) under wine: files by
# UTF-8 names, only regular ones and none written while sent; the update's deadlines
# on Winsock against peers on loopback addresses of their own (127.x.y.z, port 5555).
#   wine_core.sh TEST_EXE WORK_DIR
# Exit 77 (skip) without wine or without the test program.
set -u
# wine reads Unix file names in the locale's character set; the tests' names are UTF-8.
export LC_ALL=C.UTF-8
exe=$1 work=$2
skip() { echo "SKIP: $*"; exit 77; }
command -v wine >/dev/null || skip "wine is not installed (scripts/windows.sh installs it as root)"
# Without it, windows_package skipped (no cross tools) or failed, and says why.
[ -f "$exe" ] || skip "no test program at $exe"

rm -rf "$work"
mkdir -p "$work"
export WINEPREFIX=$work/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() { timeout 20 wineserver -k 2>/dev/null; }
trap cleanup EXIT
# The program bounds itself (240 s); this bounds wine's start as well.
timeout 400 wine "$exe" </dev/null 2>"$work/wine.log"
status=$?
[ $status -eq 0 ] || { echo "--- wine's own messages"; tail -n 20 "$work/wine.log"; }
exit $status
