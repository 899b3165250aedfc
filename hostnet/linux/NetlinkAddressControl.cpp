#include "hostnet/linux/NetlinkAddressControl.h"

#include "hostnet/linux/NetlinkTables.h"

#include <arpa/inet.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <sys/socket.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace vornalix::hostnet {

namespace {

std::string OurLabel(const std::string& interfaceName) {
    return interfaceName + ":vx";
}

bool LabelFits(const std::string& interfaceName) {
    return OurLabel(interfaceName).size() < IFNAMSIZ;
}

// IFA_PROTO came with Linux 6.1; older kernels take the attribute and drop it.
bool KernelKeepsProtocol() {
    utsname name{};
    if (uname(&name) != 0)
        return false;
    char* end = nullptr;
    const long major = std::strtol(name.release, &end, 10);
    const long minor = *end == '.' ? std::strtol(end + 1, nullptr, 10) : 0;
    return major > 6 || (major == 6 && minor >= 1);
}

// Sends one RTM_NEWADDR or RTM_DELADDR and returns the kernel's answer as an errno value. label
// "": none given; protocol 0: none given.
int AddressRequest(std::uint16_t type, unsigned index, std::uint32_t address, int prefixLength,
                   const std::string& label, unsigned char protocol) {
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
    if (!label.empty())
        addAttribute(IFA_LABEL, label.c_str(), label.size() + 1);
    if (protocol != 0)
        addAttribute(IFA_PROTO, &protocol, 1);
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

// The address as the kernel lists it now; nullopt when it is not there. false when the kernel
// could not be asked.
bool FindAddress(unsigned index, std::uint32_t address, int prefixLength, std::optional<AddressRecord>& found) {
    NetlinkTables tables;
    if (!tables.Read())
        return false;
    found.reset();
    for (const AddressRecord& record : tables.addresses)
        if (record.index == index && record.address == address && record.prefixLength == prefixLength)
            found = record;
    return true;
}

bool Carries(const AddressRecord& record, const std::string& interfaceName, const std::string& mark) {
    if (mark == "proto")
        return record.protocol == NetlinkAddressControl::kProtocol;
    if (mark == "label")
        return LabelFits(interfaceName) && record.label == OurLabel(interfaceName);
    const std::string stamp = mark.rfind("stamp ", 0) == 0 ? mark.substr(6) : std::string();
    if (stamp.empty() || stamp.size() > 10 || !std::all_of(stamp.begin(), stamp.end(), ::isdigit))
        return false;
    return std::strtoull(stamp.c_str(), nullptr, 10) == record.createdStamp;
}

} // namespace

NetlinkAddressControl::NetlinkAddressControl() : strongest(KernelKeepsProtocol() ? Mark::Protocol : Mark::Label) {}

NetlinkAddressControl::NetlinkAddressControl(Mark strongest) : strongest(strongest) {}

std::string NetlinkAddressControl::PlannedMark(const std::string& interfaceName) {
    if (strongest == Mark::Protocol)
        return "proto";
    if (strongest == Mark::Label && LabelFits(interfaceName))
        return "label";
    return "stamp";
}

int NetlinkAddressControl::Add(const std::string& interfaceName, std::uint32_t address, int prefixLength,
                               std::string* mark) {
    const unsigned index = if_nametoindex(interfaceName.c_str());
    if (index == 0)
        return ENODEV;
    const std::string label = LabelFits(interfaceName) ? OurLabel(interfaceName) : std::string();
    const int result =
        AddressRequest(RTM_NEWADDR, index, address, prefixLength, label, strongest == Mark::Protocol ? kProtocol : 0);
    if (result != 0)
        return result;
    // The mark the kernel kept, read back: an older kernel drops the protocol.
    std::optional<AddressRecord> added;
    if (!FindAddress(index, address, prefixLength, added) || !added) {
        AddressRequest(RTM_DELADDR, index, address, prefixLength, label, 0);
        return EIO;
    }
    std::string kept = "stamp " + std::to_string(added->createdStamp);
    if (strongest == Mark::Protocol && Carries(*added, interfaceName, "proto"))
        kept = "proto";
    else if (strongest != Mark::Stamp && Carries(*added, interfaceName, "label"))
        kept = "label";
    if (mark != nullptr)
        *mark = kept;
    return 0;
}

int NetlinkAddressControl::Remove(const std::string& interfaceName, std::uint32_t address, int prefixLength,
                                  const std::string& mark) {
    const unsigned index = if_nametoindex(interfaceName.c_str());
    if (index == 0)
        return 0; // the interface is gone, and its addresses with it
    std::optional<AddressRecord> present;
    if (!FindAddress(index, address, prefixLength, present))
        return EIO;
    if (!present || !Carries(*present, interfaceName, mark))
        return 0;
    const int result = AddressRequest(RTM_DELADDR, index, address, prefixLength,
                                      mark == "label" ? OurLabel(interfaceName) : std::string(), 0);
    return result == EADDRNOTAVAIL || result == ENODEV ? 0 : result;
}

} // namespace vornalix::hostnet
