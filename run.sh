#!/usr/bin/env bash
# Builds Vornalix (Release) and starts the wizard: ./run.sh [FIRMWARE]
# FIRMWARE is taken relative to the directory run.sh is started from.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
"$top/tools/install-deps.sh"
cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$top/build" --target vornalix
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "run.sh: no display is available (DISPLAY and WAYLAND_DISPLAY are unset)." >&2
    echo "Start it from a desktop session, or on a virtual display: xvfb-run ./run.sh" >&2
    exit 1
fi
exec "$top/build/bin/vornalix" "$@"
