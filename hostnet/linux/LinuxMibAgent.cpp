#include "hostnet/linux/LinuxMibAgent.h"

#include <net/if.h>
#include <net/if_arp.h>

namespace vornalix::hostnet {

namespace {

// ifOperStatus from the kernel's IF_OPER_*: up 1, down 2, testing 3, unknown 4, dormant 5,
// notPresent 6, lowerLayerDown 7.
std::int32_t OperStatus(const LinkRecord& link) {
    switch (link.operState) {
    case 6:
        return 1; // IF_OPER_UP
    case 2:
        return 2; // IF_OPER_DOWN
    case 3:
        return 7; // IF_OPER_LOWERLAYERDOWN
    case 4:
        return 3; // IF_OPER_TESTING
    case 5:
        return 5; // IF_OPER_DORMANT
    case 1:
        return 6; // IF_OPER_NOTPRESENT
    default:
        return (link.flags & IFF_UP) != 0 ? 1 : 2; // IF_OPER_UNKNOWN (loopback, tun)
    }
}

} // namespace

LinuxMibAgent::LinuxMibAgent(InterfaceDescription description) : description(std::move(description)) {}

bool LinuxMibAgent::Load(const std::string&) {
    loaded = true;
    return true;
}

void LinuxMibAgent::Unload() {
    loaded = false;
    initialised = false;
    view.Clear();
}

bool LinuxMibAgent::Init(std::uint32_t) {
    if (!loaded)
        return false;
    NetlinkTables tables;
    view.Clear();
    initialised = tables.Read();
    if (initialised)
        BuildView(tables, description, view);
    return initialised;
}

bool LinuxMibAgent::Query(std::uint8_t requestType, SnmpVarBindList* bindings, std::int32_t* errorStatus,
                          std::int32_t* errorIndex) {
    if (!loaded || !initialised)
        return false;
    if (requestType != kSnmpPduGetNext) {
        *errorStatus = 5; // genErr: only GETNEXT is served
        *errorIndex = 0;
        return false;
    }
    return view.GetNext(bindings, errorStatus, errorIndex);
}

std::int32_t LinuxMibAgent::InterfaceType(std::uint16_t arpType) {
    switch (arpType) {
    case ARPHRD_ETHER:
    case ARPHRD_EETHER:
        return 6; // ethernetCsmacd
    case ARPHRD_LOOPBACK:
        return 24; // softwareLoopback
    case ARPHRD_PPP:
        return 23; // ppp
    case ARPHRD_SLIP:
    case ARPHRD_CSLIP:
        return 28; // slip
    case ARPHRD_IEEE802:
        return 9; // iso88025TokenRing
    case ARPHRD_FDDI:
        return 15; // fddi
    case ARPHRD_X25:
        return 5; // rfc877x25
    case ARPHRD_ATM:
        return 37; // atm
    case ARPHRD_HDLC:
        return 118; // hdlc
    case ARPHRD_IEEE1394:
        return 144; // ieee1394
    case ARPHRD_INFINIBAND:
        return 199; // infiniband
    case ARPHRD_IEEE80211:
    case ARPHRD_IEEE80211_PRISM:
    case ARPHRD_IEEE80211_RADIOTAP:
        return 71; // ieee80211 (monitor mode; a Wi-Fi link carrying IP is Ethernet)
    case ARPHRD_TUNNEL:
    case ARPHRD_TUNNEL6:
    case ARPHRD_SIT:
    case ARPHRD_IPGRE:
    case 823:       // ARPHRD_IP6GRE
        return 131; // tunnel
    default:
        return 1; // other
    }
}

void LinuxMibAgent::BuildView(const NetlinkTables& tables, const InterfaceDescription& description, MibView& view) {
    for (const LinkRecord& link : tables.links) {
        const Oid index{link.index};
        view.SetInteger(Column(kIfEntry, 1), index, static_cast<std::int32_t>(link.index));
        view.SetOctets(Column(kIfEntry, 2), index, description.Describe(link.name, link.index));
        view.SetInteger(Column(kIfEntry, 3), index, InterfaceType(link.arpType));
        view.SetInteger(Column(kIfEntry, 4), index, static_cast<std::int32_t>(link.mtu));
        view.SetOctets(Column(kIfEntry, 6), index, link.hardwareAddress);
        view.SetInteger(Column(kIfEntry, 7), index, (link.flags & IFF_UP) != 0 ? 1 : 2);
        view.SetInteger(Column(kIfEntry, 8), index, OperStatus(link));
    }
    // The table is indexed by address: of an address held twice, the first holder is kept.
    for (const AddressRecord& record : tables.addresses) {
        const auto* octets = reinterpret_cast<const std::uint8_t*>(&record.address);
        const Oid index{octets[0], octets[1], octets[2], octets[3]};
        Oid name = Column(kIpAddrEntry, 1);
        name.insert(name.end(), index.begin(), index.end());
        if (view.Contains(name))
            continue;
        const std::uint32_t mask = record.prefixLength == 0 ? 0 : ~0u << (32 - record.prefixLength);
        const std::string maskOctets{static_cast<char>(mask >> 24), static_cast<char>(mask >> 16),
                                     static_cast<char>(mask >> 8), static_cast<char>(mask)};
        view.SetOctets(Column(kIpAddrEntry, 1), index, std::string(reinterpret_cast<const char*>(octets), 4),
                       kAsnIpAddress);
        view.SetInteger(Column(kIpAddrEntry, 2), index, static_cast<std::int32_t>(record.index));
        view.SetOctets(Column(kIpAddrEntry, 3), index, maskOctets, kAsnIpAddress);
        view.SetInteger(Column(kIpAddrEntry, 4), index, 1); // ipAdEntBcastAddr: broadcast with all ones
    }
}

} // namespace vornalix::hostnet
