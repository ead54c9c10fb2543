#!/usr/bin/env bash
# A virtual Ethernet segment of network namespaces for trying and testing the tool
# without hardware (needs root):
#   NAME-sw   holds the bridge br0 that joins the segment
#   NAME-pc   the technician's PC: interface talvo0, 198.51.100.1/24 (--net changes the network,
#             --pc-prefix the mask, --pc-address adds addresses)
#   NAME-sI   simulated Talvo system I (1..COUNT): interface sim0, 198.51.100.(10+I)/24,
#             MAC 02:7a:10:0b:00:I (--mac-block changes the 0b), running talvo-sim
#   NAME-hJ   plain host J (--host ADDR, in the order given): interface host0 with
#             ADDR/24, MAC 02:7a:10:0e:00:J, no simulator; its kernel answers ARP for ADDR
# With --one-process, NAME-s1 alone holds all COUNT systems, played by one talvo-sim
# (--count COUNT): MACs count up from 02:7a:10:0b:00:01, addresses from 198.51.100.11
# (after .254 back to .11), all of type TLV-100 with firmware 3.1.0. Discovery and
# IPADDR only.
# --same-address puts every system at 198.51.100.50, as systems come from the factory:
# each in its own namespace with its own talvo-sim (Device Service included), or all
# in one with --one-process.
# --waves SIZE:EVERY_MS makes them appear in waves: systems 1..SIZE at the start, the
# next SIZE EVERY_MS later, and so on (system I: talvo-sim --appear-after
# ((I-1)/SIZE)*EVERY_MS, so not with --sim-arg --appear-after; with --one-process:
# talvo-sim --waves). Until then a system is unplugged: no answer, no ARP, no Device
# Service. Each is started and listening at once all the same.
# Nothing is created in the namespace this script is started from. Only TEST-NET-2
# addresses (198.51.100.0/24) are used, and 203.0.113.0/24 (TEST-NET-3) for hosts of a
# second network.
#
# Usage:
#   segment.sh up NAME COUNT [--sim PATH] [--reply-delay MS] [--pc-without-address]
#                            [--stagger MS]   (system I answers (I-1)*MS later: a fixed order)
#                            [--pc-mac MAC]   (talvo0's MAC instead of a random one)
#                            [--net A.B.C]    (the PC at A.B.C.1/24, system I at A.B.C.(10+I);
#                                              198.51.100 unless given, 203.0.113 for a second network)
#                            [--mac-block XX] (system I's MAC 02:7a:10:XX:..:I; 0b unless given,
#                                              so two segments' systems differ)
#                            [--one-process] [--same-address] [--waves SIZE:EVERY_MS]
#                            [--sim-arg ARG]...                   (ARG passed to every talvo-sim)
#                            [--sim-arg-for I ARG]...             (ARG passed to system I's only)
#                            [--host ADDR]...   (a plain host holding ADDR)
#                            [--pc-prefix N]    (the PC's first address with a /N mask instead of /24; 8 to 30)
#                            [--pc-address ADDR/N]...   (more addresses on talvo0, after the first)
#                            [--pc-queue N]     (talvo0 sends through a queue of N frames drained at
#                                                1 Mbit/s, like a network card's transmit queue: a
#                                                burst larger than the queue fails with ENOBUFS;
#                                                a veth alone sends each frame at once and never fails)
#                            [--pc-hears-itself]   (frames talvo0 sends come back to it, so the PC's
#                                                kernel answers the PC's own ARP probes, as Windows
#                                                does where Npcap loops sent frames back to it)
#   segment.sh down NAME
#   segment.sh state NAME      prints the state directory (systems, logs)
# The state directory's file "systems" lists one system a line:
#   namespace address mac type firmware pid
# and the file "hosts" one plain host a line:
#   namespace address mac
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
    local i=$1 ns="$name-s$i" ip="$net.$((10 + i))"
    local mac type firmware pid waited=()
    [ "$same_address" -eq 0 ] || ip=$net.50
    [ -z "$waves" ] || waited=(--appear-after "$(((i - 1) / ${waves%:*} * ${waves#*:}))")
    mac=$(printf '02:7a:10:%s:%02x:%02x' "$mac_block" $((i >> 8)) $((i & 255)))
    type=${types[$(((i - 1) % ${#types[@]}))]}
    firmware=${firmwares[$(((i - 1) % ${#firmwares[@]}))]}
    add_ns "$ns"
    plug "p$i" "$ns" sim0
    in_ns "$ns" ip link set sim0 address "$mac"
    in_ns "$ns" ip addr add "$ip/24" dev sim0
    in_ns "$ns" ip link set sim0 up
    local own=()
    [ -z "${sim_args_for[$i]:-}" ] || mapfile -t own <<<"${sim_args_for[$i]%$'\n'}"
    ip netns exec "$ns" "$sim" --interface sim0 --ip "$ip" --mac "$mac" --type "$type" \
        --firmware "$firmware" --reply-delay "$((delay + (i - 1) * stagger))" "${waited[@]}" "${sim_args[@]}" "${own[@]}" \
        </dev/null >"$state/sim-$i.log" 2>&1 &
    pid=$!
    echo "$ns $ip $mac $type $firmware $pid" >>"$state/systems"
}

# Whether $1 is an address of the two test networks this script may use.
test_net_address() {
    [[ $1 =~ ^(198\.51\.100|203\.0\.113)\.([0-9]{1,3})$ ]] && [ "${BASH_REMATCH[2]}" -ge 1 ] &&
        [ "${BASH_REMATCH[2]}" -le 254 ] && [[ ${BASH_REMATCH[2]} != 0* ]]
}

# Waits until host J's link carries frames: its interface up, its bridge port forwarding.
wait_until_linked() {
    local j=$1 deadline=$((SECONDS + 10))
    until [ "$(in_ns "$name-h$j" cat /sys/class/net/host0/operstate)" = up ] &&
        [ "$(in_ns "$sw" cat "/sys/class/net/h$j/brport/state")" = 3 ]; do
        [ $SECONDS -lt $deadline ] || die "host $j's link did not come up"
        sleep 0.05
    done
}

# A plain host: no simulator, only the kernel, which answers ARP for its address.
start_host() {
    local j=$1 address=$2 ns="$name-h$1" mac
    mac=$(printf '02:7a:10:0e:%02x:%02x' $((j >> 8)) $((j & 255)))
    add_ns "$ns"
    plug "h$j" "$ns" host0
    in_ns "$ns" ip link set host0 address "$mac"
    in_ns "$ns" ip addr add "$address/24" dev host0
    in_ns "$ns" ip link set host0 up
    wait_until_linked "$j"
    echo "$ns $address $mac" >>"$state/hosts"
}

# A queue only fills behind a link that takes time to send: a token bucket at 1 Mbit/s
# (about 3000 ARP frames a second) with a FIFO of pc_queue frames as its queue. Sending
# faster fills the FIFO, and each frame that does not fit is refused with ENOBUFS.
shape_pc_queue() {
    command -v tc >/dev/null || die "'tc' (iproute2) is missing"
    in_ns "$pc" tc qdisc replace dev talvo0 root handle 1: tbf rate 1mbit burst 1600 latency 1s
    in_ns "$pc" tc qdisc replace dev talvo0 parent 1:1 handle 10: pfifo limit "$pc_queue"
}

# COUNT systems in one namespace, played by one simulator.
start_many() {
    local ns="$name-s1" mac=02:7a:10:$mac_block:00:01 pid i host=11 n shared=()
    [ "$same_address" -eq 0 ] || { host=50; shared=(--same-address); }
    [ -z "$waves" ] || shared+=(--waves "$waves")
    add_ns "$ns"
    plug p1 "$ns" sim0
    in_ns "$ns" ip link set sim0 address "$mac"
    in_ns "$ns" ip addr add "$net.$host/24" dev sim0
    in_ns "$ns" ip link set sim0 up
    ip netns exec "$ns" "$sim" --interface sim0 --ip "$net.$host" --mac "$mac" --type TLV-100 \
        --firmware 3.1.0 --count "$count" "${shared[@]}" --reply-delay "$delay" "${sim_args[@]}" \
        </dev/null >"$state/sim-1.log" 2>&1 &
    pid=$!
    for ((i = 1; i <= count; i++)); do
        n=$i
        printf '%s %s.%d 02:7a:10:%s:%02x:%02x TLV-100 3.1.0 %d\n' \
            "$ns" "$net" "$host" "$mac_block" $((n >> 8 & 255)) $((n & 255)) "$pid" >>"$state/systems"
        [ "$same_address" -eq 1 ] || host=$((host >= 254 ? 11 : host + 1))
    done
}

wait_until_listening() {
    local i deadline=$((SECONDS + 20)) logs=$count
    [ "$one_process" -eq 0 ] || logs=$((count > 0 ? 1 : 0))
    for ((i = 1; i <= logs; i++)); do
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
    sim=$top/build/talvo-sim delay=0 stagger=0 pc_mac= pc_address=default one_process=0 same_address=0
    net=198.51.100 mac_block=0b
    sim_args=() hosts=() pc_extra=() pc_prefix=24 pc_queue=0 pc_hears_itself=0 waves=
    declare -gA sim_args_for=()
    while [ $# -gt 0 ]; do
        case $1 in
            --sim-arg) sim_args+=("$2"); shift 2 ;;
            --sim-arg-for) sim_args_for[$2]+="$3"$'\n'; shift 3 ;;
            --sim) sim=$2; shift 2 ;;
            --reply-delay) delay=$2; shift 2 ;;
            --stagger) stagger=$2; shift 2 ;;
            --pc-mac) pc_mac=$2; shift 2 ;;
            --net) net=$2; shift 2 ;;
            --mac-block) mac_block=$2; shift 2 ;;
            --pc-without-address) pc_address=; shift ;;
            --one-process) one_process=1; shift ;;
            --same-address) same_address=1; shift ;;
            --waves) waves=$2; shift 2 ;;
            --host) hosts+=("$2"); shift 2 ;;
            --pc-prefix) pc_prefix=$2; shift 2 ;;
            --pc-address) pc_extra+=("$2"); shift 2 ;;
            --pc-queue) pc_queue=$2; shift 2 ;;
            --pc-hears-itself) pc_hears_itself=1; shift ;;
            *) die "unknown option $1" ;;
        esac
    done
    [[ $name =~ ^[A-Za-z0-9_.]{1,40}$ ]] || die "NAME must be 1 to 40 letters, digits, '_' or '.'"
    [[ $net =~ ^(198\.51\.100|203\.0\.113)$ ]] || die "--net must be 198.51.100 or 203.0.113 (TEST-NET-2, TEST-NET-3)"
    [[ $mac_block =~ ^[0-9a-f]{2}$ ]] || die "--mac-block must be two lower-case hex digits"
    [[ $pc_prefix =~ ^[0-9]+$ ]] && [ "$pc_prefix" -ge 8 ] && [ "$pc_prefix" -le 30 ] ||
        die "--pc-prefix must be 8 to 30"
    [[ $pc_queue =~ ^[0-9]+$ ]] && [ "$pc_queue" -le 100000 ] || die "--pc-queue must be 0 (none) to 100000 frames"
    [ "$pc_address" != default ] || pc_address=$net.1/$pc_prefix
    local most=200
    [ "$one_process" -eq 0 ] || most=4096
    [[ $count =~ ^[0-9]+$ ]] && [ "$count" -le "$most" ] || die "COUNT must be 0 to $most"
    [ "$count" -eq 0 ] || [ -x "$sim" ] || die "no simulator at $sim (build the project first)"
    [[ -z $waves || $waves =~ ^[1-9][0-9]{0,3}:[0-9]{1,7}$ ]] || die "--waves must be SIZE:EVERY_MS (SIZE from 1)"
    local address
    for address in "${hosts[@]}"; do
        test_net_address "$address" || die "--host $address: only 198.51.100.1-254 and 203.0.113.1-254"
    done
    for address in "${pc_extra[@]}"; do
        test_net_address "${address%/*}" && [[ ${address#*/} =~ ^[0-9]+$ ]] && [ "${address#*/}" -ge 8 ] &&
            [ "${address#*/}" -le 30 ] ||
            die "--pc-address $address: ADDR/N with ADDR in 198.51.100.1-254 or 203.0.113.1-254, N 8 to 30"
    done
    state=$state_root/$name
    [ ! -e "$state" ] || die "a segment named $name exists; take it down first"
    mkdir -p "$state"
    : >"$state/namespaces"
    : >"$state/systems"
    : >"$state/hosts"
    trap 'echo "segment.sh: setting up $name failed; taking it down" >&2; down "$name"' ERR

    sw=$name-sw pc=$name-pc
    add_ns "$sw"
    in_ns "$sw" ip link add br0 type bridge
    in_ns "$sw" ip link set br0 up
    add_ns "$pc"
    plug ppc "$pc" talvo0
    [ -z "$pc_mac" ] || in_ns "$pc" ip link set talvo0 address "$pc_mac"
    [ -z "$pc_address" ] || in_ns "$pc" ip addr add "$pc_address" dev talvo0
    for address in "${pc_extra[@]}"; do in_ns "$pc" ip addr add "$address" dev talvo0; done
    [ "$pc_queue" -eq 0 ] || shape_pc_queue
    [ "$pc_hears_itself" -eq 0 ] || in_ns "$sw" ip link set ppc type bridge_slave hairpin on
    in_ns "$pc" ip link set talvo0 up
    if [ "$one_process" -eq 1 ]; then
        [ "$count" -eq 0 ] || start_many
    else
        for ((i = 1; i <= count; i++)); do start_system "$i"; done
    fi
    for ((j = 1; j <= ${#hosts[@]}; j++)); do start_host "$j" "${hosts[$((j - 1))]}"; done
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
        [[ " ${pids[*]} " == *" $pid "* ]] && continue
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
