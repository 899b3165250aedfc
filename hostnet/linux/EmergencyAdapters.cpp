#include "hostnet/EmergencyAdapters.h"

#include "hostnet/linux/ArpProbe.h"
#include "hostnet/linux/InterfaceDescription.h"
#include "hostnet/linux/LinuxMibAgent.h"
#include "hostnet/linux/NetlinkTables.h"

#include <linux/if.h>

#include <cstring>
#include <filesystem>

namespace vornalix::hostnet {

namespace {

bool IsWireless(const std::string& name) {
    std::error_code error;
    return std::filesystem::exists("/sys/class/net/" + name + "/wireless", error) ||
           std::filesystem::exists("/sys/class/net/" + name + "/phy80211", error);
}

bool HasCarrier(const LinkRecord& link) {
    return (link.flags & IFF_UP) != 0 && (link.flags & IFF_LOWER_UP) != 0;
}

// The first address a boot loader can reach (first octet 1 to 223), 0 when none.
std::uint32_t UsableAddress(const NetlinkTables& tables, std::uint32_t index) {
    for (const AddressRecord& record : tables.addresses) {
        const auto firstOctet = reinterpret_cast<const std::uint8_t*>(&record.address)[0];
        if (record.index == index && firstOctet >= 1 && firstOctet <= 223)
            return record.address;
    }
    return 0;
}

bool HasAnyAddress(const NetlinkTables& tables, std::uint32_t index) {
    for (const AddressRecord& record : tables.addresses)
        if (record.index == index)
            return true;
    return false;
}

} // namespace

namespace {

// The adapter for one Ethernet link; nullopt when it has no usable address and gets none.
std::optional<EmergencyAdapter> AdapterFor(const NetlinkTables& tables, const LinkRecord& link, bool needCarrier,
                                           const AddressesFree& addressesFree) {
    EmergencyAdapter adapter;
    adapter.interfaceName = link.name;
    adapter.interfaceIndex = link.index;
    adapter.entry.address = UsableAddress(tables, link.index);
    if (adapter.entry.address == 0) {
        // Only an adapter with no IPv4 address at all gets one: an adapter with a multicast or
        // zero address is someone's odd set-up, not a wire waiting for a boot loader.
        if ((needCarrier && !HasCarrier(link)) || HasAnyAddress(tables, link.index) || IsWireless(link.name))
            return std::nullopt;
        const AddressesFree probe = addressesFree ? addressesFree : [&link](const std::vector<std::uint32_t>& a) {
            return ArpProbe().Probe(link.name, a).outcome != ProbeOutcome::InUse;
        };
        adapter.entry.address = ChooseLinkLocalAddress(link.hardwareAddress, probe);
        if (adapter.entry.address == 0)
            return std::nullopt;
        adapter.temporaryAddress = true;
    }
    const std::string text = InterfaceDescription().Describe(link.name, link.index);
    std::strncpy(adapter.entry.description, text.c_str(), sizeof adapter.entry.description - 1);
    return adapter;
}

} // namespace

EmergencyAdapterList ListEmergencyAdapters(int capacity, const AddressesFree& addressesFree) {
    EmergencyAdapterList list;
    NetlinkTables tables;
    tables.Read();
    bool anyAdapter = false;
    for (const LinkRecord& link : tables.links) {
        if (LinuxMibAgent::InterfaceType(link.arpType) != 6)
            continue;
        anyAdapter = true;
        if (static_cast<int>(list.adapters.size()) >= capacity)
            continue;
        if (auto adapter = AdapterFor(tables, link, true, addressesFree))
            list.adapters.push_back(*adapter);
    }
    if (list.adapters.empty())
        list.shortage = anyAdapter ? AdapterShortage::NoConnectedAdapter : AdapterShortage::NoAdapter;
    return list;
}

std::optional<EmergencyAdapter> FindEmergencyAdapter(const std::string& interfaceName,
                                                     const AddressesFree& addressesFree) {
    NetlinkTables tables;
    tables.Read();
    for (const LinkRecord& link : tables.links)
        if (link.name == interfaceName && LinuxMibAgent::InterfaceType(link.arpType) == 6)
            return AdapterFor(tables, link, false, addressesFree);
    return std::nullopt;
}

} // namespace vornalix::hostnet
