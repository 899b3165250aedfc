#pragma once
// One reading of the agent's ifTable and ipAddrTable, the library loaded for it and released again.
#include "hostnet/InterfaceAddressTable.h"
#include "hostnet/MibAgent.h"

#include <optional>
#include <string>
#include <vector>

namespace vornalix::hostnet {

struct AdapterTables {
    std::vector<InterfaceRow> interfaces;
    std::vector<AddressRow> addresses;

    // Reads both tables through "inetmib1.dll"; false (tables empty) when it cannot be loaded.
    bool Read(MibAgent& agent);
    // The Ethernet interface whose description is description.
    std::optional<InterfaceRow> EthernetNamed(const std::string& description) const;
    bool AnyEthernet() const;
    // Whether the interface holds the address (network order).
    bool Holds(std::uint32_t interfaceIndex, std::uint32_t address) const;
};

} // namespace vornalix::hostnet
