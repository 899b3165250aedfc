#!/usr/bin/env bash
# The wizard against a simulated gateway, with nothing to set up by hand (./run.sh --demo).
#   tools/demo/demo.sh BIN_DIR [FIRMWARE]   start the wizard (needs a display)
#   tools/demo/demo.sh --check BIN_DIR      check both paths without the wizard: curl against the
#                                           gateway, vornalix-recover against the boot loader
# Needs root. Everything runs in network namespaces of its own, so nothing reaches the machine's
# interfaces:
#
#   PC namespace (private)          gateway namespace "gw"            boot-loader namespace "boot"
#   pc0 192.168.1.10/24  ==veth==   gw0 ┐                             boot0 (no address until the
#   the wizard                          br0 192.168.1.1/24 ==veth==   boot reply), the boot-loader
#                                       qel-gateway-sim :80           simulator asking by BOOTP
#                                                                     every 3 s
#
# Normal path: the gateway's web interface at http://192.168.1.1/ (the wizard's default address).
# Emergency path: pick the adapter "pc0 (IP:192.168.1.10)"; the boot loader is offered 192.168.1.11
# and fetches the firmware from 192.168.1.10. Everything started is stopped when the wizard exits.
set -euo pipefail

pc_address=192.168.1.10
gateway_address=192.168.1.1

# How the wizard is started inside the PC namespace: as root, so that it starts the adapter helper
# from its own folder. A launcher that runs it as an ordinary user with a helper as root goes here, e.g.
#   VORNALIX_DEMO_LAUNCHER="BIN/vornalix-with-helper --user 1000 BIN/vornalix-adapter-helper"
read -r -a wizard_launcher <<<"${VORNALIX_DEMO_LAUNCHER:-}"

check=0
preflight=0
case ${1:-} in
--check) check=1 && shift ;;
--preflight) preflight=1 ;; # only the checks below, before run.sh builds anything
esac
if [ $preflight -eq 0 ] && { [ $# -lt 1 ] || [ "$1" = --help ]; }; then
    sed -n '2,5s/^# \{0,1\}//p' "$0"
    [ "${1:-}" = --help ] && exit 0
    exit 2
fi

if [ "$(id -u)" -ne 0 ]; then
    echo "demo: needs root (it makes network namespaces); run it with sudo" >&2
    exit 1
fi
if [ $check -eq 0 ]; then
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
        echo "demo: no display is available (DISPLAY and WAYLAND_DISPLAY are unset); try: xvfb-run -a ./run.sh --demo" >&2
        exit 1
    fi
    # The wizard runs in a namespace with no route out: only a display on a local socket reaches it.
    case ${DISPLAY:-} in
    '' | :* | unix:*) ;;
    *)
        echo "demo: the display $DISPLAY is reached over the network, which the demo's private namespace cannot;" >&2
        echo "demo: use a local display or a virtual one: xvfb-run -a ./run.sh --demo" >&2
        exit 1
        ;;
    esac
fi
[ $preflight -eq 1 ] && exit 0
bin=$(cd "$1" && pwd)
shift
needed=(qel-gateway-sim vornalix-bootloader-sim)
if [ $check -eq 1 ]; then needed+=(vornalix-recover vornalix-adapter-helper); else needed+=(vornalix vornalix-adapter-helper); fi
for program in "${needed[@]}"; do
    [ -x "$bin/$program" ] || {
        echo "demo: $bin/$program is missing; build it first" >&2
        exit 1
    }
done

# Stage 1: continue in a network namespace of our own (the PC side), a private mount namespace and
# a PID namespace: when this script ends, the kernel ends whatever it started that is still running.
if [ "${VORNALIX_DEMO_INSIDE:-}" != 1 ]; then
    export VORNALIX_DEMO_INSIDE=1
    args=("$bin" "$@")
    [ $check -eq 1 ] && args=(--check "${args[@]}")
    # unshare itself ignores SIGINT and SIGTERM; when it is killed, the script inside gets SIGTERM.
    unshare --net --mount --propagation private --pid --fork --mount-proc --kill-child=SIGTERM "$0" "${args[@]}" &
    inside=$!
    trap 'kill -KILL "$inside" 2>/dev/null' INT TERM HUP
    status=0
    wait "$inside" 2>/dev/null || status=$?
    # A signal ends the wait early: let the inside clean up before returning.
    while kill -0 "$inside" 2>/dev/null; do wait "$inside" 2>/dev/null || status=$?; done
    exit $status
fi

