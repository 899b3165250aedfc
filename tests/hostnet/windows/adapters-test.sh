#!/bin/bash
# adapters-test.sh PROGRAM WINE_RUN: runs PROGRAM --adapters under Wine (WINE_RUN, tools/wine/wine-run.sh) with a
# prefix and a wineserver of its own, in a network namespace of its own with three Ethernet adapters: vxa
# 192.168.77.1/24, vxb 10.9.8.7/16 (vxa's peer) and vxc without an address. A pair made and deleted first leaves
# a gap in the interface indexes, so that no adapter's index equals its row number in the agent's table.
set -eu
program=$1
run=$2
ns=vxhostnet$$
ip netns add "$ns"
trap 'ip netns del "$ns"' EXIT
ip -n "$ns" link set lo up
ip -n "$ns" link add vxg type veth peer name vxh
ip -n "$ns" link del vxg
ip -n "$ns" link add vxc type veth peer name vxd
ip -n "$ns" link add vxa type veth peer name vxb
ip -n "$ns" addr add 192.168.77.1/24 dev vxa
ip -n "$ns" addr add 10.9.8.7/16 dev vxb
for link in vxa vxb vxc vxd; do ip -n "$ns" link set "$link" up; done
ip netns exec "$ns" env -u WINEPREFIX "$run" "$program" --adapters --gtest_brief=1
