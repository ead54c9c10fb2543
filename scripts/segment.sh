#!/usr/bin/env bash
# A virtual Ethernet segment of network namespaces for trying and testing the tool
# without hardware (needs root):
#   NAME-sw   holds the bridge br0 that joins the segment
#   NAME-pc   the technician's PC: interface talvo0, 198.51.100.1/24
#   NAME-sI   simulated Talvo system I (1..COUNT): interface sim0, 198.51.100.(10+I)/24,
#             MAC 02:7a:10:0b:00:I, running talvo-sim
# Nothing is created in the namespace this script is started from. Only TEST-NET-2
# addresses (198.51.100.0/24) are used.
#
# Usage:
#   segment.sh up NAME COUNT [--sim PATH] [--reply-delay MS] [--pc-without-address]
#                            [--stagger MS]   (system I answers (I-1)*MS later: a fixed order)
#                            [--pc-mac MAC]   (talvo0's MAC instead of a random one)
#                            [--sim-arg ARG]...   (ARG passed to every talvo-sim)
#   segment.sh down NAME
#   segment.sh state NAME      prints the state directory (systems, logs)
# The state directory's file "systems" lists one system a line:
#   namespace address mac type firmware pid
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
state_root=${TALVO_SEGMENT_STATE:-/run/talvo-segment}
types=(TLV-100 TLV-220S TLV-Hub8)
firmwares=(3.1.0 3.2.7-rc1 1.9.4)

die() { echo "segment.sh: $*" >&2; exit 1; }

need_root() {
    [ "$(id -u)" -eq 0 ] || die "building a segment of network namespaces needs root"
    command -v ip >/dev/null || die "'ip' (iproute2) is missing"
}

in_ns() { local ns=$1; shift; ip netns exec "$ns" "$@"; }

quiet_ns() {
    # Keep IPv6 chatter off the segment: the tool only speaks IPv4.
    in_ns "$1" sysctl -qw net.ipv6.conf.all.disable_ipv6=1 net.ipv6.conf.default.disable_ipv6=1 || true
    in_ns "$1" ip link set lo up
}

add_ns() {
    echo "$1" >>"$state/namespaces"
    ip netns add "$1"
    quiet_ns "$1"
}

# A veth pair from the switch's port $1 into namespace $2 as interface $3.
plug() {
    in_ns "$sw" ip link add "$1" type veth peer name "$3" netns "$2"
    in_ns "$sw" ip link set "$1" master br0 up
}

start_system() {
    local i=$1 ns="$name-s$i" ip="198.51.100.$((10 + i))"
    local mac type firmware pid
    mac=$(printf '02:7a:10:0b:%02x:%02x' $((i >> 8)) $((i & 255)))
    type=${types[$(((i - 1) % ${#types[@]}))]}
    firmware=${firmwares[$(((i - 1) % ${#firmwares[@]}))]}
    add_ns "$ns"
    plug "p$i" "$ns" sim0
    in_ns "$ns" ip link set sim0 address "$mac"
    in_ns "$ns" ip addr add "$ip/24" dev sim0
    in_ns "$ns" ip link set sim0 up
    ip netns exec "$ns" "$sim" --interface sim0 --ip "$ip" --mac "$mac" --type "$type" \
        --firmware "$firmware" --reply-delay "$((delay + (i - 1) * stagger))" "${sim_args[@]}" </dev/null >"$state/sim-$i.log" 2>&1 &
    pid=$!
    echo "$ns $ip $mac $type $firmware $pid" >>"$state/systems"
}

wait_until_listening() {
    local i deadline=$((SECONDS + 20))
    for ((i = 1; i <= count; i++)); do
        until grep -q 'listening on' "$state/sim-$i.log" 2>/dev/null; do
            [ $SECONDS -lt $deadline ] || die "simulated system $i did not start: $(cat "$state/sim-$i.log")"
            sleep 0.05
        done
    done
}

up() {
    [ $# -ge 2 ] || die "usage: segment.sh up NAME COUNT [--sim PATH] [--reply-delay MS] [--pc-without-address]"
    name=$1 count=$2
    shift 2
    sim=$top/build/talvo-sim delay=0 stagger=0 pc_mac= pc_address=198.51.100.1/24
    sim_args=()
    while [ $# -gt 0 ]; do
        case $1 in
            --sim-arg) sim_args+=("$2"); shift 2 ;;
            --sim) sim=$2; shift 2 ;;
            --reply-delay) delay=$2; shift 2 ;;
            --stagger) stagger=$2; shift 2 ;;
            --pc-mac) pc_mac=$2; shift 2 ;;
            --pc-without-address) pc_address=; shift ;;
            *) die "unknown option $1" ;;
        esac
    done
    [[ $name =~ ^[A-Za-z0-9_.]{1,40}$ ]] || die "NAME must be 1 to 40 letters, digits, '_' or '.'"
    [[ $count =~ ^[0-9]+$ ]] && [ "$count" -le 200 ] || die "COUNT must be 0 to 200"
    [ "$count" -eq 0 ] || [ -x "$sim" ] || die "no simulator at $sim (build the project first)"
    state=$state_root/$name
    [ ! -e "$state" ] || die "a segment named $name exists; take it down first"
    mkdir -p "$state"
    : >"$state/namespaces"
    : >"$state/systems"
    trap 'echo "segment.sh: setting up $name failed; taking it down" >&2; down "$name"' ERR

    sw=$name-sw pc=$name-pc
    add_ns "$sw"
    in_ns "$sw" ip link add br0 type bridge
    in_ns "$sw" ip link set br0 up
    add_ns "$pc"
    plug ppc "$pc" talvo0
    [ -z "$pc_mac" ] || in_ns "$pc" ip link set talvo0 address "$pc_mac"
    [ -z "$pc_address" ] || in_ns "$pc" ip addr add "$pc_address" dev talvo0
    in_ns "$pc" ip link set talvo0 up
    for ((i = 1; i <= count; i++)); do start_system "$i"; done
    wait_until_listening
    trap - ERR
    echo "$state"
}

# Ends only the simulators this script started (by their recorded process id, and
# only while that id still runs talvo-sim), then removes the namespaces.
stop_systems() {
    local ns ip mac type firmware pid pids=()
    while read -r ns ip mac type firmware pid; do
        [ -n "${pid:-}" ] || continue
        if tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -q talvo-sim; then
            kill "$pid" 2>/dev/null && pids+=("$pid")
        fi
    done <"$1/systems"
    for pid in "${pids[@]}"; do
        for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
        kill -9 "$pid" 2>/dev/null || true
    done
}

down() {
    [ $# -eq 1 ] || die "usage: segment.sh down NAME"
    local state=$state_root/$1 ns
    [ -d "$state" ] || return 0
    [ -f "$state/systems" ] && stop_systems "$state"
    if [ -f "$state/namespaces" ]; then
        while read -r ns; do
            ip netns del "$ns" 2>/dev/null || true
        done <"$state/namespaces"
    fi
    rm -rf "$state"
}

[ $# -ge 1 ] || die "usage: segment.sh up|down|state NAME ..."
command=$1
shift
case $command in
    up) need_root; up "$@" ;;
    down) need_root; down "$@" ;;
    state) echo "$state_root/${1:?NAME}" ;;
    *) die "unknown command $command" ;;
esac
