#include "recovery/AdapterInterface.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>

namespace vornalix::recovery {

std::optional<AdapterInterface> AdapterInterface::Holding(in_addr_t address) {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return std::nullopt;
    std::optional<AdapterInterface> found;
    for (ifaddrs* entry = list; entry != nullptr && !found; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET)
            continue;
        if (reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr.s_addr != address)
            continue;
        // An address's label ("eth0:1") names its interface up to the colon, which no interface name has.
        const std::string label = entry->ifa_name;
        const std::string name = label.substr(0, label.find(':'));
        const unsigned index = if_nametoindex(name.c_str());
        if (index != 0)
            found = AdapterInterface{name, static_cast<int>(index)};
    }
    freeifaddrs(list);
    return found;
}

} // namespace vornalix::recovery
