#include "recovery/BootReplyServer.h"

#include "common/DottedAddress.h"
#include "recovery/AdapterInterface.h"
#include "recovery/TimedSocketIo.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <net/if.h>
#include <sys/socket.h>
#include <unistd.h>

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
    return Start(-1);
}

ListenStatus BootReplyServer::Start(int boundSocket) {
    return listener.Start(
        [this, boundSocket]() -> UdpListener::Opened {
            const auto adapter = AdapterInterface::Holding(serverAddress);
            const auto refuse = [boundSocket](ListenStatus status) {
                if (boundSocket >= 0)
                    close(boundSocket);
                return UdpListener::Opened{-1, status};
            };
            if (!builder.NameFits())
                return refuse(ListenStatus::Failed(ListenFailure::NameTooLong, 0,
                                                   "The boot file name has more than 127 characters"));
            if (!adapter)
                return refuse(ListenStatus::Failed(ListenFailure::AddressNotPresent, 0,
                                                   "BOOTP server: address " +
                                                       common::FormatDottedAddress(serverAddress) + " not found"));
            interfaceIndex = adapter->index;
            if (boundSocket >= 0)
                return {boundSocket, ListenStatus::Listening()};
            // Broadcasts carry no unicast address: take them from the wildcard address, on this adapter only.
            return UdpListener::Open(
                {"BOOTP server", adapter->name, kServerPort, htonl(INADDR_ANY), adapter->name, true});
        },
        [this](int socket) { return ReceiveOne(socket); });
}

void BootReplyServer::Stop() {
    listener.Stop();
}

ListenStatus BootReplyServer::Status() const {
    return listener.Status();
}

ssize_t BootReplyServer::ReceiveOne(int socket) {
    std::array<unsigned char, kDatagramSize> datagram{};
    alignas(cmsghdr) unsigned char control[CMSG_SPACE(sizeof(in_pktinfo)) + 64];
    sockaddr_in sender{};
    iovec part{datagram.data(), datagram.size()};
    msghdr message{};
    message.msg_name = &sender;
    message.msg_namelen = sizeof sender;
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t received = recvmsg(socket, &message, MSG_DONTWAIT);
    if (received > 0 && !(message.msg_flags & MSG_TRUNC) && sender.sin_addr.s_addr != serverAddress) {
        int arrivedOn = interfaceIndex;
        for (cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr; header = CMSG_NXTHDR(&message, header)) {
            if (header->cmsg_level == IPPROTO_IP && header->cmsg_type == IP_PKTINFO) {
                in_pktinfo info;
                std::memcpy(&info, CMSG_DATA(header), sizeof info);
                arrivedOn = info.ipi_ifindex;
            }
        }
        if (arrivedOn == interfaceIndex)
            Answer(socket, datagram.data(), static_cast<std::size_t>(received), sender);
    }
    return received;
}

void BootReplyServer::Answer(int socket, const unsigned char* datagram, std::size_t length, const sockaddr_in& sender) {
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
