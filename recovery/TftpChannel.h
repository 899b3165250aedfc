#pragma once
// How a TFTP session meets its requester: its own socket and the clock. The session fuzzer puts datagrams and
// time of its choosing in their place.
#include "common/Socket.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>

namespace vornalix::recovery {

class TftpChannel {
public:
    using Clock = std::chrono::steady_clock;
    // What Receive returns when no datagram came within its wait, and after a receive error.
    static constexpr int kSilence = -1;
    static constexpr int kReceiveError = -2;

    virtual ~TftpChannel() = default;
    // Waits up to `wait` for one datagram; returns its whole length (of which at most `size` bytes are stored, so
    // a larger value tells an oversized datagram) and its sender, or kSilence or kReceiveError.
    virtual int Receive(std::uint8_t* buffer, std::size_t size, sockaddr_in& sender,
                        std::chrono::milliseconds wait) = 0;
    virtual void Send(std::span<const std::uint8_t> packet, const sockaddr_in& to) = 0;
    virtual Clock::time_point Now() const = 0;
    // The pause after each datagram.
    virtual void Pause() = 0;
};

} // namespace vornalix::recovery
