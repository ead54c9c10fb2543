#!/usr/bin/env bash
# The Windows package under wine on a virtual segment, beside the Linux build:
#   wine_scenario.sh ZIP LINUX_BUILD_DIR RECORDER WORK_DIR
# The same technician's session runs twice, once with the Linux build and once with
# the Windows executable under wine, each on a fresh segment of three simulated systems
# (same addresses and MACs, answering in a fixed order):
#   the window "Talvo Perabo" opens and lists the segment's interface; a scan finds the
#   three systems (answering 300, 600 and 900 ms after the request, so a capture that
#   opens slowly on a busy machine misses none) and lasts until 2000 ms of silence
#   followed the last answer; system 1 is moved to 198.51.100.50 (the next scan finds
#   it there); system 2 gets TLV-3.3.0.firm with its SD board file; the scan after
#   that finds all three.
# What each build sent (Discovery Protocol frames and Device Service requests, recorded
# on the PC's interface) must be the same bytes. Every wait is bounded.
# Exit 77 (skip) without root, wine, Xvfb or xdotool.
set -u
# wine reads Unix file names in the locale's character set; the tests' names are UTF-8.
export LC_ALL=C.UTF-8
zip=$1 linux=$2 recorder=$3 work=$4
top=$(cd "$(dirname "$0")/../.." && pwd)

skip() { echo "SKIP: $*"; exit 77; }
[ "$(id -u)" -eq 0 ] || skip "the wine scenario needs root for the network namespaces of its virtual segment"
for tool in wine Xvfb xdotool import unzip ip; do
    command -v $tool >/dev/null || skip "$tool is not installed (scripts/windows.sh installs it as root)"
done
# Without a package, windows_package skipped (no cross tools) or failed, and says why.
[ -f "$zip" ] || skip "no package at $zip"

. "$top/scripts/lib/xvfb.sh"
segment=$top/scripts/segment.sh
seg=winsc$$
pc_mac=02:7a:10:0b:ff:01
program= recording= window= prefix= label=setup

cleanup() {
    [ -n "$prefix" ] && WINEPREFIX=$prefix timeout 20 wineserver -k 2>/dev/null
    [ -n "$program" ] && kill "$program" 2>/dev/null
    [ -n "$recording" ] && kill "$recording" 2>/dev/null
    "$segment" down "$seg" 2>/dev/null
    stop_xvfb
}
trap cleanup EXIT

