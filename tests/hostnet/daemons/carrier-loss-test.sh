#!/usr/bin/env bash
# End-to-end: a real NetworkManager or systemd-networkd manages the PC side of a veth pair ("the cable");
# vornalix-recover prepares the adapter and serves; the gateway side goes down for DOWN seconds (the power
# cycle), comes back, and vornalix-bootloader-sim fetches the image. Checks the bytes, and that the daemon's
# state afterwards is what it was before.
#
# usage: carrier-loss-test.sh SCENARIO DOWN RECOVER BOOTLOADER_SIM NM_ROOT HELPER LAUNCHER
#   SCENARIO: nm-dhcp (DHCP profile, no server), nm-manual, nm-manual-noauto (autoconnect off), networkd-static,
#             networkd-dhcp (DHCP, no server); killed-probing, killed-serving, killed-transfer (NetworkManager DHCP:
#             vornalix-recover is killed with SIGKILL while the helper probes the temporary address, while the
#             servers wait, or mid-transfer: within 2 s the helper has undone everything); helper-killed (the helper
#             is killed mid-transfer: vornalix-recover ends as failed, and the next helper undoes its record)
#   NM_ROOT:  NetworkManager unpacked by unpack-network-manager.sh ("" or missing: the installed one)
#   HELPER, LAUNCHER: vornalix-adapter-helper, and vornalix-with-helper, which starts it as root and runs
#             vornalix-recover as an ordinary user (nobody) with the helper's socket
# VX_BASELINE=1: vornalix-recover runs with --no-host-changes (by address) and the result is only reported (for
# comparing with a run that holds the adapter).
#
# Everything runs in namespaces of its own (mount, network, UTS), with a private /run, a private system bus,
# tmpfs over the daemons' configuration and state folders and a read-only /sys: the daemons never see the
# machine's bus, /etc, /run or interfaces, and nothing is left behind.
set -euo pipefail
if [ "${VX_CARRIER_INNER:-}" != 1 ]; then
    if ! unshare --mount --net --uts --pid --fork --propagation private true 2>/dev/null; then
        echo "cannot create the namespaces (needs root)" >&2
        # Inside the test runner's private namespace this is a failure; elsewhere the test is skipped.
        [ "${VORNALIX_PRIVATE_NETNS:-}" = 1 ] && exit 1 || exit 77
    fi
    export VX_CARRIER_INNER=1
    # A PID namespace too: whatever is still running when the script ends is ended with it.
    exec unshare --mount --net --uts --pid --mount-proc --propagation private --fork "$0" "$@"
