#!/usr/bin/env bash
# Builds Vornalix (Release, in build-release/) and starts the wizard.
#   ./run.sh [FIRMWARE]   the wizard; FIRMWARE is taken relative to the directory run.sh is started from
#   ./run.sh --demo       the wizard against simulated gateway and boot loader (tools/demo/demo.sh)
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
build=$top/build-release

demo=0
case ${1:-} in
--demo) demo=1; shift ;;
--help)
    sed -n '2,4s/^# \{0,1\}//p' "$0"
    exit 0
    ;;
esac

# Before anything is installed or built: is there a display to show the wizard on?
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "run.sh: no display is available (DISPLAY and WAYLAND_DISPLAY are unset)." >&2
    hint=./run.sh
    [ $demo -eq 1 ] && hint="./run.sh --demo"
    echo "Start it from a desktop session, or on a virtual display: xvfb-run -a $hint" >&2
    exit 1
fi

[ $demo -eq 0 ] || "$top/tools/demo/demo.sh" --preflight

"$top/tools/install-deps.sh"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
if [ $demo -eq 1 ]; then
    cmake --build "$build" --target vornalix qel-gateway-sim vornalix-bootloader-sim
    exec "$top/tools/demo/demo.sh" "$build/bin" "$@"
fi
cmake --build "$build" --target vornalix vornalix-recover
# The emergency path's ports and the adapter's temporary address, without root. Linking drops the
# capabilities, so they are set after every build.
for program in vornalix vornalix-recover; do
    setcap cap_net_bind_service,cap_net_raw,cap_net_admin=ep "$build/bin/$program" ||
        echo "run.sh: $program could not be given its network capabilities; its emergency upgrade will need root." >&2
done
# Under sudo the wizard runs as the user who asked for it, not as root.
if [ "$(id -u)" -eq 0 ] && [ -n "${SUDO_UID:-}" ] && [ "${SUDO_UID}" != 0 ]; then
    runtime=(-u XDG_RUNTIME_DIR)
    [ -d "/run/user/$SUDO_UID" ] && runtime=(XDG_RUNTIME_DIR="/run/user/$SUDO_UID")
    as_user=(setpriv --reuid="$SUDO_UID" --regid="$SUDO_GID" --init-groups --inh-caps=-all
        env "${runtime[@]}" HOME="$(getent passwd "$SUDO_UID" | cut -d: -f6)")
    "${as_user[@]}" test -x "$build/bin/vornalix" && exec "${as_user[@]}" "$build/bin/vornalix" "$@"
    echo "run.sh: the user ${SUDO_USER:-$SUDO_UID} cannot reach $build/bin/vornalix (a folder on the way is closed to them);" >&2
    echo "run.sh: the wizard runs as root instead. A clone in a folder of their own avoids this." >&2
fi
exec "$build/bin/vornalix" "$@"
