#!/usr/bin/env bash
# Line coverage of the TFTP session and server code by the session fuzzer's corpus (as run-fuzzers.sh left it):
# builds the fuzzer with clang's coverage instrumentation, replays the corpus and prints llvm-cov's report.
#   tools/fuzz/session-coverage.sh [FUZZ_DIR]   (default build/fuzz)
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
out="${1:-$root/build/fuzz}"
corpus="$out/TftpSessionFuzzer.corpus"
mkdir -p "$out/coverage/tmp"
sources=("$root"/recovery/{TftpServer,TftpTransfer,TftpPacket,ServedFolder,TftpSessionContext}.cpp
         "$root"/recovery/{TftpSocketChannel,TimedSocketIo,UdpListener,ListenStatus,AdapterInterface}.cpp
         "$root"/recovery/posix/*.cpp "$root"/common/*.cpp "$root"/common/posix/*.cpp
         "$root"/res/*.cpp "$root"/res/posix/*.cpp)
clang++ -std=c++20 -O1 -g -fsanitize=fuzzer -fprofile-instr-generate -fcoverage-mapping -I "$root" \
    -o "$out/coverage/TftpSessionFuzzer" "$root/tools/fuzz/TftpSessionFuzzer.cpp" "${sources[@]}"
rm -f "$out"/coverage/*.profraw
(cd "$out/coverage" && TMPDIR="$out/coverage/tmp" LLVM_PROFILE_FILE="$out/coverage/run.profraw" \
    ./TftpSessionFuzzer -runs=0 -max_len=2048 "$corpus" > /dev/null 2>&1)
llvm-profdata merge -o "$out/coverage/session.profdata" "$out"/coverage/*.profraw
llvm-cov report "$out/coverage/TftpSessionFuzzer" -instr-profile="$out/coverage/session.profdata" \
    "$root"/recovery/{TftpTransfer,TftpSessionContext,TftpServer,ServedFolder,TftpPacket}.cpp
