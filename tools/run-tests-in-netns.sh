#!/usr/bin/env bash
# Runs ctest inside the private namespace that test.sh made (not meant to be called directly): the Linux tests
# of build/ and the Windows tests of build-windows/ (under Wine) in one run.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
ip link set lo up
# A /run of its own: the namespaces tests create, and the adapter helper's records (/run/vornalix), never the
# machine's.
mount -t tmpfs -o size=16m,mode=755 vornalix-run /run
mkdir -p /run/netns
export QT_QPA_PLATFORM=offscreen
export VORNALIX_PRIVATE_NETNS=1
linux_build=$root/${VORNALIX_BUILD_DIR:-build}
windows_build=$root/${VORNALIX_WINDOWS_BUILD_DIR:-build-windows}

# A private X display for the Windows tests (programs under Wine, and the X tools that drive them): Xvfb in this
# namespace. Its /tmp socket reaches the namespaces tests make; the Linux tests keep the environment they had.
display=
xvfb_pid=
stop_display() {
    [ -n "$xvfb_pid" ] || return 0
    kill -TERM "$xvfb_pid" 2>/dev/null || true
    for _ in $(seq 1 30); do kill -0 "$xvfb_pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    # A server that could not clean up leaves its lock (holding its PID) and socket behind.
    local n=${display#:}
    if [ "$(tr -d ' \n' 2>/dev/null <"/tmp/.X$n-lock")" = "$xvfb_pid" ]; then
        rm -f "/tmp/.X11-unix/X$n" "/tmp/.X$n-lock"
    fi
    xvfb_pid=
}
start_display() {
    local n ours
    for n in $(seq 120 219); do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
        setsid Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp </dev/null >"$windows_build/wine/xvfb.log" 2>&1 &
        xvfb_pid=$!
        for _ in $(seq 1 200); do
            if ! kill -0 "$xvfb_pid" 2>/dev/null; then
                # Another server took the number first.
                wait "$xvfb_pid" 2>/dev/null || true
                xvfb_pid=
                break
            fi
            ours=$(tr -d ' \n' 2>/dev/null <"/tmp/.X$n-lock") || true
            if [ "$ours" = "$xvfb_pid" ] && DISPLAY=:$n xdpyinfo >/dev/null 2>&1; then
                display=:$n
                return 0
            fi
            sleep 0.05
        done
        if [ -n "$xvfb_pid" ]; then
            display=:$n
            stop_display
            echo "run-tests-in-netns: Xvfb :$n did not accept connections (see $windows_build/wine/xvfb.log)" >&2
            return 1
        fi
    done
    echo "run-tests-in-netns: no free X display number in 120-219" >&2
    return 1
}

# One Wine prefix for this run, made here so that its wineserver (which owns every socket of its programs) lives
# in this namespace. Tests that need a namespace or system settings of their own make their own prefix.
export WINEPREFIX=$windows_build/wine/prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
wineserver_pid=
stop_wine() {
    if [ -n "$wineserver_pid" ]; then
        /usr/lib/wine/wineserver64 -k >/dev/null 2>&1 || true
        wait "$wineserver_pid" 2>/dev/null || true
        wineserver_pid=
    fi
    rm -rf "$WINEPREFIX"
}
# Wine's programs hold X connections: the display goes last.
trap 'stop_wine; stop_display' EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM
if [ ! -e /usr/share/wine/fonts/marlett.ttf ]; then
    echo "run-tests-in-netns: Wine's own fonts are missing (/usr/share/wine/fonts): run tools/install-deps.sh" >&2
    exit 1
fi
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
started=$(date +%s%N)
start_display
display_ready=$(date +%s%N)
setsid /usr/lib/wine/wineserver64 -f -p </dev/null >/dev/null 2>&1 &
wineserver_pid=$!
# The prefix's desktop process takes the display it was started with: the one the tests get.
if ! DISPLAY=$display /usr/lib/wine/wine64 wineboot -i </dev/null >"$windows_build/wine/wineboot.log" 2>&1; then
    echo "run-tests-in-netns: wineboot failed (see $windows_build/wine/wineboot.log)" >&2
    exit 1
fi
booted=$(date +%s%N)
# Windows programs on a display with no window manager, and their Japanese text: Wine's own fonts and the
# settings of tools/wine/display.reg.
ln -sf /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
if ! DISPLAY=$display /usr/lib/wine/wine64 regedit /S "$root/tools/wine/display.reg" </dev/null \
    >>"$windows_build/wine/wineboot.log" 2>&1; then
    echo "run-tests-in-netns: importing tools/wine/display.reg failed" >&2
    exit 1
fi
ms() { echo $((($2 - $1) / 1000000)); }
done_at=$(date +%s%N)
echo "X display $display in $(ms "$started" "$display_ready") ms; Wine prefix for the Windows tests made in" \
    "$(ms "$display_ready" "$booted") ms, display settings and fonts in $(ms "$booted" "$done_at") ms"

# Both trees' tests in one ctest run, so that the two systems' tests share the cores. The Windows tests (and only
# they) get the display.
both=$linux_build/both-systems
mkdir -p "$both"
(cd "$windows_build" && ctest --show-only=json-v1) >"$both/windows-tests.json"
cmake -DTESTS="$both/windows-tests.json" -DDISPLAY="$display" -DOUT="$both/windows-display.cmake" \
    -P "$root/tools/wine/test-display.cmake"
printf 'subdirs("%s" "%s")\ninclude("%s")\n' "$linux_build" "$windows_build" "$both/windows-display.cmake" \
    >"$both/CTestTestfile.cmake"
cd "$both"
ctest --output-on-failure --timeout 600 -j "$(nproc)" "$@"
