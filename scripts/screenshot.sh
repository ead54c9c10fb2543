#!/usr/bin/env bash
# Captures the program's window under a private Xvfb into a PNG, after feeding it
# pointer and key input. Usage:
#   scripts/screenshot.sh OUT.png [xdotool commands...]
# Each extra argument is one xdotool command run against the window, with window-relative
# coordinates, e.g. "mousemove --window %W 580 155 click 1" or "key F5"; "sleep N" waits.
# Set PERABO_EXEC to run the program through a wrapper (e.g. "ip netns exec NS").
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out=$1; shift
for tool in xdotool import; do
    command -v $tool >/dev/null || apt-get install -y -qq xdotool imagemagick >/dev/null
done

. "$top/scripts/lib/xvfb.sh"
program=
cleanup() {
    [ -n "$program" ] && kill "$program" 2>/dev/null
    stop_xvfb
}
trap cleanup EXIT
start_xvfb

${PERABO_EXEC:-} "$top/build/talvo-perabo" &
program=$!
window=
for _ in $(seq 100); do
    window=$(xdotool search --name '^Talvo Perabo$' 2>/dev/null | head -n1) && [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || { echo "no window" >&2; exit 1; }
sleep 0.5
for step in "$@"; do
    case $step in
        sleep*) ${step} ;;
        *) xdotool ${step//%W/$window}; sleep 0.3 ;;
    esac
done
import -window "$window" "$out"
"$top/build/xclose" "Talvo Perabo" 5 >/dev/null
wait "$program" || true
program=