# Stage 2, inside. A /run of our own: namespace names, the D-Bus system bus, the machine's network
# managers and the wizard's record of adapter changes are out of reach, so the wizard asks no DHCP
# client and no network manager of the machine. /run/user (a desktop's Wayland socket) stays.
work=$(mktemp -d /tmp/vornalix-demo.XXXXXX)
pids=()
cleanup() {
    local pid
    trap '' INT TERM # a second signal must not cut the clean-up short
    for pid in "${pids[@]}"; do kill -- "-$pid" 2>/dev/null || kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    ip netns del boot 2>/dev/null || true
    ip netns del gw 2>/dev/null || true
    rm -rf --one-file-system "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if [ -d /run/user ]; then
    mkdir "$work/run-user"
    mount --rbind /run/user "$work/run-user"
fi
mount -t tmpfs -o size=4m,mode=755 vornalix-demo /run
mkdir -p /run/netns /run/user
if [ -d "$work/run-user" ]; then mount --move "$work/run-user" /run/user; fi

ip link set lo up
ip netns add gw
ip netns add boot
ip link add pc0 type veth peer name gw0 netns gw
ip -n boot link add boot0 type veth peer name gwb0 netns gw
ip -n gw link add br0 type bridge
ip -n gw link set gw0 master br0
ip -n gw link set gwb0 master br0
ip -n gw addr add "$gateway_address/24" dev br0
ip addr add "$pc_address/24" dev pc0
for link in lo gw0 gwb0 br0; do ip -n gw link set "$link" up; done
ip -n boot link set lo up
ip -n boot link set boot0 up
ip link set pc0 up
# /sys/class/net of the PC namespace (pc0 and lo), as the wizard's adapter list reads it.
mount -t sysfs -o ro sysfs /sys

# A sample firmware image: 1 MiB, a readable header and pseudo-random bytes.
firmware=$work/qel-demo-firmware.bin
{
    printf 'QEL GATEWAY DEMO FIRMWARE 1.30\n'
    head -c $((1048576 - 31)) /dev/urandom # after the 31-byte header
} >"$firmware"

ip netns exec gw "$bin/qel-gateway-sim" --address "$gateway_address" --port 80 --restart-ms 3000 \
    --store "$work/uploaded.bin" >"$work/gateway.log" 2>&1 &
pids+=($!)

# The boot loader after power-on: asks every 3 s until answered, fetches the file; then, as after
# the next power-on, asks again.
setsid bash -c 'while :; do
        ip netns exec boot "$1/vornalix-bootloader-sim" --interface boot0 --tries 0 --interval-ms 3000 \
            --output "$2/fetched.bin" || true
        sleep 3
    done' boot-loader "$bin" "$work" >"$work/bootloader.log" 2>&1 &
pids+=($!)

# The gateway's web interface answers before the wizard asks.
for _ in $(seq 50); do
    curl -s -o /dev/null --max-time 1 "http://$gateway_address/" && break
    sleep 0.1
done

if [ $check -eq 1 ]; then
    fail() {
        echo "demo check FAILED: $*" >&2
        exit 1
    }
    # Normal path: the web interface answers from the PC side and takes an upload.
    curl -sf --max-time 5 "http://$gateway_address/" >/dev/null || fail "no answer from http://$gateway_address/"
    info=$(curl -sf --max-time 5 -u default: "http://$gateway_address/_SystemInfo.htm") || fail "no system information"
    [[ $info == *"Software Version"* ]] || fail "no software version in the system information"
    curl -sf --max-time 30 -F "FirmwareDownload=@$firmware" "http://$gateway_address/post-query" >/dev/null ||
        fail "upload refused"
    for _ in $(seq 50); do
        [ -s "$work/uploaded.bin" ] && break
        sleep 0.1
    done
    cmp -s "$firmware" "$work/uploaded.bin" || fail "the gateway stored a different image"
    echo "normal path: http://$gateway_address/ answered and stored the uploaded image"
    # Emergency path: the boot loader, asking on its own, fetches the image from the PC's adapter.
    timeout 60 "$bin/vornalix-recover" "$pc_address" "$firmware" >"$work/recover.log" 2>&1 ||
        fail "vornalix-recover: $(tail -3 "$work/recover.log")"
    for _ in $(seq 50); do
        cmp -s "$firmware" "$work/fetched.bin" 2>/dev/null && break
        sleep 0.1
    done
    cmp -s "$firmware" "$work/fetched.bin" || fail "the boot loader fetched a different image: $(cat "$work/bootloader.log")"
    echo "emergency path: the boot loader was offered $(grep -o 'yiaddr [0-9.]*' "$work/bootloader.log" | head -1 |
        cut -d' ' -f2) and fetched the image from $pc_address"
    exit 0
fi

cat <<EOF
Demo: a simulated Qel Gateway is at http://$gateway_address/ and a boot loader asks for its firmware.
  Normal upgrade:    keep the address http://$gateway_address/, the sample firmware is filled in.
  Emergency upgrade: pick the adapter "pc0 (IP:$pc_address)"; the boot loader fetches the file.
Logs: $work (removed when the wizard exits)
EOF
# A runtime folder for the wizard where the caller's environment has none (sudo clears it).
if [ -z "${XDG_RUNTIME_DIR:-}" ] && [ ${#wizard_launcher[@]} -eq 0 ]; then
    mkdir -m 700 "$work/runtime"
    export XDG_RUNTIME_DIR=$work/runtime
fi
# In the background, so that a signal to this script ends the demo at once.
"${wizard_launcher[@]}" "$bin/vornalix" "${1:-$firmware}" &
wizard=$!
pids+=("$wizard")
status=0
wait "$wizard" || status=$?
exit $status
