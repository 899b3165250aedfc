#!/usr/bin/env bash
# vornalix-recover.exe under Wine on pc0 (192.168.1.1/24), a veth whose peer gw0 lies in the namespace gw, with
# a Wine prefix and wineserver of its own in this test's namespaces. Cases:
#   bootloader  Linux vornalix-bootloader-sim fetches the firmware: identical bytes, exit 0, the lines the
#               Linux vornalix-recover prints for the same run; Wine reports version 5.1 and the TCP/IP
#               parameters lack DisableDHCPMediaSense: the media-sense note is shown.
#   clients     tftp-hpa and atftp get the firmware (one run each): identical bytes, exit 0; DisableDHCPMediaSense
#               is 1: no note.
#   stop        what cannot start is exit 2 with the reason (unknown adapter, missing firmware, port 69 taken),
#               the adapter found by its description, Ctrl-C is exit 130 after "interrupted".
#
# usage: windows-recover-test.sh CASE RECOVER_EXE WINE_RUN LINUX_BIN_DIR
set -euo pipefail
if [ "${VX_WINRECOVER_INNER:-}" != 1 ]; then
    if ! unshare --mount --net --pid --fork --propagation private true 2>/dev/null; then
        echo "cannot create the namespaces (needs root)" >&2
        exit 1
    fi
    export VX_WINRECOVER_INNER=1
    exec unshare --mount --net --pid --mount-proc --propagation private --fork "$0" "$@"
fi
case_name=$1 exe=$2 wine_run=$3 linux_bin=$4
sim=$linux_bin/vornalix-bootloader-sim
linux_recover=$linux_bin/vornalix-recover
for program in "$sim" "$linux_recover"; do
    [ -x "$program" ] || { echo "FAIL: no $program (build it in the Linux tree)" >&2; exit 1; }
