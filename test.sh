#!/usr/bin/env bash
# Builds Vornalix for Linux (RelWithDebInfo, in build/) and for Windows (mingw-w64, in build-windows/), and runs
# every test of both inside a private network namespace, the Windows ones under Wine.
# Extra arguments go to ctest, e.g. ./test.sh -R RealPeers
set -euo pipefail
cd "$(dirname "$0")"
if [ "$(id -u)" -ne 0 ]; then
    echo "test.sh: run it as root: the tests run in a private network namespace" >&2
    exit 1
fi
# Before the long build: can the private namespace the tests run in be made here?
if ! unshare --net --mount --propagation private true 2>/dev/null; then
    echo "test.sh: cannot make a private network and mount namespace here (unshare --net --mount failed)." >&2
    echo "In a chroot, / must be a mount point: bind-mount the root onto itself before entering it." >&2
    exit 1
fi
tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
cmake -S . -B build-windows -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_TOOLCHAIN_FILE=cmake/MingwW64.cmake \
    -DVORNALIX_LINUX_BUILD_DIR="$PWD/build" >/dev/null
cmake --build build-windows
# No test datagram can leave the machine: a namespace of our own with only loopback,
# and a private /run/netns for the namespaces that tests create.
exec unshare --net --mount --propagation private tools/run-tests-in-netns.sh "$@"
