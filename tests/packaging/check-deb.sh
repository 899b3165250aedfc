#!/usr/bin/env bash
# Builds the Debian package from the build tree and checks it: file name, control fields, contents,
# desktop entry, lintian, then installs it into a throw-away root with dpkg, checks that the menu
# finds the entry, icon and program and that the programs got their capabilities, and purges it.
#   check-deb.sh BUILD_DIR VERSION WORK_DIR
set -euo pipefail
build=$1 version=$2 work=$3
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

rm -rf "$work"
mkdir -p "$work"
arch=$(dpkg --print-architecture)
(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || {
    cat "$work/cpack.log" >&2
    fail "cpack failed"
}
debs=("$work"/out/*.deb)
[ ${#debs[@]} -eq 1 ] || fail "expected one package, got: ${debs[*]}"
deb=${debs[0]}
[ "$(basename "$deb")" = "vornalix_${version}_${arch}.deb" ] || fail "package file name $(basename "$deb")"

# Control fields.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = vornalix ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture: $(field Architecture)"
[ -n "$(field Maintainer)" ] && [ -n "$(field Section)" ] || fail "Maintainer or Section missing"
depends=$(field Depends)
names=$(tr ',' '\n' <<<"$depends" | sed 's/^ *//; s/ .*//')
for needed in libc6 libstdc++6 libqt6widgets6 libqt6gui6 libqt6core6 qt6-qpa-plugins libcurl4 libcap2-bin; do
    grep -qxF "$needed" <<<"$names" || fail "Depends lacks $needed: $depends"
done
control_files=$(dpkg-deb --ctrl-tarfile "$deb" | tar -t)
for script in ./postinst ./prerm; do
    grep -qx "$script" <<<"$control_files" || fail "no $script"
done

# Contents: exactly these files (no simulators, benchmarks or tests).
expected="./usr/bin/vornalix
./usr/bin/vornalix-recover
./usr/share/applications/vornalix.desktop
./usr/share/doc/vornalix/changelog.gz
./usr/share/doc/vornalix/copyright
./usr/share/icons/hicolor/16x16/apps/vornalix.png
./usr/share/icons/hicolor/24x24/apps/vornalix.png
./usr/share/icons/hicolor/32x32/apps/vornalix.png
./usr/share/icons/hicolor/48x48/apps/vornalix.png
./usr/share/icons/hicolor/64x64/apps/vornalix.png
./usr/share/icons/hicolor/scalable/apps/vornalix.svg
./usr/share/man/man1/vornalix-recover.1.gz
./usr/share/man/man1/vornalix.1.gz"
actual=$(dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | sort)
[ "$actual" = "$expected" ] || fail "contents differ:
$(diff <(echo "$expected") <(echo "$actual"))"

# lintian: no errors.
lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1 || {
    cat "$work/lintian.log" >&2
    fail "lintian reports errors"
}

# Install into a throw-away root. The maintainer scripts run outside a chroot, with DPKG_ROOT set.
root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
dpkg_root() { dpkg --root="$root" --log="$work/dpkg.log" --force-script-chrootless --force-depends "$@"; }
dpkg_root -i "$deb" >"$work/install.log" 2>&1 || {
    cat "$work/install.log" >&2
    fail "dpkg -i failed"
}
[ "$(dpkg-query --admindir="$root/var/lib/dpkg" -W -f='${Status}' vornalix)" = "install ok installed" ] ||
    fail "not installed"

# Where a desktop looks (XDG_DATA_DIRS defaults to /usr/local/share:/usr/share): the entry in
# applications/, its Icon in the hicolor theme, its Exec on PATH.
entry=$root/usr/share/applications/vornalix.desktop
[ -f "$entry" ] || fail "no desktop entry in /usr/share/applications"
desktop-file-validate "$entry" | grep -v ": hint: " && fail "desktop entry not valid"
key() { sed -n "s/^$1=//p" "$entry"; }
[ "$(key Type)" = Application ] || fail "Type=$(key Type)"
[ "$(key Categories)" = "Network;Utility;" ] || fail "Categories=$(key Categories)"
[ -n "$(key 'Name\[ja\]')" ] && [ -n "$(key 'Comment\[ja\]')" ] || fail "no Japanese Name or Comment"
program=$(key Exec | cut -d' ' -f1)
[ -x "$root/usr/bin/$program" ] || fail "Exec program $program is not in /usr/bin"
icon=$(key Icon)
for size in 16 32 48; do
    png=$root/usr/share/icons/hicolor/${size}x$size/apps/$icon.png
    [ -f "$png" ] || fail "no $size px icon $icon"
    kind=$(file -b "$png")
    [[ $kind == "PNG image data, $size x $size"* ]] || fail "$png: $kind"
done
[ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no scalable icon"
man --warnings -l "$root/usr/share/man/man1/vornalix-recover.1.gz" >/dev/null 2>"$work/man.log" &&
    [ ! -s "$work/man.log" ] || fail "manual page: $(cat "$work/man.log")"

# postinst: the capabilities of the emergency path.
for program in vornalix vornalix-recover; do
    caps=$(getcap "$root/usr/bin/$program" | sed 's/.* //')
    [ "$(tr ',' '\n' <<<"${caps%=ep}" | sort | paste -sd,)=${caps##*=}" = \
        "cap_net_admin,cap_net_bind_service,cap_net_raw=ep" ] || fail "$program capabilities: '$caps'"
done

# Purge: nothing of the package stays behind.
dpkg_root --purge vornalix >"$work/purge.log" 2>&1 || {
    cat "$work/purge.log" >&2
    fail "dpkg --purge failed"
}
left=$(cd "$root" && find . -mindepth 1 -not -path './var' -not -path './var/lib' -not -path './var/lib/dpkg*')
[ -z "$left" ] || fail "left after purge: $left"
echo "package $(basename "$deb") checked"
