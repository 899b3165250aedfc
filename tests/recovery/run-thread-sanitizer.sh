#!/usr/bin/env bash
# Builds the recovery core and its threaded tests with clang and ThreadSanitizer, and runs them.
#   tests/recovery/run-thread-sanitizer.sh [OUTPUT_DIR]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
out="${1:-$root/build/tsan-recovery}"
mkdir -p "$out/obj"
flags=(-std=c++20 -O1 -g -fno-omit-frame-pointer -fsanitize=thread -I "$root" -I "$root/tests")
sources=("$root"/recovery/*.cpp "$root"/recovery/posix/*.cpp "$root"/common/*.cpp "$root"/common/posix/*.cpp
         "$root"/res/*.cpp "$root"/res/posix/*.cpp "$root"/tests/support/{GatewayLink,LossyRelay,RecordingPage,TftpFixture,UdpPeer}.cpp
         "$root"/tests/support/posix/PrivateNetwork.cpp
         "$root"/tests/recovery/{BootReplyServerTest,BootReplyExchangeTest,TftpTransferTest,TftpSessionTest}.cpp
         "$root"/tests/recovery/{TftpSessionPosixTest,TftpRobustnessTest}.cpp)

# Compile two at a time; an object is rebuilt when its source, or a header of the recovery code or its tests,
# is newer.
printf '%s\n' "${sources[@]}" | xargs -P 2 -I {} sh -c '
    root="$1"; out="$2"; source="$3"; shift 3
    obj="$out/obj/$(echo "$source" | md5sum | cut -c1-12).o"
    if [ ! -f "$obj" ] || [ "$source" -nt "$obj" ] ||
       [ -n "$(find "$root/recovery" "$root/common" "$root/res" "$root/tests/recovery" "$root/tests/support" -name "*.h" -newer "$obj" | head -n1)" ]; then
        clang++ "$@" -c "$source" -o "$obj"
    fi' sh "$root" "$out" {} "${flags[@]}"
objects=()
for source in "${sources[@]}"; do objects+=("$out/obj/$(echo "$source" | md5sum | cut -c1-12).o"); done
clang++ -fsanitize=thread -o "$out/recovery_thread_tests" "${objects[@]}" -lgtest -lgtest_main -lgmock -pthread

# The 70,000-block image is left to the ordinary build: under the sanitizer it only costs time.
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
export TMPDIR="$out"
exec "$out/recovery_thread_tests" --gtest_filter='-*ImageOf70000Blocks*'
