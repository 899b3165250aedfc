#!/usr/bin/env bash
# vornalix.exe under Wine on a private X display, driven by key presses as a user would, on pc0
# (192.168.1.10/24), a veth into the namespace gw where a bridge holds the gateway's address 192.168.1.1
# and leads on to the namespace boot. A Wine prefix and wineserver of its own in this test's namespaces.
# Cases:
#   normal     qel-gateway-sim on 192.168.1.1:80: every page of the normal upgrade with Enter; the gateway
#              stores bytes identical to the firmware file.
#   emergency  the PC reports Windows XP and media sensing is on: the adapter page asks to switch it off
#              and to restart; "restart" (the prefix's session ends); the wizard again: the adapter page
#              goes straight on, vornalix-bootloader-sim fetches bytes identical to the firmware; Exit puts
#              media sensing back.
# usage: wizard-test.sh CASE VORNALIX_EXE WINE_RUN LINUX_BIN_DIR
# DISPLAY must name an X server reachable through /tmp/.X11-unix (the test runner's Xvfb); WINE_RUN gives a
# fresh prefix unmanaged windows and fonts for it.
set -euo pipefail
if [ "${VX_WINWIZARD_INNER:-}" != 1 ]; then
    if ! unshare --mount --net --pid --fork --propagation private true 2>/dev/null; then
        echo "cannot create the namespaces (needs root)" >&2
        exit 1
    fi
    export VX_WINWIZARD_INNER=1
    exec unshare --mount --net --pid --mount-proc --propagation private --fork "$0" "$@"
