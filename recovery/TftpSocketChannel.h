#pragma once
// A session's UDP socket: not connected, bound to the server's address with a port of the system's choosing.
#include "recovery/TftpChannel.h"
#include "recovery/TftpSessionContext.h"

namespace vornalix::recovery {

class TftpSocketChannel : public TftpChannel {
public:
    TftpSocketChannel(in_addr_t serverAddress, const TftpTimings& timings);
    ~TftpSocketChannel() override;
    TftpSocketChannel(const TftpSocketChannel&) = delete;
    TftpSocketChannel& operator=(const TftpSocketChannel&) = delete;

    int Receive(std::uint8_t* buffer, std::size_t size, sockaddr_in& sender, std::chrono::milliseconds wait) override;
    void Send(std::span<const std::uint8_t> packet, const sockaddr_in& to) override;
    Clock::time_point Now() const override;
    void Pause() override;

private:
    const TftpTimings timings;
    common::SocketHandle sessionSocket;
};

} // namespace vornalix::recovery
