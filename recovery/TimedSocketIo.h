#pragma once
// Wait-then-send-or-receive on a UDP socket.
#include "common/Socket.h"

#include <cstddef>

namespace vornalix::recovery {

constexpr int kDirectionSend = 1;
constexpr int kDirectionReceive = 2;

// Where a send leaves from: the interface and the source address (a broadcast reply on one adapter).
struct SendOrigin {
    int interfaceIndex = 0;
    in_addr_t sourceAddress = 0;
};

// Waits up to `tries` times, `waitSeconds` each, for the socket to become writable (direction 1) or
// readable (direction 2), then sends the buffer to `address` with MSG_DONTROUTE (leaving from `origin` when
// given) or receives one datagram of at most `size` bytes (its sender into `sender` when given). Returns what
// the send or receive returns; a datagram larger than `size` is a receive error (-1, LastSocketError of kind
// MessageTooLong). When no wait reports readiness, returns the last wait's result: 0 after time-outs, -1 after an
// error.
int TimedSocketIo(common::SocketHandle socket, void* buffer, std::size_t size, int direction, int waitSeconds,
                  int tries, const sockaddr_in* address, const SendOrigin* origin = nullptr,
                  sockaddr_in* sender = nullptr);

} // namespace vornalix::recovery