rm -rf "$work"
mkdir -p "$work"
log=$work/scenario.log
step() { echo "$label: $*" | tee -a "$log"; }
fail() {
    echo "FAIL ($label): $*"
    for f in "$work/$label"/*.txt "$work/$label"/*.log "$(dirname "$0")/none"; do
        [ -f "$f" ] && { echo "--- $f"; tail -n 30 "$f"; }
    done
    state=$("$segment" state "$seg")
    for f in "$state"/sim-*.log; do [ -f "$f" ] && { echo "--- $f"; cat "$f"; }; done
    [ -n "$window" ] && [ -n "$program" ] && timeout 10 import -silent -window "$window" "$work/$label/failure.png" 2>/dev/null &&
        echo "screen at the failure: $work/$label/failure.png"
    exit 1
}

# --- The screen, read back through X --------------------------------------------------

shot=$work/screen.rgb
# pixel X Y: the window's pixel as "R G B".
pixel() { od -An -tu1 -j $((($2 * 800 + $1) * 3)) -N3 "$shot" | xargs; }
# screen_is PROBE...: every probe "X Y is R G B", "X Y green" (a selected row) holds.
screen_is() {
    timeout 10 import -silent -window "$window" -depth 8 "rgb:$shot" 2>/dev/null || return 1
    local probe x y what got
    for probe in "$@"; do
        read -r x y what <<<"$probe"
        got=$(pixel "$x" "$y")
        case $what in
            green) read -r r g b <<<"$got"; [ "$g" -gt $((b + 40)) ] || return 1 ;;
            is\ *) [ "$got" = "${what#is }" ] || return 1 ;;
            not\ *) [ "$got" != "${what#not }" ] || return 1 ;;
        esac
    done
}
# wait_screen SECONDS WHAT PROBE...
wait_screen() {
    local seconds=$1 what=$2
    shift 2
    local deadline=$((SECONDS + seconds))
    until screen_is "$@"; do
        [ $SECONDS -lt $deadline ] || fail "no $what within $seconds s"
        kill -0 "$program" 2>/dev/null || fail "the program ended while waiting for $what"
        sleep 0.2
    done
}
click() { xdotool mousemove --window "$window" "$1" "$2" click 1; }
# hover X Y WHAT: moves the pointer onto a button and waits until the button shows it
# (the screen's click tests act on what the last motion highlighted).
hover() {
    screen_is || fail "the window cannot be read"
    local before
    before=$(pixel "$1" "$2")
    xdotool mousemove --window "$window" "$1" "$2"
    wait_screen 10 "$3 highlighted" "$1 $2 not $before"
}

white="is 255 255 255" background="is 221 224 227"
arrow="25 20 is 59 125 198"  # the toolbar's back arrow
# A list of exactly N rows: the separator under row N is drawn, none under row N+1.
rows() { echo "5 $((74 + 35 * $1)) $white"; echo "5 $((74 + 35 * ($1 + 1))) $background"; }

wait_log() {  # wait_log SECONDS FILE TEXT
    local deadline=$((SECONDS + $1))
    until grep -qF "$3" "$2" 2>/dev/null; do
        [ $SECONDS -lt $deadline ] || fail "\"$3\" not in $(basename "$2") within $1 s"
        sleep 0.2
    done
}

# --- One session ------------------------------------------------------------------------

# session LABEL COMMAND...: the whole scenario with COMMAND as the program.
session() {
    label=$1
    shift
    local out=$work/$label state
    mkdir -p "$out"
    state=$("$segment" up "$seg" 3 --sim "$linux/talvo-sim" --reply-delay 300 --stagger 300 --pc-mac "$pc_mac") ||
        fail "the virtual segment did not come up"
    ip netns exec "$seg-pc" "$recorder" talvo0 "$out" 900 >"$out/recorder.log" 2>&1 &
    recording=$!
    wait_log 20 "$out/recorder.log" recording

    step "starting the program"
    ip netns exec "$seg-pc" "$@" >"$out/program.log" 2>&1 &
    program=$!
    window=
    for _ in $(seq 600); do
        window=$(xdotool search --name '^Talvo Perabo$' 2>/dev/null | head -n1)
        [ -n "$window" ] && break
        kill -0 "$program" 2>/dev/null || fail "the program ended before its window opened"
        sleep 0.2
    done
    [ -n "$window" ] || fail "no window captioned \"Talvo Perabo\" within 120 s"
    step "window \"Talvo Perabo\" open"

    wait_screen 60 "interface list" "5 109 $white"
    click 580 155  # the splash's close box
    local clicked ms
    clicked=$(date +%s%N)
    click 100 92   # talvo0, the first interface
    step "scanning on talvo0"
    wait_screen 30 "system list of three systems" "$arrow" "$(rows 3 | head -n1)" "$(rows 3 | tail -n1)"
    ms=$((($(date +%s%N) - clicked) / 1000000))
    step "three systems found, the list shown $ms ms after the click"
    # The request leaves 100 ms after the scan starts, the last system answers 900 ms
    # later, and the capture must then wait 2000 ms of silence: at least 3000 ms (a busy
    # machine only adds to it).
    [ "$ms" -ge 3000 ] || fail "the scan ended after $ms ms, before 2000 ms of silence followed the last answer"

    click 100 92
    wait_screen 10 "system 1 selected" "5 92 green"
    hover 487 92 "the address bullet"
    click 487 92
    wait_screen 10 "address screen" "300 160 $white" "5 109 $background"
    click 300 160
    xdotool key BackSpace BackSpace BackSpace 5 0
    click 425 162
    wait_log 15 "$state/sim-1.log" "now at 198.51.100.50"
    step "system 1 moved to 198.51.100.50"
    wait_screen 30 "rescan after the address change" "5 109 is 255 255 255" "300 160 not 255 255 255"
    wait_screen 30 "system list after the address change" "$arrow" "$(rows 3 | head -n1)" "$(rows 3 | tail -n1)"

    click 100 127
    wait_screen 10 "system 2 selected" "5 127 green"
    hover 767 127 "the firmware bullet"
    click 767 127
    # TLV-3.3.0.firm on the first row (the Windows copy has no other; see below).
    wait_screen 10 "firmware list" "$arrow" "5 109 $white" "5 179 $background" "300 160 not 255 255 255"
    click 100 92
    wait_screen 10 "TLV-3.3.0.firm chosen" "5 92 green"
    hover 770 92 "the firmware's Ok"
    click 770 92
    step "updating system 2 with TLV-3.3.0.firm and TLV-3.3.0.spmmc"
    wait_log 120 "$state/sim-2.log" "rebooted into firmware 3.3.0"
    wait_screen 90 "the update's end with its Ok button" "420 281 is 251 252 252"
    step "firmware updated"
    hover 420 281 "the update's Ok"
    click 420 281
    wait_screen 30 "system list after the update" "$arrow" "$(rows 3 | head -n1)" "$(rows 3 | tail -n1)"
    step "three systems found after the update"

    "$linux/xclose" "Talvo Perabo" 20 >/dev/null || fail "the window could not be closed"
    for _ in $(seq 150); do kill -0 "$program" 2>/dev/null || break; sleep 0.2; done
    kill -0 "$program" 2>/dev/null && fail "the program did not end within 30 s of its window closing"
    program=
    kill -TERM "$recording"
    wait "$recording" || fail "the recorder failed"
    recording=
    "$segment" down "$seg"
    step "done"
}

start_xvfb
export ASAN_OPTIONS=detect_leaks=0  # the Linux build may be the sanitized one
session linux "$linux/talvo-perabo"

# Unpacked under a folder name outside ASCII: the executable's path, the fonts, images
# and firmware files are all reached through it, as UTF-16 on the Windows side. (One
# that the ANSI code page can write: SDLmain opens stdout.txt through it.)
package=$work/windows-package/Pr$'\xc3\xbc'fstand
mkdir -p "$package"
unzip -q "$zip" -d "$package"
# Wine lists a directory in the file system's order, not sorted as NTFS would: with
# one firmware file, the one to load is on the first row.
rm "$package/talvo-perabo/firmware/TLV-Hub-2.0.1.firm"
exe=$package/talvo-perabo/talvo-perabo.exe
prefix=$work/wineprefix
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# A fresh prefix, made inside the PC's namespace (session runs the command there): wine
# looks adapters up in a background process of its own, which sees only the namespace
# it started in.
session windows sh -c 'timeout 180 wine wineboot -i >/dev/null 2>&1; exec wine "$0"' "$exe"
# SDLmain sends standard output to stdout.txt beside the executable (in text mode: CRLF).
grep -q '^start firmware update task' "$package/talvo-perabo/stdout.txt" ||
    fail "stdout.txt beside the executable lacks the update's lines"

# --- The same bytes -----------------------------------------------------------------------
label=compare
cmp -s "$work/linux/discovery.hex" "$work/windows/discovery.hex" || {
    diff "$work/linux/discovery.hex" "$work/windows/discovery.hex"
    fail "the Discovery Protocol frames differ"
}
frames=$(wc -l <"$work/linux/discovery.hex")
grep -q "$(printf '@%%_*_@TLDP IPADDR 198.51.100.50' | od -An -tx1 | tr -d ' \n')" "$work/linux/discovery.hex" ||
    fail "no IPADDR frame was recorded"
[ "$frames" -ge 4 ] || fail "only $frames Discovery Protocol frames were recorded"
linux_soap=$(ls "$work/linux"/soap-*.bin 2>/dev/null | wc -l)
windows_soap=$(ls "$work/windows"/soap-*.bin 2>/dev/null | wc -l)
[ "$linux_soap" -ge 1 ] && [ "$linux_soap" -eq "$windows_soap" ] ||
    fail "Device Service connections: $linux_soap from Linux, $windows_soap from Windows"
for f in "$work/linux"/soap-*.bin; do
    cmp "$f" "$work/windows/$(basename "$f")" || fail "the Device Service requests of $(basename "$f") differ"
done
bytes=$(cat "$work/linux"/soap-*.bin | wc -c)
echo "PASS: under wine the Windows build opened \"Talvo Perabo\", found the 3 systems, moved one and" \
    "updated another; it sent the Linux build's bytes: $frames Discovery Protocol frames and" \
    "$bytes bytes of Device Service requests on $linux_soap connection(s)"
