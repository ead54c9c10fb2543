#!/usr/bin/env bash
# The demo: builds the tool, puts three simulated Talvo systems of different types and
# firmware on a virtual Ethernet segment of network namespaces, and starts the tool
# inside the segment's PC namespace, so it finds systems without any hardware.
# Everything is taken down again when the tool exits. Needs root (network namespaces,
# raw frames); nothing is sent on this machine's own interfaces.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

if [ "$(id -u)" -ne 0 ]; then
    echo "The demo needs root: it builds network namespaces and sends raw frames in them." >&2
    echo "Run it again as root, for example: sudo -E $0" >&2
    exit 1
fi

# Only what the demo runs: the tool, talvo, the simulator and the files beside the tool.
"$top/scripts/setup.sh" --target talvo-perabo --target talvo --target talvo-sim --target runtime_layout

name=demo$$
trap '"$top/scripts/segment.sh" down "$name"' EXIT
# The systems take their time over each chunk and each installation, as real ones do,
# so every step of an update can be followed on the progress screen.
"$top/scripts/segment.sh" up "$name" 3 --sim "$top/build/talvo-sim" \
    --sim-arg --chunk-delay --sim-arg 500 --sim-arg --install-delay --sim-arg 5000 >/dev/null

echo "Virtual segment $name is up: the PC's interface talvo0 (198.51.100.1) and three systems:"
while read -r _ address mac type firmware _; do
    echo "  $type, firmware $firmware, at $address ($mac)"
done <"$("$top/scripts/segment.sh" state "$name")/systems"
echo "Choose talvo0 in the tool's interface list. Close the window to end the demo."
echo "The same segment from the command line, in another terminal, as root:"
echo "  ip netns exec $name-pc $top/build/talvo scan -i talvo0"
echo "  ip netns exec $name-pc $top/build/talvo update -i talvo0 $top/build/firmware/TLV-3.3.0.firm --all"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "Note: no DISPLAY is set, so the window may not open (with sudo, keep it with -E)." >&2
fi

# Not exec: the trap must still take the segment down when the tool exits.
ip netns exec "$name-pc" "$top/build/talvo-perabo"
