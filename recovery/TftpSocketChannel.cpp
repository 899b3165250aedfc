#include "recovery/TftpSocketChannel.h"

#include "recovery/AdapterInterface.h"
#include "recovery/AdapterSocket.h"

#include <algorithm>
#include <limits>
#include <thread>

namespace vornalix::recovery {

TftpSocketChannel::TftpSocketChannel(in_addr_t serverAddress, const TftpTimings& timings)
    : timings(timings), sessionSocket(common::OpenUdpSocket(false)) {
    if (sessionSocket == common::kNoSocket)
        return;
    common::SetSocketOption(sessionSocket, SOL_SOCKET, SO_REUSEADDR, 1);
    // On the adapter only (no privilege needed for an unbound socket), and from the address the requester
    // spoke to, also when the adapter holds several.
    if (const auto adapter = AdapterInterface::Holding(serverAddress))
        BindToDevice(sessionSocket, adapter->name);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = serverAddress;
    bind(sessionSocket, reinterpret_cast<sockaddr*>(&local), sizeof local);
}

TftpSocketChannel::~TftpSocketChannel() {
    common::CloseSocket(sessionSocket);
}

int TftpSocketChannel::Receive(std::uint8_t* buffer, std::size_t size, sockaddr_in& sender,
                               std::chrono::milliseconds wait) {
    using common::SocketError;
    const int ready = common::WaitForSocket(sessionSocket, common::SocketWait::Readable,
                                            static_cast<int>(std::max<std::int64_t>(0, wait.count())));
    if (ready < 0 && common::KindOfSocketError(common::LastSocketError()) != SocketError::Interrupted)
        return kReceiveError;
    if (ready <= 0)
        return kSilence;
    // A datagram larger than the buffer returns more than `size`, so that it is told apart.
    const long received = common::ReceiveDatagram(sessionSocket, buffer, size, &sender);
    if (received < 0) {
        const SocketError kind = common::KindOfSocketError(common::LastSocketError());
        return kind == SocketError::WouldBlock || kind == SocketError::Interrupted ? kSilence : kReceiveError;
    }
    return static_cast<int>(std::min<long>(received, std::numeric_limits<int>::max()));
}

void TftpSocketChannel::Send(std::span<const std::uint8_t> packet, const sockaddr_in& to) {
    common::SendDatagram(sessionSocket, packet.data(), packet.size(), to, MSG_DONTROUTE);
}

TftpChannel::Clock::time_point TftpSocketChannel::Now() const {
    return Clock::now();
}

void TftpSocketChannel::Pause() {
    std::this_thread::sleep_for(timings.pause);
}

} // namespace vornalix::recovery
