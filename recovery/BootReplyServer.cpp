#include "recovery/BootReplyServer.h"

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
constexpr int kIdleWaitMs = 1000;

} // namespace

BootReplyServer::BootReplyServer(in_addr_t serverAddress, std::string bootFilePath)
    : clientAddress(BootReplyBuilder::ClientAddressFor(serverAddress)), serverAddress(serverAddress),
      clientAddressText(DottedAddress(clientAddress)), bootFilePath(std::move(bootFilePath)),
      builder(serverAddress, this->bootFilePath) {}

BootReplyServer::~BootReplyServer() {
    Stop();
}

ListenStatus BootReplyServer::Start() {
    std::lock_guard stopLock(stopMutex);
    ListenStatus result;
    const auto adapter = AdapterInterface::Holding(serverAddress);
    if (worker.joinable()) {
        result = Status();
    } else if (!builder.NameFits()) {
        result = ListenStatus::Failed(ListenFailure::NameTooLong, 0, "The boot file name has more than 127 characters");
    } else if (!adapter) {
        result = ListenStatus::Failed(ListenFailure::AddressNotPresent, 0,
                                      "BOOTP server: address " + DottedAddress(serverAddress) + " not found");
    } else {
        result = [&] {
            const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
            if (fd < 0)
                return ListenStatus::FromErrno(errno, "BOOTP server: socket");
            const int on = 1;
            // Broadcasts carry no unicast address: take them from the wildcard address, on this adapter only.
            if (setsockopt(fd, SOL_SOCKET, SO_BINDTODEVICE, adapter->name.c_str(),
                           static_cast<socklen_t>(adapter->name.size() + 1)) != 0 ||
                setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0 ||
                setsockopt(fd, IPPROTO_IP, IP_PKTINFO, &on, sizeof on) != 0) {
                const int error = errno;
                close(fd);
                return ListenStatus::FromErrno(error, "BOOTP server: socket options on " + adapter->name);
            }
            sockaddr_in local{};
            local.sin_family = AF_INET;
            local.sin_port = htons(kServerPort);
            local.sin_addr.s_addr = htonl(INADDR_ANY);
            if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
                const int error = errno;
                close(fd);
                return ListenStatus::FromErrno(error, "BOOTP server: UDP port 67 on " + adapter->name);
            }
            socketFd = fd;
            interfaceIndex = adapter->index;
            return ListenStatus::Listening();
        }();
        if (result.listening)
            worker = std::thread([this] { Run(); });
    }
    std::lock_guard lock(stateMutex);
    status = result;
    return result;
}

void BootReplyServer::Stop() {
    std::lock_guard stopLock(stopMutex);
    if (!worker.joinable())
        return;
    stopSignal.Release();
    worker.join();
    std::lock_guard lock(stateMutex);
    status = ListenStatus{};
}

ListenStatus BootReplyServer::Status() const {
    std::lock_guard lock(stateMutex);
    return status;
}

void BootReplyServer::Run() {
    std::array<unsigned char, kDatagramSize> datagram{};
    alignas(cmsghdr) unsigned char control[CMSG_SPACE(sizeof(in_pktinfo)) + 64];
    while (!stopSignal.TryAcquire()) {
        // Sleeps until a datagram or the stop signal comes (at most one poll period when idle).
        stopSignal.WaitForSocket(socketFd, kIdleWaitMs);
        datagram.fill(0);
        sockaddr_in sender{};
        iovec part{datagram.data(), datagram.size()};
        msghdr message{};
        message.msg_name = &sender;
        message.msg_namelen = sizeof sender;
        message.msg_iov = &part;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        const ssize_t received = recvmsg(socketFd, &message, MSG_DONTWAIT);
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
                Answer(datagram.data(), static_cast<std::size_t>(received), sender);
        }
        if (received >= 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    close(socketFd);
    socketFd = -1;
}

void BootReplyServer::Answer(const unsigned char* datagram, std::size_t length, const sockaddr_in& sender) {
    std::array<std::uint8_t, BootReplyBuilder::kRecordSize> record{};
    std::memcpy(record.data(), datagram, std::min(length, record.size()));
    if (record[BootReplyBuilder::kOp] != BootReplyBuilder::kBootRequest || !builder.Build(record))
        return;
    std::array<std::uint8_t, kDatagramSize> reply{};
    std::memcpy(reply.data(), record.data(), record.size());
    sockaddr_in destination = sender;
    destination.sin_addr.s_addr = htonl(INADDR_BROADCAST);
    const SendOrigin origin{interfaceIndex, serverAddress};
    TimedSocketIo(socketFd, reply.data(), record.size(), kDirectionSend, kReplyWaitSeconds, kReplyTries, &destination,
                  &origin);
}

} // namespace vornalix::recovery
