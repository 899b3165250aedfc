#!/usr/bin/env bash
# Builds Vornalix (RelWithDebInfo, in build/) and runs every test inside a private network namespace.
# Extra arguments go to ctest, e.g. ./test.sh -R RealPeers
set -euo pipefail
cd "$(dirname "$0")"
if [ "$(id -u)" -ne 0 ]; then
    echo "test.sh: run it as root: the tests run in a private network namespace" >&2
    exit 1
fi
tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
# No test datagram can leave the machine: a namespace of our own with only loopback,
# and a private /run/netns for the namespaces that tests create.
exec unshare --net --mount --propagation private tools/run-tests-in-netns.sh "$@"
