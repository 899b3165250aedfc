#!/usr/bin/env bash
# Takes the document type of polkit action files (policyconfig-1.dtd) out of the polkitd package into DEST (a
# folder of the build tree), for checking the package's action without polkit installed or running.
# usage: unpack-polkit-dtd.sh DEST      (needs the package lists; run outside any test namespace)
set -uo pipefail
dest=$1
dtd=usr/share/polkit-1/policyconfig-1.dtd
[ -f "$dest/$dtd" ] && exit 0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
cd "$work" || exit 0
if ! apt-get download polkitd >/dev/null 2>&1; then
    [ "$(id -u)" -eq 0 ] && apt-get update -q >/dev/null 2>&1
    if ! apt-get download polkitd >/dev/null 2>&1; then
        echo "unpack-polkit-dtd: cannot download polkitd; the package check will fail" >&2
        exit 0 # the build goes on; the check says what is missing
    fi
fi
mkdir -p "$dest"
dpkg-deb --fsys-tarfile ./polkitd_*.deb | tar -x -C "$dest" "./$dtd"
