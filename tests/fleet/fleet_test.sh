#!/usr/bin/env bash
# The fleet example (examples/ansible/) run by Debian's ansible-core over two virtual
# segments, each a "plant" whose commands run in its PC namespace: the report must hold
# every system of both, each updated. Needs root and namespaces; exits 77 (skipped)
# without them or without ansible-playbook.
#   fleet_test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
src=$1 build=$2
skip() { echo "SKIPPED: $*"; exit 77; }
[ "$(id -u)" -eq 0 ] || skip "needs root for the network namespaces of its segments"
ip netns list >/dev/null 2>&1 || skip "'ip netns' (iproute2) is not available"
command -v ansible-playbook >/dev/null || skip "ansible-playbook (Debian's ansible-core) is not installed"

a=fleeta$$ b=fleetb$$
work=$(mktemp -d)
cleanup() {
    "$src/scripts/segment.sh" down "$a" >/dev/null 2>&1 || true
    "$src/scripts/segment.sh" down "$b" >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT
quick=(--sim "$build/talvo-sim" --sim-arg --reboot-silence --sim-arg 1000)
"$src/scripts/segment.sh" up "$a" 2 "${quick[@]}" >/dev/null
"$src/scripts/segment.sh" up "$b" 3 --net 203.0.113 --mac-block 0c "${quick[@]}" >/dev/null

cat >"$work/inventory.yml" <<INVENTORY
plants:
  hosts:
    plant-a:
      talvo: ip netns exec $a-pc $build/talvo
    plant-b:
      talvo: ip netns exec $b-pc $build/talvo
  vars:
    ansible_connection: local
    ansible_python_interpreter: /usr/bin/python3
    talvo_interface: talvo0
INVENTORY

# Nothing from the caller's home or configuration.
: >"$work/ansible.cfg"
export ANSIBLE_CONFIG=$work/ansible.cfg ANSIBLE_LOCAL_TEMP=$work/tmp ANSIBLE_REMOTE_TEMP=$work/tmp
export ANSIBLE_NOCOLOR=1 ANSIBLE_RETRY_FILES_ENABLED=0 ANSIBLE_HOST_KEY_CHECKING=0
if ! ansible-playbook -i "$work/inventory.yml" "$src/examples/ansible/update_fleet.yml" \
        -e "firmware_file=$build/firmware/TLV-3.3.0.firm" -e "sd_board_file=$build/firmware/TLV-3.3.0.spmmc" \
        -e "work_dir=$work/files" -e "report=$work/report.json" >"$work/ansible.log" 2>&1; then
    echo "FAILED: the playbook failed"; tail -n 40 "$work/ansible.log"; exit 1
fi

# Every system of both segments, by MAC, updated to the new firmware.
expected=$(cat "$(dirname "$("$src/scripts/segment.sh" state "$a")")"/{$a,$b}/systems | awk '{print $3}' | sort)
python3 - "$work/report.json" "$expected" <<'CHECK'
import json, sys
report = json.load(open(sys.argv[1]))
expected = sorted(sys.argv[2].split())
seen = sorted(r["mac"] for plant in ("plant-a", "plant-b") for r in report.get(plant, []))
bad = [r for plant in report.values() for r in plant if r["result"] != "updated" or r["firmware_after"] != "3.3.0"]
if seen != expected or bad or sorted(report) != ["plant-a", "plant-b"]:
    print("FAILED: the report holds", seen, "for", expected, "and not updated:", bad)
    sys.exit(1)
print("PASS: the report holds all %d systems of both plants, each updated to 3.3.0" % len(seen))
CHECK
