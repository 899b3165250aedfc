#!/usr/bin/env bash
# Runs ctest inside the private namespace that test.sh made (not meant to be called directly).
set -euo pipefail
cd "$(dirname "$0")/.."
ip link set lo up
# A /run of its own: the namespaces tests create, and the adapter helper's records (/run/vornalix), never the
# machine's.
mount -t tmpfs -o size=16m,mode=755 vornalix-run /run
mkdir -p /run/netns
export QT_QPA_PLATFORM=offscreen
export VORNALIX_PRIVATE_NETNS=1
cd "${VORNALIX_BUILD_DIR:-build}"
ctest --output-on-failure --timeout 600 -j "$(nproc)" "$@"
