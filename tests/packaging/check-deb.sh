#!/usr/bin/env bash
# Builds the Debian package from the build tree and checks it: file name, control fields, contents,
# desktop entry, polkit action, lintian, then installs it into a throw-away root with dpkg, checks that
# the menu finds the entry, icon and program and that no file carries a capability or a set-ID bit,
# and purges it.
#   check-deb.sh BUILD_DIR VERSION WORK_DIR HELPER POLKIT_DTD
# HELPER is 1 when the tree builds vornalix-adapter-helper (the package must then hold it), else 0.
set -euo pipefail
build=$1 version=$2 work=$3 helper=$4 dtd=$5
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

rm -rf "$work"
mkdir -p "$work"
for tool in getcap xmllint; do
    command -v "$tool" >/dev/null || fail "$tool is missing (tools/packages.txt)"
done
# Nothing the build made carries a file capability.
found=$(getcap -r "$build/bin" "$build/lib")
[ -z "$found" ] || fail "file capabilities in the build: $found"
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
for needed in libc6 libstdc++6 libqt6widgets6 libqt6gui6 libqt6core6 qt6-qpa-plugins libcurl4 pkexec; do
    grep -qxF "$needed" <<<"$names" || fail "Depends lacks $needed: $depends"
done
# The maintainer scripts, if any, set no capability and no set-ID bit.
mkdir "$work/control"
dpkg-deb -e "$deb" "$work/control"
for script in preinst postinst prerm postrm; do
    [ -f "$work/control/$script" ] || continue
    ! grep -Eq '\bsetcap\b|\bchmod\b.*([ug]+\+s|\b[2467][0-7]{3}\b)' "$work/control/$script" ||
        fail "$script changes privileges: $(cat "$work/control/$script")"
done

# Contents: exactly these files (no simulators, benchmarks or tests).
helper_file=
[ "$helper" = 0 ] || helper_file=./usr/libexec/vornalix/vornalix-adapter-helper
expected="./usr/bin/vornalix
./usr/bin/vornalix-recover
$helper_file
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
./usr/share/man/man1/vornalix.1.gz
./usr/share/polkit-1/actions/org.example.vornalix.adapter-helper.policy"
expected=$(grep -v '^$' <<<"$expected")
actual=$(dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | sort)
[ "$actual" = "$expected" ] || fail "contents differ:
$(diff <(echo "$expected") <(echo "$actual"))"
# No set-user-ID, set-group-ID or sticky bit in the archive, and no capability once unpacked.
special=$(dpkg-deb --fsys-tarfile "$deb" | tar -tv | awk '$1 ~ /[sStT]/')
[ -z "$special" ] || fail "set-ID files: $special"
dpkg-deb -x "$deb" "$work/unpacked"
found=$(getcap -r "$work/unpacked")
[ -z "$found" ] || fail "file capabilities in the package: $found"

# The polkit action: valid against polkit's document type, one action that only the active session may
# use, after the administrator's password, for the helper's path alone.
[ -f "$dtd" ] || fail "no polkit document type at $dtd (the build unpacks it from polkitd)"
policy=$work/unpacked/usr/share/polkit-1/actions/org.example.vornalix.adapter-helper.policy
xmllint --noout --nonet --dtdvalid "$dtd" "$policy" 2>"$work/xmllint.log" ||
    fail "polkit action not valid: $(cat "$work/xmllint.log")"
xpath() { xmllint --nonet --xpath "$1" "$policy" 2>/dev/null; }
action=/policyconfig/action
[ "$(xpath "count($action)")" = 1 ] || fail "expected one polkit action"
[ "$(xpath "string($action/@id)")" = org.example.vornalix.adapter-helper ] ||
    fail "polkit action id: $(xpath "string($action/@id)")"
for text in "description[not(@xml:lang)]" "description[@xml:lang='ja']" "message[not(@xml:lang)]" \
    "message[@xml:lang='ja']"; do
    [ -n "$(xpath "string($action/$text)")" ] || fail "polkit action lacks $text"
done
for setting in allow_any=no allow_inactive=no allow_active=auth_admin_keep; do
    [ "$(xpath "string($action/defaults/${setting%=*})")" = "${setting#*=}" ] ||
        fail "polkit ${setting%=*}: '$(xpath "string($action/defaults/${setting%=*})")'"
done
exec_path=$(xpath "string($action/annotate[@key='org.freedesktop.policykit.exec.path'])")
[ "$exec_path" = /usr/libexec/vornalix/vornalix-adapter-helper ] || fail "polkit exec.path: '$exec_path'"

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

[ -z "$helper_file" ] || [ -x "$root$exec_path" ] || fail "the polkit action's program $exec_path is not installed"

# Installed: no file carries a capability or a set-ID bit.
found=$(getcap -r "$root")
[ -z "$found" ] || fail "file capabilities after installation: $found"
special=$(find "$root" -perm /6000)
[ -z "$special" ] || fail "set-ID files after installation: $special"

# Purge: nothing of the package stays behind.
dpkg_root --purge vornalix >"$work/purge.log" 2>&1 || {
    cat "$work/purge.log" >&2
    fail "dpkg --purge failed"
}
left=$(cd "$root" && find . -mindepth 1 -not -path './var' -not -path './var/lib' -not -path './var/lib/dpkg*')
[ -z "$left" ] || fail "left after purge: $left"
echo "package $(basename "$deb") checked"
