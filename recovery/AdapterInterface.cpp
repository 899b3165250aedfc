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
        const unsigned index = if_nametoindex(entry->ifa_name);
        if (index != 0)
            found = AdapterInterface{entry->ifa_name, static_cast<int>(index)};
    }
    freeifaddrs(list);
    return found;
}

std::string DottedAddress(in_addr_t address) {
    const auto* octets = reinterpret_cast<const unsigned char*>(&address);
    return std::to_string(octets[0]) + "." + std::to_string(octets[1]) + "." + std::to_string(octets[2]) + "." +
           std::to_string(octets[3]);
}

} // namespace vornalix::recovery
