#!/usr/bin/env bash
# Builds the libFuzzer targets of the recovery servers with clang (ASan + UBSan) and runs each for a bounded time.
#   tools/fuzz/run-fuzzers.sh [OUTPUT_DIR] [SECONDS_EACH]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
out="${1:-$root/build/fuzz}"
seconds="${2:-25}"
mkdir -p "$out/tmp"
export TMPDIR="$out/tmp"
flags=(-std=c++20 -O1 -g -fno-omit-frame-pointer -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
       -I "$root")

build() {
    local name="$1"; shift
    clang++ "${flags[@]}" -o "$out/$name" "$root/tools/fuzz/$name.cpp" "$@"
}
build BootReplyFuzzer "$root/recovery/BootReplyBuilder.cpp" "$root/common/DottedAddress.cpp" \
    "$root/common/OfferedAddress.cpp" & first=$!
build TftpRequestFuzzer "$root/recovery/TftpPacket.cpp" "$root/recovery/ServedFolder.cpp" & second=$!
wait "$first"
wait "$second"
build TftpSessionFuzzer "$root"/recovery/{TftpTransfer,TftpPacket,ServedFolder,TftpSessionContext}.cpp \
    "$root"/recovery/{TftpSocketChannel,TimedSocketIo}.cpp "$root"/common/*.cpp "$root"/res/*.cpp

run() {
    local name="$1"; shift
    local files="$TMPDIR"
    local corpus="$out/$name.corpus"
    mkdir -p "$corpus"
    for seed in "$@"; do printf "$seed" > "$corpus/seed-$(printf '%s' "$seed" | md5sum | cut -c1-8)"; done
    echo "== $name for ${seconds}s"
    # The session fuzzer rewrites its files for every input: in memory where there is a tmpfs.
    if [ "$name" = TftpSessionFuzzer ] && [ -d /dev/shm ]; then
        files="$(mktemp -d /dev/shm/vx-fuzz.XXXXXX)"
    fi
    local result=0
    (cd "$out" && TMPDIR="$files" "./$name" -max_total_time="$seconds" -max_len=2048 -print_final_stats=1 "$corpus" 2>&1 |
        tail -n 12) || result=$?
    [ "$files" = "$TMPDIR" ] || rm -rf "$files"
    return "$result"
}
status=0
run BootReplyFuzzer '\xc0\xa8\x01\x01\x10/fw/gw_image.bin\x01\x01\x06\x00abcd' || status=1
run TftpRequestFuzzer '\x00\x01IMAGE.BIN\x00octet\x00blksize\x001024\x00tsize\x000\x00' \
    '\x00\x02../x\x00netascii\x00TIMEOUT\x0099\x00' || status=1
# File length, param.ini flag, the opening request, then ACKs 1..3 from the requester, a stray and a pause.
run TftpSessionFuzzer '\x04\x10\x00\x00\x00\x01\x00\x01\x02\x00\x02\x01\x00\x03\x81\x00\x01\xf2\x05' \
    '\x00\x20\x01\x01\x01\x00\x01' || status=1
exit $status
