#!/usr/bin/env bash
# Only the gateway's link reaches the TFTP server. vornalix-recover runs as an ordinary user with its helper
# (root, through the launcher) on pc0 (192.168.1.1/24), and serves a folder that also holds a secret and a
# script. Refused, and the files unchanged: reads and writes from a host on another link routed to
# 192.168.1.1, from this PC's second address, and from another local user over lo. While the boot loader fetches
# the image, the gateway's own address sends the session port empty, oversized and stray datagrams from other
# ports: the image still arrives whole and the run ends as transferred.
#
# usage: strangers-test.sh RECOVER HELPER LAUNCHER BOOTLOADER_SIM
set -euo pipefail
if [ "${VX_STRANGERS_INNER:-}" != 1 ]; then
    if ! unshare --mount --net --pid --fork --propagation private true 2>/dev/null; then
        echo "cannot create the namespaces (needs root)" >&2
        [ "${VORNALIX_PRIVATE_NETNS:-}" = 1 ] && exit 1 || exit 77
    fi
    export VX_STRANGERS_INNER=1
    exec unshare --mount --net --pid --mount-proc --propagation private --fork "$0" "$@"
fi
recover=$1 helper=$2 launcher=$3 sim=$4
W=$(mktemp -d /tmp/vx-strangers.XXXXXX)
chmod 755 "$W"
fail() {
    echo "FAIL: $*" >&2
    for f in "$W"/*.log; do echo "--- $f" >&2; tail -n 30 "$f" >&2; done
    exit 1
}
cleanup() {
    set +e
    [ -n "${RUN:-}" ] && kill "$RUN" 2>/dev/null
    ip netns del gw 2>/dev/null
    ip netns del other 2>/dev/null
    rm -rf "$W"
}
trap cleanup EXIT
wait_for() { # seconds, command...
    local limit=$1; shift
    local end=$(($(date +%s) + limit))
    until "$@" >/dev/null 2>&1; do [ "$(date +%s)" -lt "$end" ] || return 1; sleep 0.2; done
}

mount -t tmpfs -o mode=755 tmpfs /run
mkdir -p /run/netns
ip link set lo up
# pc0 faces the gateway; pc1 another link, whose host routes 192.168.1.0/24 through this PC.
ip netns add gw
ip netns add other
ip link add pc0 type veth peer name gw0 netns gw
ip link add pc1 type veth peer name ot0 netns other
ip addr add 192.168.1.1/24 dev pc0 && ip link set pc0 up
ip addr add 10.9.0.1/24 dev pc1 && ip link set pc1 up
ip -n gw link set lo up && ip -n gw link set gw0 up
ip -n other link set lo up && ip -n other addr add 10.9.0.2/24 dev ot0 && ip -n other link set ot0 up
ip -n other route add 192.168.1.0/24 via 10.9.0.1

# The user's folder (0700): the firmware beside a secret and a script.
files=$W/files
mkdir -m 700 "$files"
head -c 900000 /dev/urandom > "$files/fw.bin"
echo "secret of the user" > "$files/secret.txt"
echo "echo the user's own script" > "$files/notes.sh"
chown -R 65534:65534 "$files"
cp "$files/notes.sh" "$W/notes.orig"
size=$(stat -c %s "$files/fw.bin")
crc=$(gzip -c "$files/fw.bin" | tail -c 8 | od -An -tx4 -N4 | tr -d ' ')
cp "$recover" "$W/vornalix-recover" && chmod 755 "$W/vornalix-recover"
echo "a stranger's script" > "$W/evil.sh" && chmod 644 "$W/evil.sh"

"$launcher" --user 65534 "$helper" "$W/vornalix-recover" pc0 "$files/fw.bin" > "$W/recover.log" 2>&1 & RUN=$!
wait_for 20 grep -q '^listening:' "$W/recover.log" || fail "vornalix-recover did not start serving"

refused() { # where, command...: the read or write must not succeed
    local where=$1; shift
    if timeout 10 "$@" > "$W/stranger.out" 2>&1; then fail "$where: succeeded: $*"; fi
    grep -q "secret of the user" "$W/stranger.out" "$W/got" 2>/dev/null && fail "$where: read the secret"
    cmp -s "$W/notes.orig" "$files/notes.sh" || fail "$where: replaced notes.sh"
    return 0
}
read_cmd=(curl -s --max-time 4 -o "$W/got" tftp://192.168.1.1/secret.txt)
write_cmd=(curl -s --max-time 4 -T "$W/evil.sh" tftp://192.168.1.1/notes.sh)
refused "another link" ip netns exec other "${read_cmd[@]}"
refused "another link" ip netns exec other "${write_cmd[@]}"
refused "second address" "${read_cmd[@]}" --interface 10.9.0.1
refused "second address" "${write_cmd[@]}" --interface 10.9.0.1
refused "local user" setpriv --reuid=4242 --regid=4242 --clear-groups "${read_cmd[@]}"
refused "local user" setpriv --reuid=4242 --regid=4242 --clear-groups "${write_cmd[@]}"
grep -q '^result:' "$W/recover.log" && fail "strangers ended the run: $(grep '^result:' "$W/recover.log")"

# The boot loader, slow enough for the strangers to act mid-transfer; strays from its own address, other ports.
ip netns exec gw "$sim" --interface gw0 --tries 20 --interval-ms 250 --ack-delay-ms 5 --expect-size "$size" \
    --expect-crc32 "$crc" > "$W/sim.log" 2>&1 & SIM=$!
wait_for 20 grep -q '^progress' "$W/recover.log" || fail "no transfer started"
port=$(ss -H -uan src 192.168.1.1 | awk '{print $4}' | sed 's/.*://' | grep -vx 69 | head -n 1)
[ -n "$port" ] || fail "no session port"
ip netns exec gw perl -MIO::Socket::INET -e '
    my $s = IO::Socket::INET->new(Proto => "udp", PeerAddr => "192.168.1.1:$ARGV[0]")
        or die "socket: $!";
    for (1 .. 3) { $s->send(""); $s->send("\0" x 3000); $s->send("\0\4\0\1"); $s->send("\0\5\0\0x\0"); }
    ' "$port" || fail "the stranger could not send"
for i in 1 2 3; do ip netns exec other "${read_cmd[@]}" >/dev/null 2>&1 || true; done
wait $SIM || fail "the boot loader did not get the image whole"
wait $RUN || fail "vornalix-recover ended with $?"
RUN=
grep -q '^result: the firmware was transferred' "$W/recover.log" || fail "no success line"
cmp -s "$W/notes.orig" "$files/notes.sh" || fail "notes.sh was replaced"
echo PASS
