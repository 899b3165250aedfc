#include "hostnet/EmergencyAdapters.h"

#include "hostnet/linux/ArpProbe.h"
#include "hostnet/linux/InterfaceDescription.h"
#include "hostnet/linux/LinuxMibAgent.h"
#include "hostnet/linux/NetlinkTables.h"
#include "res/Resources.h"

#include <linux/if.h>

#include <cstring>
#include <filesystem>

namespace vornalix::hostnet {

namespace {

constexpr int kNoAdapterAdviceId = 201;
constexpr int kNoConnectedAdapterAdviceId = 202;

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

EmergencyAdapterList ListEmergencyAdapters(int capacity, const AddressesFree& addressesFree) {
    EmergencyAdapterList list;
    NetlinkTables tables;
    tables.Read();
    const InterfaceDescription describe;
    bool anyAdapter = false;
    for (const LinkRecord& link : tables.links) {
        if (LinuxMibAgent::InterfaceType(link.arpType) != 6)
            continue;
        anyAdapter = true;
        if (static_cast<int>(list.adapters.size()) >= capacity)
            continue;
        EmergencyAdapter adapter;
        adapter.interfaceName = link.name;
        adapter.interfaceIndex = link.index;
        adapter.entry.address = UsableAddress(tables, link.index);
        if (adapter.entry.address == 0) {
            // Only an adapter with no IPv4 address at all gets one: an adapter with a multicast or
            // zero address is someone's odd set-up, not a wire waiting for a boot loader.
            if (!HasCarrier(link) || HasAnyAddress(tables, link.index) || IsWireless(link.name))
                continue;
            const AddressesFree probe = addressesFree ? addressesFree : [&link](const std::vector<std::uint32_t>& a) {
                return ArpProbe().Probe(link.name, a).outcome != ProbeOutcome::InUse;
            };
            adapter.entry.address = ChooseLinkLocalAddress(link.hardwareAddress, probe);
            if (adapter.entry.address == 0)
                continue;
            adapter.temporaryAddress = true;
        }
        const std::string text = describe.Describe(link.name, link.index);
        std::strncpy(adapter.entry.description, text.c_str(), sizeof adapter.entry.description - 1);
        list.adapters.push_back(adapter);
    }
    if (list.adapters.empty())
        list.shortage = anyAdapter ? AdapterShortage::NoConnectedAdapter : AdapterShortage::NoAdapter;
    return list;
}

std::string ShortageAdvice(AdapterShortage shortage) {
    switch (shortage) {
    case AdapterShortage::NoAdapter:
        return res::LoadString(kNoAdapterAdviceId);
    case AdapterShortage::NoConnectedAdapter:
        return res::LoadString(kNoConnectedAdapterAdviceId);
    case AdapterShortage::None:
        break;
    }
    return {};
}

} // namespace vornalix::hostnet