fi
scenario=$1 down=$2 recover=$3 sim=$4 nmroot=${5:-} helper=$6 launcher=$7
fail() { echo "FAIL [$scenario ${down}s]: $*" >&2; for f in "$W"/*.log; do echo "--- $f" >&2; tail -n 40 "$f" >&2; done; exit 1; }
now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$2" 'BEGIN{printf "%.2f", b-a}'; }
wait_for() { # seconds, command...
    local limit=$1; shift
    local end=$(( $(date +%s) + limit ))
    until "$@" >/dev/null 2>&1; do [ "$(date +%s)" -lt "$end" ] || return 1; sleep 0.2; done
}

# 1. Private /run, read-only sysfs of this namespace, and private writable layers over /etc and /var/lib, so
#    that the daemons' folders can be made (and tmpfs mounted over them) even where the packages are absent.
W=/run/vx-carrier
mount -t tmpfs -o mode=755 tmpfs /run
mkdir -p $W /run/dbus /run/netns /run/systemd/network /run/overlay
mount -t sysfs -o ro sysfs /sys
for d in /etc /var/lib /usr/bin; do
    n=$(echo "$d" | tr / _)
    mkdir -p "/run/overlay/$n-upper" "/run/overlay/$n-work"
    mount -t overlay overlay -o "lowerdir=$d,upperdir=/run/overlay/$n-upper,workdir=/run/overlay/$n-work" "$d"
done
for d in /etc/NetworkManager /var/lib/NetworkManager /etc/systemd/network /var/lib/systemd; do
    mkdir -p "$d" && mount -t tmpfs -o mode=755 tmpfs "$d"
done
mkdir -p /etc/NetworkManager/system-connections /etc/NetworkManager/conf.d
hostname vx-carrier

# NetworkManager and nmcli, through wrappers that find the unpacked libraries (a program with file
# capabilities drops LD_LIBRARY_PATH for its children, so the wrapper sets it).
mkdir -p $W/bin
if [ -n "$nmroot" ] && [ -x "$nmroot/usr/sbin/NetworkManager" ]; then
    # Seen at $W/nm, so that the ordinary user reaches it where the build tree is not (a clone in /root).
    mkdir -p $W/nm && mount --bind "$nmroot" $W/nm && nmroot=$W/nm
    lib=$(dirname "$(find "$nmroot/usr/lib" -name 'libnm.so.*' -print -quit)")
    printf '#!/bin/sh\nLD_LIBRARY_PATH=%s exec %s "$@"\n' "$lib" "$nmroot/usr/bin/nmcli" > $W/bin/nmcli
    printf '#!/bin/sh\nLD_LIBRARY_PATH=%s exec %s "$@"\n' "$lib" "$nmroot/usr/sbin/NetworkManager" > $W/bin/NetworkManager
    chmod 755 $W/bin/nmcli $W/bin/NetworkManager
    # The helper runs with a fixed PATH: it finds nmcli where the system keeps it.
    cp $W/bin/nmcli /usr/bin/nmcli
fi
export PATH=$W/bin:$PATH

# 2. The cable: pc0 here, gw0 (the gateway's side) in netns "gw".
ip link set lo up
ip netns add gw
ip link add pc0 type veth peer name gw0 netns gw
ip -n gw link set lo up; ip -n gw link set gw0 up; ip link set pc0 up

# 3. Private system bus: no service activation, everything allowed.
cat > $W/bus.conf <<'X'
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig><type>system</type><listen>unix:path=/run/dbus/system_bus_socket</listen>
 <auth>EXTERNAL</auth><policy context="default"><allow user="*"/><allow own="*"/>
 <allow send_destination="*" eavesdrop="true"/><allow receive_sender="*"/></policy></busconfig>
X
dbus-daemon --config-file=$W/bus.conf --nofork --nopidfile > $W/bus.log 2>&1 & BUS=$!
DAEMON=
cleanup() {
    # Every step whatever the one before did (a program that has ended already fails its kill).
    set +e
    [ -n "${RECOVER_PID:-}" ] && kill "$RECOVER_PID" 2>/dev/null
    [ -n "$DAEMON" ] && { kill "$DAEMON" 2>/dev/null; wait "$DAEMON" 2>/dev/null; }
    kill "$BUS" 2>/dev/null; wait "$BUS" 2>/dev/null
    ip netns del gw 2>/dev/null
    true
}
trap cleanup EXIT
wait_for 10 test -S /run/dbus/system_bus_socket || fail "the private bus did not start"

# 4. The daemon under test, with the profile a desktop would have.
nm_state() { nmcli -g GENERAL.STATE,GENERAL.CONNECTION device show pc0 | paste -sd'|' -; }
daemon_kind=$scenario
case $scenario in killed-* | helper-killed) daemon_kind=nm-dhcp ;; esac
case $daemon_kind in
nm-*)
    command -v NetworkManager >/dev/null || fail "NetworkManager is not available (unpack-network-manager.sh did not run)"
    cat > $W/nm.conf <<X
[main]
plugins=keyfile
no-auto-default=*
dns=none
rc-manager=unmanaged
hostname-mode=none
auth-polkit=false
[keyfile]
unmanaged-devices=except:interface-name:pc0
[connectivity]
enabled=false
X
    NetworkManager --no-daemon --config=$W/nm.conf > $W/daemon.log 2>&1 & DAEMON=$!
    wait_for 30 nmcli -t general status || fail "NetworkManager did not start"
    case $daemon_kind in
    nm-dhcp)
        nmcli connection add type ethernet con-name wired ifname pc0 ipv4.method auto ipv6.method disabled >/dev/null
        wait_for 20 sh -c 'nmcli -g GENERAL.STATE device show pc0 | grep -q "^70"' || fail "no DHCP attempt" ;;
    nm-manual)
        nmcli connection add type ethernet con-name wired ifname pc0 ipv4.method manual \
            ipv4.addresses 192.168.1.1/24 ipv6.method disabled >/dev/null ;;
    nm-manual-noauto)
        nmcli connection add type ethernet con-name wired ifname pc0 connection.autoconnect no ipv4.method manual \
            ipv4.addresses 192.168.1.1/24 ipv6.method disabled >/dev/null
        nmcli connection up wired >/dev/null ;;
    esac
    if [ "${daemon_kind#nm-manual}" != "$daemon_kind" ]; then
        wait_for 20 sh -c 'nmcli -g GENERAL.STATE device show pc0 | grep -q "^100"' || fail "profile not active"
    fi ;;
networkd-static)
    printf '[Match]\nName=pc0\n[Network]\nAddress=192.168.1.1/24\n' > /run/systemd/network/10-pc0.network
    SYSTEMD_LOG_TARGET=console /lib/systemd/systemd-networkd > $W/daemon.log 2>&1 & DAEMON=$!
    wait_for 20 sh -c 'ip -4 -o addr show dev pc0 | grep -q 192.168.1.1/' || fail "networkd gave no address"
    wait_for 20 sh -c 'networkctl status pc0 | grep -q "State: routable (configured)"' || fail "networkd not configured" ;;
networkd-dhcp)
    printf '[Match]\nName=pc0\n[Network]\nDHCP=ipv4\nLinkLocalAddressing=no\n' > /run/systemd/network/10-pc0.network
    SYSTEMD_LOG_TARGET=console /lib/systemd/systemd-networkd > $W/daemon.log 2>&1 & DAEMON=$!
    wait_for 20 sh -c 'networkctl status pc0 | grep -q "State: .*(configuring)"' || fail "networkd does not seek a lease" ;;
*) fail "unknown scenario" ;;
esac
sleep 1

snapshot() {
    {
        ip -4 -o addr show dev pc0 | awk '{print $4}'
        case $snapshot_kind in
        nm) nmcli -g GENERAL.STATE,GENERAL.CONNECTION device show pc0 | sed 's/^70 .*/70 (connecting)/'
              ls /etc/NetworkManager/conf.d /run/NetworkManager/conf.d 2>/dev/null || true ;;
        networkd) find /run/systemd/network /etc/systemd/network | sort
                    networkctl status pc0 | grep -E 'State:|Network File:' ;;
        esac
    } | sed '/^$/d'
}
case $daemon_kind in nm-*) snapshot_kind=nm ;; *) snapshot_kind=networkd ;; esac
before=$(snapshot)

