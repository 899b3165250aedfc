#include "hostnet/linux/NetlinkAddressControl.h"

#include <arpa/inet.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vornalix::hostnet {

namespace {

// The label of the addresses this program adds ("eth0:vx"; the bare name where that would be too long).
// The kernel deletes an address only when the label given matches, so an address that someone else
// added is never removed.
std::string OurLabel(const std::string& interfaceName) {
    const std::string label = interfaceName + ":vx";
    return label.size() < IFNAMSIZ ? label : interfaceName;
}

// Sends one RTM_NEWADDR or RTM_DELADDR and returns the kernel's answer as an errno value.
int AddressRequest(std::uint16_t type, const std::string& interfaceName, std::uint32_t address, int prefixLength) {
    const unsigned index = if_nametoindex(interfaceName.c_str());
    if (index == 0)
        return ENODEV;
    const int fd = socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (fd < 0)
        return errno;
    timeval timeout{2, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);

    struct {
        nlmsghdr header;
        ifaddrmsg body;
        char attributes[96];
    } request{};
    request.header.nlmsg_len = NLMSG_LENGTH(sizeof(ifaddrmsg));
    request.header.nlmsg_type = type;
    request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_ACK | (type == RTM_NEWADDR ? NLM_F_CREATE | NLM_F_EXCL : 0);
    request.header.nlmsg_seq = 1;
    request.body.ifa_family = AF_INET;
    request.body.ifa_prefixlen = static_cast<unsigned char>(prefixLength);
    request.body.ifa_scope = (address & 0xFFFF) == 0xFEA9 ? RT_SCOPE_LINK : RT_SCOPE_UNIVERSE; // 169.254/16
    request.body.ifa_index = index;
    auto addAttribute = [&request](std::uint16_t kind, const void* data, std::size_t size) {
        auto* attribute =
            reinterpret_cast<rtattr*>(reinterpret_cast<char*>(&request) + NLMSG_ALIGN(request.header.nlmsg_len));
        attribute->rta_type = kind;
        attribute->rta_len = static_cast<unsigned short>(RTA_LENGTH(size));
        std::memcpy(RTA_DATA(attribute), data, size);
        request.header.nlmsg_len = NLMSG_ALIGN(request.header.nlmsg_len) + RTA_ALIGN(attribute->rta_len);
    };
    addAttribute(IFA_LOCAL, &address, 4);
    addAttribute(IFA_ADDRESS, &address, 4);
    const std::string label = OurLabel(interfaceName);
    addAttribute(IFA_LABEL, label.c_str(), label.size() + 1);
    if (type == RTM_NEWADDR) {
        const std::uint32_t mask = prefixLength == 0 ? 0 : htonl(~0u << (32 - prefixLength));
        const std::uint32_t broadcast = address | ~mask;
        addAttribute(IFA_BROADCAST, &broadcast, 4);
    }

    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    int result = 0;
    if (sendto(fd, &request, request.header.nlmsg_len, 0, reinterpret_cast<sockaddr*>(&kernel), sizeof kernel) < 0) {
        result = errno;
    } else {
        char buffer[4096];
        const ssize_t received = recv(fd, buffer, sizeof buffer, 0);
        if (received < 0) {
            result = errno;
        } else {
            const auto* answer = reinterpret_cast<const nlmsghdr*>(buffer);
            if (NLMSG_OK(answer, static_cast<int>(received)) && answer->nlmsg_type == NLMSG_ERROR)
                result = -static_cast<const nlmsgerr*>(NLMSG_DATA(answer))->error;
            else
                result = EPROTO;
        }
    }
    close(fd);
    return result;
}

} // namespace

int NetlinkAddressControl::Add(const std::string& interfaceName, std::uint32_t address, int prefixLength) {
    const int result = AddressRequest(RTM_NEWADDR, interfaceName, address, prefixLength);
    return result == EEXIST ? 0 : result;
}

int NetlinkAddressControl::Remove(const std::string& interfaceName, std::uint32_t address, int prefixLength) {
    const int result = AddressRequest(RTM_DELADDR, interfaceName, address, prefixLength);
    return result == EADDRNOTAVAIL || result == ENODEV ? 0 : result;
}

} // namespace vornalix::hostnet