fi
case_name=$1 exe=$2 wine_run=$3 linux_bin=$4
[ -n "${DISPLAY:-}" ] || { echo "FAIL: no DISPLAY" >&2; exit 1; }
W=$(mktemp -d /tmp/vx-winwizard.XXXXXX)
pids=()
fail() {
    echo "FAIL: $*" >&2
    import -window root "$W/failure.png" 2>/dev/null && cp "$W/failure.png" "/tmp/vx-winwizard-$case_name-failure.png"
    for f in "$W"/*.log; do [ -f "$f" ] && { echo "--- $f" >&2; tail -n 30 "$f" >&2; }; done
    exit 1
}
cleanup() {
    set +e
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
    ip netns del gw 2>/dev/null
    ip netns del boot 2>/dev/null
    rm -rf "$W"
}
trap cleanup EXIT
wait_for() { # seconds, command...
    local limit=$1; shift
    local end=$(($(date +%s%N) + limit * 1000000000))
    until "$@" >/dev/null 2>&1; do [ "$(date +%s%N)" -lt "$end" ] || return 1; sleep 0.05; done
}

mount -t tmpfs -o mode=755 tmpfs /run
mkdir -p /run/netns
ip link set lo up
ip netns add gw
ip netns add boot
ip link add pc0 type veth peer name gw0 netns gw
ip -n boot link add boot0 type veth peer name gwb0 netns gw
ip -n gw link add br0 type bridge
ip -n gw link set gw0 master br0
ip -n gw link set gwb0 master br0
ip -n gw addr add 192.168.1.1/24 dev br0
ip addr add 192.168.1.10/24 dev pc0
for link in lo gw0 gwb0 br0; do ip -n gw link set "$link" up; done
ip -n boot link set lo up
ip -n boot link set boot0 up
ip link set pc0 up

fw=$W/qel-firmware.bin
head -c 300000 /dev/urandom >"$fw"

export WINEPREFIX=$W/prefix WINE_RUN_TMP=$W
wine() { "$wine_run" "$@" >>"$W/wine.log" 2>&1 || fail "wine $*"; }
# The PC reports Windows XP to the wizard: the media-sense guard's registry path and the restart.
wine reg add 'HKCU\Software\Wine\AppDefaults\vornalix.exe' /v Version /d winxp /f

# The windows that show a page: the wizard's pages all have this caption.
page_caption='Vornalix configuration agent'
current=
next_window() { # caption: waits for a visible window of that caption other than $current; sets $current
    local id end=$(($(date +%s) + 60))
    while [ "$(date +%s)" -lt "$end" ]; do
        for id in $(xdotool search --onlyvisible --name "^$1" 2>/dev/null); do
            if [ "$id" != "$current" ]; then current=$id; return 0; fi
        done
        sleep 0.05
    done
    fail "no new window \"$1\" after $current"
}
keys() { # key names, typed into the window $current (Wine ignores keys sent to a window: they go through XTEST)
    xdotool windowfocus --sync "$current" || fail "cannot focus window $current"
    xdotool key --delay 60 "$@"
}
wizard() { # arguments: vornalix.exe in the background
    (cd "$(dirname "$fw")" && exec "$wine_run" "$exe" "$@") >"$W/wizard.log" 2>&1 </dev/null &
    WIZARD=$!
    pids+=("$WIZARD")
}
wizard_ends() {
    local status=0
    wait_for 60 eval '! kill -0 "$WIZARD"' || fail "vornalix.exe did not end"
    wait "$WIZARD" || status=$?
    [ "$status" = 0 ] || fail "vornalix.exe ended with $status"
}

case $case_name in
normal)
    ip netns exec gw "$linux_bin/qel-gateway-sim" --address 192.168.1.1 --port 80 --restart-ms 1000 \
        --program-ms 200 --store "$W/uploaded.bin" >"$W/gateway.log" 2>&1 &
    pids+=($!)
    wizard "$(basename "$fw")"
    next_window "$page_caption, V1.3"; keys Return # welcome: Next
    next_window "$page_caption"; keys Return       # mode: normal upgrade is chosen
    next_window "$page_caption"; keys Return       # address: http://192.168.1.1/
    next_window "$page_caption"; keys Return       # information
    next_window "$page_caption"; keys Return       # firmware file: the one named on the command line
    next_window "$page_caption"                    # upload progress, then the final page
    next_window "$page_caption"; keys Return       # final page: Exit
    wizard_ends
    cmp "$fw" "$W/uploaded.bin" || fail "the gateway stored other bytes"
    ;;
emergency)
    media_sense() { # the TCP/IP parameters' DisableDHCPMediaSense as reg prints it ("" when absent)
        "$wine_run" reg query 'HKLM\System\CurrentControlSet\Services\Tcpip\Parameters' /v DisableDHCPMediaSense \
            2>/dev/null | tr -d '\r' | awk '$1 == "DisableDHCPMediaSense" { print $3 }'
    }
    [ -z "$(media_sense)" ] || fail "media sensing is already off in a fresh prefix"
    # The boot loader after power-on: asks every second until answered, then fetches the file.
    ip netns exec boot "$linux_bin/vornalix-bootloader-sim" --interface boot0 --tries 0 --interval-ms 1000 \
        --output "$W/fetched.bin" >"$W/bootloader.log" 2>&1 &
    pids+=($!)
    choose_emergency() {
        next_window "$page_caption, V1.3"; keys Return # welcome: Next
        next_window "$page_caption"; keys Tab Tab Down Return # mode: Next with the emergency upgrade chosen
    }
    wizard "$(basename "$fw")"
    choose_emergency
    # The adapter page switches media sensing off, with the user's consent, and asks for a restart.
    next_window 'vornalix$'; keys Return           # "Clicking "YES" will enable this registry key": Yes
    next_window 'VORNALIX$'; keys shift+Tab space  # the restart prompt: Restart Now
    wizard_ends
    [ "$(media_sense)" = 0x1 ] || fail "media sensing was not switched off before the restart"
    # After the restart, as the user is told: the wizard again.
    current=
    wizard "$(basename "$fw")"
    choose_emergency
    next_window "$page_caption"; keys Return       # firmware and adapter: the file named, the only adapter
    next_window "$page_caption"                    # the transfer page, until the boot loader has the file
    next_window "$page_caption"; keys Tab Return   # the TEST LED check: Next
    next_window "$page_caption"; keys Return       # completion page: Exit
    next_window 'vornalix$'; keys Return           # "Please make sure to restart the Qel Gateway": OK
    next_window 'vornalix$'; keys Return           # "This key may not be needed any longer": Yes, put it back
    next_window 'VORNALIX$'; keys Return           # the restart prompt: Enter never restarts
    wizard_ends
    cmp "$fw" "$W/fetched.bin" || fail "the boot loader fetched other bytes"
    case $(media_sense) in '' | 0x0) ;; *) fail "media sensing was not put back: DisableDHCPMediaSense is $(media_sense)" ;; esac
    ;;
*) fail "unknown case $case_name" ;;
esac
echo PASS