# 5. The firmware, and vornalix-recover on the adapter by name.
head -c 700000 /dev/urandom > $W/fw.bin
size=$(stat -c %s $W/fw.bin)
crc=$(gzip -c $W/fw.bin | tail -c 8 | od -An -tx4 -N4 | tr -d ' ')
# vornalix-recover as an ordinary user that holds nothing; the helper (root) through the launcher.
mkdir -p $W/user && chmod 755 $W/user
cp "$recover" $W/user/vornalix-recover && chmod 755 $W/user/vornalix-recover
recover=$W/user/vornalix-recover
[ -z "$(getcap $recover 2>/dev/null)" ] || fail "the front end carries capabilities"
run_as=("$launcher" --user 65534 "$helper")
touch $W/recover.log && chmod 666 $W/recover.log
if [ "${VX_BASELINE:-}" = 1 ]; then
    "$recover" --no-host-changes 192.168.1.1 $W/fw.bin > $W/recover.log 2>&1 & RECOVER_PID=$!
    wait_for 20 grep -q '^listening:' $W/recover.log || fail "vornalix-recover did not start serving"
    ip -n gw link set gw0 down; sleep "$down"
    during=$(ip -4 -o addr show dev pc0 | awk '{print $4}' | paste -sd, -)
    up=$(now); ip -n gw link set gw0 up
    ip netns exec gw stdbuf -oL "$sim" --interface gw0 --tries 40 --interval-ms 250 --expect-size "$size" \
        --expect-crc32 "$crc" 2>&1 | while IFS= read -r line; do echo "$(now) $line"; done > $W/sim.log || true
    reply=$(awk '$2=="bootreply"{print $1; exit}' $W/sim.log)
    completed=no; grep -q ' verified$' $W/sim.log && completed=yes
    first="none within 10 s"; [ -n "$reply" ] && first="$(since "$up" "$reply")s"
    echo "RESULT $scenario down=${down}s (no hold) address_during_loss=${during:-none}" \
         "completed=$completed first_bootreply_after_carrier=$first"
    exit 0
fi
"${run_as[@]}" "$recover" pc0 $W/fw.bin > $W/recover.log 2>&1 & RECOVER_PID=$!
front_end() { pgrep -u 65534 -f "^$recover " ; }
helper_pid() { pgrep -u 0 -xf "$helper" ; }
undone_within() { # seconds: the helper has undone everything
    local limit=$1 start
    start=$(now)
    wait_for "$limit" sh -c "! ip -4 -o addr show dev pc0 | grep -q '169\\.254\\.' && [ \"\$(nmcli -g GENERAL.STATE device show pc0)\" != '10 (unmanaged)' ] && ! ls /run/vornalix/hold-* >/dev/null 2>&1" ||
        fail "not undone within ${limit}s: $(ip -4 -o addr show dev pc0) $(nmcli -g GENERAL.STATE device show pc0) $(ls /run/vornalix)"
    echo "undone after $(since "$start" "$(now)")s"
}
if [ "$scenario" = killed-probing ]; then
    # The helper checks the temporary address on the link for about a second before it adds it.
    wait_for 5 front_end || fail "vornalix-recover did not start"
    sleep 0.3
    kill -KILL "$(front_end)"
    wait $RECOVER_PID 2>/dev/null || true; RECOVER_PID=
    wait_for 3 sh -c '! ip -4 -o addr show dev pc0 | grep -q 169.254.' || fail "the temporary address stayed"
    undone_within 2
    echo "RESULT $scenario completed=n/a"
