#pragma once
// The network interface that holds an IPv4 address.
#include "common/Socket.h"

#include <optional>
#include <string>
#include <vector>

namespace vornalix::recovery {

struct AdapterInterface {
    std::string name; // the device name (POSIX) or the adapter's friendly name (Windows)
    int index = 0;
    int prefixLength = 32; // of the address asked for
    bool loopback = false;

    // Whether `address` belongs to this host (any interface's, or 127/8): a datagram from such an address was
    // sent by a program here, whatever interface the kernel says it came in on.
    static bool IsOwnAddress(in_addr_t address);

    // Whether `address` (network order) lies in this adapter's subnet of the address asked for.
    bool InSubnet(in_addr_t own, in_addr_t address) const;

    // The interface with `address` (network byte order) among its addresses; nullopt when none holds it.
    static std::optional<AdapterInterface> Holding(in_addr_t address);
};

// One IPv4 address of an interface, with the interface as seen with that address.
struct AdapterAddress {
    in_addr_t address = 0;
    AdapterInterface adapter;
};

// Every IPv4 address of this host's interfaces; nullopt when the system does not tell.
std::optional<std::vector<AdapterAddress>> ListAdapterAddresses();

} // namespace vornalix::recovery
