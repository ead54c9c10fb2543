#!/usr/bin/env bash
# The program in a real window under Xvfb: caption, icon, and closing it ends the
# program with status 0. Skips (77) where Xvfb is not installed.
set -u
exe=$1
xclose=$2
command -v Xvfb >/dev/null || { echo "SKIP: Xvfb is not installed"; exit 77; }

. "$(dirname "$0")/../../../scripts/lib/xvfb.sh"
program=
cleanup() {
    [ -n "$program" ] && kill "$program" 2>/dev/null
    stop_xvfb
}
trap cleanup EXIT
start_xvfb

# In a sanitizer build, the leak check of a whole X11/GL process reports the display
# libraries' own allocations; the unit tests watch our surfaces instead.
export ASAN_OPTIONS=detect_leaks=0
out=$(mktemp)
"$exe" >"$out" 2>&1 &
program=$!
if ! "$xclose" "Talvo Perabo" 20 --check-icon; then
    echo "FAIL: no window titled \"Talvo Perabo\" with an icon"; cat "$out"; exit 1
fi
for _ in $(seq 100); do kill -0 "$program" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$program" 2>/dev/null; then
    echo "FAIL: the program did not end after its window was closed"; exit 1
fi
wait "$program"
status=$?
program=
[ "$status" -eq 0 ] || { echo "FAIL: exit status $status"; cat "$out"; exit 1; }
echo "PASS: window opened with its caption and icon, and closing it ended the program"
