#!/usr/bin/env bash
# The Debian package, installed and used as a technician would: built from this tree,
# installed with dpkg into a throw-away copy of this machine (an overlay over / in a
# mount namespace of the test's own, so nothing is installed here), inside the PC
# namespace of a virtual segment. A user outside the group talvo cannot run either
# program; once a member, the same user's `talvo scan` finds every simulated system,
# and without the capability the package gives cannot scan. A reinstall keeps the
# programs' owner, mode and capability; a purge leaves no owner entry and no group.
# Needs root; exits 77 (skipped) when it cannot have what it needs.
#   package_test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
src=$1
build=$2
systems=3
skip() { echo "SKIPPED: $*"; exit 77; }

[ "$(id -u)" -eq 0 ] || skip "needs root to install the package into a namespace of its own"
unshare --mount true 2>/dev/null || skip "mount namespaces are not available here"
ip netns list >/dev/null 2>&1 || skip "'ip netns' (iproute2) is not available"
grep -qw overlay /proc/filesystems || modprobe overlay 2>/dev/null || skip "the overlay file system is not available"

deb=$("$src/scripts/package.sh" "$build/package-build" | tail -n1)
[ -f "$deb" ] || { echo "FAILED: no package was built"; exit 1; }

name=pkg$$
trap '"$src/scripts/segment.sh" down "$name" >/dev/null 2>&1 || true' EXIT
"$src/scripts/segment.sh" up "$name" "$systems" --sim "$build/talvo-sim" >/dev/null

# Inside the PC namespace and a mount namespace: a copy of / whose changes go to a tmpfs.
inner=$(cat <<'INNER'
set -euo pipefail
deb=$1 systems=$2
root=$(mktemp -d)
mount -t tmpfs tmpfs "$root"
mkdir "$root/upper" "$root/work" "$root/merged"
mount -t overlay overlay -o "lowerdir=/,upperdir=$root/upper,workdir=$root/work" "$root/merged"
for d in proc sys dev; do mount --rbind "/$d" "$root/merged/$d"; done
cp "$deb" "$root/merged/tmp/talvo-perabo.deb"
in_copy() { chroot "$root/merged" "$@"; }

in_copy dpkg -i /tmp/talvo-perabo.deb >/dev/null
in_copy useradd --no-create-home --shell /bin/sh technician

fail=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1"; fail=1; fi; }
programs="/usr/lib/talvo-perabo/talvo /usr/lib/talvo-perabo/talvo-perabo"
given='[ "$(in_copy stat -c "%U:%G %a" $programs | sort -u)" = "root:talvo 750" ] &&
    [ "$(in_copy getcap $programs | grep -c "cap_net_raw=eip")" -eq 2 ] &&
    [ "$(in_copy dpkg-statoverride --list "/usr/lib/talvo-perabo/*" | grep -c "^root talvo 750 ")" -eq 2 ]'
check "both programs are root:talvo 0750 (dpkg-statoverride) with cap_net_raw" "$given"
check "the firmware folder is the group talvo's" \
    '[ "$(in_copy stat -c "%U:%G %a" /var/lib/talvo-perabo/firmware)" = "root:talvo 2775" ]'
check "the window finds its firmware folder beside itself" 'in_copy test -d /usr/lib/talvo-perabo/firmware/'
check "the menu entry and its icon" \
    '[ -f "$root/merged/usr/share/applications/talvo-perabo.desktop" ] && [ -f "$root/merged/usr/share/pixmaps/talvo-perabo.xpm" ]'
check "the manual pages" '[ -f "$root/merged/usr/share/man/man1/talvo.1.gz" ] && [ -f "$root/merged/usr/share/man/man1/talvo-perabo.1.gz" ]'

for program in talvo talvo-perabo; do  # through a shell, as a user types it
    check "a user outside the group talvo cannot run $program, and is told so" \
        '! err=$(in_copy runuser -u technician -- timeout 20 sh -c "$program --help" 2>&1) &&
            grep -q "$program: Permission denied" <<<"$err"'
done

in_copy usermod -a -G talvo technician
out=$(in_copy runuser -u technician -- talvo scan -i talvo0 --csv) || { echo "FAILED: talvo scan as a member of talvo"; fail=1; }
found=$(tail -n +2 <<<"$out" | grep -c ',02:7a:10:0b:00:' || true)
check "a member of talvo who is not root finds all $systems systems (found $found)" '[ "$found" -eq "$systems" ]'

in_copy dpkg -i /tmp/talvo-perabo.deb >/dev/null
check "a reinstall keeps owner, mode and capability" "$given"

in_copy setcap -r /usr/lib/talvo-perabo/talvo
if err=$(in_copy runuser -u technician -- talvo scan -i talvo0 2>&1); then
    echo "FAILED: without cap_net_raw the scan should fail"; fail=1
else
    check "without the capability the user is told why" 'grep -q "Operation not permitted" <<<"$err"'
fi

in_copy dpkg --purge talvo-perabo >/dev/null
check "a purge leaves no owner entry and no group" \
    '[ -z "$(in_copy dpkg-statoverride --list "/usr/lib/talvo-perabo/*")" ] && ! in_copy getent group talvo >/dev/null'
exit $fail
INNER
)
ip netns exec "$name-pc" unshare --mount --propagation private bash -c "$inner" inner "$deb" "$systems"
