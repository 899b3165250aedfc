#pragma once
// How a TFTP session meets its requester: its own socket and the clock. The session fuzzer puts datagrams and
// time of its choosing in their place.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <netinet/in.h>
#include <span>

namespace vornalix::recovery {

class TftpChannel {
public:
    using Clock = std::chrono::steady_clock;

    virtual ~TftpChannel() = default;
    // Waits for one datagram (the session's silence limit at most); returns its length and its sender, or 0 or
    // less after silence or a receive error.
    virtual int Receive(std::uint8_t* buffer, std::size_t size, sockaddr_in& sender) = 0;
    virtual void Send(std::span<const std::uint8_t> packet, const sockaddr_in& to) = 0;
    virtual Clock::time_point Now() const = 0;
    // The pause after each datagram.
    virtual void Pause() = 0;
};

} // namespace vornalix::recovery