else
wait_for 20 grep -q '^listening:' $W/recover.log || fail "vornalix-recover did not start serving"
held=$(ip -4 -o addr show dev pc0 | awk '{print $4}' | paste -sd, -)
case $daemon_kind in
nm-dhcp) echo "$held" | grep -q '^169\.254\.' || fail "no link-local address on pc0: $held"
         [ "$(nmcli -g GENERAL.STATE device show pc0)" = "10 (unmanaged)" ] || fail "pc0 is still managed" ;;
networkd-*) ls /run/systemd/network/10-pc0.network.d/90-vornalix-hold.conf >/dev/null || fail "no drop-in" ;;
esac
[ "$(grep CapEff /proc/"$(front_end)"/status | awk '{print $2}')" = 0000000000000000 ] ||
    fail "the front end holds capabilities"

if [ "$scenario" = killed-serving ]; then
    kill -KILL "$(front_end)"
    wait $RECOVER_PID 2>/dev/null || true; RECOVER_PID=
    undone_within 2
    echo "RESULT $scenario completed=n/a"
elif [ "$scenario" = killed-transfer ] || [ "$scenario" = helper-killed ]; then
    # A slow boot loader: the transfer is under way when the kill comes.
    ip netns exec gw "$sim" --interface gw0 --tries 60 --interval-ms 250 --ack-delay-ms 20 > $W/sim.log 2>&1 & SIM=$!
    wait_for 20 grep -q 'progress' $W/recover.log || fail "no transfer started"
    if [ "$scenario" = killed-transfer ]; then
        kill -KILL "$(front_end)"
        wait $RECOVER_PID 2>/dev/null || true; RECOVER_PID=
        undone_within 2
    else
        kill -KILL "$(helper_pid)"
        wait_for 3 sh -c "! pgrep -u 65534 -f '^$recover ' >/dev/null" || fail "the front end went on without its helper"
        wait $RECOVER_PID && fail "vornalix-recover did not end as failed"
        RECOVER_PID=
        grep -q '^result: the transfer failed' $W/recover.log || fail "no failure line: $(tail -3 $W/recover.log)"
        ls /run/vornalix/hold-* >/dev/null 2>&1 || fail "the killed helper left no record"
        # The next helper undoes what the killed one recorded.
        "$launcher" --user 65534 "$helper" /bin/true || fail "the next helper did not start"
        undone_within 2
    fi
    kill $SIM 2>/dev/null; wait $SIM 2>/dev/null || true
    echo "RESULT $scenario completed=n/a"
else
    # 6. The gateway's power cycle, then its boot loader.
    ip -n gw link set gw0 down
    sleep "$down"
    during=$(ip -4 -o addr show dev pc0 | awk '{print $4}' | paste -sd, -)
    [ "$during" = "$held" ] || fail "the address changed during carrier loss: '$held' -> '$during'"
    up=$(now)
    ip -n gw link set gw0 up
    ip netns exec gw stdbuf -oL "$sim" --interface gw0 --tries 60 --interval-ms 250 --expect-size "$size" \
        --expect-crc32 "$crc" --output $W/fetched.bin 2>&1 | while IFS= read -r line; do echo "$(now) $line"; done \
        > $W/sim.log
    grep -q ' verified$' $W/sim.log || fail "the boot loader did not get the image"
    cmp -s $W/fw.bin $W/fetched.bin || fail "the fetched image differs"
    reply=$(awk '$2=="bootreply"{print $1; exit}' $W/sim.log)
    wait $RECOVER_PID || fail "vornalix-recover exited with $?"
    RECOVER_PID=
    grep -q '^result: the firmware was transferred' $W/recover.log || fail "no success line"
    echo "RESULT $scenario down=${down}s completed=yes first_bootreply_after_carrier=$(since "$up" "$reply")s"
fi
fi

# 7. The daemon's state is what it was before.
settled() { [ "$(snapshot)" = "$before" ]; }
wait_for 15 settled || fail "state afterwards differs:
--- before
$before
--- after
$(snapshot)"
ip -4 -o addr show dev pc0 | grep -q '169\.254\.' && fail "link-local address left on pc0"
ls /run/vornalix/hold-* >/dev/null 2>&1 && fail "records left under /run/vornalix"
echo "PASS [$scenario ${down}s]"
