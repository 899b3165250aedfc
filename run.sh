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
    # The wizard runs as root in the demo and starts the adapter helper from its own folder.
    cmake --build "$build" --target vornalix vornalix-adapter-helper qel-gateway-sim vornalix-bootloader-sim
    exec "$top/tools/demo/demo.sh" "$build/bin" "$@"
fi
cmake --build "$build" --target vornalix vornalix-recover vornalix-adapter-helper vornalix-with-helper
# No program gets a capability: the emergency path's privileged steps are the adapter helper's, which runs as
# root. Under sudo the wizard runs as the user who asked for it, with a helper that vornalix-with-helper starts
# as root and hands over (--helper-fd); as root it starts the helper itself.
if [ "$(id -u)" -eq 0 ] && [ -n "${SUDO_UID:-}" ] && [ "${SUDO_UID}" != 0 ]; then
    runtime=(-u XDG_RUNTIME_DIR)
    [ -d "/run/user/$SUDO_UID" ] && runtime=(XDG_RUNTIME_DIR="/run/user/$SUDO_UID")
    user_env=(env "${runtime[@]}" HOME="$(getent passwd "$SUDO_UID" | cut -d: -f6)")
    group=${SUDO_GID:-$(getent passwd "$SUDO_UID" | cut -d: -f4)}
    if setpriv --reuid="$SUDO_UID" --regid="$group" --init-groups --inh-caps=-all test -x "$build/bin/vornalix"; then
        exec "${user_env[@]}" "$build/bin/vornalix-with-helper" --user "$SUDO_UID" \
            "$build/bin/vornalix-adapter-helper" "$build/bin/vornalix" "$@"
    fi
    echo "run.sh: the user ${SUDO_USER:-$SUDO_UID} cannot reach $build/bin/vornalix (a folder on the way is closed to them);" >&2
    echo "run.sh: the wizard runs as root instead. A clone in a folder of their own avoids this." >&2
fi
exec "$build/bin/vornalix" "$@"
