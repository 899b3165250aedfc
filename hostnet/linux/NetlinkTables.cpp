#include "hostnet/linux/NetlinkTables.h"

#include <linux/if_link.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>

namespace vornalix::hostnet {

namespace {

class NetlinkSocket {
public:
    NetlinkSocket() : fd(socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE)) {
        if (fd >= 0) {
            timeval timeout{2, 0};
            setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        }
    }
    ~NetlinkSocket() {
        if (fd >= 0)
            close(fd);
    }
    NetlinkSocket(const NetlinkSocket&) = delete;
    NetlinkSocket& operator=(const NetlinkSocket&) = delete;

    // Sends a dump request and hands every answer message to handle; false on any failure.
    bool Dump(std::uint16_t type, std::uint8_t family, const std::function<void(const nlmsghdr*)>& handle) {
        if (fd < 0)
            return false;
        struct {
            nlmsghdr header;
            rtgenmsg body;
        } request{};
        request.header.nlmsg_len = sizeof request;
        request.header.nlmsg_type = type;
        request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
        request.header.nlmsg_seq = ++sequence;
        request.body.rtgen_family = family;
        sockaddr_nl kernel{};
        kernel.nl_family = AF_NETLINK;
        if (sendto(fd, &request, sizeof request, 0, reinterpret_cast<sockaddr*>(&kernel), sizeof kernel) < 0)
            return false;
        std::vector<char> buffer(64 * 1024);
        for (;;) {
            const ssize_t received = recv(fd, buffer.data(), buffer.size(), 0);
            if (received <= 0)
                return false;
            int remaining = static_cast<int>(received);
            for (auto* message = reinterpret_cast<const nlmsghdr*>(buffer.data()); NLMSG_OK(message, remaining);
                 message = NLMSG_NEXT(message, remaining)) {
                if (message->nlmsg_seq != sequence)
                    continue;
                if (message->nlmsg_type == NLMSG_DONE)
                    return true;
                if (message->nlmsg_type == NLMSG_ERROR)
                    return false;
                handle(message);
            }
        }
    }

private:
    int fd;
    std::uint32_t sequence = 0;
};

template <typename Payload>
void ForEachAttribute(const nlmsghdr* message, const Payload* payload,
                      const std::function<void(const rtattr*)>& handle) {
    int length = static_cast<int>(message->nlmsg_len) - static_cast<int>(NLMSG_LENGTH(sizeof(Payload)));
    const auto* attribute =
        reinterpret_cast<const rtattr*>(reinterpret_cast<const char*>(payload) + NLMSG_ALIGN(sizeof(Payload)));
    for (; length > 0 && RTA_OK(attribute, length); attribute = RTA_NEXT(attribute, length))
        handle(attribute);
}

} // namespace

bool NetlinkTables::Read() {
    links.clear();
    addresses.clear();
    NetlinkSocket socket;
    const bool linksRead = socket.Dump(RTM_GETLINK, AF_UNSPEC, [this](const nlmsghdr* message) {
        if (message->nlmsg_type != RTM_NEWLINK || message->nlmsg_len < NLMSG_LENGTH(sizeof(ifinfomsg)))
            return;
        const auto* info = static_cast<const ifinfomsg*>(NLMSG_DATA(message));
        LinkRecord link;
        link.index = static_cast<std::uint32_t>(info->ifi_index);
        link.arpType = info->ifi_type;
        link.flags = info->ifi_flags;
        ForEachAttribute(message, info, [&link](const rtattr* attribute) {
            const auto* data = static_cast<const char*>(RTA_DATA(attribute));
            const std::size_t size = RTA_PAYLOAD(attribute);
            switch (attribute->rta_type) {
            case IFLA_IFNAME:
                link.name.assign(data, strnlen(data, size));
                break;
            case IFLA_MTU:
                if (size >= sizeof(std::uint32_t))
                    std::memcpy(&link.mtu, data, sizeof link.mtu);
                break;
            case IFLA_ADDRESS:
                link.hardwareAddress.assign(data, size);
                break;
            case IFLA_OPERSTATE:
                if (size >= 1)
                    link.operState = static_cast<std::uint8_t>(data[0]);
                break;
            case IFLA_MASTER:
                if (size >= sizeof(std::uint32_t))
                    std::memcpy(&link.master, data, sizeof link.master);
                break;
            case IFLA_LINKINFO: {
                int length = static_cast<int>(size);
                for (auto* nested = static_cast<const rtattr*>(RTA_DATA(attribute)); RTA_OK(nested, length);
                     nested = RTA_NEXT(nested, length))
                    if (nested->rta_type == IFLA_INFO_KIND) {
                        const auto* kind = static_cast<const char*>(RTA_DATA(nested));
                        link.kind.assign(kind, strnlen(kind, RTA_PAYLOAD(nested)));
                    }
                break;
            }
            default:
                break;
            }
        });
        links.push_back(std::move(link));
    });
    const bool addressesRead = socket.Dump(RTM_GETADDR, AF_INET, [this](const nlmsghdr* message) {
        if (message->nlmsg_type != RTM_NEWADDR || message->nlmsg_len < NLMSG_LENGTH(sizeof(ifaddrmsg)))
            return;
        const auto* info = static_cast<const ifaddrmsg*>(NLMSG_DATA(message));
        if (info->ifa_family != AF_INET)
            return;
        AddressRecord record;
        record.index = info->ifa_index;
        record.prefixLength = info->ifa_prefixlen;
        bool haveLocal = false;
        bool haveAddress = false;
        ForEachAttribute(message, info, [&](const rtattr* attribute) {
            const auto* data = static_cast<const char*>(RTA_DATA(attribute));
            const std::size_t size = RTA_PAYLOAD(attribute);
            if (attribute->rta_type == IFA_LABEL)
                record.label.assign(data, strnlen(data, size));
            else if (attribute->rta_type == IFA_PROTO && size >= 1)
                record.protocol = static_cast<std::uint8_t>(data[0]);
            else if (attribute->rta_type == IFA_CACHEINFO && size >= sizeof(ifa_cacheinfo))
                record.createdStamp = static_cast<const ifa_cacheinfo*>(RTA_DATA(attribute))->cstamp;
            if (size < 4)
                return;
            // IFA_LOCAL is the interface's own address; IFA_ADDRESS is the peer's on a
            // point-to-point link.
            if (attribute->rta_type == IFA_LOCAL) {
                std::memcpy(&record.address, RTA_DATA(attribute), 4);
                haveLocal = true;
            } else if (attribute->rta_type == IFA_ADDRESS && !haveLocal) {
                std::memcpy(&record.address, RTA_DATA(attribute), 4);
                haveAddress = true;
            }
        });
        if (haveLocal || haveAddress)
            addresses.push_back(record);
    });
    std::stable_sort(links.begin(), links.end(), [](const auto& a, const auto& b) { return a.index < b.index; });
    return linksRead && addressesRead;
}

} // namespace vornalix::hostnet
