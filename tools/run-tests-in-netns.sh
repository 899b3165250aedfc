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

# One Wine prefix for this run, made here so that its wineserver (which owns every socket of its programs) lives
# in this namespace. Tests that need a namespace or system settings of their own make their own prefix.
export WINEPREFIX=$windows_build/wine/prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
stop_wine() {
    if [ -n "${wineserver_pid:-}" ]; then
        /usr/lib/wine/wineserver64 -k >/dev/null 2>&1 || true
        wait "$wineserver_pid" 2>/dev/null || true
    fi
    rm -rf "$WINEPREFIX"
}
trap stop_wine EXIT
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
setsid /usr/lib/wine/wineserver64 -f -p </dev/null >/dev/null 2>&1 &
wineserver_pid=$!
started=$(date +%s%N)
if ! /usr/lib/wine/wine64 wineboot -i </dev/null >"$windows_build/wine/wineboot.log" 2>&1; then
    echo "run-tests-in-netns: wineboot failed (see $windows_build/wine/wineboot.log)" >&2
    exit 1
fi
echo "Wine prefix for the Windows tests made in $((($(date +%s%N) - started) / 1000000)) ms"

# Both trees' tests in one ctest run, so that the two systems' tests share the cores.
both=$linux_build/both-systems
mkdir -p "$both"
printf 'subdirs("%s" "%s")\n' "$linux_build" "$windows_build" >"$both/CTestTestfile.cmake"
cd "$both"
ctest --output-on-failure --timeout 600 -j "$(nproc)" "$@"
