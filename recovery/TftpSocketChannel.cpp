#include "recovery/TftpSocketChannel.h"

#include "recovery/AdapterInterface.h"
#include "recovery/TimedSocketIo.h"

#include <algorithm>
#include <cerrno>
#include <limits>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace vornalix::recovery {

TftpSocketChannel::TftpSocketChannel(in_addr_t serverAddress, const TftpTimings& timings)
    : timings(timings), sessionSocket(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {
    if (sessionSocket < 0)
        return;
    const int on = 1;
    setsockopt(sessionSocket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    // On the adapter only (no privilege needed for an unbound socket), and from the address the requester
    // spoke to, also when the adapter holds several.
    if (const auto adapter = AdapterInterface::Holding(serverAddress))
        setsockopt(sessionSocket, SOL_SOCKET, SO_BINDTODEVICE, adapter->name.c_str(),
                   static_cast<socklen_t>(adapter->name.size() + 1));
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = serverAddress;
    bind(sessionSocket, reinterpret_cast<sockaddr*>(&local), sizeof local);
}

TftpSocketChannel::~TftpSocketChannel() {
    if (sessionSocket >= 0)
        close(sessionSocket);
}

int TftpSocketChannel::Receive(std::uint8_t* buffer, std::size_t size, sockaddr_in& sender,
                               std::chrono::milliseconds wait) {
    pollfd watched{sessionSocket, POLLIN, 0};
    const int ready = poll(&watched, 1, static_cast<int>(std::max<std::int64_t>(0, wait.count())));
    if (ready < 0 && errno != EINTR)
        return kReceiveError;
    if (ready <= 0)
        return kSilence;
    socklen_t senderLength = sizeof sender;
    // MSG_TRUNC: the whole length of a datagram larger than the buffer, so that it is told apart.
    const ssize_t received = recvfrom(sessionSocket, buffer, size, MSG_TRUNC | MSG_DONTWAIT,
                                      reinterpret_cast<sockaddr*>(&sender), &senderLength);
    if (received < 0)
        return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? kSilence : kReceiveError;
    return static_cast<int>(std::min<ssize_t>(received, std::numeric_limits<int>::max()));
}

void TftpSocketChannel::Send(std::span<const std::uint8_t> packet, const sockaddr_in& to) {
    sendto(sessionSocket, packet.data(), packet.size(), MSG_DONTROUTE, reinterpret_cast<const sockaddr*>(&to),
           sizeof to);
}

TftpChannel::Clock::time_point TftpSocketChannel::Now() const {
    return Clock::now();
}

void TftpSocketChannel::Pause() {
    std::this_thread::sleep_for(timings.pause);
}

} // namespace vornalix::recovery
