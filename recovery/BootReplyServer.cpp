#include "recovery/BootReplyServer.h"

#include "common/DottedAddress.h"
#include "recovery/AdapterInterface.h"
#include "recovery/AdapterSocket.h"
#include "recovery/TimedSocketIo.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace vornalix::recovery {

namespace {

constexpr std::size_t kDatagramSize = 2048;
constexpr int kReplyWaitSeconds = 30;
constexpr int kReplyTries = 5;

} // namespace

BootReplyServer::BootReplyServer(in_addr_t serverAddress, std::string bootFilePath)
    : clientAddress(BootReplyBuilder::ClientAddressFor(serverAddress)), serverAddress(serverAddress),
      clientAddressText(common::FormatDottedAddress(clientAddress)), bootFilePath(std::move(bootFilePath)),
      builder(serverAddress, this->bootFilePath) {}

BootReplyServer::~BootReplyServer() {
    Stop();
}

ListenStatus BootReplyServer::Start() {
    return Start(common::kNoSocket);
}

ListenStatus BootReplyServer::Start(common::SocketHandle boundSocket) {
    return listener.Start(
        [this, boundSocket]() -> UdpListener::Opened {
            const auto adapter = AdapterInterface::Holding(serverAddress);
            const auto refuse = [boundSocket](ListenStatus status) {
                common::CloseSocket(boundSocket);
                return UdpListener::Opened{common::kNoSocket, status};
            };
            if (!builder.NameFits())
                return refuse(ListenStatus::Failed(ListenFailure::NameTooLong, 0,
                                                   "The boot file name has more than 127 characters"));
            if (!adapter)
                return refuse(ListenStatus::Failed(ListenFailure::AddressNotPresent, 0,
                                                   "BOOTP server: address " +
                                                       common::FormatDottedAddress(serverAddress) + " not found"));
            interfaceIndex = adapter->index;
            if (boundSocket != common::kNoSocket)
                return {boundSocket, ListenStatus::Listening()};
            // The broadcasts that arrive on this adapter only.
            return UdpListener::Open(
                {"BOOTP server", adapter->name, kServerPort, BroadcastBindAddress(serverAddress), adapter->name, true});
        },
        [this](common::SocketHandle socket) { return ReceiveOne(socket); });
}

void BootReplyServer::Stop() {
    listener.Stop();
}

ListenStatus BootReplyServer::Status() const {
    return listener.Status();
}

long BootReplyServer::ReceiveOne(common::SocketHandle socket) {
    std::array<unsigned char, kDatagramSize> datagram{};
    sockaddr_in sender{};
    int arrivedOn = interfaceIndex;
    const long received = ReceiveOnAdapter(socket, datagram.data(), datagram.size(), sender, arrivedOn);
    // A datagram larger than the buffer is not answered.
    if (received > 0 && static_cast<std::size_t>(received) <= datagram.size() &&
        sender.sin_addr.s_addr != serverAddress && arrivedOn == interfaceIndex)
        Answer(socket, datagram.data(), static_cast<std::size_t>(received), sender);
    return received;
}

void BootReplyServer::Answer(common::SocketHandle socket, const unsigned char* datagram, std::size_t length,
                             const sockaddr_in& sender) {
    std::array<std::uint8_t, BootReplyBuilder::kRecordSize> record{};
    std::memcpy(record.data(), datagram, std::min(length, record.size()));
    if (record[BootReplyBuilder::kOp] != BootReplyBuilder::kBootRequest || !builder.Build(record))
        return;
    std::array<std::uint8_t, kDatagramSize> reply{};
    std::memcpy(reply.data(), record.data(), record.size());
    sockaddr_in destination = sender;
    destination.sin_addr.s_addr = htonl(INADDR_BROADCAST);
    const SendOrigin origin{interfaceIndex, serverAddress};
    TimedSocketIo(socket, reply.data(), record.size(), kDirectionSend, kReplyWaitSeconds, kReplyTries, &destination,
                  &origin);
}

} // namespace vornalix::recovery
