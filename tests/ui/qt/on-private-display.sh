#!/usr/bin/env bash
# on-private-display.sh PROGRAM [ARGS...]: runs PROGRAM on an X server of its own (Xvfb on a display number
# nobody uses, no TCP) managed by a small window manager (icewm), as on a desktop. Both are stopped at the end.
set -euo pipefail
for tool in Xvfb icewm xprop; do
    if ! command -v "$tool" >/dev/null; then
        echo "on-private-display: $tool is missing (tools/install-deps.sh installs it)" >&2
        exit 1
    fi
done
work=$(mktemp -d)
xvfb= wm=
stop() {
    [ -n "$wm" ] && kill "$wm" 2>/dev/null && wait "$wm" 2>/dev/null
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap stop EXIT
# -displayfd: the server takes a free display number and writes it there once it accepts clients.
Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x1024x24 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    kill -0 "$xvfb" 2>/dev/null || break
    sleep 0.1
done
if [ ! -s "$work/display" ]; then
    echo "on-private-display: Xvfb did not start:" >&2
    cat "$work/xvfb.log" >&2
    exit 1
fi
export DISPLAY=:$(head -n1 "$work/display")
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY
HOME=$work icewm >"$work/wm.log" 2>&1 &
wm=$!
# Up once it names itself on the root window.
for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
done
if ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
    echo "on-private-display: the window manager did not start:" >&2
    cat "$work/wm.log" >&2
    exit 1
fi
"$@"