done
W=$(mktemp -d /tmp/vx-winrecover.XXXXXX)
RUN=
fail() {
    echo "FAIL: $*" >&2
    for f in "$W"/*.log; do [ -f "$f" ] && { echo "--- $f" >&2; tail -n 30 "$f" >&2; }; done
    exit 1
}
cleanup() {
    set +e
    [ -n "$RUN" ] && kill "$RUN" 2>/dev/null && wait "$RUN" 2>/dev/null
    ip netns del gw 2>/dev/null
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
ip netns add gw
ip link add pc0 type veth peer name gw0 netns gw
ip addr add 192.168.1.1/24 dev pc0 && ip link set pc0 up
ip -n gw link set lo up && ip -n gw link set gw0 up

mkdir "$W/files"
fw=$W/files/fw.bin
head -c 700000 /dev/urandom > "$fw"
size=$(stat -c %s "$fw")
crc=$(gzip -c "$fw" | tail -c 8 | od -An -tx4 -N4 | tr -d ' ')

# One prefix for the whole case: every run starts its own wineserver here.
export WINEPREFIX=$W/prefix WINE_RUN_TMP=$W
wine() { "$wine_run" "$@" > /dev/null 2>&1 || fail "wine $*"; }
wine reg add 'HKCU\Software\Wine\AppDefaults\vornalix-recover.exe' /v Version /d winxp /f
media_sense() { # absent | 1
    local key='HKLM\System\CurrentControlSet\Services\Tcpip\Parameters'
    if [ "$1" = absent ]; then
        "$wine_run" reg delete "$key" /v DisableDHCPMediaSense /f > /dev/null 2>&1 || true
    else
        wine reg add "$key" /v DisableDHCPMediaSense /t REG_DWORD /d "$1" /f
    fi
}

start() { # log, arguments...: vornalix-recover.exe in the background, until it listens
    local log=$1; shift
    "$wine_run" "$exe" "$@" > "$log" 2>&1 < /dev/null & RUN=$!
    wait_for 60 grep -q '^listening:' "$log" || fail "vornalix-recover.exe did not start serving"
}
finish() { # log, expected status
    local status=0
    wait "$RUN" || status=$?
    RUN=
    [ "$status" = "$2" ] || fail "vornalix-recover.exe ended with $status, not $2"
    tr -d '\r' < "$1" > "$1.lf" && mv "$1.lf" "$1"
}
gateway_address() { ip -n gw addr flush dev gw0; ip -n gw addr add 192.168.1.2/24 dev gw0; }

case $case_name in
bootloader)
    media_sense absent
    start "$W/win.log" 192.168.1.1 "$fw"
    ip netns exec gw "$sim" --interface gw0 --tries 20 --interval-ms 250 --expect-size "$size" \
        --expect-crc32 "$crc" --output "$W/got.bin" > "$W/sim.log" 2>&1 || fail "the boot loader did not get the image"
    finish "$W/win.log" 0
    cmp "$fw" "$W/got.bin" || fail "the boot loader got other bytes"
    grep -qx "note: $(printf '%s' "Media sensing is on: Windows may take the adapter's address away")"'.*' \
        "$W/win.log" || fail "no media-sense note"
    # The same run served by the Linux program: the same lines apart from the adapter's name and the note.
    "$linux_recover" --no-host-changes 192.168.1.1 "$fw" > "$W/linux.log" 2>&1 & RUN=$!
    wait_for 20 grep -q '^listening:' "$W/linux.log" || fail "the Linux program did not start serving"
    ip netns exec gw "$sim" --interface gw0 --tries 20 --interval-ms 250 > "$W/sim2.log" 2>&1 ||
        fail "the boot loader did not get the image from the Linux program"
    finish "$W/linux.log" 0
    strip() { grep -v -e '^note:' "$1" | sed 's/^\(listening: .*\) (.*), offering/\1, offering/'; }
    diff <(strip "$W/linux.log") <(strip "$W/win.log") > "$W/lines.diff" || fail "other lines: $(cat "$W/lines.diff")"
    grep -q '^result: the firmware was transferred$' "$W/win.log" || fail "no success line"
    ;;
clients)
    media_sense 1
    gateway_address
    start "$W/hpa.log" 192.168.1.1 "$fw"
    (cd "$W" && ip netns exec gw timeout 60 tftp 192.168.1.1 -m binary -c get fw.bin hpa.bin) ||
        fail "tftp-hpa could not get the firmware"
    finish "$W/hpa.log" 0
    cmp "$fw" "$W/hpa.bin" || fail "tftp-hpa got other bytes"
    grep -q '^note:' "$W/hpa.log" && fail "media-sense note although DisableDHCPMediaSense is 1"
    start "$W/atftp.log" 192.168.1.1 "$fw"
    ip netns exec gw timeout 60 atftp -g -r fw.bin -l "$W/atftp.bin" 192.168.1.1 > "$W/atftp-client.log" 2>&1 ||
        fail "atftp could not get the firmware"
    finish "$W/atftp.log" 0
    cmp "$fw" "$W/atftp.bin" || fail "atftp got other bytes"
    ;;
stop)
    status=0
    "$wine_run" "$exe" 'No Such Adapter' "$fw" > "$W/unknown.log" 2>&1 || status=$?
    [ "$status" = 2 ] || fail "an unknown adapter ended with $status"
    grep -q '"No Such Adapter" is neither an IPv4 address nor the description' "$W/unknown.log" ||
        fail "no reason for the unknown adapter"
    status=0
    "$wine_run" "$exe" 192.168.1.1 "$W/files/missing.bin" > "$W/missing.log" 2>&1 || status=$?
    [ "$status" = 2 ] || fail "a missing firmware ended with $status"
    grep -q 'cannot read the firmware file' "$W/missing.log" || fail "no reason for the missing firmware"
    # Port 69 of the address already taken: the Linux sim's own TFTP would do, a plain socket is enough.
    python3 -c 'import socket,sys,time
s=socket.socket(socket.AF_INET,socket.SOCK_DGRAM); s.bind(("192.168.1.1",69)); print("bound",flush=True); time.sleep(60)' \
        > "$W/holder.log" & HOLDER=$!
    wait_for 10 grep -q bound "$W/holder.log" || fail "cannot hold port 69"
    status=0
    "$wine_run" "$exe" 192.168.1.1 "$fw" > "$W/taken.log" 2>&1 || status=$?
    kill "$HOLDER"; wait "$HOLDER" 2>/dev/null || true
    [ "$status" = 2 ] || fail "a taken port ended with $status"
    grep -q 'UDP port 69' "$W/taken.log" || fail "no reason for the taken port"
    # Ctrl-C ends a run; the adapter named by its description, as the listening line gives it, is the same.
    interrupt() { # log
        local p pid=
        for p in $(pgrep -P "$RUN"); do grep -qa 'vornalix-recover' "/proc/$p/cmdline" && pid=$p; done
        [ -n "$pid" ] || fail "no Wine process of vornalix-recover.exe"
        kill -INT "$pid"
        finish "$1" 130
        grep -q '^interrupted: stopping the servers$' "$1" || fail "no interrupted line"
    }
    start "$W/ctrlc.log" 192.168.1.1 "$fw"
    interrupt "$W/ctrlc.log"
    description=$(sed -n 's/^listening: .* port 69 (\(.*\)), offering .*/\1/p' "$W/ctrlc.log")
    [ -n "$description" ] || fail "no adapter description"
    start "$W/described.log" "$description" "$fw"
    grep -qF "listening: BOOTP on 192.168.1.1 port 67, TFTP on 192.168.1.1 port 69 ($description), offering" \
        "$W/described.log" || fail "the description named another adapter"
    interrupt "$W/described.log"
    ;;
*) fail "unknown case $case_name" ;;
esac
echo PASS
