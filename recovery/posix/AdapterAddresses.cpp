#include "recovery/AdapterInterface.h"

#include <ifaddrs.h>
#include <net/if.h>

namespace vornalix::recovery {

std::optional<std::vector<AdapterAddress>> ListAdapterAddresses() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return std::nullopt;
    std::vector<AdapterAddress> addresses;
    for (ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET)
            continue;
        // An address's label ("eth0:1") names its interface up to the colon, which no interface name has.
        const std::string label = entry->ifa_name;
        const std::string name = label.substr(0, label.find(':'));
        const unsigned index = if_nametoindex(name.c_str());
        if (index == 0)
            continue;
        int prefix = 0;
        if (entry->ifa_netmask != nullptr)
            prefix = __builtin_popcount(reinterpret_cast<const sockaddr_in*>(entry->ifa_netmask)->sin_addr.s_addr);
        addresses.push_back({reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr.s_addr,
                             {name, static_cast<int>(index), prefix, (entry->ifa_flags & IFF_LOOPBACK) != 0}});
    }
    freeifaddrs(list);
    return addresses;
}

} // namespace vornalix::recovery
