#!/bin/bash
# build-curl.sh WORKDIR TOOLCHAIN_FILE
#
# Builds a static libcurl for Windows from Debian's own curl source package: HTTP only, no TLS, no
# compression, no IDN/PSL/SSH/LDAP. The source comes through apt with a source list of its own kept in
# WORKDIR (the system's apt configuration and lists are not touched); the version is the one of the
# installed libcurl4-openssl-dev when the archive has it, otherwise the newest. Cross-compiled with
# curl's own CMake files and TOOLCHAIN_FILE, installed into WORKDIR/install. A stamp file
# (WORKDIR/install/.stamp) holding the version and options makes later runs return at once.
# Needs network access to deb.debian.org on the first run only.
set -eu -o pipefail

[ $# -eq 2 ] || { echo "usage: $(sed -n '2s/^# //p' "$0")" >&2; exit 2; }
work=$(realpath -m "$1")
toolchain=$(realpath "$2")
mkdir -p "$work"

options=(
    -DCMAKE_BUILD_TYPE=Release
    -DBUILD_SHARED_LIBS=OFF
    -DBUILD_CURL_EXE=OFF
    -DBUILD_TESTING=OFF
    -DENABLE_MANUAL=OFF
    -DHTTP_ONLY=ON
    -DCURL_ENABLE_SSL=OFF
    -DCURL_USE_OPENSSL=OFF
    -DCURL_USE_SCHANNEL=OFF
    -DCURL_WINDOWS_SSPI=OFF
    -DCURL_USE_LIBSSH2=OFF
    -DCURL_USE_LIBSSH=OFF
    -DCURL_USE_GSSAPI=OFF
    -DCURL_ZLIB=OFF
    -DCURL_BROTLI=OFF
    -DCURL_ZSTD=OFF
    -DUSE_NGHTTP2=OFF
    -DUSE_LIBIDN2=OFF
    -DUSE_WIN32_IDN=OFF
    -DCURL_USE_LIBPSL=OFF
    -DCURL_DISABLE_LDAP=ON
    -DCURL_DISABLE_LDAPS=ON
    -DENABLE_UNIX_SOCKETS=OFF
    -DENABLE_THREADED_RESOLVER=ON
    -DCURL_CA_BUNDLE=none
    -DCURL_CA_PATH=none
)

stamp="$work/install/.stamp"
wanted_id() { printf '%s\n' "$1" "${options[@]}" "$(sha256sum "$toolchain" | cut -d' ' -f1)"; }

# Once built, the installed copy answers without the network.
if [ -f "$stamp" ] && [ -f "$work/install/lib/libcurl.a" ]; then
    version=$(head -n1 "$stamp")
    if [ "$(cat "$stamp")" = "$(wanted_id "$version")" ]; then
        exit 0
    fi
fi

src="$work/src"
mkdir -p "$src/lists/partial" "$src/cache/archives/partial"
cat >"$src/sources.list" <<LIST
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm main
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm-updates main
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian-security bookworm-security main
LIST
apt=(apt-get -q -o "Dir::Etc::SourceList=$src/sources.list" -o Dir::Etc::SourceParts=/dev/null
     -o "Dir::State::Lists=$src/lists" -o "Dir::Cache=$src/cache" -o Dir::State::status=/var/lib/dpkg/status
     -o APT::Sandbox::User=root)
aptcache=(apt-cache -o "Dir::Etc::SourceList=$src/sources.list" -o Dir::Etc::SourceParts=/dev/null
          -o "Dir::State::Lists=$src/lists" -o "Dir::Cache=$src/cache")
echo "build-curl.sh: fetching Debian's curl source" >&2
"${apt[@]}" update >&2

installed=$(dpkg-query -W -f '${Version}' libcurl4-openssl-dev 2>/dev/null || true)
available=$("${aptcache[@]}" showsrc curl | sed -n 's/^Version: //p' | sort -V -r)
[ -n "$available" ] || { echo "build-curl.sh: no curl source package in Debian's lists" >&2; exit 1; }
if [ -n "$installed" ] && grep -qxF "$installed" <<<"$available"; then
    version=$installed
else
    version=$(head -n1 <<<"$available")
fi

rm -rf "$src/download" "$work/curl-source" "$work/build" "$work/install"
mkdir -p "$src/download"
(cd "$src/download" && "${apt[@]}" source --download-only "curl=$version" >&2)
dsc=$(ls "$src/download"/curl_*.dsc)
dpkg-source -x "$dsc" "$work/curl-source" >&2

echo "build-curl.sh: building libcurl $version for Windows" >&2
cmake -S "$work/curl-source" -B "$work/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_INSTALL_PREFIX="$work/install" "${options[@]}" >&2
cmake --build "$work/build" -j "${CURL_BUILD_JOBS:-2}" >&2
cmake --install "$work/build" >&2
wanted_id "$version" >"$stamp"
