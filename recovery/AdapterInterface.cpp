#include "recovery/AdapterInterface.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>

namespace vornalix::recovery {

std::optional<AdapterInterface> AdapterInterface::Holding(in_addr_t address) {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return std::nullopt;
    std::optional<AdapterInterface> found, loopbackSubnet;
    for (ifaddrs* entry = list; entry != nullptr && !found; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET)
            continue;
        const in_addr_t own = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr.s_addr;
        // An address's label ("eth0:1") names its interface up to the colon, which no interface name has.
        const std::string label = entry->ifa_name;
        const std::string name = label.substr(0, label.find(':'));
        const unsigned index = if_nametoindex(name.c_str());
        int prefix = 0;
        if (entry->ifa_netmask != nullptr)
            prefix = __builtin_popcount(reinterpret_cast<const sockaddr_in*>(entry->ifa_netmask)->sin_addr.s_addr);
        if (index == 0)
            continue;
        const AdapterInterface adapter{name, static_cast<int>(index), prefix, (entry->ifa_flags & IFF_LOOPBACK) != 0};
        if (own == address)
            found = adapter;
        // The loopback adapter answers for every address of its subnet (127.0.0.2 as well as 127.0.0.1).
        else if (adapter.loopback && adapter.InSubnet(own, address))
            loopbackSubnet = adapter;
    }
    freeifaddrs(list);
    return found ? found : loopbackSubnet;
}

bool AdapterInterface::IsOwnAddress(in_addr_t address) {
    if ((ntohl(address) >> 24) == 127)
        return true;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return false;
    bool own = false;
    for (ifaddrs* entry = list; entry != nullptr && !own; entry = entry->ifa_next)
        own = entry->ifa_addr != nullptr && entry->ifa_addr->sa_family == AF_INET &&
              reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr.s_addr == address;
    freeifaddrs(list);
    return own;
}

bool AdapterInterface::InSubnet(in_addr_t own, in_addr_t address) const {
    const in_addr_t mask = prefixLength <= 0 ? 0 : htonl(prefixLength >= 32 ? ~0u : ~0u << (32 - prefixLength));
    return (own & mask) == (address & mask);
}

} // namespace vornalix::recovery
