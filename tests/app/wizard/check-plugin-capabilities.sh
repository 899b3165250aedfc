#!/usr/bin/env bash
# A copy of the wizard that carries the emergency path's file capabilities is started as nobody with a style
# plugin of the caller's choosing (QT_PLUGIN_PATH, QT_STYLE_OVERRIDE). The plugin must find no capability in any
# set. The copy lives in a temporary folder and is removed at the end.
#   check-plugin-capabilities.sh WIZARD PLUGIN
# Needs root; skipped (77) without it outside the test runner.
set -euo pipefail
wizard=$1 plugin=$2
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
if [ "$(id -u)" -ne 0 ]; then
    [ -z "${VORNALIX_PRIVATE_NETNS:-}" ] || fail "needs root"
    echo "needs root: skipped"
    exit 77
fi
command -v setcap >/dev/null || fail "setcap is missing (Debian package libcap2-bin)"

caps=cap_net_bind_service,cap_net_raw,cap_net_admin=ep
nobody=(setpriv --reuid=65534 --regid=65534 --clear-groups)
dir=$(mktemp -d /tmp/vornalix-probe.XXXXXX)
pid=
cleanup() {
    if [ -n "$pid" ]; then
        kill -KILL "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    fi
    rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 143' TERM INT HUP # the capable copies go also when ctest gives up
chmod 755 "$dir"
mkdir "$dir/styles" "$dir/out"
chown 65534:65534 "$dir/out"
cp "$wizard" "$dir/vornalix"
cp "$plugin" "$dir/styles/"
cp "$(command -v cat)" "$dir/cat"
setcap "$caps" "$dir/vornalix"
setcap "$caps" "$dir/cat"

# The folder honours file capabilities (no nosuid mount, a bounding set that has them): a copy of cat with the
# same ones holds them. Otherwise an empty set below would prove nothing.
held=$("${nobody[@]}" "$dir/cat" /proc/self/status | grep '^CapEff:')
[ "$held" = "$(printf 'CapEff:\t0000000000003400')" ] || fail "file capabilities do not take effect in $dir: $held"

# The wizard's default firmware comes from the folder it starts in: the temporary one.
(cd "$dir" && exec "${nobody[@]}" env -i PATH=/usr/bin:/bin HOME=/nonexistent LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen \
    QT_PLUGIN_PATH="$dir" QT_STYLE_OVERRIDE=vxprobe VX_PROBE_OUT="$dir/out/status" \
    "$dir/vornalix" >"$dir/wizard.log" 2>&1) &
pid=$!
for _ in $(seq 150); do
    [ -e "$dir/out/status" ] && break
    kill -0 "$pid" 2>/dev/null || fail "the wizard ended before it loaded the style: $(cat "$dir/wizard.log")"
    sleep 0.1
done
[ -e "$dir/out/status" ] || fail "the style plugin was not loaded within 15 s: $(cat "$dir/wizard.log")"
kill -KILL "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
pid=

for set in CapEff CapPrm CapInh CapAmb; do
    line=$(grep "^$set:" "$dir/out/status") || fail "no $set line: $(cat "$dir/out/status")"
    [ "$line" = "$(printf '%s:\t0000000000000000' "$set")" ] || fail "a plugin in the wizard holds capabilities: $line"
done
echo "the plugin saw no capabilities"
