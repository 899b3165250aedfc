#include "recovery/TimedSocketIo.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>

namespace vornalix::recovery {

namespace {

int SendDatagram(int socket, const void* buffer, std::size_t size, const sockaddr_in* address,
                 const SendOrigin* origin) {
    if (origin == nullptr)
        return static_cast<int>(
            sendto(socket, buffer, size, MSG_DONTROUTE, reinterpret_cast<const sockaddr*>(address), sizeof *address));
    iovec part{const_cast<void*>(buffer), size};
    alignas(cmsghdr) unsigned char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    msghdr message{};
    message.msg_name = const_cast<sockaddr_in*>(address);
    message.msg_namelen = sizeof *address;
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    cmsghdr* header = CMSG_FIRSTHDR(&message);
    header->cmsg_level = IPPROTO_IP;
    header->cmsg_type = IP_PKTINFO;
    header->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
    in_pktinfo info{};
    info.ipi_ifindex = origin->interfaceIndex;
    info.ipi_spec_dst.s_addr = origin->sourceAddress;
    std::memcpy(CMSG_DATA(header), &info, sizeof info);
    return static_cast<int>(sendmsg(socket, &message, MSG_DONTROUTE));
}

int ReceiveDatagram(int socket, void* buffer, std::size_t size, sockaddr_in* sender) {
    sockaddr_in from{};
    socklen_t fromLength = sizeof from;
    const ssize_t received =
        recvfrom(socket, buffer, size, MSG_TRUNC | MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (received < 0)
        return -1;
    if (static_cast<std::size_t>(received) > size) {
        errno = EMSGSIZE;
        return -1;
    }
    if (sender != nullptr)
        *sender = from;
    return static_cast<int>(received);
}

} // namespace

int TimedSocketIo(int socket, void* buffer, std::size_t size, int direction, int waitSeconds, int tries,
                  const sockaddr_in* address, const SendOrigin* origin, sockaddr_in* sender) {
    const auto waitMs = static_cast<int>(static_cast<std::uint16_t>(waitSeconds)) * 1000;
    const auto count = static_cast<std::uint16_t>(tries);
    int lastWait = 0;
    for (unsigned attempt = 0; attempt < count; ++attempt) {
        pollfd watched{socket, static_cast<short>((direction == kDirectionSend ? POLLOUT : POLLIN) | POLLPRI), 0};
        lastWait = poll(&watched, 1, waitMs);
        if (lastWait < 0 && errno == EINTR) {
            lastWait = 0;
            continue;
        }
        if (lastWait <= 0)
            continue;
        if (direction == kDirectionSend)
            return SendDatagram(socket, buffer, size, address, origin);
        const int received = ReceiveDatagram(socket, buffer, size, sender);
        // Readiness may have been a pending error or a datagram that was already taken: report it as it is.
        return received;
    }
    return lastWait;
}

} // namespace vornalix::recovery
