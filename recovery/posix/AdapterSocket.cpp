#include "recovery/AdapterSocket.h"

#include <cstring>
#include <sys/socket.h>

namespace vornalix::recovery {

in_addr_t BroadcastBindAddress(in_addr_t) {
    // Broadcasts carry no unicast address: take them from the wildcard address, on the adapter's device only.
    return htonl(INADDR_ANY);
}

bool BindToDevice(common::SocketHandle socket, const std::string& device) {
    return setsockopt(socket, SOL_SOCKET, SO_BINDTODEVICE, device.c_str(), static_cast<socklen_t>(device.size() + 1)) ==
           0;
}

bool EnableBroadcastOnAdapter(common::SocketHandle socket) {
    return common::SetSocketOption(socket, SOL_SOCKET, SO_BROADCAST, 1) &&
           common::SetSocketOption(socket, IPPROTO_IP, IP_PKTINFO, 1);
}

long ReceiveOnAdapter(common::SocketHandle socket, void* buffer, std::size_t size, sockaddr_in& sender,
                      int& arrivedOn) {
    alignas(cmsghdr) unsigned char control[CMSG_SPACE(sizeof(in_pktinfo)) + 64];
    iovec part{buffer, size};
    msghdr message{};
    message.msg_name = &sender;
    message.msg_namelen = sizeof sender;
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t received = recvmsg(socket, &message, MSG_DONTWAIT | MSG_TRUNC);
    if (received < 0)
        return -1;
    for (cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr; header = CMSG_NXTHDR(&message, header)) {
        if (header->cmsg_level == IPPROTO_IP && header->cmsg_type == IP_PKTINFO) {
            in_pktinfo info;
            std::memcpy(&info, CMSG_DATA(header), sizeof info);
            arrivedOn = info.ipi_ifindex;
        }
    }
    return static_cast<long>(received);
}

long SendFromAdapter(common::SocketHandle socket, const void* data, std::size_t size, const sockaddr_in& to, int flags,
                     int interfaceIndex, in_addr_t sourceAddress) {
    iovec part{const_cast<void*>(data), size};
    alignas(cmsghdr) unsigned char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    msghdr message{};
    message.msg_name = const_cast<sockaddr_in*>(&to);
    message.msg_namelen = sizeof to;
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    cmsghdr* header = CMSG_FIRSTHDR(&message);
    header->cmsg_level = IPPROTO_IP;
    header->cmsg_type = IP_PKTINFO;
    header->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
    in_pktinfo info{};
    info.ipi_ifindex = interfaceIndex;
    info.ipi_spec_dst.s_addr = sourceAddress;
    std::memcpy(CMSG_DATA(header), &info, sizeof info);
    return static_cast<long>(sendmsg(socket, &message, flags));
}

} // namespace vornalix::recovery
