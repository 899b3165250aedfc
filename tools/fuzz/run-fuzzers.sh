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
build TftpRequestFuzzer "$root/recovery/TftpPacket.cpp" "$root/recovery/ServedFolder.cpp" \
    "$root/recovery/posix/FileHandle.cpp" & second=$!
wait "$first"
wait "$second"
session_sources=("$root"/recovery/{TftpServer,TftpTransfer,TftpPacket,ServedFolder,TftpSessionContext}.cpp
    "$root"/recovery/{TftpSocketChannel,TimedSocketIo,UdpListener,ListenStatus,AdapterInterface}.cpp
    "$root"/recovery/posix/*.cpp "$root"/common/*.cpp "$root"/common/posix/*.cpp
    "$root"/res/*.cpp "$root"/res/posix/*.cpp)
build TftpSessionFuzzer "${session_sources[@]}"

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
    # The session fuzzer's scripts need their length from the start.
    local extra=()
    [ "$name" != TftpSessionFuzzer ] || extra=(-len_control=0)
    local result=0
    (cd "$out" && TMPDIR="$files" "./$name" -max_total_time="$seconds" -max_len=2048 "${extra[@]}" \
        -print_final_stats=1 "$corpus" 2>&1 | tail -n 12) || result=$?
    [ "$files" = "$TMPDIR" ] || rm -rf "$files"
    return "$result"
}
status=0
run BootReplyFuzzer '\xc0\xa8\x01\x01\x10/fw/gw_image.bin\x01\x01\x06\x00abcd' || status=1
run TftpRequestFuzzer '\x00\x01IMAGE.BIN\x00octet\x00blksize\x001024\x00tsize\x000\x00' \
    '\x00\x02../x\x00netascii\x00TIMEOUT\x0099\x00' || status=1
# Image length, param.ini flag, then the script: an image read with a twin and a stray from another port of the
# loader; a param.ini that names the image, then a missing image; a stored file; an image whose last ACK never
# comes; 25 requests at once under losses; 26 requesters at once, more than may wait.
many='\x10\x00\x01'
for i in $(seq 0 24); do many+="\\x0$((i % 5))\\x00\\x0$((i % 2))"; done
many+='\xc3\xa9\x03\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\xf9\x00'
crowd='\x10\x00\x00'
for i in $(seq 10 35); do crowd+="\\x28\\x$i\\x00\\x00"; done
crowd+='\xf9\x00'
run TftpSessionFuzzer '\x04\x10\x00\x00\x00\x00\x05\x00\x00\x01\x03\x00\x01\xa3\x00\x01\x01\x01\x01\xf5\x00' \
    '\x00\x10\x01\x00\x00\x01\xa2\x00\x01\x01\x01\x00\x00\x02\xfd\x00' \
    '\x00\x10\x00\x00\x00\x83\xb2\x00\x01\x01\x05\x30\x00\xf2\x00' '\x02\x00\x00\x00\x00\x00\xa0\x00\x01\xff\x00' \
    "$many" "$crowd" || status=1
exit $status
