#include "hostnet/windows/AdapterTables.h"

#include <windows.h>

namespace vornalix::hostnet {

bool AdapterTables::Read(MibAgent& agent) {
    interfaces.assign(kMaxTableRows, InterfaceRow{});
    addresses.assign(kMaxTableRows, AddressRow{});
    int interfaceCount = 0;
    int addressCount = 0;
    const bool loaded = agent.Load("inetmib1.dll");
    if (loaded && agent.Init(GetTickCount())) {
        interfaceCount = WalkInterfaceTable(agent, interfaces.data(), kMaxTableRows);
        addressCount = WalkAddressTable(agent, addresses.data(), kMaxTableRows);
    }
    agent.Unload();
    interfaces.resize(interfaceCount);
    addresses.resize(addressCount);
    return loaded;
}

std::optional<InterfaceRow> AdapterTables::EthernetNamed(const std::string& description) const {
    for (const InterfaceRow& row : interfaces)
        if (row.interfaceType == kIfTypeEthernetCsmacd && description == row.description)
            return row;
    return std::nullopt;
}

bool AdapterTables::AnyEthernet() const {
    for (const InterfaceRow& row : interfaces)
        if (row.interfaceType == kIfTypeEthernetCsmacd)
            return true;
    return false;
}

bool AdapterTables::Holds(std::uint32_t interfaceIndex, std::uint32_t address) const {
    for (const AddressRow& row : addresses)
        if (row.interfaceIndex == interfaceIndex && row.address == address)
            return true;
    return false;
}

} // namespace vornalix::hostnet
