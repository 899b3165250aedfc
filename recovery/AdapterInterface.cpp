#include "recovery/AdapterInterface.h"

namespace vornalix::recovery {

std::optional<AdapterInterface> AdapterInterface::Holding(in_addr_t address) {
    const auto list = ListAdapterAddresses();
    if (!list)
        return std::nullopt;
    std::optional<AdapterInterface> loopbackSubnet;
    for (const AdapterAddress& entry : *list) {
        if (entry.address == address)
            return entry.adapter;
        // The loopback adapter answers for every address of its subnet (127.0.0.2 as well as 127.0.0.1).
        if (entry.adapter.loopback && entry.adapter.InSubnet(entry.address, address))
            loopbackSubnet = entry.adapter;
    }
    return loopbackSubnet;
}

bool AdapterInterface::IsOwnAddress(in_addr_t address) {
    if ((ntohl(address) >> 24) == 127)
        return true;
    const auto list = ListAdapterAddresses();
    if (!list)
        return false;
    for (const AdapterAddress& entry : *list)
        if (entry.address == address)
            return true;
    return false;
}

bool AdapterInterface::InSubnet(in_addr_t own, in_addr_t address) const {
    const in_addr_t mask = prefixLength <= 0 ? 0 : htonl(prefixLength >= 32 ? ~0u : ~0u << (32 - prefixLength));
    return (own & mask) == (address & mask);
}

} // namespace vornalix::recovery
